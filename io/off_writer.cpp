#include "io/off_writer.h"

#include <cstdio>

#include "io/live_mesh.h"
#include "io/number_format.h"
#include "io/output_file.h"

namespace zeq {

int writeOff(Mesh& mesh, const char* fileName) {
    // The counts are those of the lines written: a reader relies on them.
    OutputFile out;
    if (!out.open(fileName)) return 1;
    const int vertexCount = renumberLiveVertices(mesh);
    out.print("OFF\n%d %d 0\n", vertexCount, countWritableFaces(mesh));
    forEachWritten(
        mesh,
        [&out](const Point3& p) {
            char line[4 * kNumberChars];
            char* end = formatG(line, p.x);
            *end++ = ' ';
            end = formatG(end, p.y);
            *end++ = ' ';
            end = formatG(end, p.z);
            *end++ = '\n';
            out.write(line, static_cast<std::size_t>(end - line));
        },
        [&out](const std::array<const Vertex*, 3>& corners) {
            char line[4 * kNumberChars];
            char* end = line;
            *end++ = '3';
            *end++ = ' ';
            for (const Vertex* corner : corners) {
                *end++ = ' ';
                end = formatInt(end, corner->getId());
            }
            *end++ = '\n';
            out.write(line, static_cast<std::size_t>(end - line));
        });
    if (!out.commit()) return 1;
    std::printf("Ficheiro -> %s  criado\n", fileName);
    return 0;
}

}  // namespace zeq
