#include "io/off_writer.h"

#include <cstdio>

#include "io/live_mesh.h"
#include "io/number_format.h"
#include "io/output_file.h"

namespace zeq {

int writeOff(Mesh& mesh, const char* fileName, std::string* copy) {
    // The counts are those of the lines written: a reader relies on them.
    OutputFile out;
    if (!out.open(fileName)) return 1;
    out.keepCopy(copy);
    const int vertexCount = renumberLiveVertices(mesh);
    out.print("OFF\n%d %d 0\n", vertexCount, countWritableFaces(mesh));
    char line[4 * kNumberChars];
    forEachWritten(
        mesh,
        [&](const Point3& p) {
            // "x y z": no blank before the first coordinate.
            char* end = appendCoordinates(line, p, [](char* o, double v) { return formatG(o, v); });
            *end++ = '\n';
            out.write(line + 1, static_cast<std::size_t>(end - line - 1));
        },
        [&](const std::array<VertexId, 3>& corners) {
            // "3  i j k": two blanks after the count.
            line[0] = '3';
            line[1] = ' ';
            char* end = appendCorners(line + 2, corners, 0);
            *end++ = '\n';
            out.write(line, static_cast<std::size_t>(end - line));
        });
    if (!out.commit()) return 1;
    consolePrintf("Ficheiro -> %s  criado\n", fileName);
    return 0;
}

}  // namespace zeq
