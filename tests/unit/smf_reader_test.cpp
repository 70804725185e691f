// SMF loading: which text is accepted, what is built, what is printed, and
// the status of every way a file can go wrong.
#include <cmath>

#include "io/smf_reader.h"
#include "tests/unit/test_mesh.h"

namespace zeq::test {
namespace {

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
const std::string kThree = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";

std::string crlf(const std::string& text) {
    std::string out;
    for (char c : text) out += c == '\n' ? "\r\n" : std::string(1, c);
    return out;
}

ReadStatus loadText(const std::string& text) { return readSmfText(theMesh(), text.data(), text.size()); }

void expectAll(ReadStatus status, const std::vector<LoadCase>& cases) { expectLoads(cases, status, loadText); }

using SmfReader = FileTest;

TEST_F(SmfReader, Status0Loaded) {
    const std::string header89 = std::string(89, '#') + "\n";
    const std::string body = kVertices + kFaces;
    expectAll(ReadStatus::Loaded, {
        {"tetrahedron, every line ended", kTetra, kAllCounts, 4, 6, 4},
        {"no line end after the last face", kTetra.substr(0, kTetra.size() - 1), kAllCounts, 4, 6, 4},
        {"no header at all", body, kAllCounts, 4, 6, 4},
        {"89-char header; indented v lines too",
         header89 + " v 9 9 9\n\t v 8 8 8\n" + body, kAllCounts, 4, 6, 4},
        {"89-char first v line", "v 0 0 0" + std::string(82, ' ') + "\n" + kVertices.substr(8) + kFaces,
         kAllCounts, 4, 6, 4},
        {"CR LF line ends with an 89-character header line", crlf(header89 + body), kAllCounts, 4, 6, 4},
        {"later lines may be long",
         "v 0 0 0\nv 1 0 0" + std::string(200, ' ') + "\n" + kVertices.substr(16) + kFaces, kAllCounts, 4, 6, 4},
        {"last face cut short by the end of the file", kTetra + "f 1 3", kAllCounts, 4, 6, 4},
        {"records spread over lines", "v 0 0\n0 v 1\n0 0 v 0 1 0 v 0 0 1 f 1 2\n3 f 1 2 4 f 2 3 4 f 1 3 4",
         kAllCounts, 4, 6, 4},
        {"a lone f after the vertices", kVertices + "f\n", " 4 <Vertices>\n 0 <Edges>\n 0 <Faces>\n", 4, 0, 0},
        {"unused vertex", "v 0 0 0\nv 5 5 5\nv 1 0 0\nv 0 1 0\nf 1 3 4\n",
         " 4 <Vertices>\n 3 <Edges>\n 1 <Faces>\n", 4, 3, 1},
        // Any character other than f starts a vertex record.
        {"other record letters", "v 0 0 0\nw 1 0 0\n# 0 1 0\nx 0 0 1\n" + kFaces, kAllCounts, 4, 6, 4},
        // The quiet path: an item that does not start with f ends the faces.
        {"quad record", kVertices + "f 1 2 3 4\nf 1 2 4\n", " 4 <Vertices>\n", 4, 3, 1},
        {"comment after the faces", kVertices + "f 1 2 3\n# end\nf 1 2 4\n", " 4 <Vertices>\n", 4, 3, 1},
    });
}

TEST_F(SmfReader, Status0BuildsWhatTheFileSays) {
    // Glued record letters; numbers with signs, points and exponents.
    ASSERT_EQ(quietLoad(loadText, "v1 2 3\nv-1.5e2 +.25 0.\nv 1E-3 -0 7\nf 3 1 2\n"), 0);
    ASSERT_EQ(theMesh().vertices.size(), 3u);
    const std::vector<Point3> expected = {{1, 2, 3}, {-150, 0.25, 0}, {0.001, -0.0, 7}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(theMesh().vertices[i]->getId(), i);
        EXPECT_TRUE(samePoint(theMesh().vertices[i]->positionCopy(), expected[i])) << i;
    }
    EXPECT_TRUE(std::signbit(theMesh().vertices[2]->positionCopy().y));
    // 1-based numbers, corner order kept: f 3 1 2 is the triangle (2, 0, 1).
    EXPECT_EQ(cornersOf(theMesh().faces[0]), (Corners{2, 0, 1}));
}

// From files: CR LF text loads; a missing name or a directory is status 1 and
// an empty file status 2, both printing nothing.
TEST_F(SmfReader, FromFiles) {
    ReadStatus status = ReadStatus::Loaded;
    const std::string tetra = write("tetra.smf", crlf(kTetra));
    EXPECT_EQ(printedBy([&] { status = readSmf(theMesh(), tetra.c_str()); }), kAllCounts);
    EXPECT_EQ(static_cast<int>(status), 0);
    EXPECT_EQ(cornersOf(theMesh().faces[3]), (Corners{0, 2, 3}));
    expectUnreadableFiles([](Mesh& m, const char* n) { return readSmf(m, n); });
}

// The input is read once: the first vertex line is read as a line and then
// handed back to be read as items. Around the 1 MiB read blocks of a file it
// lies in one block or straddles two; a file loads like the same text in
// memory either way, with its line end or without.
TEST_F(SmfReader, FirstVertexLineAnywhereInTheFileBlocks) {
    constexpr std::size_t kBlock = std::size_t{1} << 20;
    const std::string firstVertex = "v 0.5 -0 2e-3\r\n";
    for (std::size_t shortBy : {1, 2, 3, 7, 15, 16, 17, 40}) {
        std::string header;
        while (header.size() + 60 < kBlock - shortBy) header += std::string(58, '#') + "\n";
        header += std::string(kBlock - shortBy - header.size() - 1, '#') + "\n";
        for (const std::string& rest : {kVertices.substr(8) + kFaces, std::string()}) {
            const std::string text = header + firstVertex + rest;
            ReadStatus fromFile = ReadStatus::Loaded;
            const std::string name = write("blocks.smf", text);
            const std::string printedFromFile = printedBy([&] { fromFile = readSmf(theMesh(), name.c_str()); });
            const std::size_t vertices = theMesh().vertices.size();
            const Point3 first = vertices > 0 ? theMesh().vertices[0]->positionCopy() : Point3{};
            theMesh().clear();
            ReadStatus fromMemory = ReadStatus::Loaded;
            const std::string printedFromMemory = printedBy([&] { fromMemory = loadText(text); });
            EXPECT_EQ(fromFile, fromMemory) << shortBy;
            EXPECT_EQ(printedFromFile, printedFromMemory) << shortBy;
            ASSERT_EQ(vertices, theMesh().vertices.size()) << shortBy;
            EXPECT_EQ(fromMemory, rest.empty() ? ReadStatus::BadVertices : ReadStatus::Loaded);
            if (vertices > 0) {
                EXPECT_TRUE(samePoint(first, Point3{0.5, -0.0, 0.002})) << shortBy;
            }
            theMesh().clear();
        }
    }
}

TEST_F(SmfReader, Status3NoVertexLineOrOverlongLine) {
    expectAll(ReadStatus::BadHeader, {
        {"no line starts with v", "#SMF\n\n# nothing here\nf 1 2 3\n", "", 0, 0, 0},
        {"only indented v lines", " v 1 2 3\n\tv 1 2 3\n", "", 0, 0, 0},
        {"90-character header line", std::string(90, '#') + "\n" + kTetra, "", 0, 0, 0},
        {"90-character header line with CR LF", crlf(std::string(90, '#') + "\n" + kTetra), "", 0, 0, 0},
        {"90-character first v line", "v 0 0 0" + std::string(83, ' ') + "\n" + kFaces, "", 0, 0, 0},
    });
}

TEST_F(SmfReader, Status4VertexRecordIncomplete) {
    expectAll(ReadStatus::BadVertices, {
        // The record whose numbers were read last is not built.
        {"vertices and nothing after them", "#SMF\n" + kVertices, "", 3, 0, 0},
        {"comment line among the vertices", "v 0 0 0\nv 1 0 0\n# a comment\nv 0 1 0\n" + kFaces, "", 2, 0, 0},
        {"normal record among the vertices", "v 0 0 0\nvn 0 0 1\nv 0 1 0\n" + kFaces, "", 1, 0, 0},
        {"vertex with two numbers", "v 0 0 0\nv 1 0\n" + kFaces, "", 1, 0, 0},
        {"overflowing coordinate", "v 0 0 0\nv 1e999 0 0\n" + kFaces, "", 1, 0, 0},
    });
}

TEST_F(SmfReader, Status5FaceRecordUnreadable) {
    const std::string counted = " 3 <Vertices>\n";
    expectAll(ReadStatus::BadFaces, {
        {"slashes", kThree + "f 1/1 2/2 3/3\n", counted, 3, 0, 0},
        {"letter in the second face", kThree + "f 1 2 3\nf 1 q 3\n", counted, 3, 3, 1},
        {"number beyond int", kThree + "f 1 2 99999999999\n", counted, 3, 0, 0},
        {"corner 0", kThree + "f 0 1 2\n", counted, 3, 0, 0},
        {"corner too large", kThree + "f 1 2 3\nf 1 2 4\n", counted, 3, 3, 1},
        {"corner too large in a last face without line end", kThree + "f 1 2 3\nf 1 2 4", counted, 3, 3, 1},
    });
}

}  // namespace
}  // namespace zeq::test
