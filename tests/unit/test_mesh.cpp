#include "tests/unit/test_mesh.h"

#include "io/live_mesh.h"

namespace zeq::test {

std::array<int, 3> cornersOf(const Face* f) {
    std::array<const Vertex*, 3> c{};
    if (!faceCorners(f, c)) return {-1, -1, -1};
    return {c[0]->getId(), c[1]->getId(), c[2]->getId()};
}

}  // namespace zeq::test
