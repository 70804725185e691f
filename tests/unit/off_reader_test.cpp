// OFF loading: the item stream, what is built, what is printed, and the
// status of every way a file can go wrong.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "io/off_reader.h"
#include "tests/unit/test_mesh.h"

namespace zeq {
namespace {

using test::cornersOf;

// A tetrahedron: faces (0-based) 0 1 2, 0 1 3, 1 2 3, 0 2 3; the first three
// faces make all six edges (0-1 1-2 2-0 1-3 3-0 2-3), the fourth reuses three.
const std::string kVertexLines = "0 0 0\n1 0 0\n0 1 0\n0 0 1\n";
const std::string kFaceLines = "3 0 1 2\n3 0 1 3\n3 1 2 3\n3 0 2 3\n";
const std::string kTetra = "OFF\n4 4 6\n" + kVertexLines + kFaceLines;
const std::string kName = "mesh.off";

std::string header(const std::string& vertices, const std::string& faces) {
    return " #Vertices = " + vertices + "\n #Edges = ??\n #Faces = " + faces + "\n";
}
std::string totals(int edges, int faces, const std::string& name = kName) {
    return "Total Arestas= " + std::to_string(edges) + "\nTotal Faces= " + std::to_string(faces) +
           "\nFim da leitura do ficheiro -> " + name + "\n";
}

struct Case {
    std::string name;
    std::string text;
    std::string printed;
    std::size_t vertices, edges, faces;
};

struct Outcome {
    ReadStatus status;
    std::string printed;
};

Outcome loadText(const std::string& text) {
    resetGlobals();
    testing::internal::CaptureStdout();
    ReadStatus status = readOffText(theMesh, text.data(), text.size(), kName.c_str());
    return {status, testing::internal::GetCapturedStdout()};
}

void expectAll(const std::vector<Case>& cases, ReadStatus status) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Outcome got = loadText(c.text);
        EXPECT_EQ(static_cast<int>(got.status), static_cast<int>(status));
        EXPECT_EQ(got.printed, c.printed);
        EXPECT_EQ(theMesh.vertices.size(), c.vertices);
        EXPECT_EQ(theMesh.edges.size(), c.edges);
        EXPECT_EQ(theMesh.faces.size(), c.faces);
        EXPECT_EQ(test::checkInvariants(theMesh), "");
    }
}

using OffReader = test::GlobalMeshTest;

TEST_F(OffReader, Status0Loaded) {
    const std::string h44 = header("4", "4");
    std::string oneLine = kTetra;
    for (char& c : oneLine)
        if (c == '\n') c = ' ';
    expectAll(
        {
            {"tetrahedron, every line ended", kTetra, h44, 4, 6, 4},
            {"no line end after the last number", kTetra.substr(0, kTetra.size() - 1), h44 + totals(6, 4), 4, 6,
             4},
            {"more faces announced than present", "OFF\n4 5 6\n" + kVertexLines + kFaceLines,
             header("4", "5") + totals(6, 4), 4, 6, 4},
            {"last face cut short", "OFF\n4 4 6\n" + kVertexLines + kFaceLines.substr(0, 24) + "3 0 2",
             h44 + totals(6, 3), 4, 6, 3},
            {"announced faces missing", "OFF\n4 1 0\n" + kVertexLines, header("4", "1") + totals(0, 0), 4, 0, 0},
            {"another keyword", "MESH\n4 4 6\n" + kVertexLines + kFaceLines, h44, 4, 6, 4},
            {"99-character keyword", std::string(99, 'K') + "\n4 4 6\n" + kVertexLines + kFaceLines, h44, 4, 6, 4},
            {"everything on one line", oneLine, h44, 4, 6, 4},
            {"odd layout, CR LF and tabs", "OFF 4\r\n4\t6 0\n0 0 1 0 0 0 1 0\r\n0 0 1 3 0\n1 2 3 0 1 3 3 1 2\n3\f3 0 2 3\r\n",
             h44, 4, 6, 4},
            {"edge count is ignored", "OFF\n4 4 -17\n" + kVertexLines + kFaceLines, h44, 4, 6, 4},
            {"corner count is ignored", "OFF\n4 4 6\n" + kVertexLines + "7 0 1 2\n0 0 1 3\n-1 1 2 3\n3 0 2 3\n",
             h44, 4, 6, 4},
            {"nothing after the faces is read", kTetra + "3 0 1 x\n garbage", h44, 4, 6, 4},
            {"counts of zero or less", "OFF\n-3 -1 0\n0 0 0\n", header("-3", "-1"), 0, 0, 0},
            {"unused vertex is loaded", "OFF\n5 1 0\n0 0 0\n9 9 9\n1 0 0\n0 1 0\n0 0 1\n3 0 2 3\n",
             header("5", "1"), 5, 3, 1},
            // A quad record builds 0 1 2; its last corner 3 becomes the next
            // record's corner count, so that record reads as 3 0 2 (count 3).
            {"quad record puts later records out of step", "OFF\n4 2 0\n" + kVertexLines + "4 0 1 2 3\n3 0 2 3\n",
             header("4", "2"), 4, 5, 2},
        },
        ReadStatus::Loaded);
}

TEST_F(OffReader, Status0BuildsWhatTheFileSays) {
    ASSERT_EQ(static_cast<int>(loadText(kTetra).status), 0);
    EXPECT_EQ(cornersOf(theMesh.faces[0]), (std::array<int, 3>{0, 1, 2}));
    EXPECT_EQ(cornersOf(theMesh.faces[1]), (std::array<int, 3>{0, 1, 3}));
    EXPECT_EQ(cornersOf(theMesh.faces[2]), (std::array<int, 3>{1, 2, 3}));
    EXPECT_EQ(cornersOf(theMesh.faces[3]), (std::array<int, 3>{0, 2, 3}));
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(theMesh.vertices[i]->getId(), i);
        EXPECT_EQ(theMesh.vertices[i]->vertexMark, 0);
    }
    EXPECT_EQ(theMesh.vertices[1]->positionCopy().x, 1.0);

    ASSERT_EQ(static_cast<int>(loadText("OFF\n4 2 0\n" + kVertexLines + "4 0 1 2 3\n3 0 2 3\n").status), 0);
    EXPECT_EQ(cornersOf(theMesh.faces[0]), (std::array<int, 3>{0, 1, 2}));
    EXPECT_EQ(cornersOf(theMesh.faces[1]), (std::array<int, 3>{3, 0, 2}));

    // Without a keyword the first count is taken as the keyword: V 4, F 6,
    // the edge count swallows the first coordinate, and everything after
    // is read one item late.
    //   vertices (0,0,1) (0,0,0) (1,0,0) (0,1,3)
    //   faces    [0] 1 2 3   [0] 1 3 3   [1] 2 3 3   [0] 2 3 <end>
    // Face 1 3 3 names vertex 3 twice and finds only the edge 3-1 of face
    // 1 2 3; face 2 3 3 finds 2-3 and 3-1: no new edges after the first face.
    Outcome got = loadText("4 4 6\n" + kVertexLines + kFaceLines);
    EXPECT_EQ(static_cast<int>(got.status), 0);
    EXPECT_EQ(got.printed, header("4", "6") + totals(3, 3));
    ASSERT_EQ(theMesh.vertices.size(), 4u);
    EXPECT_EQ(theMesh.vertices[0]->positionCopy().z, 1.0);
    EXPECT_EQ(theMesh.vertices[3]->positionCopy().y, 1.0);
    EXPECT_EQ(theMesh.vertices[3]->positionCopy().z, 3.0);
}

TEST_F(OffReader, Status0FromAFilePrintsTheNameAsPassed) {
    const auto dir = std::filesystem::path(testing::TempDir()) / "zeq_off_reader_file";
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "tetra.off").string();
    std::ofstream(path, std::ios::binary) << kTetra.substr(0, kTetra.size() - 1);
    testing::internal::CaptureStdout();
    ReadStatus status = readOff(theMesh, path.c_str());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), header("4", "4") + totals(6, 4, path));
    EXPECT_EQ(static_cast<int>(status), 0);

    resetGlobals();
    testing::internal::CaptureStdout();
    status = readOff(theMesh, (dir / "missing.off").string().c_str());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(static_cast<int>(status), 1);
    testing::internal::CaptureStdout();
    status = readOff(theMesh, dir.string().c_str());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(static_cast<int>(status), 1);

    const std::string empty = (dir / "empty.off").string();
    std::ofstream(empty, std::ios::binary).flush();
    testing::internal::CaptureStdout();
    status = readOff(theMesh, empty.c_str());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(static_cast<int>(status), 2);
    EXPECT_TRUE(theMesh.vertices.empty());
    std::filesystem::remove_all(dir);
}

TEST_F(OffReader, Status2EmptyText) { expectAll({{"no characters", "", "", 0, 0, 0}}, ReadStatus::FileEmpty); }

TEST_F(OffReader, Status3UnreadableHeader) {
    expectAll(
        {
            {"blanks only", " \n\t\r\n ", "", 0, 0, 0},
            {"keyword only", "OFF\n", "", 0, 0, 0},
            {"letters where the counts stand", "OFF\nfour 4 6\n" + kVertexLines + kFaceLines, "", 0, 0, 0},
            {"letters as the edge count", "OFF\n4 4 x\n" + kVertexLines + kFaceLines, "", 0, 0, 0},
            {"file ends inside the header", "OFF\n4 4", "", 0, 0, 0},
            {"100-character keyword", std::string(100, 'K') + "\n4 4 6\n" + kVertexLines + kFaceLines, "", 0, 0, 0},
        },
        ReadStatus::BadHeader);
}

TEST_F(OffReader, Status4VertexRecordIncomplete) {
    expectAll(
        {
            {"letter in a vertex", "OFF\n4 4 6\n0 0 0\n1 x 0\n0 1 0\n0 0 1\n" + kFaceLines, header("4", "4"), 1, 0, 0},
            {"file ends right after the header", "OFF 4 4 6", header("4", "4"), 0, 0, 0},
            {"fewer vertices than announced", "OFF\n5 4 6\n" + kVertexLines, header("5", "4"), 4, 0, 0},
            {"last vertex cut short", "OFF\n4 1 0\n0 0 0\n1 0 0\n0 1 0\n0 0\n", header("4", "1"), 3, 0, 0},
        },
        ReadStatus::BadVertices);
}

// A count announcing two thousand million vertices in a file that holds one:
// the load must fail on the missing second record, not try to make room for
// the announced number first.
TEST_F(OffReader, Status4HugeVertexCountInATinyFile) {
    Outcome got = loadText("OFF\n2000000000 1 0\n0.5 0.5 0.5\n");
    EXPECT_EQ(static_cast<int>(got.status), 4);
    EXPECT_EQ(got.printed, header("2000000000", "1"));
    EXPECT_EQ(theMesh.vertices.size(), 1u);
    EXPECT_LT(theMesh.vertices.capacity(), 1000u);
}

TEST_F(OffReader, Status5FaceRecordUnreadable) {
    const std::string h = header("4", "4");
    const std::string head = "OFF\n4 4 6\n" + kVertexLines;
    expectAll(
        {
            {"letter in a face", head + "3 0 x 2\n3 0 1 3\n", h, 4, 0, 0},
            {"letter in the second face", head + "3 0 1 2\n3 0 1 x\n", h, 4, 3, 1},
            {"slashes", head + "3 0/0 1/1 2/2\n", h, 4, 0, 0},
            {"letter as corner count", head + "3 0 1 2\nt 0 1 3\n", h, 4, 3, 1},
            {"corner equal to the vertex count", head + "3 0 1 2\n3 0 1 4\n", h, 4, 3, 1},
            {"negative corner", head + "3 -1 0 1\n", h, 4, 0, 0},
            {"corner out of range in a last face without line end", head + "3 0 1 2\n3 0 1 9", h, 4, 3, 1},
        },
        ReadStatus::BadFaces);
}

}  // namespace
}  // namespace zeq
