// OFF loading: the item stream, what is built, what is printed, and the
// status of every way a file can go wrong.
#include "io/off_reader.h"
#include "tests/unit/test_mesh.h"

namespace zeq::test {
namespace {

// A tetrahedron: faces (0-based) 0 1 2, 0 1 3, 1 2 3, 0 2 3; the first three
// faces make all six edges (0-1 1-2 2-0 1-3 3-0 2-3), the fourth reuses three.
const std::string kVertexLines = "0 0 0\n1 0 0\n0 1 0\n0 0 1\n";
const std::string kFaceLines = "3 0 1 2\n3 0 1 3\n3 1 2 3\n3 0 2 3\n";
const std::string kHead = "OFF\n4 4 6\n" + kVertexLines;
const std::string kTetra = kHead + kFaceLines;
const std::string kName = "mesh.off";

std::string header(const std::string& vertices, const std::string& faces) {
    return " #Vertices = " + vertices + "\n #Edges = ??\n #Faces = " + faces + "\n";
}
std::string totals(int edges, int faces, const std::string& name = kName) {
    return "Total Arestas= " + std::to_string(edges) + "\nTotal Faces= " + std::to_string(faces) +
           "\nFim da leitura do ficheiro -> " + name + "\n";
}
const std::string kH44 = header("4", "4");

ReadStatus loadText(const std::string& text) { return readOffText(theMesh(), text.data(), text.size(), kName.c_str()); }

void expectAll(ReadStatus status, const std::vector<LoadCase>& cases) { expectLoads(cases, status, loadText); }

using OffReader = FileTest;

TEST_F(OffReader, Status0Loaded) {
    expectAll(ReadStatus::Loaded, {
        {"tetrahedron, every line ended", kTetra, kH44, 4, 6, 4},
        {"no final line end", kTetra.substr(0, kTetra.size() - 1), kH44 + totals(6, 4), 4, 6, 4},
        {"fewer faces than announced", "OFF\n4 5 6\n" + kVertexLines + kFaceLines,
         header("4", "5") + totals(6, 4), 4, 6, 4},
        {"last face cut short", kHead + kFaceLines.substr(0, 24) + "3 0 2", kH44 + totals(6, 3), 4, 6, 3},
        {"announced faces missing", "OFF\n4 1 0\n" + kVertexLines, header("4", "1") + totals(0, 0), 4, 0, 0},
        {"another keyword", "MESH\n4 4 6\n" + kVertexLines + kFaceLines, kH44, 4, 6, 4},
        {"99-character keyword", std::string(99, 'K') + "\n4 4 6\n" + kVertexLines + kFaceLines, kH44, 4, 6, 4},
        {"odd layout", "OFF 4\r\n4\t6 0\n0 0 1 0 0 0 1 0\r\n0 0 1 3 0\n1 2 3 0 1 3 3 1 2\n3\f3 0 2 3\r\n",
         kH44, 4, 6, 4},
        {"edge count is ignored", "OFF\n4 4 -17\n" + kVertexLines + kFaceLines, kH44, 4, 6, 4},
        {"nothing after the faces is read", kTetra + "3 0 1 x\n garbage", kH44, 4, 6, 4},
        {"counts of zero or less", "OFF\n-3 -1 0\n0 0 0\n", header("-3", "-1"), 0, 0, 0},
        {"unused vertex", "OFF\n5 1 0\n0 0 0\n9 9 9\n1 0 0\n0 1 0\n0 0 1\n3 0 2 3\n",
         header("5", "1"), 5, 3, 1},
        // Polygons are fanned from their first corner: 0 1 2, 0 2 3.
        {"a quad", "OFF\n4 1 0\n" + kVertexLines + "4 0 1 2 3\n", header("4", "1"), 4, 5, 2},
        {"polygons sharing a line", "OFF\n4 2 0\n" + kVertexLines + "4 0 1 2 3 3 0 1 3\n", header("4", "2"), 4, 6, 3},
        {"a polygon cut short is dropped", "OFF\n4 2 0\n" + kVertexLines + "3 0 1 2\n4 0 2 3",
         header("4", "2") + totals(3, 1), 4, 3, 1},
        // '#' starts a comment after the keyword; a comment may touch a number.
        {"comments and blank lines", "OFF # written by hand\n#\n\n4 4 6 # counts\n0 0 0\n1 0 0 # x\n0 1 0\n"
                                     "# between\n0 0 1\n3 0 1 2#first\n\n3 0 1 3\n3 1 2 3\n3 0 2 3\n# end\n",
         kH44, 4, 6, 4},
        {"a comment ends the file inside the faces", "OFF\n4 5 6\n" + kVertexLines + kFaceLines + "# end",
         header("4", "5") + totals(6, 4), 4, 6, 4},
        // ModelNet glues V to the keyword; any other glued keyword is a word.
        {"counts glued to OFF", "OFF4 4 6\n" + kVertexLines + kFaceLines, kH44, 4, 6, 4},
        {"digits glued to another keyword", "COFF4\n4 4 6\n" + kVertexLines + kFaceLines, kH44, 4, 6, 4},
        // Values after a face's corners that start with a non-integer are its
        // colour, passed over to the end of the line.
        {"face colours", kHead + "3 0 1 2 1.0 0.0 0.0 0.75\n3 0 1 3 .5 .5 .5 # red\n3 1 2 3\n3 0 2 3 0.1\n",
         kH44, 4, 6, 4},
    });
}

// Welding, when asked for, makes vertex records with equal positions one
// vertex, numbered in order of first appearance (0 and -0 alike).
TEST_F(OffReader, WeldsWhenAsked) {
    const std::string text = "OFF\n5 2 0\n0 0 0\n1 0 0\n0 1 0\n0 0 1\n1 -0 0\n3 0 1 2\n3 4 3 2\n";
    ASSERT_EQ(quietLoad([](const std::string& t) { return readOffText(theMesh(), t.data(), t.size(), "w.off", true); },
                        text),
              0);
    ASSERT_EQ(theMesh().vertices.size(), 4u);
    EXPECT_EQ(cornersOf(theMesh().faces[1]), (Corners{1, 3, 2}));
    EXPECT_EQ(theMesh().edges.size(), 5u);
    ASSERT_EQ(quietLoad(loadText, text), 0);
    EXPECT_EQ(theMesh().vertices.size(), 5u);
}

TEST_F(OffReader, Status0BuildsWhatTheFileSays) {
    ASSERT_EQ(quietLoad(loadText, kTetra), 0);
    const std::vector<Corners> corners = {{0, 1, 2}, {0, 1, 3}, {1, 2, 3}, {0, 2, 3}};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(cornersOf(theMesh().faces[i]), corners[i]) << i;

    ASSERT_EQ(quietLoad(loadText, "OFF\n4 2 0\n" + kVertexLines + "4 0 1 2 3\n3 3 1 0\n"), 0);
    EXPECT_EQ(cornersOf(theMesh().faces[0]), (Corners{0, 1, 2}));
    EXPECT_EQ(cornersOf(theMesh().faces[1]), (Corners{0, 2, 3}));
    EXPECT_EQ(cornersOf(theMesh().faces[2]), (Corners{3, 1, 0}));
}

// From files: the totals name the file as passed; a missing name or a
// directory is status 1, an empty file status 2, each printing nothing.
TEST_F(OffReader, FromFiles) {
    ReadStatus status = ReadStatus::Loaded;
    const std::string tetra = write("tetra.off", kTetra.substr(0, kTetra.size() - 1));
    EXPECT_EQ(printedBy([&] { status = readOff(theMesh(), tetra.c_str()); }), kH44 + totals(6, 4, tetra));
    EXPECT_EQ(static_cast<int>(status), 0);
    expectUnreadableFiles([](Mesh& m, const char* n) { return readOff(m, n); });
    expectAll(ReadStatus::FileEmpty, {{"no characters", "", "", 0, 0, 0}});
}

TEST_F(OffReader, Status3UnreadableHeader) {
    expectAll(ReadStatus::BadHeader, {
        {"blanks only", " \n\t\r\n ", "", 0, 0, 0},
        {"letters where the counts stand", "OFF\nfour 4 6\n" + kVertexLines + kFaceLines, "", 0, 0, 0},
        {"letters as the edge count", "OFF\n4 4 x\n" + kVertexLines + kFaceLines, "", 0, 0, 0},
        {"file ends inside the header", "OFF\n4 4", "", 0, 0, 0},
        {"100-character keyword", std::string(100, 'K') + "\n4 4 6\n" + kVertexLines + kFaceLines, "", 0, 0, 0},
        {"glued count beyond an int", "OFF2147483648 4 6\n" + kVertexLines + kFaceLines, "", 0, 0, 0},
        {"a comment before the keyword", "# comment\nOFF\n4 4 6\n" + kVertexLines + kFaceLines, "", 0, 0, 0},
    });
}

TEST_F(OffReader, Status4VertexRecordIncomplete) {
    expectAll(ReadStatus::BadVertices, {
        {"letter in a vertex", "OFF\n4 4 6\n0 0 0\n1 x 0\n0 1 0\n0 0 1\n" + kFaceLines, kH44, 1, 0, 0},
        {"file ends right after the header", "OFF 4 4 6", kH44, 0, 0, 0},
        {"fewer vertices than announced", "OFF\n5 4 6\n" + kVertexLines, header("5", "4"), 4, 0, 0},
        {"last vertex cut short", "OFF\n4 1 0\n0 0 0\n1 0 0\n0 1 0\n0 0\n", header("4", "1"), 3, 0, 0},
    });
    // A count of two thousand million vertices in a file that holds one: the
    // load fails on the missing record without making room for them first.
    expectAll(ReadStatus::BadVertices,
              {{"huge count", "OFF\n2000000000 1 0\n0.5 0.5 0.5\n", header("2000000000", "1"), 1, 0, 0}});
    // (Vertices are stored in 2 MiB steps: room for 32768 of them at first.)
    EXPECT_LE(theMesh().vertexRoom(), 32768u);
}

TEST_F(OffReader, Status5FaceRecordUnreadable) {
    expectAll(ReadStatus::BadFaces, {
        {"letter in a face", kHead + "3 0 x 2\n3 0 1 3\n", kH44, 4, 0, 0},
        {"letter in the second face", kHead + "3 0 1 2\n3 0 1 x\n", kH44, 4, 3, 1},
        {"letter as corner count", kHead + "3 0 1 2\nt 0 1 3\n", kH44, 4, 3, 1},
        {"corner equal to the vertex count", kHead + "3 0 1 2\n3 0 1 4\n", kH44, 4, 3, 1},
        {"negative corner", kHead + "3 -1 0 1\n", kH44, 4, 0, 0},
        {"corner out of range in a last face without line end", kHead + "3 0 1 2\n3 0 1 9", kH44, 4, 3, 1},
        {"two corners", kHead + "3 0 1 2\n2 0 1\n", kH44, 4, 3, 1},
        {"no corners", kHead + "0\n", kH44, 4, 0, 0},
        {"negative corner count", kHead + "-3 0 1 2\n", kH44, 4, 0, 0},
        {"letter as a quad's last corner", kHead + "4 0 1 2 x\n", kH44, 4, 0, 0},
        {"corner out of range in a quad's second triangle", kHead + "4 0 1 2 4\n", kH44, 4, 3, 1},
        // An integer colour cannot be told from the next record: its first
        // value is read as a corner count.
        {"integer colour", kHead + "3 0 1 2 1 0 0\n3 0 1 3\n", kH44, 4, 3, 1},
    });
}

}  // namespace
}  // namespace zeq::test
