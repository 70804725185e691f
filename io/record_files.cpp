#include "io/record_files.h"

#include <array>
#include <cstring>
#include <new>

#include "io/byte_order.h"
#include "io/format_table.h"
#include "io/live_mesh.h"
#include "io/mesh_files.h"
#include "io/number_format.h"
#include "io/output_file.h"
#include "io/vertex_origins.h"
#include "io/ply_writer.h"
#include "io/stl_writer.h"

namespace zeq {

namespace {

// " x y z" with each coordinate written shortest, as a double or as a float.
char* appendExact(char* out, const double* p, bool asFloat) {
    for (int c = 0; c < 3; ++c) {
        *out++ = ' ';
        out = asFloat ? formatShortest(out, static_cast<float>(p[c])) : formatShortest(out, p[c]);
    }
    return out;
}

// " i j k" with `base` added to each corner.
char* appendIndices(char* out, const std::uint32_t* f, std::uint32_t base) {
    for (int c = 0; c < 3; ++c) {
        *out++ = ' ';
        out = std::to_chars(out, out + kNumberChars, f[c] + base).ptr;
    }
    return out;
}

}  // namespace

void writeStlRecords(OutputFile& out, const PlainMesh& mesh, const FileFlavour& flavour) {
    const bool binary = flavour.binary();
    writeStlStart(out, binary, static_cast<std::uint32_t>(mesh.faceCount()));
    for (std::size_t f = 0; f < mesh.faceCount(); ++f) {
        std::array<Point3, 3> p;
        for (int k = 0; k < 3; ++k) {
            const double* q = &mesh.positions[3 * std::size_t{mesh.corners[3 * f + k]}];
            p[k] = binary ? Point3{static_cast<float>(q[0]), static_cast<float>(q[1]), static_cast<float>(q[2])}
                          : Point3{q[0], q[1], q[2]};
        }
        writeStlFacet(out, p, binary);
    }
    writeStlEnd(out, binary);
}

void writeTextRecords(OutputFile& out, const PlainMesh& mesh, MeshFormat format) {
    if (format == MeshFormat::Smf) out.write("#SMF\n", 5);
    if (format == MeshFormat::Off) out.print("OFF\n%zu %zu 0\n", mesh.vertexCount(), mesh.faceCount());
    if (format == MeshFormat::Obj)
        out.print("# %s: %zu vertices, %zu faces\n", kProducerName, mesh.vertexCount(), mesh.faceCount());
    char line[4 * kNumberChars];
    for (std::size_t v = 0; v < mesh.vertexCount(); ++v) {
        line[0] = 'v';
        char* end = appendExact(line + 1, &mesh.positions[3 * v], false);
        *end++ = '\n';
        if (format == MeshFormat::Off) {
            out.write(line + 2, static_cast<std::size_t>(end - line - 2));
        } else {
            out.write(line, static_cast<std::size_t>(end - line));
        }
    }
    for (std::size_t f = 0; f < mesh.faceCount(); ++f) {
        const std::uint32_t* c = &mesh.corners[3 * f];
        char* end = line;
        if (format == MeshFormat::Off) {
            *end++ = '3';
            *end++ = ' ';
            end = appendIndices(end, c, 0);
        } else {
            *end++ = 'f';
            end = appendIndices(end, c, 1);
        }
        *end++ = '\n';
        out.write(line, static_cast<std::size_t>(end - line));
    }
}

ReadStatus readRecords(MeshFormat format, const char* fileName, RecordSink& sink, FileFlavour& flavour) {
    return readRecords(format, fileName, sink, flavour, RecordReading{});
}

ReadStatus readRecords(MeshFormat format, const char* fileName, RecordSink& sink, FileFlavour& flavour,
                       const RecordReading& reading) {
    flavour = FileFlavour{};
    if (reading.attributes != nullptr) reading.attributes->reset();
    try {
        const bool weld = reading.weld && weldsByDefault(format);
        return handlersOf(format).readRecords(fileName, sink, flavour, weld, reading.attributes);
    } catch (const std::bad_alloc&) {
        return ReadStatus::OutOfMemory;
    }
}

int writePlainMesh(const PlainMesh& mesh, MeshFormat format, const char* fileName, const FileFlavour& flavour) {
    try {
        OutputFile out;
        if (!out.open(fileName)) return 1;
        handlersOf(format).writeRecords(out, mesh, flavour);
        return out.commit() ? 0 : 1;
    } catch (const std::bad_alloc&) {
        return 1;
    }
}

int writeCarriedMesh(const PlainMesh& mesh, std::unique_ptr<MeshAttributes>& attributes, MeshFormat format,
                     const char* fileName, const FileFlavour& flavour, long long* writtenFaces,
                     const char* originsName) {
    int result = 1;
    try {
        theMesh().clear();
        for (std::size_t v = 0; v < mesh.vertexCount(); ++v) {
            const double* p = &mesh.positions[3 * v];
            theMesh().addVertex(theMesh().newVertex(static_cast<int>(v), Point3{p[0], p[1], p[2]}));
        }
        theMesh().reserveRecords(3 * mesh.faceCount(), mesh.faceCount());
        LoadCounters counters;
        for (std::size_t f = 0; f < mesh.faceCount(); ++f) {
            const std::uint32_t* c = &mesh.corners[3 * f];
            buildFace(theMesh(), VertexId(c[0]), VertexId(c[1]), VertexId(c[2]), counters);
        }
        theMesh().attributes = std::move(attributes);
        if (writtenFaces != nullptr) *writtenFaces = countWritableFaces(theMesh());
        result = writeMeshFile(theMesh(), format, fileName, flavour);
        if (result == 0 && originsName != nullptr) result = writeVertexOrigins(theMesh(), format, flavour, originsName);
    } catch (const std::bad_alloc&) {
        result = 1;
    }
    if (theMesh().attributes) attributes = std::move(theMesh().attributes);
    theMesh().clear();
    return result;
}

const char* extensionOf(MeshFormat format) { return handlersOf(format).extension; }

}  // namespace zeq
