#include "io/record_files.h"

#include <array>
#include <cstring>
#include <new>

#include "io/byte_order.h"
#include "io/live_mesh.h"
#include "io/mesh_files.h"
#include "io/number_format.h"
#include "io/output_file.h"
#include "io/vertex_origins.h"
#include "io/ply_writer.h"
#include "io/stl_writer.h"

namespace zeq {

namespace {

ReadStatus readWithParser(MeshFormat format, const char* fileName, RecordSink& sink, FileFlavour& flavour,
                          const RecordReading& reading) {
    const bool weld = reading.weld && weldsByDefault(format);
    switch (format) {
        case MeshFormat::Smf: return readSmfRecords(fileName, sink);
        case MeshFormat::Off: return readOffRecords(fileName, sink);
        case MeshFormat::Ply: return readPlyRecords(fileName, sink, flavour, weld, reading.attributes);
        case MeshFormat::Stl: return readStlRecords(fileName, sink, flavour, reading.attributes);
        case MeshFormat::Obj: return readObjRecords(fileName, sink, weld, &flavour, reading.attributes);
    }
    return readSmfRecords(fileName, sink);
}

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

void writePly(OutputFile& out, const PlainMesh& mesh, const FileFlavour& flavour) {
    const char* type = flavour.doubleCoordinates ? "double" : "float";
    out.print("ply\nformat %s 1.0\ncomment %s\nelement vertex %zu\n", plyFormatName(flavour), kProducerName,
              mesh.vertexCount());
    out.print("property %s x\nproperty %s y\nproperty %s z\n", type, type, type);
    out.print("element face %zu\nproperty list uchar int vertex_indices\nend_header\n", mesh.faceCount());
    const bool big = flavour.bigEndian();
    char line[4 * kNumberChars];
    for (std::size_t v = 0; v < mesh.vertexCount(); ++v) {
        const double* p = &mesh.positions[3 * v];
        if (flavour.binary()) {
            unsigned char record[24];
            unsigned char* end = record;
            for (int c = 0; c < 3; ++c)
                end = flavour.doubleCoordinates ? storeBinary(end, p[c], big)
                                                : storeBinary(end, static_cast<float>(p[c]), big);
            out.write(reinterpret_cast<const char*>(record), static_cast<std::size_t>(end - record));
        } else {
            char* end = appendExact(line, p, !flavour.doubleCoordinates);
            *end++ = '\n';
            out.write(line + 1, static_cast<std::size_t>(end - line - 1));
        }
    }
    for (std::size_t f = 0; f < mesh.faceCount(); ++f) {
        const std::uint32_t* c = &mesh.corners[3 * f];
        if (flavour.binary()) {
            unsigned char record[13];
            unsigned char* end = record;
            *end++ = 3;
            for (int k = 0; k < 3; ++k) end = storeBinary(end, static_cast<std::int32_t>(c[k]), big);
            out.write(reinterpret_cast<const char*>(record), sizeof record);
        } else {
            line[0] = '3';
            char* end = appendIndices(line + 1, c, 0);
            *end++ = '\n';
            out.write(line, static_cast<std::size_t>(end - line));
        }
    }
}

void writeStl(OutputFile& out, const PlainMesh& mesh, const FileFlavour& flavour) {
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

// SMF, OFF and OBJ: a header, "v x y z" / "x y z" lines, then face lines.
void writeText(OutputFile& out, const PlainMesh& mesh, MeshFormat format) {
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

}  // namespace

ReadStatus readRecords(MeshFormat format, const char* fileName, RecordSink& sink, FileFlavour& flavour) {
    return readRecords(format, fileName, sink, flavour, RecordReading{});
}

ReadStatus readRecords(MeshFormat format, const char* fileName, RecordSink& sink, FileFlavour& flavour,
                       const RecordReading& reading) {
    flavour = FileFlavour{};
    if (reading.attributes != nullptr) reading.attributes->reset();
    try {
        return readWithParser(format, fileName, sink, flavour, reading);
    } catch (const std::bad_alloc&) {
        return ReadStatus::OutOfMemory;
    }
}

int writePlainMesh(const PlainMesh& mesh, MeshFormat format, const char* fileName, const FileFlavour& flavour) {
    try {
        OutputFile out;
        if (!out.open(fileName)) return 1;
        switch (format) {
            case MeshFormat::Ply: writePly(out, mesh, flavour); break;
            case MeshFormat::Stl: writeStl(out, mesh, flavour); break;
            default: writeText(out, mesh, format); break;
        }
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

const char* extensionOf(MeshFormat format) {
    switch (format) {
        case MeshFormat::Smf: return "smf";
        case MeshFormat::Off: return "off";
        case MeshFormat::Ply: return "ply";
        case MeshFormat::Stl: return "stl";
        case MeshFormat::Obj: return "obj";
    }
    return "smf";
}

}  // namespace zeq
