// PLY loading: the same records give the same mesh in text and in either byte
// order, whatever else the file holds around them; every header problem,
// short input and bad record gives its status and prints nothing.
#include <cstdlib>

#include "io/ply_reader.h"
#include "tests/unit/format_test_util.h"

namespace zeq::test {
namespace {

// A property: scalar when countType is empty, else a list.
struct Prop {
    std::string type, name, countType;
};
// One record: per property its value, or a list's items. A list whose first
// item starts with '=' gives its count explicitly ("=-1"), the rest follow.
using Row = std::vector<std::vector<std::string>>;
struct Elem {
    std::string name;
    std::vector<Prop> props;
    std::vector<Row> rows;
    std::string count = "";  // the count the header declares; rows.size() when empty
};

const std::vector<std::string> kEncodings = {"ascii", "binary_little_endian", "binary_big_endian"};

// `text` stored as a value of PLY type `type`.
void putValue(std::string& out, const std::string& type, const std::string& text, bool big) {
    const long long i = std::strtoll(text.c_str(), nullptr, 10);
    if (type == "char" || type == "int8") return put(out, static_cast<std::int8_t>(i), big);
    if (type == "uchar" || type == "uint8") return put(out, static_cast<std::uint8_t>(i), big);
    if (type == "short" || type == "int16") return put(out, static_cast<std::int16_t>(i), big);
    if (type == "ushort" || type == "uint16") return put(out, static_cast<std::uint16_t>(i), big);
    if (type == "int" || type == "int32") return put(out, static_cast<std::int32_t>(i), big);
    if (type == "uint" || type == "uint32") return put(out, static_cast<std::uint32_t>(i), big);
    if (type == "float" || type == "float32") return put(out, std::strtof(text.c_str(), nullptr), big);
    if (type == "double" || type == "float64") return put(out, std::strtod(text.c_str(), nullptr), big);
    ADD_FAILURE() << "no such type in the test: " << type;
}

std::string headerOf(const std::string& encoding, const std::vector<Elem>& elems, const std::string& extra = "") {
    std::string h = "ply\nformat " + encoding + " 1.0\n" + extra;
    for (const Elem& e : elems) {
        h += "element " + e.name + " " + (e.count.empty() ? std::to_string(e.rows.size()) : e.count) + "\n";
        for (const Prop& p : e.props)
            h += p.countType.empty() ? "property " + p.type + " " + p.name + "\n"
                                     : "property list " + p.countType + " " + p.type + " " + p.name + "\n";
    }
    return h + "end_header\n";
}

std::string bodyOf(const std::string& encoding, const std::vector<Elem>& elems) {
    const bool text = encoding == "ascii";
    const bool big = encoding == "binary_big_endian";
    std::string body;
    for (const Elem& e : elems) {
        for (const Row& row : e.rows) {
            std::string line;
            auto token = [&](const std::string& t) { line += (line.empty() ? "" : " ") + t; };
            for (std::size_t i = 0; i < e.props.size(); ++i) {
                const Prop& p = e.props[i];
                if (p.countType.empty()) {
                    text ? token(row[i][0]) : putValue(body, p.type, row[i][0], big);
                    continue;
                }
                std::vector<std::string> items = row[i];
                std::string count = std::to_string(items.size());
                if (!items.empty() && items[0][0] == '=') {
                    count = items[0].substr(1);
                    items.erase(items.begin());
                }
                text ? token(count) : putValue(body, p.countType, count, big);
                for (const std::string& item : items) text ? token(item) : putValue(body, p.type, item, big);
            }
            if (text) body += line + "\n";
        }
    }
    return body;
}

std::string plyFile(const std::string& encoding, const std::vector<Elem>& elems, const std::string& extra = "") {
    return headerOf(encoding, elems, extra) + bodyOf(encoding, elems);
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
    out.flavour.doubleCoordinates = false;
    ReadStatus status = ReadStatus::Loaded;
    out.printed = printedBy([&] { status = readPlyData(theMesh(), bytes.data(), bytes.size(), out.flavour); });
    out.status = static_cast<int>(status);
    return out;
}

// Loads and expects a failure with `status`, nothing printed.
void expectFails(const std::string& bytes, int status, const std::string& what) {
    const Loaded got = load(bytes);
    EXPECT_EQ(got.status, status) << what;
    EXPECT_EQ(got.printed, "") << what;
}

Elem xyzVertices(const std::string& type, const std::vector<std::array<std::string, 3>>& points) {
    Elem e{"vertex", {{type, "x", ""}, {type, "y", ""}, {type, "z", ""}}, {}};
    for (const auto& p : points) e.rows.push_back({{p[0]}, {p[1]}, {p[2]}});
    return e;
}

Elem triangleFaces(const std::vector<std::vector<std::string>>& lists, const std::string& countType = "uchar",
                   const std::string& indexType = "int", const std::string& name = "vertex_indices") {
    Elem e{"face", {{indexType, name, countType}}, {}};
    for (const auto& l : lists) e.rows.push_back({l});
    return e;
}

const std::vector<std::array<std::string, 3>> kTrianglePoints = {{"0", "0", "0"}, {"1", "0", "0"}, {"0", "1", "0"}};
const std::string kOneTriangle = " 3 <Vertices>\n 3 <Edges>\n 1 <Faces>\n";

// A square pyramid: base 0 (0,0,0) 1 (1,0,0) 2 (1,1,0) 3 (0,1,0), apex 4
// (0.5,0.5,1). The base is one quad (0,3,2,1), split into (0,3,2) and
// (0,2,1); four side triangles. Edges: 4 base + 1 diagonal + 4 slant = 9.
//
// Around the records: an element before the vertices, one between vertices
// and faces, one after the faces; x, y, z among other properties including a
// list; the corner list among other scalars and lists.
std::vector<Elem> pyramidWithEverythingAround() {
    Elem material{"material", {{"int", "a", ""}, {"uchar", "names", "int"}}, {{{"7"}, {"65", "66"}}, {{"-8"}, {}}}};
    Elem vertex{"vertex",
                {{"uchar", "red", ""}, {"float", "x", ""}, {"int", "extra", "uchar"}, {"double", "y", ""},
                 {"short", "s", ""}, {"float", "z", ""}},
                {}};
    const std::vector<std::array<std::string, 3>> p = {
        {"0", "0", "0"}, {"1", "0", "0"}, {"1", "1", "0"}, {"0", "1", "0"}, {"0.5", "0.5", "1"}};
    for (std::size_t i = 0; i < p.size(); ++i)
        vertex.rows.push_back({{"200"}, {p[i][0]}, std::vector<std::string>(i, "-3"), {p[i][1]}, {"-2"}, {p[i][2]}});
    Elem edge{"edge", {{"int", "vertex1", ""}, {"int", "vertex2", ""}}, {{{"0"}, {"1"}}, {{"1"}, {"2"}}}};
    Elem face{"face",
              {{"int", "flags", ""}, {"int", "vertex_indices", "uchar"}, {"float", "uv", "ushort"}, {"uchar", "tag", ""}},
              {}};
    for (const std::vector<std::string>& c :
         std::vector<std::vector<std::string>>{{"0", "3", "2", "1"}, {"0", "1", "4"}, {"1", "2", "4"}, {"2", "3", "4"},
                                               {"3", "0", "4"}})
        face.rows.push_back({{"-1"}, c, {"0.25", "nan", "1e30"}, {"9"}});
    Elem after{"junk", {{"float", "w", "uchar"}, {"double", "q", ""}}, {{{"1", "2"}, {"3"}}}};
    return {material, vertex, edge, face, after};
}

const std::string kPyramidRecords = vertexRecord(0, 0, 0) + vertexRecord(1, 0, 0) + vertexRecord(1, 1, 0) +
                                    vertexRecord(0, 1, 0) + vertexRecord(0.5, 0.5, 1) +
                                    "f 0 3 2\nf 0 2 1\nf 0 1 4\nf 1 2 4\nf 2 3 4\nf 3 0 4\nedges 9\n";
const std::string kPyramidCounts = " 5 <Vertices>\n 9 <Edges>\n 6 <Faces>\n";

TEST(PlyReader, SameRecordsGiveTheSameMeshInEveryEncoding) {
    const std::vector<Elem> elems = pyramidWithEverythingAround();
    for (const std::string& encoding : kEncodings) {
        SCOPED_TRACE(encoding);
        const Loaded got = load(plyFile(encoding, elems, "comment made by hand\nobj_info anything at all\n"));
        EXPECT_EQ(got.status, 0);
        EXPECT_EQ(got.printed, kPyramidCounts);
        EXPECT_EQ(records(), kPyramidRecords);
        EXPECT_EQ(checkInvariants(theMesh()), "");
        EXPECT_EQ(got.flavour.encoding, encoding == "ascii"                  ? FileFlavour::Encoding::Text
                                        : encoding == "binary_little_endian" ? FileFlavour::Encoding::BinaryLittleEndian
                                                                             : FileFlavour::Encoding::BinaryBigEndian);
        EXPECT_TRUE(got.flavour.doubleCoordinates);  // y is a double
    }
}

// Text saved with CR LF line ends, comments
// between the element lines, and "vertex_index" for the corner list.
TEST(PlyReader, TextVariantsAndVertexIndexName) {
    std::string text = "ply\r\nformat ascii 1.0\r\ncomment one\r\nelement vertex 3\r\nproperty float x\r\n"
                       "comment two\r\nproperty float y\r\nproperty float z\r\nelement face 1\r\n"
                       "property list uchar uint vertex_index\r\nend_header\r\n"
                       "0 0 0\r\n1 0 0\r\n0 1 0\r\n3 2 0 1\r\n";
    Loaded got = load(text);
    EXPECT_EQ(got.status, 0);
    EXPECT_EQ(got.printed, kOneTriangle);
    EXPECT_EQ(records(), vertexRecord(0, 0, 0) + vertexRecord(1, 0, 0) + vertexRecord(0, 1, 0) + "f 2 0 1\nedges 3\n");
    // Text records are read as blank-separated items, not lines.
    text = headerOf("ascii", {xyzVertices("float", kTrianglePoints), triangleFaces({{"0", "1", "2"}})}) +
           "0 0\n0 1 0 0 0\n1\n0 3 0\n1 2";
    got = load(text);
    EXPECT_EQ(got.status, 0);
    EXPECT_EQ(got.printed, kOneTriangle);
    // No face element, or faces only as triangle strips: the vertices are
    // read (a broken one is still status 4), then there is nothing to
    // simplify, and no counts are printed.
    Elem strips = triangleFaces({{"0", "1", "2", "-1"}}, "int", "int");
    strips.name = "tristrips";
    for (const std::vector<Elem>& elements :
         {std::vector<Elem>{xyzVertices("double", kTrianglePoints)},
          std::vector<Elem>{xyzVertices("float", kTrianglePoints),
                            strips}}) {
        got = load(plyFile("binary_big_endian", elements));
        EXPECT_EQ(got.status, static_cast<int>(ReadStatus::NoFaces));
        EXPECT_EQ(got.printed, "");
        EXPECT_EQ(theMesh().vertices.size(), 3u);
    }
    expectFails(plyFile("ascii", {xyzVertices("float", {{"1e39", "0", "0"}})}), 4, "vertex error before no faces");
}

// A vertex per corner, as assimp writes it: welded by default into the
// distinct positions in order of first appearance (0 and -0, as floats or
// doubles, are one), kept as they are without welding.
TEST(PlyReader, VerticesWithEqualPositionsAreWelded) {
    const std::vector<std::array<std::string, 3>> corners = {
        {"0", "0", "0"}, {"1", "0", "0"}, {"1", "1", "0"}, {"-0", "0", "0"}, {"1", "1", "0"}, {"0", "1", "0"}};
    for (const std::string& encoding : kEncodings) {
        for (const std::string type : {"float", "double"}) {
            SCOPED_TRACE(encoding + " " + type);
            const std::string bytes =
                plyFile(encoding, {xyzVertices(type, corners), triangleFaces({{"0", "1", "2"}, {"3", "4", "5"}})});
            const Loaded got = load(bytes);
            ASSERT_EQ(got.status, 0);
            EXPECT_EQ(got.printed, " 4 <Vertices>\n 5 <Edges>\n 2 <Faces>\n");
            EXPECT_EQ(records(), vertexRecord(0, 0, 0) + vertexRecord(1, 0, 0) + vertexRecord(1, 1, 0) +
                                     vertexRecord(0, 1, 0) + "f 0 1 2\nf 0 2 3\nedges 5\n");
            resetRunState();
            FileFlavour flavour;
            EXPECT_EQ(printedBy([&] { readPlyData(theMesh(), bytes.data(), bytes.size(), flavour, false); }),
                      " 6 <Vertices>\n 6 <Edges>\n 2 <Faces>\n");
        }
    }
}

// A float coordinate holds a float: text "0.1" typed float is 0.1f, typed
// double it is 0.1; binary floats and doubles are taken bit for bit. The
// flavour reports which type the file used.
TEST(PlyReader, CoordinateTypes) {
    const std::vector<std::array<std::string, 3>> points = {{"0.1", "-0", "1e-3"}, {"1", "0", "0.3"}, {"0", "1", "0"}};
    const std::vector<Elem> faces = {triangleFaces({{"0", "1", "2"}})};
    for (const std::string& encoding : kEncodings) {
        SCOPED_TRACE(encoding);
        for (const std::string type : {"float", "float32"}) {
            const Loaded got = load(plyFile(encoding, {xyzVertices(type, points), faces[0]}));
            ASSERT_EQ(got.status, 0);
            EXPECT_FALSE(got.flavour.doubleCoordinates);
            EXPECT_EQ(records(), vertexRecord(0.1f, -0.0, 1e-3f) + vertexRecord(1, 0, 0.3f) + vertexRecord(0, 1, 0) +
                                     "f 0 1 2\nedges 3\n");
        }
        for (const std::string type : {"double", "float64"}) {
            const Loaded got = load(plyFile(encoding, {xyzVertices(type, points), faces[0]}));
            ASSERT_EQ(got.status, 0);
            EXPECT_TRUE(got.flavour.doubleCoordinates);
            EXPECT_EQ(records(), vertexRecord(0.1, -0.0, 1e-3) + vertexRecord(1, 0, 0.3) + vertexRecord(0, 1, 0) +
                                     "f 0 1 2\nedges 3\n");
        }
    }
    // Text digits beyond a float's range, typed float: not a finite float.
    const std::vector<std::array<std::string, 3>> far = {{"1e39", "0", "0"}, {"1", "0", "0"}, {"0", "1", "0"}};
    expectFails(plyFile("ascii", {xyzVertices("float", far), faces[0]}), 4, "1e39 as float");
    EXPECT_EQ(load(plyFile("ascii", {xyzVertices("double", far), faces[0]})).status, 0);
}

// The corner list may use any integer count type and any integer index type,
// in either byte order and in text; a quad (0,1,2,3) becomes (0,1,2), (0,2,3).
TEST(PlyReader, EveryIntegerTypeForCountsAndIndices) {
    const std::vector<std::string> types = {"char", "int8", "uchar", "uint8", "short", "int16",
                                            "ushort", "uint16", "int", "int32", "uint", "uint32"};
    const std::vector<std::array<std::string, 3>> square = {{"0", "0", "0"}, {"1", "0", "0"}, {"1", "1", "0"}, {"0", "1", "0"}};
    for (const std::string& encoding : kEncodings)
        for (const std::string& countType : types)
            for (const std::string& indexType : types) {
                SCOPED_TRACE(encoding + " " + countType + " " + indexType);
                const Loaded got = load(plyFile(
                    encoding, {xyzVertices("float", square), triangleFaces({{"0", "1", "2", "3"}}, countType, indexType)}));
                ASSERT_EQ(got.status, 0);
                EXPECT_EQ(got.printed, " 4 <Vertices>\n 5 <Edges>\n 2 <Faces>\n");
                EXPECT_EQ(cornersOf(theMesh().faces[0]), (Corners{0, 1, 2}));
                EXPECT_EQ(cornersOf(theMesh().faces[1]), (Corners{0, 2, 3}));
            }
}

// A polygon of n corners gives the n-2 triangles (c0, ck, ck+1) in order.
TEST(PlyReader, PolygonsAreFannedFromTheirFirstCorner) {
    // A hexagon 0..5 around a centre, listed from corner 2.
    std::vector<std::array<std::string, 3>> ring = {{"1", "0", "0"},   {"0.5", "1", "0"}, {"-0.5", "1", "0"},
                                                    {"-1", "0", "0"},  {"-0.5", "-1", "0"}, {"0.5", "-1", "0"}};
    for (const std::string& encoding : kEncodings) {
        const Loaded got =
            load(plyFile(encoding, {xyzVertices("double", ring), triangleFaces({{"2", "3", "4", "5", "0", "1"}})}));
        ASSERT_EQ(got.status, 0) << encoding;
        // 6 sides + 3 diagonals from corner 2.
        EXPECT_EQ(got.printed, " 6 <Vertices>\n 9 <Edges>\n 4 <Faces>\n") << encoding;
        EXPECT_EQ(ids(theMesh().faces), (Ids{0, 1, 2, 3}));
        std::vector<Corners> corners;
        for (const FaceId f : theMesh().faces) corners.push_back(cornersOf(f));
        EXPECT_EQ(corners, (std::vector<Corners>{{2, 3, 4}, {2, 4, 5}, {2, 5, 0}, {2, 0, 1}})) << encoding;
    }
}

// Lists that cannot be a face: fewer than three corners, a negative count
// (a signed count type), a count larger than what follows, a corner outside
// the vertices. Status 5 in every encoding.
TEST(PlyReader, BadCornerListsAreFaceErrors) {
    const Elem vertices = xyzVertices("float", kTrianglePoints);
    const std::vector<std::tuple<std::string, std::string, std::vector<std::string>>> cases = {
        {"char", "int", {"=-1", "0", "1", "2"}},
        {"int", "int", {"=-5", "0", "1", "2"}},
        {"short", "int", {"=-32768"}},
        {"uchar", "int", {"0", "1"}},
        {"uchar", "int", {}},
        {"uchar", "int", {"=255", "0", "1", "2"}},  // cut short
        {"uchar", "int", {"0", "1", "3"}},          // 3 vertices: 0..2
        {"uchar", "int", {"0", "-1", "2"}},
        {"uchar", "uint", {"0", "4294967295", "2"}},
        {"uchar", "char", {"0", "1", "-128"}},
        {"uchar", "int", {"0", "1", "2", "2147483647"}},  // the second triangle is bad
    };
    for (const std::string& encoding : kEncodings)
        for (const auto& [countType, indexType, list] : cases) {
            std::string what = encoding + " " + countType + " " + indexType;
            for (const std::string& c : list) what += " " + c;
            expectFails(plyFile(encoding, {vertices, triangleFaces({list}, countType, indexType)}), 5, what);
        }
    // Text corners that are not integers.
    for (const std::string bad : {"1.0", "1e0", "x", "0x1", "99999999999999999999"})
        expectFails(headerOf("ascii", {vertices, triangleFaces({{"0", "1", "2"}})}) + "0 0 0\n1 0 0\n0 1 0\n3 0 " + bad +
                        " 2\n",
                    5, bad);
    // A negative count in a list of the vertex element is a vertex error.
    Elem listed{"vertex", {{"float", "x", ""}, {"float", "y", ""}, {"float", "z", ""}, {"int", "l", "char"}}, {}};
    for (const auto& p : kTrianglePoints) listed.rows.push_back({{p[0]}, {p[1]}, {p[2]}, {"=-1"}});
    for (const std::string& encoding : kEncodings) expectFails(plyFile(encoding, {listed}), 4, encoding);
}

// Headers this reader does not take: status 3, nothing printed.
TEST(PlyReader, HeaderProblems) {
    const std::string vertex = "element vertex 3\nproperty float x\nproperty float y\nproperty float z\n";
    const std::string face = "element face 1\nproperty list uchar int vertex_indices\n";
    const std::string body = "0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"no ply line", "format ascii 1.0\n" + vertex + face + "end_header\n"},
        {"PLY in capitals", "PLY\nformat ascii 1.0\n" + vertex + face + "end_header\n"},
        {"no format line", "ply\n" + vertex + face + "end_header\n"},
        {"two format lines", "ply\nformat ascii 1.0\nformat ascii 1.0\n" + vertex + face + "end_header\n"},
        {"unknown format", "ply\nformat binary 1.0\n" + vertex + face + "end_header\n"},
        {"format version 2.0", "ply\nformat ascii 2.0\n" + vertex + face + "end_header\n"},
        {"no end_header", "ply\nformat ascii 1.0\n" + vertex + face},
        {"unknown keyword", "ply\nformat ascii 1.0\n" + vertex + face + "elements 2\nend_header\n"},
        {"property before any element", "ply\nformat ascii 1.0\nproperty float w\n" + vertex + face + "end_header\n"},
        {"unknown type", "ply\nformat ascii 1.0\n" + vertex + "property float128 w\n" + face + "end_header\n"},
        {"unknown list item type", "ply\nformat ascii 1.0\n" + vertex + "element face 1\nproperty list uchar integer vertex_indices\nend_header\n"},
        {"float list count", "ply\nformat ascii 1.0\n" + vertex + "element face 1\nproperty list float int vertex_indices\nend_header\n"},
        {"float corner indices", "ply\nformat ascii 1.0\n" + vertex + "element face 1\nproperty list uchar float vertex_indices\nend_header\n"},
        {"corner list not a list", "ply\nformat ascii 1.0\n" + vertex + "element face 1\nproperty int vertex_indices\nend_header\n"},
        {"face without a corner list", "ply\nformat ascii 1.0\n" + vertex + "element face 1\nproperty list uchar int corners\nend_header\n"},
        {"no vertex element", "ply\nformat ascii 1.0\n" + face + "end_header\n"},
        {"missing x", "ply\nformat ascii 1.0\nelement vertex 3\nproperty float y\nproperty float z\n" + face + "end_header\n"},
        {"missing z", "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\n" + face + "end_header\n"},
        {"x an int", "ply\nformat ascii 1.0\nelement vertex 3\nproperty int x\nproperty float y\nproperty float z\n" + face + "end_header\n"},
        {"y a uchar", "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty uchar y\nproperty float z\n" + face + "end_header\n"},
        {"z a list", "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\nproperty list uchar float z\n" + face + "end_header\n"},
        {"negative count", "ply\nformat ascii 1.0\nelement vertex -3\nproperty float x\nproperty float y\nproperty float z\n" + face + "end_header\n"},
        {"count not a number", "ply\nformat ascii 1.0\nelement vertex three\nproperty float x\nproperty float y\nproperty float z\n" + face + "end_header\n"},
        {"count 2147483648", "ply\nformat ascii 1.0\nelement vertex 2147483648\nproperty float x\nproperty float y\nproperty float z\n" + face + "end_header\n"},
        {"count 4000000000", "ply\nformat binary_little_endian 1.0\nelement vertex 4000000000\nproperty float x\nproperty float y\nproperty float z\n" + face + "end_header\n"},
        {"face count 2147483648", "ply\nformat ascii 1.0\n" + vertex + "element face 2147483648\nproperty list uchar int vertex_indices\nend_header\n"},
        {"other count 99999999999", "ply\nformat ascii 1.0\nelement junk 99999999999\n" + vertex + face + "end_header\n"},
    };
    for (const auto& [what, header] : cases) {
        const Loaded got = load(header + body);
        EXPECT_EQ(got.status, 3) << what;
        EXPECT_EQ(got.printed, "") << what;
        EXPECT_TRUE(theMesh().vertices.empty()) << what;
    }
    // The face element before the vertex element is a header problem with a
    // reason of its own.
    const Loaded first = load("ply\nformat ascii 1.0\n" + face + vertex + "end_header\n" + body);
    EXPECT_EQ(first.status, static_cast<int>(ReadStatus::FacesBeforeVertices));
    EXPECT_EQ(first.printed, "");
    EXPECT_TRUE(theMesh().vertices.empty());
    // The same header with the problem taken out loads.
    EXPECT_EQ(load("ply\nformat ascii 1.0\n" + vertex + face + "end_header\n" + body).status, 0);
}

// Counts larger than the input could hold end in the status of the element
// they cut short, without building or allocating for what the count claims;
// an element of no properties holds no bytes, whatever its count.
TEST(PlyReader, HugeCountsInASmallFile) {
    for (const std::string& encoding : kEncodings) {
        SCOPED_TRACE(encoding);
        Elem vertices = xyzVertices("float", kTrianglePoints);
        Elem faces = triangleFaces({{"0", "1", "2"}});
        Elem hugeVertices = vertices;
        hugeVertices.count = "2147483647";
        expectFails(plyFile(encoding, {hugeVertices, faces}), 4, "vertices");
        Elem hugeFaces = faces;
        hugeFaces.count = "2147483647";
        expectFails(plyFile(encoding, {vertices, hugeFaces}), 5, "faces");
        const Elem empty{"nothing", {}, {}, "2147483647"};
        const Elem alsoEmpty{"none", {}, {}, "2147483647"};
        const Loaded got = load(plyFile(encoding, {empty, vertices, alsoEmpty, faces}));
        EXPECT_EQ(got.status, 0);
        EXPECT_EQ(got.printed, kOneTriangle);
        Elem hugeOther{"junk", {{"uchar", "a", ""}}, {{{"1"}}}, "2147483647"};
        expectFails(plyFile(encoding, {vertices, faces, hugeOther}), 5, "junk after the vertices");
        expectFails(plyFile(encoding, {hugeOther, vertices, faces}), 4, "junk before the vertices");
        // A list property with a huge count (32-bit count type) cuts short too.
        Elem hugeList{"junk", {{"uchar", "a", "uint"}}, {{{"=4294967295", "1"}}}};
        expectFails(plyFile(encoding, {vertices, faces, hugeList}), 5, "huge list after the vertices");
        expectFails(plyFile(encoding, {vertices, triangleFaces({{"=4294967295", "0", "1", "2"}}, "uint")}), 5,
                    "huge corner list");
    }
}

// A binary file cut short after every byte: within the header 3, within the
// element before the vertices or within the vertices 4, after them (another
// element, the faces, the element after the faces) 5; only the whole file
// loads. Nothing is printed on failure.
TEST(PlyReader, BinaryCutShortAnywhere) {
    Elem before{"material", {{"int", "a", ""}}, {{{"1"}}, {{"2"}}}};
    Elem vertices = xyzVertices("float", kTrianglePoints);
    Elem between{"edge", {{"int", "v1", ""}, {"int", "v2", ""}}, {{{"0"}, {"1"}}}};
    Elem faces = triangleFaces({{"0", "1", "2"}});
    Elem after{"junk", {{"uchar", "names", "uchar"}}, {{{"1", "2", "3"}}}};
    for (const std::string encoding : {"binary_little_endian", "binary_big_endian"}) {
        const std::vector<Elem> elems = {before, vertices, between, faces, after};
        const std::string header = headerOf(encoding, elems);
        const std::string file = header + bodyOf(encoding, elems);
        const std::size_t verticesEnd = header.size() + 8 + 36;
        ASSERT_EQ(file.size(), verticesEnd + 8 + 13 + 4);
        for (std::size_t length = 0; length < file.size(); ++length) {
            // "end_header" without its line end is still the whole header.
            const int expected = length == 0 ? 2 : length < header.size() - 1 ? 3 : length < verticesEnd ? 4 : 5;
            expectFails(file.substr(0, length), expected, encoding + std::string(" cut at ") + std::to_string(length));
        }
        const Loaded got = load(file);
        EXPECT_EQ(got.status, 0);
        EXPECT_EQ(got.printed, kOneTriangle);
    }
}

TEST(PlyReader, TextCutShort) {
    const std::string header = headerOf("ascii", {xyzVertices("float", kTrianglePoints), triangleFaces({{"0", "1", "2"}}),
                                                  Elem{"junk", {{"int", "a", ""}}, {{{"5"}}}}});
    expectFails(header + "0 0 0\n1 0 0\n0 1\n", 4, "inside the last vertex");
    expectFails(header + "0 0 0\n1 0 0\n", 4, "between the vertices");
    expectFails(header + "0 0 0\n1 0 0\n0 1 0\n", 5, "before the faces");
    expectFails(header + "0 0 0\n1 0 0\n0 1 0\n3 0 1", 5, "inside the face");
    expectFails(header + "0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n", 5, "before the element after the faces");
    EXPECT_EQ(load(header + "0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n5").status, 0);
}

// A coordinate that is not finite is a vertex error; a NaN in a property
// that is skipped is not.
TEST(PlyReader, NonFiniteCoordinates) {
    for (const std::string& encoding : kEncodings)
        for (const std::string type : {"float", "double"})
            for (const std::string bad : {"nan", "inf", "-inf"}) {
                for (int at = 0; at < 3; ++at) {
                    auto points = kTrianglePoints;
                    points[1][at] = bad;
                    expectFails(plyFile(encoding, {xyzVertices(type, points)}), 4, encoding + " " + type + " " + bad);
                }
            }
    expectFails(plyFile("ascii", {xyzVertices("double", {{"0", "0", "1e999"}})}), 4, "1e999");
    expectFails(plyFile("ascii", {xyzVertices("double", {{"0", "0", "0x1p3"}})}), 4, "hexadecimal");
    expectFails(plyFile("ascii", {xyzVertices("double", {{"0", "0", "1,5"}})}), 4, "comma");
    for (const std::string& encoding : kEncodings) {
        Elem v{"vertex", {{"float", "confidence", ""}, {"float", "x", ""}, {"float", "y", ""}, {"float", "z", ""}}, {}};
        for (const auto& p : kTrianglePoints) v.rows.push_back({{"nan"}, {p[0]}, {p[1]}, {p[2]}});
        EXPECT_EQ(load(plyFile(encoding, {v, triangleFaces({{"0", "1", "2"}})})).status, 0) << encoding;
    }
}

// From a file: the same as from memory; a missing name, a directory and an
// empty file give 1, 1 and 2.
using PlyFile = FileTest;

TEST_F(PlyFile, FromFiles) {
    for (const std::string& encoding : kEncodings) {
        const std::string name = write("p.ply", plyFile(encoding, pyramidWithEverythingAround()));
        FileFlavour flavour;
        ReadStatus status = ReadStatus::BadHeader;
        resetRunState();
        EXPECT_EQ(printedBy([&] { status = readPly(theMesh(), name.c_str(), flavour); }), kPyramidCounts);
        EXPECT_EQ(static_cast<int>(status), 0);
        EXPECT_EQ(records(), kPyramidRecords);
        EXPECT_EQ(flavour.binary(), encoding != "ascii");
    }
    expectUnreadableFiles([](Mesh& mesh, const char* name) {
        FileFlavour flavour;
        return readPly(mesh, name, flavour);
    });
}

}  // namespace
}  // namespace zeq::test
