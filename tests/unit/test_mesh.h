// Helpers for tests on tiny meshes built in code.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "io/build_face.h"
#include "mesh/mesh.h"

namespace zeq::test {

// Resets the global mesh and counters before and after each test.
class GlobalMeshTest : public ::testing::Test {
protected:
    void SetUp() override { resetGlobals(); }
    void TearDown() override { resetGlobals(); }
};

// Loads vertices (ids 0, 1, ...) and faces (0-based corners, file order) into
// the global mesh through the same construction the readers use.
inline void buildMesh(const std::vector<Point3>& positions,
                      const std::vector<std::array<int, 3>>& faces) {
    Mesh& mesh = theMesh;
    for (std::size_t i = 0; i < positions.size(); ++i) {
        Vertex* v = mesh.newVertex(static_cast<int>(i), positions[i]);
        mesh.addVertex(v);
    }
    LoadCounters counters;
    for (const auto& f : faces)
        buildFace(mesh, mesh.vertices[f[0]], mesh.vertices[f[1]], mesh.vertices[f[2]], counters);
}

// Checks the link invariants of the records and that no live face refers to a
// retired edge; returns a description of the first violation, empty if none.
inline std::string checkInvariants(const Mesh& mesh) {
    for (const Vertex* v : mesh.vertices)
        for (const Edge* e : v->edges)
            if (e->end1 != v && e->end2 != v)
                return "vertex " + std::to_string(v->getId()) + " lists edge " +
                       std::to_string(e->getId()) + " that does not end at it";
    for (const Edge* e : mesh.edges) {
        for (const Vertex* end : {e->end1, e->end2})
            if (end != nullptr && !end->edges.contains(e))
                return "edge " + std::to_string(e->getId()) + " not listed by its end";
        if (e->collapsed && (e->end1 != nullptr || e->end2 != nullptr || !e->faces.empty()))
            return "retired edge " + std::to_string(e->getId()) + " still linked";
        for (const Face* f : e->faces)
            if (!f->edges.contains(e))
                return "edge " + std::to_string(e->getId()) + " lists face " +
                       std::to_string(f->getId()) + " that does not list it";
    }
    for (const Face* f : mesh.faces)
        for (const Edge* e : f->edges) {
            if (!e->faces.contains(f))
                return "face " + std::to_string(f->getId()) + " lists edge " +
                       std::to_string(e->getId()) + " that does not list it";
            if (e->collapsed)
                return "face " + std::to_string(f->getId()) + " refers to retired edge " +
                       std::to_string(e->getId());
        }
    return "";
}

// Corner ids of a face read back from its first two edges (the writers' rule).
std::array<int, 3> cornersOf(const Face* f);

}  // namespace zeq::test
