#include "io/obj_writer.h"

#include <array>

#include "io/live_mesh.h"
#include "io/mesh_format.h"
#include "io/number_format.h"
#include "io/output_file.h"

namespace zeq {

int writeObj(Mesh& mesh, const char* fileName) {
    OutputFile out;
    if (!out.open(fileName)) return 1;
    const int vertexCount = renumberLiveVertices(mesh);
    out.print("# %s: %d vertices, %d faces\n", kProducerName, vertexCount, countWritableFaces(mesh));
    for (const Vertex* v : mesh.vertices) {
        if (!isLive(v)) continue;
        const Point3 p = v->positionCopy();
        char line[4 * kNumberChars];
        char* end = line;
        *end++ = 'v';
        for (double coordinate : {p.x, p.y, p.z}) {
            *end++ = ' ';
            end = formatShortest(end, coordinate);
        }
        *end++ = '\n';
        out.write(line, static_cast<std::size_t>(end - line));
    }
    std::array<const Vertex*, 3> c;
    for (const Face* f : mesh.faces) {
        if (!isLive(f) || !faceCorners(f, c)) continue;
        char line[4 * kNumberChars];
        char* end = line;
        *end++ = 'f';
        for (const Vertex* corner : c) {
            *end++ = ' ';
            end = formatInt(end, corner->getId() + 1);
        }
        *end++ = '\n';
        out.write(line, static_cast<std::size_t>(end - line));
    }
    return out.commit() ? 0 : 1;
}

}  // namespace zeq
