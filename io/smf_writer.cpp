#include "io/smf_writer.h"

#include "io/live_mesh.h"
#include "io/number_format.h"
#include "io/output_file.h"

namespace zeq {

int writeSmf(Mesh& mesh, const char* fileName, std::string* copy) {
    OutputFile out;
    if (!out.open(fileName)) return 1;
    out.keepCopy(copy);
    out.write("#SMF\n", 5);
    renumberLiveVertices(mesh);
    char line[4 * kNumberChars];
    forEachWritten(
        mesh,
        [&](const Point3& p) {
            line[0] = 'v';
            char* end = appendCoordinates(line + 1, p, [](char* o, double v) { return formatG(o, v); });
            *end++ = '\n';
            out.write(line, static_cast<std::size_t>(end - line));
        },
        [&](const std::array<VertexId, 3>& corners) {
            // "f i j k ": every number is followed by a blank.
            line[0] = 'f';
            char* end = appendCorners(line + 1, corners, 1);
            *end++ = ' ';
            *end++ = '\n';
            out.write(line, static_cast<std::size_t>(end - line));
        });
    return out.commit() ? 0 : 1;
}

}  // namespace zeq
