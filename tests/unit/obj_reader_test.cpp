// OBJ loading: the corner forms, relative indices, vertices between faces,
// the lines that are skipped, and the status of every bad line.
#include "io/obj_reader.h"
#include "tests/unit/format_test_util.h"

namespace zeq::test {
namespace {

ReadStatus loadText(const std::string& text) { return readObjText(theMesh(), text.data(), text.size()); }

// The unit square 0 (0,0,0) 1 (1,0,0) 2 (1,1,0) 3 (0,1,0) as the triangles
// (0,1,2) and (0,2,3): 5 edges.
const std::string kSquareVertices = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n";
const std::string kSquareRecords = vertexRecord(0, 0, 0) + vertexRecord(1, 0, 0) + vertexRecord(1, 1, 0) +
                                   vertexRecord(0, 1, 0) + "f 0 1 2\nf 0 2 3\nedges 5\n";
const std::string kSquareCounts = " 4 <Vertices>\n 5 <Edges>\n 2 <Faces>\n";

// Loads `text`, expecting the square.
void expectSquare(const std::string& text, const std::string& what) {
    resetRunState();
    ReadStatus status = ReadStatus::BadHeader;
    EXPECT_EQ(printedBy([&] { status = loadText(text); }), kSquareCounts) << what;
    EXPECT_EQ(static_cast<int>(status), 0) << what;
    EXPECT_EQ(records(), kSquareRecords) << what;
    EXPECT_EQ(checkInvariants(theMesh()), "") << what;
}

void expectFails(const std::string& text, int status, const std::string& what) {
    resetRunState();
    ReadStatus got = ReadStatus::Loaded;
    EXPECT_EQ(printedBy([&] { got = loadText(text); }), "") << what;
    EXPECT_EQ(static_cast<int>(got), status) << what;
}

TEST(ObjReader, EveryCornerFormNamesTheVertex) {
    expectSquare(kSquareVertices + "f 1 2 3\nf 1 3 4\n", "i");
    expectSquare(kSquareVertices + "vt 0 0\nvt 1 1\nf 1/1 2/2 3/1\nf 1/2 3/1 4/2\n", "i/t");
    expectSquare(kSquareVertices + "vn 0 0 1\nf 1//1 2//1 3//1\nf 1//1 3//1 4//1\n", "i//n");
    expectSquare(kSquareVertices + "f 1/9/8 2/7/6 3/5/4\nf 1/1/1 3/3/3 4/4/4\n", "i/t/n (t and n are not checked)");
    expectSquare(kSquareVertices + "f 1 2/2 3//3\nf 1/1/1 3 4//7\n", "forms mixed in a face");
}

// Negative indices count back from the last vertex read so far (-1 is the
// last); vertices may follow faces. Each text below is the square.
TEST(ObjReader, RelativeIndicesAndVerticesBetweenFaces) {
    expectSquare(kSquareVertices + "f -4 -3 -2\nf -4 -2 -1\n", "all relative");
    expectSquare(kSquareVertices + "f 1 -3 3\nf -4/1 3//1 -1/2/3\n", "absolute and relative mixed");
    expectSquare("v 0 0 0\nv 1 0 0\nv 1 1 0\nf 1 2 3\nv 0 1 0\nf 1 3 4\n", "a vertex after a face");
    expectSquare("v 0 0 0\nv 1 0 0\nv 1 1 0\nf -3 -2 -1\nv 0 1 0\nf -4 -2 -1\n", "relative, counted when the face is read");
    expectSquare("o a\nv 0 0 0\nv 1 0 0\nv 1 1 0\ng a\nf 1 2 3\no b\nv 0 1 0\ng b\nf -4 -2 -1\n", "two objects");
}

// A backslash at the end of a line joins the next line as a blank; one in a
// comment does not. Vertex records with equal positions are welded (0 and
// -0 alike) unless welding is off.
TEST(ObjReader, ContinuedLinesAndWelding) {
    expectSquare("v 0 0 \\\n0\nv 1 0 0\\\n\nv 1 1 0\nv 0 1 0\nf 1 2 \\\n3 \\\r\n\\\n\nf 1 3 4 \\", "continued");
    expectSquare("# C:\\models\\\n" + kSquareVertices + "f 1 2 3 # first \\\nf 1 3 4\n", "backslashes in comments");
    expectFails(kSquareVertices + "f 1 2 \\\n3 x\n", 5, "a bad corner on a continuation");
    const std::string split = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv -0 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3\nf 4 5 6\n";
    expectSquare(split, "a vertex per corner");
    resetRunState();
    EXPECT_EQ(printedBy([&] { EXPECT_EQ(readObjText(theMesh(), split.data(), split.size(), false), ReadStatus::Loaded); }),
              " 6 <Vertices>\n 6 <Edges>\n 2 <Faces>\n");
}

// A real exporter's file: comments, skipped keywords, extra numbers on v
// lines, comments at the ends of lines, blank lines, CR LF line ends.
TEST(ObjReader, SkippedLinesAndCrLf) {
    const std::string text =
        "# exported by hand\r\nmtllib scene.mtl\r\no square\r\n"
        "v 0 0 0 1\r\nv 1 0 0 1.0 0.5 0.25 0.125\r\nv 1 1 0# glued comment\r\n v 0 1 0 # indented\r\n"
        "vt 0 0\r\nvt 1 0 0\r\nvn 0 0 1\r\nvp 0.5\r\ng square\r\ns 1\r\nusemtl red\r\n"
        "f 1/1/1 2/2/1 3/2/1 # the first half\r\nl 1 2 3\r\np 4\r\ns off\r\ncstype bezier\r\n"
        "\r\n   \r\n\t\r\nf 1//1 3//1 4//1\r\n#\r\n# f 1 2 3\r\n#end";
    expectSquare(text, "CR LF");
    std::string lf;
    for (char c : text)
        if (c != '\r') lf += c;
    expectSquare(lf, "LF");
    // A UTF-8 byte order mark before the first line hides nothing: the first
    // vertex still counts, so the corners name the same vertices.
    expectSquare("\xEF\xBB\xBF" + kSquareVertices + "f 1 2 3\nf 1 3 4\n", "byte order mark");
    expectSquare("\xEF\xBB\xBF# comment\n" + kSquareVertices + "f -4 -3 -2\nf -4 -2 -1\n",
                 "byte order mark before a comment");
}

// A face of n corners is split into (c0, ck, ck+1).
TEST(ObjReader, PolygonsAreFanned) {
    // A regular-ish pentagon, listed from its corner 3.
    resetRunState();
    const std::string text = "v 1 0 0\nv 0.3 1 0\nv -0.8 0.6 0\nv -0.8 -0.6 0\nv 0.3 -1 0\nf 4 5 1 2 3\n";
    ReadStatus status = ReadStatus::BadHeader;
    EXPECT_EQ(printedBy([&] { status = loadText(text); }), " 5 <Vertices>\n 7 <Edges>\n 3 <Faces>\n");
    EXPECT_EQ(static_cast<int>(status), 0);
    std::vector<Corners> corners;
    for (const FaceId f : theMesh().faces) corners.push_back(cornersOf(f));
    EXPECT_EQ(corners, (std::vector<Corners>{{3, 4, 0}, {3, 0, 1}, {3, 1, 2}}));
}

// Vertices alone, and vertices no face names: all counted.
TEST(ObjReader, VerticesWithoutFaces) {
    resetRunState();
    ReadStatus status = ReadStatus::BadHeader;
    EXPECT_EQ(printedBy([&] { status = loadText("v 1 2 3\nv -0 1e-3 +5\n"); }),
              " 2 <Vertices>\n 0 <Edges>\n 0 <Faces>\n");
    EXPECT_EQ(static_cast<int>(status), 0);
    EXPECT_EQ(records(), vertexRecord(1, 2, 3) + vertexRecord(-0.0, 1e-3, 5) + "edges 0\n");
    resetRunState();
    EXPECT_EQ(printedBy([&] { status = loadText("v 9 9 9\n" + kSquareVertices + "f 2 3 4\n"); }),
              " 5 <Vertices>\n 3 <Edges>\n 1 <Faces>\n");
}

TEST(ObjReader, Statuses) {
    const std::vector<std::pair<std::string, std::string>> noVertices = {
        {"comments only", "# nothing here\n"},
        {"other lines only", "o a\nvn 0 0 1\nvt 0 0\ng b\n"},
        {"blank lines only", "\n\n  \n"},
    };
    for (const auto& [what, text] : noVertices) expectFails(text, 3, what);

    const std::vector<std::pair<std::string, std::string>> badVertices = {
        {"two numbers", "v 1 2\n"},
        {"two numbers then a comment", "v 1 2 # 3\n"},
        {"no numbers", "v\n"},
        {"nan", "v 1 2 nan\n"},
        {"inf", "v inf 2 3\n"},
        {"beyond the double range", "v 1 2 1e999\n"},
        {"a word", "v 1 two 3\n"},
        {"commas", "v 1, 2, 3\n"},
        {"hexadecimal", "v 0x1p3 2 3\n"},
        {"bad vertex after faces", kSquareVertices + "f 1 2 3\nv 1 2\n"},
    };
    for (const auto& [what, text] : badVertices) expectFails(text, 4, what);

    const std::vector<std::pair<std::string, std::string>> badFaces = {
        {"index 0", kSquareVertices + "f 1 2 0\n"},
        {"beyond the vertices", kSquareVertices + "f 1 2 5\n"},
        {"relative beyond the first", kSquareVertices + "f 1 2 -5\n"},
        {"forward reference", "v 0 0 0\nv 1 0 0\nf 1 2 3\nv 1 1 0\n"},
        {"relative forward reference", "v 0 0 0\nv 1 0 0\nf -1 -2 -3\nv 1 1 0\n"},
        {"two corners", kSquareVertices + "f 1 2\n"},
        {"two corners then a comment", kSquareVertices + "f 1 2 # 3\n"},
        {"no corners", kSquareVertices + "f\n"},
        {"a word", kSquareVertices + "f 1 2 three\n"},
        {"a decimal point", kSquareVertices + "f 1 2 3.0\n"},
        {"no index before the slash", kSquareVertices + "f 1 2 /3\n"},
        {"bad corner in the second triangle", kSquareVertices + "f 1 2 3 5\n"},
        {"index beyond 64 bits", kSquareVertices + "f 1 2 99999999999999999999\n"},
    };
    for (const auto& [what, text] : badFaces) expectFails(text, 5, what);
}

using ObjFile = FileTest;

TEST_F(ObjFile, FromFiles) {
    const std::string name = write("square.obj", "o s\r\n" + kSquareVertices + "f 1/1 2/1 3/1\r\nf -4 -2 -1");
    ReadStatus status = ReadStatus::BadHeader;
    EXPECT_EQ(printedBy([&] { status = readObj(theMesh(), name.c_str()); }), kSquareCounts);
    EXPECT_EQ(static_cast<int>(status), 0);
    EXPECT_EQ(records(), kSquareRecords);
    expectUnreadableFiles([](Mesh& m, const char* n) { return readObj(m, n); });
}

}  // namespace
}  // namespace zeq::test
