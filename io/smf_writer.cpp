#include "io/smf_writer.h"

#include "io/live_mesh.h"
#include "io/number_format.h"
#include "io/output_file.h"

namespace zeq {

int writeSmf(Mesh& mesh, const char* fileName) {
    OutputFile out;
    if (!out.open(fileName)) return 1;
    out.write("#SMF\n", 5);
    renumberLiveVertices(mesh);
    forEachWritten(
        mesh,
        [&out](const Point3& p) {
            char line[4 * kNumberChars];
            char* end = line;
            *end++ = 'v';
            for (double coordinate : {p.x, p.y, p.z}) {
                *end++ = ' ';
                end = formatG(end, coordinate);
            }
            *end++ = '\n';
            out.write(line, static_cast<std::size_t>(end - line));
        },
        [&out](const std::array<const Vertex*, 3>& corners) {
            char line[4 * kNumberChars];
            char* end = line;
            *end++ = 'f';
            *end++ = ' ';
            for (const Vertex* corner : corners) {
                end = formatInt(end, corner->getId() + 1);
                *end++ = ' ';
            }
            *end++ = '\n';
            out.write(line, static_cast<std::size_t>(end - line));
        });
    return out.commit() ? 0 : 1;
}

}  // namespace zeq
