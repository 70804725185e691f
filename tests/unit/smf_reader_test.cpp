// SMF loading: which text is accepted, what is built, what is printed, and
// the status of every way a file can go wrong.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "io/smf_reader.h"
#include "tests/unit/test_mesh.h"

namespace zeq {
namespace {

using test::cornersOf;

// A tetrahedron: 4 vertices, 4 faces, 6 edges.
//        4
//       /|\          faces (1-based): 1 2 3, 1 2 4, 2 3 4, 1 3 4
//      / | \         edges: 1-2 2-3 3-1 (first face), 2-4 4-1 (second),
//     1--|--3               3-4 (third); the fourth reuses 3-1, 4-1, 3-4
//      \ | /
//        2
const std::string kVertices = "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\n";
const std::string kFaces = "f 1 2 3\nf 1 2 4\nf 2 3 4\nf 1 3 4\n";
const std::string kTetra = "#SMF\n" + kVertices + kFaces;
const std::string kAllCounts = " 4 <Vertices>\n 6 <Edges>\n 4 <Faces>\n";
const std::string kVertexCount = " 4 <Vertices>\n";

std::string crlf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out.push_back('\r');
        out.push_back(c);
    }
    return out;
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
    ReadStatus status = readSmfText(theMesh, text.data(), text.size());
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

class SmfReader : public test::GlobalMeshTest {
protected:
    void SetUp() override {
        test::GlobalMeshTest::SetUp();
        dir_ = std::filesystem::path(testing::TempDir()) /
               ("zeq_smf_" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override {
        std::filesystem::remove_all(dir_);
        test::GlobalMeshTest::TearDown();
    }
    std::string file(const std::string& name, const std::string& content) {
        std::string path = (dir_ / name).string();
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }
    std::filesystem::path dir_;
};

TEST_F(SmfReader, Status0Loaded) {
    const std::string header89 = std::string(89, '#') + "\n";
    const std::string body = kVertices + kFaces;
    expectAll(
        {
            {"tetrahedron, every line ended", kTetra, kAllCounts, 4, 6, 4},
            {"no line end after the last face", kTetra.substr(0, kTetra.size() - 1), kAllCounts, 4, 6, 4},
            {"no header at all", body, kAllCounts, 4, 6, 4},
            {"89-character header line; an indented v line is header too",
             header89 + " v 9 9 9\n\t v 8 8 8\n" + body, kAllCounts, 4, 6, 4},
            {"89-character first v line", "v 0 0 0" + std::string(82, ' ') + "\n" + kVertices.substr(8) + kFaces,
             kAllCounts, 4, 6, 4},
            {"CR LF line ends with an 89-character header line", crlf(header89 + body), kAllCounts, 4, 6, 4},
            {"lines after the first v line may be long", "v 0 0 0\nv 1 0 0" + std::string(200, ' ') + "\n" +
             kVertices.substr(16) + kFaces, kAllCounts, 4, 6, 4},
            {"blank lines after the faces", kTetra + "\n\n \t\n", kAllCounts, 4, 6, 4},
            {"last face cut short by the end of the file", kTetra + "f 1 3", kAllCounts, 4, 6, 4},
            {"records spread over lines", "v 0 0\n0 v 1\n0 0 v 0 1 0 v 0 0 1 f 1 2\n3 f 1 2 4 f 2 3 4 f 1 3 4",
             kAllCounts, 4, 6, 4},
            {"a lone f after the vertices", kVertices + "f\n", " 4 <Vertices>\n 0 <Edges>\n 0 <Faces>\n", 4, 0, 0},
            {"unused vertex is loaded", "v 0 0 0\nv 5 5 5\nv 1 0 0\nv 0 1 0\nf 1 3 4\n",
             " 4 <Vertices>\n 3 <Edges>\n 1 <Faces>\n", 4, 3, 1},
            // Any character other than f starts a vertex record.
            {"other record letters", "v 0 0 0\nw 1 0 0\n# 0 1 0\nx 0 0 1\n" + kFaces, kAllCounts, 4, 6, 4},
            // The quiet path: an item that does not start with f ends the faces.
            {"quad record", kVertices + "f 1 2 3 4\nf 1 2 4\n", kVertexCount, 4, 3, 1},
            {"comment after the faces", kVertices + "f 1 2 3\n# end\nf 1 2 4\n", kVertexCount, 4, 3, 1},
            {"quad record at the very end", kVertices + "f 1 2 3 4", kVertexCount, 4, 3, 1},
        },
        ReadStatus::Loaded);
}

TEST_F(SmfReader, Status0BuildsWhatTheFileSays) {
    // Glued record letters; numbers with signs, points and exponents.
    const std::string text = "v1 2 3\nv-1.5e2 +.25 0.\nv 1E-3 -0 7\nf 3 1 2\n";
    ASSERT_EQ(static_cast<int>(loadText(text).status), 0);
    ASSERT_EQ(theMesh.vertices.size(), 3u);
    const Point3 a = theMesh.vertices[0]->positionCopy();
    const Point3 b = theMesh.vertices[1]->positionCopy();
    const Point3 c = theMesh.vertices[2]->positionCopy();
    EXPECT_EQ(a.x, 1.0);
    EXPECT_EQ(a.y, 2.0);
    EXPECT_EQ(a.z, 3.0);
    EXPECT_EQ(b.x, -150.0);
    EXPECT_EQ(b.y, 0.25);
    EXPECT_EQ(b.z, 0.0);
    EXPECT_EQ(c.x, 0.001);
    EXPECT_TRUE(std::signbit(c.y));
    EXPECT_EQ(c.z, 7.0);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(theMesh.vertices[i]->getId(), i);
        EXPECT_EQ(theMesh.vertices[i]->vertexMark, 0);
    }
    // 1-based numbers, corner order kept: f 3 1 2 is the triangle (2, 0, 1).
    EXPECT_EQ(cornersOf(theMesh.faces[0]), (std::array<int, 3>{2, 0, 1}));

    ASSERT_EQ(static_cast<int>(loadText(kTetra).status), 0);
    EXPECT_EQ(cornersOf(theMesh.faces[0]), (std::array<int, 3>{0, 1, 2}));
    EXPECT_EQ(cornersOf(theMesh.faces[1]), (std::array<int, 3>{0, 1, 3}));
    EXPECT_EQ(cornersOf(theMesh.faces[2]), (std::array<int, 3>{1, 2, 3}));
    EXPECT_EQ(cornersOf(theMesh.faces[3]), (std::array<int, 3>{0, 2, 3}));

    ASSERT_EQ(static_cast<int>(loadText("v 0 0 0\nv 5 5 5\nv 1 0 0\nv 0 1 0\nf 1 3 4\n").status), 0);
    EXPECT_TRUE(theMesh.vertices[1]->edges.empty());
}

TEST_F(SmfReader, Status0FromAFile) {
    const std::string path = file("tetra.smf", crlf(kTetra));
    testing::internal::CaptureStdout();
    ReadStatus status = readSmf(theMesh, path.c_str());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), kAllCounts);
    EXPECT_EQ(static_cast<int>(status), 0);
    EXPECT_EQ(theMesh.faces.size(), 4u);
}

TEST_F(SmfReader, Status1FileCannotBeOpened) {
    for (const std::string& path : {(dir_ / "missing.smf").string(), dir_.string()}) {
        SCOPED_TRACE(path);
        testing::internal::CaptureStdout();
        ReadStatus status = readSmf(theMesh, path.c_str());
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        EXPECT_EQ(static_cast<int>(status), 1);
        EXPECT_TRUE(theMesh.vertices.empty());
    }
}

TEST_F(SmfReader, Status2EmptyFile) {
    EXPECT_EQ(static_cast<int>(loadText("").status), 2);
    const std::string path = file("empty.smf", "");
    testing::internal::CaptureStdout();
    ReadStatus status = readSmf(theMesh, path.c_str());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(static_cast<int>(status), 2);
}

TEST_F(SmfReader, Status3NoVertexLineOrOverlongLine) {
    expectAll(
        {
            {"blank lines only", "\n\n  \n", "", 0, 0, 0},
            {"no line starts with v", "#SMF\n# nothing here\nf 1 2 3\n", "", 0, 0, 0},
            {"only indented v lines", " v 1 2 3\n\tv 1 2 3\n", "", 0, 0, 0},
            {"90-character header line", std::string(90, '#') + "\n" + kVertices + kFaces, "", 0, 0, 0},
            {"90-character header line with CR LF", crlf(std::string(90, '#') + "\n" + kVertices + kFaces), "", 0,
             0, 0},
            {"90-character first v line", "v 0 0 0" + std::string(83, ' ') + "\n" + kFaces, "", 0, 0, 0},
            {"200-character line before the first v line", "#\n" + std::string(200, 'x') + "\nv 0 0 0\n", "", 0,
             0, 0},
        },
        ReadStatus::BadHeader);
}

TEST_F(SmfReader, Status4VertexRecordIncomplete) {
    expectAll(
        {
            // The record whose numbers were read last is not built.
            {"vertices and nothing after them", kTetra.substr(0, 5) + kVertices, "", 3, 0, 0},
            {"vertices, no line end, nothing after", kVertices.substr(0, kVertices.size() - 1), "", 3, 0, 0},
            {"comment line among the vertices", "v 0 0 0\nv 1 0 0\n# a comment\nv 0 1 0\n" + kFaces, "", 2, 0, 0},
            {"normal record among the vertices", "v 0 0 0\nvn 0 0 1\nv 0 1 0\n" + kFaces, "", 1, 0, 0},
            {"vertex with two numbers", "v 0 0 0\nv 1 0\n" + kFaces, "", 1, 0, 0},
            {"letter in a vertex", "v 0 0 0\nv 1 y 0\n" + kFaces, "", 1, 0, 0},
            {"overflowing coordinate", "v 0 0 0\nv 1e999 0 0\n" + kFaces, "", 1, 0, 0},
        },
        ReadStatus::BadVertices);
}

TEST_F(SmfReader, Status5FaceRecordUnreadable) {
    const std::string three = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
    const std::string counted = " 3 <Vertices>\n";
    expectAll(
        {
            {"slashes", three + "f 1/1 2/2 3/3\n", counted, 3, 0, 0},
            {"letter in a face", three + "f 1 2 x\n", counted, 3, 0, 0},
            {"letter in the second face", three + "f 1 2 3\nf 1 q 3\n", counted, 3, 3, 1},
            {"decimal point in a face", three + "f 1 2.5 3\n", counted, 3, 0, 0},
            {"number beyond int", three + "f 1 2 99999999999\n", counted, 3, 0, 0},
            {"corner 0", three + "f 0 1 2\n", counted, 3, 0, 0},
            {"negative corner", three + "f 1 -2 3\n", counted, 3, 0, 0},
            {"corner too large", three + "f 1 2 3\nf 1 2 4\n", counted, 3, 3, 1},
            {"corner too large in a last face without line end", three + "f 1 2 3\nf 1 2 4", counted, 3, 3, 1},
        },
        ReadStatus::BadFaces);
}

}  // namespace
}  // namespace zeq
