#include "io/smf_writer.h"

#include "io/live_mesh.h"
#include "io/output_file.h"

namespace zeq {

int writeSmf(Mesh& mesh, const char* fileName) {
    OutputFile out;
    if (!out.open(fileName)) return 1;
    out.write("#SMF\n", 5);
    renumberLiveVertices(mesh);
    for (const Vertex* v : mesh.vertices) {
        if (!isLive(v)) continue;
        Point3 p = v->positionCopy();
        out.print("v %g %g %g\n", p.x, p.y, p.z);
    }
    std::array<const Vertex*, 3> c;
    for (const Face* f : mesh.faces) {
        if (!isLive(f) || !faceCorners(f, c)) continue;
        out.print("f %d %d %d \n", c[0]->getId() + 1, c[1]->getId() + 1, c[2]->getId() + 1);
    }
    return out.commit() ? 0 : 1;
}

}  // namespace zeq
