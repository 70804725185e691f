// How carried values merge on a collapse, and that seams hold their
// vertices through a whole run.
#include <cmath>
#include <cstring>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "io/carried_data.h"
#include "io/obj_reader.h"
#include "mesh/attributes.h"
#include "orient/orient_faces.h"
#include "simplify/run_simplification.h"
#include "tests/unit/test_mesh.h"

namespace zeq::test {
namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(Attributes, BlendRules) {
    EXPECT_EQ(blendOf("red", ScalarType::UInt8), Blend::Average);
    EXPECT_EQ(blendOf("diffuse_green", ScalarType::UInt8), Blend::Average);
    EXPECT_EQ(blendOf("label", ScalarType::Int32), Blend::Keep);
    EXPECT_EQ(blendOf("quality", ScalarType::Float32), Blend::Average);
    EXPECT_EQ(blendOf("nx", ScalarType::Float32), Blend::Normal);
    EXPECT_EQ(blendOf("nx", ScalarType::Int8), Blend::Keep);

    RecordLayout layout;
    for (const char* name : {"red", "a"}) layout.add(name, ScalarType::UInt8, blendOf(name, ScalarType::UInt8));
    layout.add("label", ScalarType::Int32, Blend::Keep);
    layout.add("quality", ScalarType::Float32, Blend::Average);
    layout.add("weight", ScalarType::Float64, Blend::Average);
    for (const char* name : {"nx", "ny", "nz"}) layout.add(name, ScalarType::Float32, Blend::Normal);
    auto record = [&](std::vector<double> values) {
        std::vector<unsigned char> r(layout.stride());
        for (std::size_t i = 0; i < values.size(); ++i) layout.set(r.data(), i, values[i]);
        return r;
    };
    auto blended = [&](std::vector<double> kept, std::vector<double> removed) {
        std::vector<unsigned char> k = record(kept);
        const std::vector<unsigned char> r = record(removed);
        layout.blend(k.data(), r.data());
        std::vector<double> out;
        for (std::size_t i = 0; i < layout.size(); ++i) out.push_back(layout.get(k.data(), i));
        return out;
    };
    // 255 and 0 average to 127.5, rounded half away from zero; a label is the
    // kept end's; reals average, a float rounded once; normals average and
    // are made unit length again.
    EXPECT_EQ(blended({255, 254, 7, 0.1, 1, 1, 0, 0}, {0, 1, 9, 0.2, 2, 0, 1, 0}),
              (std::vector<double>{128, 128, 7, static_cast<float>(0.15000000000000002), 1.5,
                                   static_cast<float>(std::sqrt(0.5)), static_cast<float>(std::sqrt(0.5)), 0}));
    // Opposite normals keep the kept end's; a real not given (NaN) takes the
    // other end's, and so does a normal with a component not given (made
    // unit length).
    std::vector<double> out = blended({0, 0, 1, kNaN, 3, 0, 0, 1}, {0, 0, 2, 0.5, kNaN, 0, 0, -1});
    EXPECT_EQ(std::vector<double>(out.begin() + 3, out.end()), (std::vector<double>{0.5, 3, 0, 0, 1}));
    out = blended({0, 0, 1, 0, 0, kNaN, 0, 1}, {0, 0, 2, 0, 0, 0, 2, 0});
    EXPECT_EQ(std::vector<double>(out.begin() + 5, out.end()), (std::vector<double>{0, 1, 0}));
}

// A closed band around the z axis, capped by two fans, with its texture
// unwrapped so that the column at angle 0 has u = 0 on one side and u = 1 on
// the other: that column is a seam. The caps use other texture coordinates,
// so the rims are seams too.
std::string bandObj(int columns, int rows) {
    std::string obj;
    auto number = [](double v) { return std::to_string(v); };
    const double pi = 3.14159265358979323846;
    for (int r = 0; r <= rows; ++r)
        for (int c = 0; c < columns; ++c)
            obj += "v " + number(std::cos(2 * pi * c / columns)) + " " + number(std::sin(2 * pi * c / columns)) + " " +
                   number(static_cast<double>(r) / rows) + "\n";
    obj += "v 0 0 0\nv 0 0 1\n";
    for (int r = 0; r <= rows; ++r)
        for (int c = 0; c <= columns; ++c)
            obj += "vt " + number(static_cast<double>(c) / columns) + " " + number(static_cast<double>(r) / rows) + "\n";
    obj += "vt 0.5 0.5\n";
    const int capTexcoord = (rows + 1) * (columns + 1) + 1;
    auto v = [&](int r, int c) { return r * columns + c % columns + 1; };
    auto t = [&](int r, int c) { return r * (columns + 1) + c + 1; };
    auto corner = [](int vi, int ti) { return std::to_string(vi) + "/" + std::to_string(ti); };
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            obj += "f " + corner(v(r, c), t(r, c)) + " " + corner(v(r, c + 1), t(r, c + 1)) + " " +
                   corner(v(r + 1, c + 1), t(r + 1, c + 1)) + "\n";
            obj += "f " + corner(v(r, c), t(r, c)) + " " + corner(v(r + 1, c + 1), t(r + 1, c + 1)) + " " +
                   corner(v(r + 1, c), t(r + 1, c)) + "\n";
        }
    const int bottom = (rows + 1) * columns + 1;
    for (int c = 0; c < columns; ++c) {
        obj += "f " + corner(bottom, capTexcoord) + " " + corner(v(0, c + 1), capTexcoord) + " " +
               corner(v(0, c), capTexcoord) + "\n";
        obj += "f " + corner(bottom + 1, capTexcoord) + " " + corner(v(rows, c), capTexcoord) + " " +
               corner(v(rows, c + 1), capTexcoord) + "\n";
    }
    return obj;
}

using Seams = GlobalMeshTest;

TEST_F(Seams, HeldVerticesNeverMove) {
    constexpr int kColumns = 24;
    constexpr int kRows = 12;
    const std::string obj = bandObj(kColumns, kRows);
    // The seam column and both rims.
    std::set<int> seam;
    for (int r = 0; r <= kRows; ++r) seam.insert(r * kColumns);
    for (int c = 0; c < kColumns; ++c) seam.insert(c), seam.insert(kRows * kColumns + c);

    for (bool carry : {true, false}) {
        resetRunState();
        FileFlavour flavour;
        printedBy([&] { ASSERT_EQ(readObjText(theMesh(), obj.data(), obj.size(), true, carry ? &flavour : nullptr), ReadStatus::Loaded); });
        ASSERT_EQ(theMesh().attributes != nullptr, carry);
        std::vector<Point3> before;
        for (VertexId v : theMesh().vertices) before.push_back(v->positionCopy());
        if (carry) {
            std::set<int> held;
            for (VertexId v : theMesh().vertices)
                if (theMesh().attributes->held(v)) held.insert(static_cast<int>(v.index()));
            EXPECT_EQ(held, seam);
        }
        orientFaces(theMesh());
        printedBy([&] { runSimplification(40, false); });
        int moved = 0;
        for (int i : seam) {
            const VertexId v = theMesh().vertices[static_cast<std::size_t>(i)];
            moved += v->edges.empty() || std::memcmp(v->getPosition(), &before[static_cast<std::size_t>(i)], sizeof(Point3)) != 0;
        }
        // With the texture carried, no seam vertex moves; with positions
        // alone, the same run moves some of them.
        if (carry) {
            EXPECT_EQ(moved, 0);
        } else {
            EXPECT_GT(moved, 0);
        }
    }
}

}  // namespace
}  // namespace zeq::test
