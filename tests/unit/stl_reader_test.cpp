// STL loading: welding corners into vertices, telling text from binary, the
// facet count against the size, and the status of every way a file can go
// wrong.
#include <cmath>

#include "io/stl_reader.h"
#include "tests/unit/format_test_util.h"

namespace zeq::test {
namespace {

using Triangle = std::array<float, 9>;  // three corners, x y z each

// A binary STL: the header (padded with zeros to 80 bytes), the facet count
// (`count`, or the number of triangles), then per facet its normal, corners
// and a zero attribute.
std::string binaryStl(const std::vector<Triangle>& triangles, const std::string& header = "binary",
                      long long count = -1, const std::array<float, 3>& normal = {0, 0, 1}) {
    std::string out = header;
    out.resize(80, '\0');
    put(out, static_cast<std::uint32_t>(count < 0 ? triangles.size() : static_cast<std::size_t>(count)));
    for (const Triangle& t : triangles) {
        for (float n : normal) put(out, n);
        for (float c : t) put(out, c);
        put(out, std::uint16_t{0});
    }
    return out;
}

// A text facet of any number of corners, each given as its text.
std::string textFacet(const std::vector<std::string>& corners, const std::string& normal = "0 0 1") {
    std::string out = "  facet normal " + normal + "\n    outer loop\n";
    for (const std::string& c : corners) out += "      vertex " + c + "\n";
    return out + "    endloop\n  endfacet\n";
}

std::string textSolid(const std::string& facets, const std::string& name = "part") {
    return "solid " + name + "\n" + facets + "endsolid " + name + "\n";
}

struct Loaded {
    int status = -1;
    std::string printed;
    FileFlavour flavour;
};

Loaded load(const std::string& bytes) {
    resetRunState();
    Loaded out;
    out.flavour.encoding = FileFlavour::Encoding::BinaryBigEndian;  // something a load must overwrite
    ReadStatus status = ReadStatus::Loaded;
    out.printed = printedBy([&] { status = readStlData(theMesh(), bytes.data(), bytes.size(), out.flavour); });
    out.status = static_cast<int>(status);
    return out;
}

void expectFails(const std::string& bytes, int status, const std::string& what) {
    const Loaded got = load(bytes);
    EXPECT_EQ(got.status, status) << what;
    EXPECT_EQ(got.printed, "") << what;
}

// Two triangles sharing the edge (1,0,0)-(0,1,0), each with its own corners:
//   A (0,0,0) (1,0,0) (0,1,0)     B (1,0,0) (1,1,0) (0,1,0)
const Triangle kA = {0, 0, 0, 1, 0, 0, 0, 1, 0};
const Triangle kB = {1, 0, 0, 1, 1, 0, 0, 1, 0};
const std::string kTextA = textFacet({"0 0 0", "1 0 0", "0 1 0"});
const std::string kTextB = textFacet({"1 0 0", "1 1 0", "0 1 0"});
const std::string kTwoTriangles = " 4 <Vertices>\n 5 <Edges>\n 2 <Faces>\n";

TEST(StlReader, CornersWeldInOrderOfFirstAppearance) {
    const std::string abRecords = vertexRecord(0, 0, 0) + vertexRecord(1, 0, 0) + vertexRecord(0, 1, 0) +
                                  vertexRecord(1, 1, 0) + "f 0 1 2\nf 1 3 2\nedges 5\n";
    // B first: (1,0,0) 0, (1,1,0) 1, (0,1,0) 2, then A's (0,0,0) 3.
    const std::string baRecords = vertexRecord(1, 0, 0) + vertexRecord(1, 1, 0) + vertexRecord(0, 1, 0) +
                                  vertexRecord(0, 0, 0) + "f 0 1 2\nf 3 0 2\nedges 5\n";
    for (const auto& [bytes, expected, binary] : std::vector<std::tuple<std::string, std::string, bool>>{
             {binaryStl({kA, kB}), abRecords, true},
             {binaryStl({kB, kA}), baRecords, true},
             {textSolid(kTextA + kTextB), abRecords, false},
             {textSolid(kTextB + kTextA), baRecords, false},
         }) {
        const Loaded got = load(bytes);
        EXPECT_EQ(got.status, 0);
        EXPECT_EQ(got.printed, kTwoTriangles);
        EXPECT_EQ(records(), expected);
        EXPECT_EQ(checkInvariants(theMesh()), "");
        EXPECT_EQ(got.flavour.encoding, binary ? FileFlavour::Encoding::BinaryLittleEndian : FileFlavour::Encoding::Text);
        EXPECT_EQ(got.flavour.doubleCoordinates, !binary);
    }
}

// Equal as numbers is equal: 0 and -0 weld, the first one seen is kept;
// two spellings of one double weld; text keeps doubles, binary floats.
TEST(StlReader, EqualNumbersWeld) {
    Triangle minusB = kB;
    minusB[6] = -0.0f;  // (-0, 1, -0) for (0, 1, 0)
    minusB[8] = -0.0f;
    Triangle minusA = kA;
    minusA[6] = -0.0f;
    for (const std::string& bytes :
         {binaryStl({kA, minusB}), textSolid(kTextA + textFacet({"1 0 0", "1 1 0", "-0 1 -0"}))}) {
        ASSERT_EQ(load(bytes).status, 0);
        EXPECT_EQ(records(), vertexRecord(0, 0, 0) + vertexRecord(1, 0, 0) + vertexRecord(0, 1, 0) +
                                 vertexRecord(1, 1, 0) + "f 0 1 2\nf 1 3 2\nedges 5\n");
    }
    for (const std::string& bytes :
         {binaryStl({minusA, kB}), textSolid(textFacet({"0 0 0", "1 0 0", "-0 1 0"}) + kTextB)}) {
        ASSERT_EQ(load(bytes).status, 0);
        EXPECT_EQ(records(), vertexRecord(0, 0, 0) + vertexRecord(1, 0, 0) + vertexRecord(-0.0, 1, 0) +
                                 vertexRecord(1, 1, 0) + "f 0 1 2\nf 1 3 2\nedges 5\n");
    }
    ASSERT_EQ(load(textSolid(textFacet({"0 0 0", "0.1 0 0", "0 1 0"}) +
                             textFacet({"1e-1 0 0", "0.10000000000000001 1 0", "0.00 1.0 -0"})))
                  .status,
              0);
    EXPECT_EQ(records(), vertexRecord(0, 0, 0) + vertexRecord(0.1, 0, 0) + vertexRecord(0, 1, 0) +
                             vertexRecord(0.1, 1, 0) + "f 0 1 2\nf 1 3 2\nedges 5\n");
}

// Text is told from binary by its start and, for a file starting with
// "solid", by its size: a binary header may start with "solid" too.
TEST(StlReader, TextOrBinary) {
    // Binary headers that start like text, the size matching the count.
    for (const std::string header : {"solid", "solid part", "solid part\nfacet normal 0 0 1\n", "solid\nendsolid\n"}) {
        const Loaded got = load(binaryStl({kA, kB}, header));
        EXPECT_EQ(got.status, 0) << header;
        EXPECT_TRUE(got.flavour.binary()) << header;
        EXPECT_EQ(got.printed, kTwoTriangles) << header;
    }
    // Text: "solid" and a next line starting with "facet" or "endsolid".
    Loaded got = load(textSolid(""));
    EXPECT_EQ(got.status, 0);
    EXPECT_FALSE(got.flavour.binary());
    EXPECT_EQ(got.printed, " 0 <Vertices>\n 0 <Edges>\n 0 <Faces>\n");
    got = load("solid\r\nfacet normal 0 0 1\r\nouter loop\r\nvertex 0 0 0\r\nvertex 1 0 0\r\nvertex 0 1 0\r\n"
               "endloop\r\nendfacet\r\nendsolid\r\n");
    EXPECT_EQ(got.status, 0) << "CR LF text";
    EXPECT_FALSE(got.flavour.binary());
    // "solid" followed by something else is binary: here a header whose
    // count does not match.
    got = load("solid part\nsomething else\n" + std::string(100, ' '));
    EXPECT_EQ(got.status, 3);
    EXPECT_TRUE(got.flavour.binary());
}

// "solid NAME" and nothing after it has no next line starting with "facet"
// or "endsolid": it is binary, and too short for a binary header.
// A lone "solid NAME" line, with or without its line end, is text cut short:
// there is no "endsolid".
TEST(StlReader, LoneSolidLineIsTextCutShort) {
    expectFails("solid part", 5, "a lone solid line");
    expectFails("solid part\n", 5, "a lone solid line with its line end");
}

// The facet count must match the input's size, larger or smaller; a header
// cut short is a header error too. Counts are checked before anything is
// built or reserved.
TEST(StlReader, CountAgainstSize) {
    expectFails(binaryStl({kA}, "binary", 2), 3, "count larger than the facets");
    expectFails(binaryStl({kA, kB}, "binary", 1), 3, "count smaller than the facets");
    expectFails(binaryStl({kA}, "binary", 0xFFFFFFFF), 3, "huge count");
    expectFails(binaryStl({kA}, "binary", 0x7FFFFFFF), 3, "count at the int limit");
    expectFails(binaryStl({kA, kB}) + "x", 3, "one byte too many");
    const std::string whole = binaryStl({kA, kB});
    for (std::size_t length : {1, 50, 80, 83, 84 + 49, 84 + 50, 84 + 99})
        expectFails(whole.substr(0, length), 3, "cut at " + std::to_string(length));
    const Loaded got = load(binaryStl({}));
    EXPECT_EQ(got.status, 0);
    EXPECT_EQ(got.printed, " 0 <Vertices>\n 0 <Edges>\n 0 <Faces>\n");
}

// Corners that are not finite numbers are vertex errors; the facet normal is
// never read, so anything there loads.
TEST(StlReader, NonFiniteCornersAndIgnoredNormals) {
    for (int at = 0; at < 9; ++at)
        for (float bad : {std::nanf(""), INFINITY, -INFINITY}) {
            Triangle t = kB;
            t[at] = bad;
            expectFails(binaryStl({kA, t}), 4, "binary corner value " + std::to_string(at));
        }
    for (const std::string bad : {"nan", "inf", "-inf", "1e999", "x", "0x1p3", "1,5"})
        expectFails(textSolid(kTextA + textFacet({"1 0 0", "1 " + bad + " 0", "0 1 0"})), 4, "text corner " + bad);
    const float nan = std::nanf("");
    Loaded got = load(binaryStl({kA, kB}, "binary", -1, {nan, INFINITY, -INFINITY}));
    EXPECT_EQ(got.status, 0);
    EXPECT_EQ(got.printed, kTwoTriangles);
    got = load(textSolid(textFacet({"0 0 0", "1 0 0", "0 1 0"}, "nan inf -inf") +
                         textFacet({"1 0 0", "1 1 0", "0 1 0"}, "not a number")));
    EXPECT_EQ(got.status, 0);
    EXPECT_EQ(got.printed, kTwoTriangles);
}

// Text: several solids in one file weld together; a loop of more corners is
// fanned from its first.
TEST(StlReader, TextSolidsAndPolygons) {
    Loaded got = load(textSolid(kTextA, "first") + textSolid(kTextB, "second"));
    EXPECT_EQ(got.status, 0);
    EXPECT_EQ(got.printed, kTwoTriangles);
    EXPECT_EQ(records(), vertexRecord(0, 0, 0) + vertexRecord(1, 0, 0) + vertexRecord(0, 1, 0) +
                             vertexRecord(1, 1, 0) + "f 0 1 2\nf 1 3 2\nedges 5\n");
    // The square (0,0,0) (1,0,0) (1,1,0) (0,1,0) as one loop.
    got = load(textSolid(textFacet({"0 0 0", "1 0 0", "1 1 0", "0 1 0"})));
    EXPECT_EQ(got.status, 0);
    EXPECT_EQ(got.printed, " 4 <Vertices>\n 5 <Edges>\n 2 <Faces>\n");
    EXPECT_EQ(records(), vertexRecord(0, 0, 0) + vertexRecord(1, 0, 0) + vertexRecord(1, 1, 0) +
                             vertexRecord(0, 1, 0) + "f 0 1 2\nf 0 2 3\nedges 5\n");
    // Names may hold blanks, or be absent; items may be spread over lines.
    got = load("solid my part 2\nfacet normal 0 0 1 outer loop vertex 0 0 0 vertex 1 0 0\nvertex 0 1 0 endloop "
               "endfacet\nendsolid my part 2\nsolid\nendsolid");
    EXPECT_EQ(got.status, 0);
    EXPECT_EQ(got.printed, " 3 <Vertices>\n 3 <Edges>\n 1 <Faces>\n");
}

// Text that is not of the form: status 5 (4 only for a coordinate).
TEST(StlReader, TextFacetProblems) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"no endsolid", "solid part\n" + kTextA + kTextB},
        {"cut inside a facet", "solid part\n" + kTextA + "  facet normal 0 0 1\n    outer loop\n"},
        {"cut after a corner", "solid part\n" + kTextA + "  facet normal 0 0 1\n    outer loop\n      vertex 0 0 0\n"},
        {"two corners", textSolid(textFacet({"0 0 0", "1 0 0"}))},
        {"no corners", textSolid(textFacet({}))},
        {"facet without normal", textSolid("facet 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0\nendloop\nendfacet\n")},
        {"no outer", textSolid("facet normal 0 0 1\nloop\nvertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0\nendloop\nendfacet\n")},
        {"no endloop", textSolid("facet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0\nendfacet\n")},
        {"no endfacet", textSolid("facet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0\nendloop\n")},
        {"unknown word in a loop", textSolid("facet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\npoint 0 1 0\nendloop\nendfacet\n")},
        {"text after endsolid", textSolid(kTextA) + "garbage\n"},
    };
    for (const auto& [what, text] : cases) expectFails(text, 5, what);
}

// A binary STL through a pipe: its size is known only at its end. A facet cut
// short is a facet error, bytes after the last facet a count mismatch.
using StlFile = FileTest;

TEST_F(StlFile, BinaryThroughAPipe) {
    const std::vector<std::tuple<std::string, int, std::string>> cases = {
        {binaryStl({kA, kB}), 0, kTwoTriangles},
        {binaryStl({kA, kB}, "binary", 3), 5, ""},
        {binaryStl({kA, kB}).substr(0, 84 + 50 + 20), 5, ""},
        {binaryStl({kA, kB}) + "extra", 3, ""},
        {binaryStl({kA}).substr(0, 60), 3, ""},
    };
    int n = 0;
    for (const auto& [bytes, status, printed] : cases) {
        SCOPED_TRACE(n);
        FedPipe pipe(path("pipe" + std::to_string(n++)), bytes);
        ASSERT_TRUE(pipe.ok());
        resetRunState();
        FileFlavour flavour;
        ReadStatus got = ReadStatus::Loaded;
        EXPECT_EQ(printedBy([&] { got = readStl(theMesh(), pipe.name(), flavour); }), printed);
        EXPECT_EQ(static_cast<int>(got), status);
    }
}

TEST_F(StlFile, FromFiles) {
    for (const std::string& bytes : {binaryStl({kA, kB}, "solid x"), textSolid(kTextA + kTextB)}) {
        const std::string name = write("m.stl", bytes);
        resetRunState();
        FileFlavour flavour;
        ReadStatus got = ReadStatus::BadHeader;
        EXPECT_EQ(printedBy([&] { got = readStl(theMesh(), name.c_str(), flavour); }), kTwoTriangles);
        EXPECT_EQ(static_cast<int>(got), 0);
        EXPECT_EQ(records(), vertexRecord(0, 0, 0) + vertexRecord(1, 0, 0) + vertexRecord(0, 1, 0) +
                                 vertexRecord(1, 1, 0) + "f 0 1 2\nf 1 3 2\nedges 5\n");
    }
    const std::string wrongSize = write("w.stl", binaryStl({kA, kB}, "binary", 3));
    resetRunState();
    FileFlavour flavour;
    EXPECT_EQ(printedBy([&] { EXPECT_EQ(static_cast<int>(readStl(theMesh(), wrongSize.c_str(), flavour)), 3); }), "");
    expectUnreadableFiles([](Mesh& mesh, const char* name) {
        FileFlavour f;
        return readStl(mesh, name, f);
    });
}

}  // namespace
}  // namespace zeq::test
