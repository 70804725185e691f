// PLY, STL and OBJ output: exact bytes of tiny meshes worked out by hand
// (header, byte order, float or double, shortest coordinates, normals), live
// elements only with gap-free numbering, and what the readers make of it.
#include <cmath>
#include <set>

#include "io/mesh_files.h"
#include "io/obj_reader.h"
#include "io/obj_writer.h"
#include "io/ply_reader.h"
#include "io/ply_writer.h"
#include "io/stl_reader.h"
#include "io/stl_writer.h"
#include "simplify/collapse_edge.h"
#include "tests/unit/format_test_util.h"

namespace zeq::test {
namespace {

namespace fs = std::filesystem;
using Encoding = FileFlavour::Encoding;

FileFlavour flavourOf(Encoding encoding, bool doubles) {
    FileFlavour f;
    f.encoding = encoding;
    f.doubleCoordinates = doubles;
    return f;
}

// Five vertices, v1 named by no face:
//   v0 (0.1, -0, 2)             f0 (0,2,3) -> written (0,1,2)
//   v1 (7, 7, 7)      unused    f1 (3,2,4) -> written (2,1,3)
//   v2 (1/3, 0.3, 100000)
//   v3 (1234567, 0.5, -1)       live vertices 0 2 3 4 -> 0 1 2 3
//   v4 (0, 1, 0)
// Shortest texts: 1/3 is 0.3333333333333333 as a double, 0.33333334 as a
// float; 0.3 reads back as itself in both; 100000 is 1e+05 (shorter than
// 100000); 1234567 fits a float exactly.
void buildSample() {
    buildMesh({{0.1, -0.0, 2}, {7, 7, 7}, {1 / 3.0, 0.3, 100000}, {1234567, 0.5, -1}, {0, 1, 0}}, {{0, 2, 3}, {3, 2, 4}});
}
const std::string kDoubleLines = "0.1 -0 2\n0.3333333333333333 0.3 1e+05\n1234567 0.5 -1\n0 1 0\n";
const std::string kFloatLines = "0.1 -0 2\n0.33333334 0.3 1e+05\n1234567 0.5 -1\n0 1 0\n";
const std::vector<Point3> kSampleLive = {{0.1, -0.0, 2}, {1 / 3.0, 0.3, 100000}, {1234567, 0.5, -1}, {0, 1, 0}};
const std::vector<Corners> kSampleWritten = {{0, 1, 2}, {2, 1, 3}};

// The sample as the PLY reader gives it back, coordinates rounded to floats
// or not.
std::string sampleRecords(bool doubles) {
    std::string out;
    for (const Point3& p : kSampleLive)
        out += doubles ? vertexRecord(p.x, p.y, p.z)
                       : vertexRecord(static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z));
    return out + "f 0 1 2\nf 2 1 3\nedges 5\n";
}

// `text` without its one line starting with `prefix` (which must follow
// `before`): the producer's comment line, whose wording is free.
std::string withoutCommentLine(const std::string& text, const std::string& before, const std::string& prefix) {
    EXPECT_EQ(text.compare(0, before.size(), before), 0) << text.substr(0, 200);
    if (text.compare(before.size(), prefix.size(), prefix) != 0) {
        ADD_FAILURE() << "no comment line after " << before;
        return text;
    }
    const std::size_t end = text.find('\n', before.size());
    EXPECT_NE(text.substr(before.size(), end - before.size()).find(kProducerName), std::string::npos);
    return text.substr(0, before.size()) + text.substr(end + 1);
}

std::string plyHeader(const char* format, const char* type, int vertices, int faces) {
    return std::string("ply\nformat ") + format + " 1.0\nelement vertex " + std::to_string(vertices) +
           "\nproperty " + type + " x\nproperty " + type + " y\nproperty " + type + " z\nelement face " +
           std::to_string(faces) + "\nproperty list uchar int vertex_indices\nend_header\n";
}

class FormatWriter : public FileTest {
protected:
    // Writes the global mesh with `write` into `name`; returns the bytes,
    // expecting success and nothing printed.
    template <class Write>
    std::string written(const std::string& name, Write write) {
        int result = -1;
        EXPECT_EQ(printedBy([&] { result = write(path(name).c_str()); }), "");
        EXPECT_EQ(result, 0);
        return contentOf(path(name));
    }
    std::string ply(const std::string& name, const FileFlavour& f) {
        return written(name, [&](const char* n) { return writePly(theMesh(), n, f); });
    }
    std::string stl(const std::string& name, const FileFlavour& f) {
        return written(name, [&](const char* n) { return writeStl(theMesh(), n, f); });
    }
    std::string obj(const std::string& name) {
        return written(name, [&](const char* n) { return writeObj(theMesh(), n); });
    }
};

TEST_F(FormatWriter, PlyTextBytes) {
    buildSample();
    EXPECT_EQ(withoutCommentLine(ply("d.ply", flavourOf(Encoding::Text, true)), "ply\nformat ascii 1.0\n", "comment "),
              plyHeader("ascii", "double", 4, 2) + kDoubleLines + "3 0 1 2\n3 2 1 3\n");
    EXPECT_EQ(withoutCommentLine(ply("f.ply", flavourOf(Encoding::Text, false)), "ply\nformat ascii 1.0\n", "comment "),
              plyHeader("ascii", "float", 4, 2) + kFloatLines + "3 0 1 2\n3 2 1 3\n");
    EXPECT_EQ(ids(theMesh().vertices), (Ids{0, 1, 1, 2, 3}));  // the unused vertex keeps its id
}

TEST_F(FormatWriter, PlyBinaryBytes) {
    buildSample();
    for (const bool big : {false, true})
        for (const bool doubles : {false, true}) {
            SCOPED_TRACE(std::string(big ? "big" : "little") + (doubles ? " double" : " float"));
            const char* format = big ? "binary_big_endian" : "binary_little_endian";
            std::string expected = plyHeader(format, doubles ? "double" : "float", 4, 2);
            for (const Point3& p : kSampleLive)
                for (double c : {p.x, p.y, p.z}) doubles ? put(expected, c, big) : put(expected, static_cast<float>(c), big);
            for (const Corners& c : kSampleWritten) {
                put(expected, std::uint8_t{3});
                for (int i : c) put(expected, static_cast<std::int32_t>(i), big);
            }
            const std::string got = ply("b.ply", flavourOf(big ? Encoding::BinaryBigEndian : Encoding::BinaryLittleEndian, doubles));
            EXPECT_EQ(withoutCommentLine(got, std::string("ply\nformat ") + format + " 1.0\n", "comment "), expected);
        }
}

TEST_F(FormatWriter, ObjBytes) {
    buildSample();
    std::string expected;
    for (std::size_t at = 0, next; at < kDoubleLines.size(); at = next + 1) {
        next = kDoubleLines.find('\n', at);
        expected += "v " + kDoubleLines.substr(at, next - at + 1);
    }
    EXPECT_EQ(withoutCommentLine(obj("s.obj"), "", "# "), expected + "f 1 2 3\nf 3 2 4\n");
}

// Every flavour read back by its reader: the live mesh, and the flavour.
TEST_F(FormatWriter, PlyAndObjReadBack) {
    buildSample();
    for (const Encoding encoding : {Encoding::Text, Encoding::BinaryLittleEndian, Encoding::BinaryBigEndian})
        for (const bool doubles : {false, true}) {
            SCOPED_TRACE(static_cast<int>(encoding) * 2 + doubles);
            resetRunState();
            buildSample();
            ply("r.ply", flavourOf(encoding, doubles));
            resetRunState();
            FileFlavour flavour;
            ReadStatus status = ReadStatus::BadHeader;
            EXPECT_EQ(printedBy([&] { status = readPly(theMesh(), path("r.ply").c_str(), flavour); }),
                      " 4 <Vertices>\n 5 <Edges>\n 2 <Faces>\n");
            EXPECT_EQ(static_cast<int>(status), 0);
            EXPECT_EQ(records(), sampleRecords(doubles));
            EXPECT_EQ(flavour.encoding, encoding);
            EXPECT_EQ(flavour.doubleCoordinates, doubles);
        }
    resetRunState();
    buildSample();
    obj("r.obj");
    resetRunState();
    ReadStatus status = ReadStatus::BadHeader;
    EXPECT_EQ(printedBy([&] { status = readObj(theMesh(), path("r.obj").c_str()); }),
              " 4 <Vertices>\n 5 <Edges>\n 2 <Faces>\n");
    EXPECT_EQ(static_cast<int>(status), 0);
    EXPECT_EQ(records(), sampleRecords(true));
}

// Four triangles and an unused vertex:
//   f0 (0,0,0) (2,0,0) (0,3,0)      normal (0,0,1)
//   f1 (0,0,0) (0,3,0) (0,0,0.1)    normal (1,0,0) (0.1 is 0.1f in binary)
//   f2 (0,0,0) (1,0,0) (0,4,3)      normal (0,-3,4)/5 = (0,-0.6,0.8)
//   f3 (1,0,0) (2,0,0) (3,0,0)      no area: 0 0 0
const std::vector<Point3> kStlPoints = {{0, 0, 0}, {2, 0, 0}, {0, 3, 0}, {0, 0, 0.1},
                                        {0, 4, 3}, {1, 0, 0}, {3, 0, 0}, {9, 9, 9}};
const std::vector<Corners> kStlFaces = {{0, 1, 2}, {0, 2, 3}, {0, 5, 4}, {5, 1, 6}};
const std::vector<std::array<float, 3>> kStlNormals = {{0, 0, 1}, {1, 0, 0}, {0, -0.6f, 0.8f}, {0, 0, 0}};

void buildStlSample() {
    buildMesh(kStlPoints, kStlFaces);
    for (std::size_t i = 0; i < kStlFaces.size(); ++i) ASSERT_EQ(cornersOf(theMesh().faces[i]), kStlFaces[i]);
}

// The lines of `text` with the indentation taken off (its amount is free).
std::vector<std::string> trimmedLines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        const std::size_t first = line.find_first_not_of(" \t");
        out.push_back(first == std::string::npos ? "" : line.substr(first));
    }
    return out;
}

TEST_F(FormatWriter, StlTextBytes) {
    buildStlSample();
    const std::string got = stl("t.stl", flavourOf(Encoding::Text, true));
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got.back(), '\n');
    const std::vector<std::string> facets[] = {
        {"facet normal 0 0 1", "vertex 0 0 0", "vertex 2 0 0", "vertex 0 3 0"},
        {"facet normal 1 0 0", "vertex 0 0 0", "vertex 0 3 0", "vertex 0 0 0.1"},
        {"facet normal 0 -0.6 0.8", "vertex 0 0 0", "vertex 1 0 0", "vertex 0 4 3"},
        {"facet normal 0 0 0", "vertex 1 0 0", "vertex 2 0 0", "vertex 3 0 0"},
    };
    std::vector<std::string> expected = {"solid zeq"};
    for (const auto& f : facets)
        expected.insert(expected.end(), {f[0], "outer loop", f[1], f[2], f[3], "endloop", "endfacet"});
    expected.push_back("endsolid zeq");
    EXPECT_EQ(trimmedLines(got), expected);
}

TEST_F(FormatWriter, StlBinaryBytes) {
    buildStlSample();
    // Whatever flavour of binary came in, STL is little-endian floats.
    for (const FileFlavour& flavour : {flavourOf(Encoding::BinaryLittleEndian, false),
                                       flavourOf(Encoding::BinaryBigEndian, true)}) {
        const std::string got = stl("b.stl", flavour);
        ASSERT_EQ(got.size(), 84u + 4 * 50);
        EXPECT_NE(got.compare(0, 5, "solid"), 0);
        EXPECT_NE(got.substr(0, 80).find(kProducerName), std::string::npos);
        std::string expected;
        put(expected, std::uint32_t{4});
        for (std::size_t i = 0; i < kStlFaces.size(); ++i) {
            for (float n : kStlNormals[i]) put(expected, n);
            for (int c : kStlFaces[i])
                for (double v : {kStlPoints[c].x, kStlPoints[c].y, kStlPoints[c].z}) put(expected, static_cast<float>(v));
            put(expected, std::uint16_t{0});
        }
        EXPECT_EQ(got.substr(80), expected);
    }
}

// Read back, the corners weld again: vertices in order of first appearance
// (f0 gives 0 1 2, f1 adds (0,0,0.1), f2 (1,0,0) and (0,4,3), f3 (3,0,0)).
TEST_F(FormatWriter, StlReadBackWelds) {
    for (const bool binary : {false, true}) {
        SCOPED_TRACE(binary);
        resetRunState();
        buildStlSample();
        stl("r.stl", flavourOf(binary ? Encoding::BinaryLittleEndian : Encoding::Text, true));
        resetRunState();
        FileFlavour flavour;
        ReadStatus status = ReadStatus::BadHeader;
        EXPECT_EQ(printedBy([&] { status = readStl(theMesh(), path("r.stl").c_str(), flavour); }),
                  " 7 <Vertices>\n 11 <Edges>\n 4 <Faces>\n");
        EXPECT_EQ(static_cast<int>(status), 0);
        EXPECT_EQ(flavour.binary(), binary);
        const double tenth = binary ? static_cast<double>(0.1f) : 0.1;
        EXPECT_EQ(records(), vertexRecord(0, 0, 0) + vertexRecord(2, 0, 0) + vertexRecord(0, 3, 0) +
                                 vertexRecord(0, 0, tenth) + vertexRecord(1, 0, 0) + vertexRecord(0, 4, 3) +
                                 vertexRecord(3, 0, 0) + "f 0 1 2\nf 0 2 3\nf 0 4 5\nf 4 1 6\nedges 11\n");
    }
}

// After a collapse: the retired vertex and faces are not written, the rest
// is numbered from 0 (1 in OBJ) without gaps, the counts in the headers are
// those written, and each reader gives back the live mesh.
TEST_F(FormatWriter, RetiredElementsAreLeftOut) {
    auto collapsed = [] {
        resetRunState();
        buildMesh(kOcta, kOctaFaces);
        // Edge 0 joins vertices 0 and 2 (faces 0 and 4); vertex 0 goes.
        const EdgeId e = theMesh().edges[0];
        CollapseWings wings;
        EXPECT_TRUE(findCollapseWings(e, theMesh().vertices[0], theMesh().vertices[2], theMesh().faces[0], theMesh().faces[4], wings));
        collapseEdge(e, theMesh().vertices[0], theMesh().vertices[2], theMesh().faces[0], theMesh().faces[4], wings);
        EXPECT_EQ(liveCounts(), (std::array<int, 3>{5, 9, 6}));
    };
    const std::string counts = " 5 <Vertices>\n 9 <Edges>\n 6 <Faces>\n";
    for (const FileFlavour& flavour : {flavourOf(Encoding::Text, true), flavourOf(Encoding::BinaryBigEndian, false)}) {
        collapsed();
        const std::string bytes = ply("c.ply", flavour);
        const std::string live = liveRecords();
        EXPECT_NE(bytes.find("element vertex 5\n"), std::string::npos);
        EXPECT_NE(bytes.find("element face 6\n"), std::string::npos);
        resetRunState();
        FileFlavour read;
        ReadStatus status = ReadStatus::BadHeader;
        EXPECT_EQ(printedBy([&] { status = readPly(theMesh(), path("c.ply").c_str(), read); }), counts);
        EXPECT_EQ(static_cast<int>(status), 0);
        EXPECT_EQ(records(), live);  // the octahedron's coordinates are floats too
    }
    collapsed();
    const std::string text = obj("c.obj");
    const std::string live = liveRecords();
    std::set<int> named;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("f ", 0) != 0) continue;
        std::istringstream corners(line.substr(2));
        for (int c; corners >> c;) named.insert(c);
    }
    EXPECT_EQ(named, (std::set<int>{1, 2, 3, 4, 5}));
    resetRunState();
    ReadStatus status = ReadStatus::BadHeader;
    EXPECT_EQ(printedBy([&] { status = readObj(theMesh(), path("c.obj").c_str()); }), counts);
    EXPECT_EQ(records(), live);
    collapsed();
    const std::string binary = stl("c.stl", flavourOf(Encoding::BinaryLittleEndian, false));
    EXPECT_EQ(binary.size(), 84u + 6 * 50);
    EXPECT_EQ(static_cast<unsigned char>(binary[80]), 6);
}

// A grid of 200 x 200 vertices written and read back through files of about
// 2 MB: records straddle the readers' 1 MiB blocks.
TEST_F(FormatWriter, LargeMeshRoundTrip) {
    std::vector<Point3> points;
    std::vector<Corners> faces;
    constexpr int n = 200;
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) points.push_back({i * 0.1, j / 3.0, ((i * j) % 7) * 1e-3});
    for (int j = 0; j + 1 < n; ++j)
        for (int i = 0; i + 1 < n; ++i) {
            const int a = j * n + i;
            faces.push_back({a, a + 1, a + n + 1});
            faces.push_back({a, a + n + 1, a + n});
        }
    buildMesh(points, faces);
    const std::string live = liveRecords();
    for (const FileFlavour& flavour : {flavourOf(Encoding::BinaryLittleEndian, true), flavourOf(Encoding::BinaryBigEndian, true),
                                       flavourOf(Encoding::Text, true)}) {
        ply("g.ply", flavour);
        resetRunState();
        FileFlavour read;
        ASSERT_EQ(quietLoad([&](const std::string&) { return readPly(theMesh(), path("g.ply").c_str(), read); }, ""), 0);
        EXPECT_TRUE(records() == live) << static_cast<int>(flavour.encoding);
        resetRunState();
        buildMesh(points, faces);
    }
    obj("g.obj");
    ASSERT_EQ(quietLoad([&](const std::string&) { return readObj(theMesh(), path("g.obj").c_str()); }, ""), 0);
    EXPECT_TRUE(records() == live);
}

// A target that cannot be written: 1, nothing printed, no file left behind.
TEST_F(FormatWriter, FailedWritesLeaveNothingBehind) {
    buildSample();
    const std::string target = path("no_such_dir/out");
    EXPECT_EQ(printedBy([&] { EXPECT_EQ(writePly(theMesh(), target.c_str(), flavourOf(Encoding::Text, true)), 1); }), "");
    EXPECT_EQ(printedBy([&] { EXPECT_EQ(writeStl(theMesh(), target.c_str(), flavourOf(Encoding::Text, true)), 1); }), "");
    EXPECT_EQ(printedBy([&] { EXPECT_EQ(writeObj(theMesh(), target.c_str()), 1); }), "");
    EXPECT_TRUE(fs::is_empty(dir_));
}

TEST(MeshFormat, FormatOfName) {
    const std::vector<std::pair<std::string, MeshFormat>> cases = {
        {"a.ply", MeshFormat::Ply},      {"A.PLY", MeshFormat::Ply},     {"dir.x/b.Ply", MeshFormat::Ply},
        {"a.stl", MeshFormat::Stl},      {"a.StL", MeshFormat::Stl},     {"a.obj", MeshFormat::Obj},
        {"a.OBJ", MeshFormat::Obj},      {"a.off", MeshFormat::Off},     {"aOFF", MeshFormat::Off},
        {"off", MeshFormat::Off},        {"a.smf", MeshFormat::Smf},     {"ply", MeshFormat::Smf},
        {"a_ply", MeshFormat::Smf},      {"a.ply.smf", MeshFormat::Smf}, {"a.plyx", MeshFormat::Smf},
        {".ply", MeshFormat::Ply},       {"a.stl ", MeshFormat::Smf},    {"", MeshFormat::Smf},
    };
    for (const auto& [name, format] : cases) EXPECT_EQ(formatOfName(name.c_str()), format) << name;
}

// The name's format picks the reader and the writer; the flavour read is the
// one written back.
TEST_F(FormatWriter, MeshFilesDispatchOnTheFormat) {
    for (const auto& [name, format, flavour] : std::vector<std::tuple<std::string, MeshFormat, FileFlavour>>{
             {"a.ply", MeshFormat::Ply, flavourOf(Encoding::BinaryBigEndian, false)},
             {"a.stl", MeshFormat::Stl, flavourOf(Encoding::BinaryLittleEndian, false)},
             {"a.obj", MeshFormat::Obj, FileFlavour{}},
             {"a.off", MeshFormat::Off, FileFlavour{}},
             {"a.smf", MeshFormat::Smf, FileFlavour{}}}) {
        SCOPED_TRACE(name);
        resetRunState();
        buildMesh(kTetra, kTetraFaces);
        int written = -1;
        printedBy([&] { written = writeMeshFile(theMesh(), format, path(name).c_str(), flavour); });
        ASSERT_EQ(written, 0);
        FileFlavour read = flavourOf(Encoding::BinaryBigEndian, true);
        ASSERT_EQ(quietLoad([&](const std::string&) { return readMeshFile(theMesh(), format, path(name).c_str(), read); }, ""), 0);
        EXPECT_EQ(theMesh().vertices.size(), 4u);
        EXPECT_EQ(theMesh().faces.size(), 4u);
        EXPECT_EQ(read.encoding, flavour.encoding);
        if (format == MeshFormat::Ply || format == MeshFormat::Stl) {
            EXPECT_EQ(read.doubleCoordinates, flavour.doubleCoordinates);
        }
    }
}

}  // namespace
}  // namespace zeq::test
