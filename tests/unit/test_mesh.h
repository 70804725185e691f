// Helpers for tests on tiny meshes built in code.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "io/build_face.h"
#include "io/live_mesh.h"
#include "io/read_status.h"
#include "mesh/handles.h"
#include "mesh/mesh.h"

namespace zeq::test {

using Ids = std::vector<int>;
using Corners = std::array<int, 3>;

// Resets the global mesh and counters before and after each test.
class GlobalMeshTest : public ::testing::Test {
protected:
    void SetUp() override { resetRunState(); }
    void TearDown() override { resetRunState(); }
};

// What f prints on stdout.
template <class F>
std::string printedBy(F&& f) {
    testing::internal::CaptureStdout();
    f();
    return testing::internal::GetCapturedStdout();
}

// GlobalMeshTest with an empty scratch directory of its own.
class FileTest : public GlobalMeshTest {
protected:
    void SetUp() override {
        GlobalMeshTest::SetUp();
        const auto* info = testing::UnitTest::GetInstance()->current_test_info();
        // A random suffix: several builds' suites may run at the same time.
        dir_ = std::filesystem::path(testing::TempDir()) /
               ("zeq_" + std::string(info->test_suite_name()) + "_" + info->name() + "_" +
                std::to_string(std::random_device{}()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override {
        // Tests may leave read-only entries behind.
        namespace fs = std::filesystem;
        fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add);
        for (const auto& entry : fs::directory_iterator(dir_))
            fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(dir_);
        GlobalMeshTest::TearDown();
    }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    // Writes a file into the directory and returns its path.
    std::string write(const std::string& name, const std::string& content) const {
        std::ofstream(path(name), std::ios::binary) << content;
        return path(name);
    }
    // A missing name and a directory read as status 1, an empty file as 2;
    // each prints and loads nothing.
    template <class Read>
    void expectUnreadableFiles(Read read) {
        for (const auto& [name, expected] : std::vector<std::pair<std::string, int>>{
                 {path("missing"), 1}, {dir_.string(), 1}, {write("empty", ""), 2}}) {
            resetRunState();
            ReadStatus status = ReadStatus::Loaded;
            EXPECT_EQ(printedBy([&] { status = read(theMesh(), name.c_str()); }), "") << name;
            EXPECT_EQ(static_cast<int>(status), expected) << name;
            EXPECT_TRUE(theMesh().vertices.empty());
        }
    }
    std::filesystem::path dir_;
};

inline std::string contentOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

inline bool samePoint(const Point3& a, const Point3& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

template <class List>
Ids ids(const List& list) {
    Ids out;
    for (const auto& p : list) out.push_back(p->getId());
    return out;
}

// Ids in the incidence lists of the global mesh's records, picked by index.
inline Ids edgesAt(int vertex) { return ids(theMesh().vertices[vertex]->edges); }
inline Ids edgesOf(int face) { return ids(theMesh().faces[face]->edges); }
inline Ids facesOf(int edge) { return ids(theMesh().edges[edge]->faces); }

// Every link of the global mesh, by ids: each vertex's edge list, each edge's
// id, ends (-1 for none) and faces, each face's edge list.
inline std::vector<Ids> linkIds() {
    std::vector<Ids> out;
    for (const VertexId v : theMesh().vertices) out.push_back(ids(v->edges));
    for (const EdgeId e : theMesh().edges) {
        Ids row = {e->getId(), e->end1 ? e->end1->getId() : -1, e->end2 ? e->end2->getId() : -1};
        for (int f : ids(e->faces)) row.push_back(f);
        out.push_back(row);
    }
    for (const FaceId f : theMesh().faces) out.push_back(ids(f->edges));
    return out;
}

// Loads vertices (ids 0, 1, ...) and faces (0-based corners, file order) into
// the global mesh through the same construction the readers use.
inline void buildMesh(const std::vector<Point3>& positions, const std::vector<Corners>& faces) {
    Mesh& mesh = theMesh();
    for (std::size_t i = 0; i < positions.size(); ++i)
        mesh.addVertex(mesh.newVertex(static_cast<int>(i), positions[i]));
    LoadCounters counters;
    for (const auto& f : faces)
        buildFace(mesh, mesh.vertices[f[0]], mesh.vertices[f[1]], mesh.vertices[f[2]], counters);
}

// Checks the link invariants of the records and that no live face refers to a
// retired edge; returns a description of the first violation, empty if none.
inline std::string checkInvariants(const Mesh& mesh) {
    auto what = [](const char* kind, const auto& p) { return std::string(kind) + " " + std::to_string(p->getId()); };
    for (const VertexId v : mesh.vertices)
        for (const EdgeId e : v->edges)
            if (!hasEnd(e, v)) return what("vertex", v) + " lists " + what("edge", e) + " that does not end at it";
    for (const EdgeId e : mesh.edges) {
        for (const VertexId end : {e->end1, e->end2})
            if (end != nullptr && !end->edges.contains(e)) return what("edge", e) + " not listed by its end";
        if (e->collapsed() && (e->end1 != nullptr || e->end2 != nullptr || !e->faces.empty()))
            return "retired " + what("edge", e) + " still linked";
        for (const FaceId f : e->faces)
            if (!f->edges.contains(e)) return what("edge", e) + " lists " + what("face", f) + " that does not list it";
    }
    for (const FaceId f : mesh.faces)
        for (const EdgeId e : f->edges)
            if (!e->faces.contains(f) || e->collapsed())
                return what("face", f) + " lists " + what("edge", e) + " that is retired or does not list it";
    return "";
}

// The corners faceCorners fills in.
using CornerArray = std::array<VertexId, 3>;

// Corner ids of a face read back from its first two edges (the writers' rule).
inline Corners cornersOf(const FaceId f) {
    CornerArray c{};
    if (!faceCorners(f, c)) return {-1, -1, -1};
    return {c[0]->getId(), c[1]->getId(), c[2]->getId()};
}

// +1 when f's winding runs along e from end1 to end2, -1 the other way, 0 when
// e is not a side of f's corner cycle.
inline int runAlong(const FaceId f, const EdgeId e) {
    const Corners c = cornersOf(f);
    for (int k = 0; k < 3; ++k) {
        if (c[k] == e->end1->getId() && c[(k + 1) % 3] == e->end2->getId()) return 1;
        if (c[k] == e->end2->getId() && c[(k + 1) % 3] == e->end1->getId()) return -1;
    }
    return 0;
}

// The first live edge whose two faces do not run along it in opposite
// directions, or "" when there is none.
inline std::string windingClash(const Mesh& mesh) {
    for (const EdgeId e : mesh.edges) {
        if (e->collapsed() || e->faces.size() != 2) continue;
        const int a = runAlong(e->faces[0], e);
        if (a == 0 || a != -runAlong(e->faces[1], e)) return "edge " + std::to_string(e->getId());
    }
    return "";
}

// Live vertices, edges and faces of the global mesh, counted record by record.
inline std::array<int, 3> liveCounts() {
    std::array<int, 3> n{0, 0, 0};
    for (const VertexId v : theMesh().vertices) n[0] += v->edges.empty() ? 0 : 1;
    for (const EdgeId e : theMesh().edges) n[1] += e->collapsed() ? 0 : 1;
    for (const FaceId f : theMesh().faces) n[2] += f->edges.empty() ? 0 : 1;
    return n;
}

// Loads text into an empty global mesh with `load`, printing nothing; returns
// the status as a number.
inline int quietLoad(const std::function<ReadStatus(const std::string&)>& load, const std::string& text) {
    resetRunState();
    ReadStatus status = ReadStatus::Loaded;
    printedBy([&] { status = load(text); });
    return static_cast<int>(status);
}

// One load of a text and what it must give.
struct LoadCase {
    std::string name, text, printed;
    std::size_t vertices, edges, faces;
};

// Loads each case with `load` (stdout captured) and checks status, output,
// record counts and invariants.
inline void expectLoads(const std::vector<LoadCase>& cases, ReadStatus status,
                        const std::function<ReadStatus(const std::string&)>& load) {
    for (const LoadCase& c : cases) {
        SCOPED_TRACE(c.name);
        resetRunState();
        ReadStatus got = ReadStatus::Loaded;
        EXPECT_EQ(printedBy([&] { got = load(c.text); }), c.printed);
        EXPECT_EQ(static_cast<int>(got), static_cast<int>(status));
        EXPECT_EQ(theMesh().vertices.size(), c.vertices);
        EXPECT_EQ(theMesh().edges.size(), c.edges);
        EXPECT_EQ(theMesh().faces.size(), c.faces);
        EXPECT_EQ(checkInvariants(theMesh()), "");
    }
}

// A fixed pseudo-random sequence: the same run on every machine.
class Random {
public:
    explicit Random(std::uint32_t seed) : state_(seed) {}
    std::uint32_t below(std::size_t bound) {
        state_ = state_ * 1664525u + 1013904223u;
        return (state_ >> 8) % static_cast<std::uint32_t>(bound);
    }
    bool oneIn(std::uint32_t n) { return below(n) == 0; }
    template <class T>
    T pick(const std::vector<T>& from) {
        return from.empty() ? T{} : from[below(from.size())];
    }

private:
    std::uint32_t state_;
};

// Tetrahedron, every face wound outward.
inline const std::vector<Point3> kTetra = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
inline const std::vector<Corners> kTetraFaces = {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}};

// Octahedron around the origin (4 top, 5 bottom, 0 +x, 1 -x, 2 +y, 3 -y),
// every face wound outward.
inline const std::vector<Point3> kOcta = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
inline const std::vector<Corners> kOctaFaces = {{0, 2, 4}, {2, 1, 4}, {1, 3, 4}, {3, 0, 4},
                                                {2, 0, 5}, {1, 2, 5}, {3, 1, 5}, {0, 3, 5}};

}  // namespace zeq::test
