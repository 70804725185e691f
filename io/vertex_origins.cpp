#include "io/vertex_origins.h"

#include <array>
#include <charconv>
#include <new>

#include "io/carried_vertices.h"
#include "io/live_mesh.h"
#include "io/output_file.h"

namespace zeq {

std::vector<std::uint32_t> writtenVertexOrigins(Mesh& mesh, MeshFormat format, const FileFlavour& flavour) {
    std::vector<std::uint32_t> origins;
    if (format == MeshFormat::Stl) {
        std::array<VertexId, 3> corners;
        for (FaceId f : mesh.faces)
            if (isLive(f) && faceCorners(f, corners))
                for (VertexId v : corners) origins.push_back(v.index());
        return origins;
    }
    for (VertexId v : mesh.vertices)
        if (isLive(v)) origins.push_back(v.index());
    const bool copies = (format == MeshFormat::Ply || format == MeshFormat::Obj) && flavour.carried && mesh.attributes;
    if (copies) {
        const CarriedVertices written(mesh);
        for (const CarriedVertices::Copy& c : written.copies()) origins.push_back(c.vertex.index());
    }
    return origins;
}

int writeVertexOrigins(Mesh& mesh, MeshFormat format, const FileFlavour& flavour, const char* fileName) {
    try {
        const std::vector<std::uint32_t> origins = writtenVertexOrigins(mesh, format, flavour);
        OutputFile out;
        if (!out.open(fileName)) return 1;
        char line[16];
        for (std::uint32_t n : origins) {
            char* end = std::to_chars(line, line + sizeof line, n).ptr;
            *end++ = '\n';
            out.write(line, static_cast<std::size_t>(end - line));
        }
        return out.commit() ? 0 : 1;
    } catch (const std::bad_alloc&) {
        return 1;
    }
}

}  // namespace zeq
