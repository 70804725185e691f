#include "io/obj_writer.h"

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
    forEachWritten(
        mesh,
        [&out](const Point3& p) {
            char line[4 * kNumberChars];
            char* end = line;
            *end++ = 'v';
            for (double coordinate : {p.x, p.y, p.z}) {
                *end++ = ' ';
                end = formatShortest(end, coordinate);
            }
            *end++ = '\n';
            out.write(line, static_cast<std::size_t>(end - line));
        },
        [&out](const std::array<const Vertex*, 3>& corners) {
            char line[4 * kNumberChars];
            char* end = line;
            *end++ = 'f';
            for (const Vertex* corner : corners) {
                *end++ = ' ';
                end = formatInt(end, corner->getId() + 1);
            }
            *end++ = '\n';
            out.write(line, static_cast<std::size_t>(end - line));
        });
    return out.commit() ? 0 : 1;
}

}  // namespace zeq
