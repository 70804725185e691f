#include <zeq/zeq.h>

#include <iostream>

int main() {
    zeq::TriangleMesh mesh;  // an octahedron: 6 vertices, 8 faces
    mesh.positions = {1, 0, 0, -1, 0, 0, 0, 1, 0, 0, -1, 0, 0, 0, 1, 0, 0, -1};
    mesh.triangles = {0, 2, 4, 2, 1, 4, 1, 3, 4, 3, 0, 4, 2, 0, 5, 1, 2, 5, 3, 1, 5, 0, 3, 5};
    zeq::Options options;
    options.faces = {4};  // the target: 4 faces
    zeq::Result result = zeq::simplify(zeq::viewOf(mesh), options);
    if (!result.status) {
        std::cerr << result.status.message;
        return 1;
    }
    std::cout << result.levels.back().mesh.faceCount() << " faces\n";
}
