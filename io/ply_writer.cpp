#include "io/ply_writer.h"

#include <array>
#include <cstdint>

#include "io/byte_order.h"
#include "io/live_mesh.h"
#include "io/number_format.h"
#include "io/output_file.h"

namespace zeq {

const char* plyFormatName(const FileFlavour& flavour) {
    switch (flavour.encoding) {
        case FileFlavour::Encoding::Text: return "ascii";
        case FileFlavour::Encoding::BinaryLittleEndian: return "binary_little_endian";
        case FileFlavour::Encoding::BinaryBigEndian: return "binary_big_endian";
    }
    return "ascii";
}

int writePly(Mesh& mesh, const char* fileName, const FileFlavour& flavour) {
    OutputFile out;
    if (!out.open(fileName)) return 1;
    const int vertexCount = renumberLiveVertices(mesh);
    const int faceCount = countWritableFaces(mesh);
    const char* type = flavour.doubleCoordinates ? "double" : "float";
    out.print("ply\nformat %s 1.0\ncomment %s\nelement vertex %d\n", plyFormatName(flavour), kProducerName,
              vertexCount);
    out.print("property %s x\nproperty %s y\nproperty %s z\n", type, type, type);
    out.print("element face %d\nproperty list uchar int vertex_indices\nend_header\n", faceCount);

    const bool big = flavour.bigEndian();
    forEachWritten(
        mesh,
        [&](const Point3& p) {
            const double xyz[3] = {p.x, p.y, p.z};
            if (flavour.binary()) {
                unsigned char record[24];
                unsigned char* end = record;
                for (double c : xyz)
                    end = flavour.doubleCoordinates ? storeBinary(end, c, big)
                                                    : storeBinary(end, static_cast<float>(c), big);
                out.write(reinterpret_cast<const char*>(record), static_cast<std::size_t>(end - record));
                return;
            }
            // "x y z": no blank before the first coordinate.
            char line[4 * kNumberChars];
            char* end = flavour.doubleCoordinates
                            ? appendCoordinates(line, p, [](char* o, double v) { return formatShortest(o, v); })
                            : appendCoordinates(line, p, [](char* o, double v) {
                                  return formatShortest(o, static_cast<float>(v));
                              });
            *end++ = '\n';
            out.write(line + 1, static_cast<std::size_t>(end - line - 1));
        },
        [&](const std::array<VertexId, 3>& corners) {
            if (flavour.binary()) {
                unsigned char record[13];
                unsigned char* end = record;
                *end++ = 3;
                for (VertexId corner : corners)
                    end = storeBinary(end, static_cast<std::int32_t>(corner->getId()), big);
                out.write(reinterpret_cast<const char*>(record), sizeof record);
                return;
            }
            char line[4 * kNumberChars];
            line[0] = '3';
            char* end = appendCorners(line + 1, corners, 0);
            *end++ = '\n';
            out.write(line, static_cast<std::size_t>(end - line));
        });
    return out.commit() ? 0 : 1;
}

}  // namespace zeq
