#include "io/off_writer.h"

#include <cstdio>
#include <vector>

#include "io/live_mesh.h"
#include "io/output_file.h"

namespace zeq {

int writeOff(Mesh& mesh, const char* fileName) {
    // The counts are those of the lines written: a reader relies on them.
    OutputFile out;
    if (!out.open(fileName)) return 1;
    int vertexCount = renumberLiveVertices(mesh);
    int faceCount = 0;
    std::array<const Vertex*, 3> c;
    for (const Face* f : mesh.faces)
        if (isLive(f) && faceCorners(f, c)) ++faceCount;

    out.print("OFF\n%d %d 0\n", vertexCount, faceCount);
    for (const Vertex* v : mesh.vertices) {
        if (!isLive(v)) continue;
        Point3 p = v->positionCopy();
        out.print("%g %g %g\n", p.x, p.y, p.z);
    }
    for (const Face* f : mesh.faces) {
        if (!isLive(f) || !faceCorners(f, c)) continue;
        out.print("3  %d %d %d\n", c[0]->getId(), c[1]->getId(), c[2]->getId());
    }
    if (!out.commit()) return 1;
    std::printf("Ficheiro -> %s  criado\n", fileName);
    return 0;
}

}  // namespace zeq
