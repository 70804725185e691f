#include "io/ply_writer.h"

#include <array>
#include <cstdint>

#include <algorithm>
#include <bit>
#include <cstring>
#include <string>

#include "io/byte_order.h"
#include "io/carried_data.h"
#include "io/carried_vertices.h"
#include "io/live_mesh.h"
#include "io/number_format.h"
#include "io/output_file.h"
#include "io/record_files.h"

namespace zeq {

const char* plyFormatName(const FileFlavour& flavour) {
    switch (flavour.encoding) {
        case FileFlavour::Encoding::Text: return "ascii";
        case FileFlavour::Encoding::BinaryLittleEndian: return "binary_little_endian";
        case FileFlavour::Encoding::BinaryBigEndian: return "binary_big_endian";
    }
    return "ascii";
}

namespace {

const char* typeName(ScalarType type) {
    switch (type) {
        case ScalarType::Int8: return "char";
        case ScalarType::UInt8: return "uchar";
        case ScalarType::Int16: return "short";
        case ScalarType::UInt16: return "ushort";
        case ScalarType::Int32: return "int";
        case ScalarType::UInt32: return "uint";
        case ScalarType::Float32: return "float";
        case ScalarType::Float64: return "double";
    }
    return "float";
}

// Writes values one record at a time: binary in the file's byte order, text
// separated by blanks with a line break after each record. A record is put
// together here and goes to the file whole.
class RecordWriter {
public:
    RecordWriter(OutputFile& out, const FileFlavour& flavour)
        : out_(out), binary_(flavour.binary()), swap_(flavour.bigEndian() != (std::endian::native == std::endian::big)) {}

    // A value stored in native byte order in `type`.
    void value(const unsigned char* native, ScalarType type) {
        if (used_ + kNumberChars + 1 > sizeof buffer_) flush();
        const std::size_t size = sizeOf(type);
        char* at = buffer_ + used_;
        if (binary_) {
            std::memcpy(at, native, size);
            if (swap_) std::reverse(at, at + size);
            used_ += size;
            return;
        }
        if (!recordStart_) *at++ = ' ';
        recordStart_ = false;
        if (type == ScalarType::Float32) {
            float f;
            std::memcpy(&f, native, sizeof f);
            at = formatShortest(at, f);
        } else if (type == ScalarType::Float64) {
            double d;
            std::memcpy(&d, native, sizeof d);
            at = formatShortest(at, d);
        } else {
            at = std::to_chars(at, at + kNumberChars, static_cast<long long>(loadScalar(native, type))).ptr;
        }
        used_ = static_cast<std::size_t>(at - buffer_);
    }
    // A coordinate, in the file's coordinate type.
    void coordinate(double v, ScalarType type) {
        unsigned char native[8];
        if (type == ScalarType::Float32) {
            const float f = static_cast<float>(v);
            std::memcpy(native, &f, sizeof f);
        } else {
            std::memcpy(native, &v, sizeof v);
        }
        value(native, type);
    }
    // A count or a vertex number (which fit their types).
    void count(std::uint8_t n) { value(&n, ScalarType::UInt8); }
    void index(std::int32_t i) { value(reinterpret_cast<const unsigned char*>(&i), ScalarType::Int32); }
    void endRecord() {
        if (!binary_) buffer_[used_++] = '\n';
        recordStart_ = true;
        if (used_ > sizeof buffer_ / 2) flush();
    }
    void flush() {
        out_.write(buffer_, used_);
        used_ = 0;
    }

private:
    OutputFile& out_;
    bool binary_;
    bool swap_;
    char buffer_[8192];
    std::size_t used_ = 0;
    bool recordStart_ = true;
};

// The PLY of a mesh that carries attributes: the input's elements in the
// input's order with every property that was carried, its comments after
// ours, and held vertices written once for each different set of values
// their corners carry.
int writeCarriedPly(Mesh& mesh, const char* fileName, const FileFlavour& flavour, std::string* copy) {
    const PlyCarried& ply = flavour.carried->ply;
    const MeshAttributes& attributes = *mesh.attributes;
    OutputFile out;
    if (!out.open(fileName)) return 1;
    out.keepCopy(copy);
    const CarriedVertices vertices(mesh);
    const int faceCount = countWritableFaces(mesh);
    const ScalarType coordinate = flavour.doubleCoordinates ? ScalarType::Float64 : ScalarType::Float32;

    out.print("ply\nformat %s 1.0\ncomment %s\n", plyFormatName(flavour), kProducerName);
    for (const std::string& line : ply.comments) out.print("%s\n", line.c_str());
    for (const std::string& name : ply.elementOrder) {
        if (name == "vertex") {
            out.print("element vertex %d\n", vertices.count());
            for (const PlyProperty& p : ply.vertexProperties) {
                if (p.role == PlyProperty::Role::Dropped) continue;
                const bool xyz = p.role != PlyProperty::Role::Value;
                out.print("property %s %s\n", typeName(xyz ? coordinate : p.type), p.name.c_str());
            }
        } else if (name == "face") {
            out.print("element face %d\n", faceCount);
            for (const PlyProperty& p : ply.faceProperties) {
                if (p.role == PlyProperty::Role::Corners)
                    out.print("property list uchar int %s\n", p.name.c_str());
                else if (p.role == PlyProperty::Role::CornerValues)
                    out.print("property list uchar %s %s\n", typeName(p.type), p.name.c_str());
                else if (p.role == PlyProperty::Role::Value)
                    out.print("property %s %s\n", typeName(p.type), p.name.c_str());
            }
        } else {
            for (const PlyElementCopy& c : ply.copies) {
                if (c.name != name) continue;
                out.print("element %s %llu\n", c.name.c_str(), static_cast<unsigned long long>(c.count));
                for (const std::string& line : c.propertyLines) out.print("%s\n", line.c_str());
            }
        }
    }
    out.print("end_header\n");

    RecordWriter records(out, flavour);
    const RecordLayout& vertexLayout = attributes.vertexLayout;
    const RecordLayout& faceLayout = attributes.faceLayout;
    auto writeVertex = [&](VertexId v, const unsigned char* record) {
        const Point3 p = v->positionCopy();
        for (const PlyProperty& property : ply.vertexProperties) {
            switch (property.role) {
                case PlyProperty::Role::X: records.coordinate(p.x, coordinate); break;
                case PlyProperty::Role::Y: records.coordinate(p.y, coordinate); break;
                case PlyProperty::Role::Z: records.coordinate(p.z, coordinate); break;
                case PlyProperty::Role::Value:
                    records.value(record + vertexLayout.channels()[static_cast<std::size_t>(property.channel)].offset,
                                  property.type);
                    break;
                default: break;
            }
        }
        records.endRecord();
    };
    std::array<VertexId, 3> corners;
    for (const std::string& name : ply.elementOrder) {
        if (name == "vertex") {
            for (VertexId v : mesh.vertices)
                if (isLive(v)) writeVertex(v, attributes.vertexRecord(v));
            for (const CarriedVertices::Copy& c : vertices.copies()) writeVertex(c.vertex, c.record);
        } else if (name == "face") {
            for (FaceId f : mesh.faces) {
                if (!isLive(f) || !faceCorners(f, corners)) continue;
                for (const PlyProperty& property : ply.faceProperties) {
                    switch (property.role) {
                        case PlyProperty::Role::Corners:
                            records.count(3);
                            for (VertexId v : corners) records.index(vertices.numberOf(f, v));
                            break;
                        case PlyProperty::Role::CornerValues: {
                            records.count(6);
                            const std::size_t offset =
                                vertexLayout.channels()[static_cast<std::size_t>(property.channel)].offset;
                            const std::size_t size = sizeOf(property.type);
                            for (VertexId v : corners) {
                                const unsigned char* record = attributes.cornerRecord(f, v);
                                records.value(record + offset, property.type);
                                records.value(record + offset + size, property.type);
                            }
                            break;
                        }
                        case PlyProperty::Role::Value:
                            records.value(attributes.faceRecord(f) +
                                              faceLayout.channels()[static_cast<std::size_t>(property.channel)].offset,
                                          property.type);
                            break;
                        default: break;
                    }
                }
                records.endRecord();
            }
        } else {
            records.flush();
            for (const PlyElementCopy& c : ply.copies)
                if (c.name == name) out.write(c.body.data(), c.body.size());
        }
    }
    records.flush();
    return out.commit() ? 0 : 1;
}

}  // namespace

namespace {

// A PLY of positions and triangles alone: the header, then
// forEachVertex(vertex) calling vertex(x, y, z) for each vertex and
// forEachFace(face) calling face(i, j, k) for each triangle, written in the
// flavour's encoding and coordinate type. The live mesh and plain records
// are both written through it.
template <class ForEachVertex, class ForEachFace>
void writePositionsAndTriangles(OutputFile& out, const FileFlavour& flavour, std::size_t vertexCount,
                                std::size_t faceCount, ForEachVertex forEachVertex, ForEachFace forEachFace) {
    const char* type = flavour.doubleCoordinates ? "double" : "float";
    out.print("ply\nformat %s 1.0\ncomment %s\nelement vertex %zu\n", plyFormatName(flavour), kProducerName,
              vertexCount);
    out.print("property %s x\nproperty %s y\nproperty %s z\n", type, type, type);
    out.print("element face %zu\nproperty list uchar int vertex_indices\nend_header\n", faceCount);

    const bool big = flavour.bigEndian();
    forEachVertex([&](double x, double y, double z) {
        const double xyz[3] = {x, y, z};
        if (flavour.binary()) {
            unsigned char record[24];
            unsigned char* end = record;
            for (double c : xyz)
                end = flavour.doubleCoordinates ? storeBinary(end, c, big) : storeBinary(end, static_cast<float>(c), big);
            out.write(reinterpret_cast<const char*>(record), static_cast<std::size_t>(end - record));
            return;
        }
        // "x y z": no blank before the first coordinate.
        char line[4 * kNumberChars];
        char* end = line;
        for (double c : xyz) {
            *end++ = ' ';
            end = flavour.doubleCoordinates ? formatShortest(end, c) : formatShortest(end, static_cast<float>(c));
        }
        *end++ = '\n';
        out.write(line + 1, static_cast<std::size_t>(end - line - 1));
    });
    forEachFace([&](std::int32_t i, std::int32_t j, std::int32_t k) {
        const std::int32_t corners[3] = {i, j, k};
        if (flavour.binary()) {
            unsigned char record[13];
            unsigned char* end = record;
            *end++ = 3;
            for (std::int32_t c : corners) end = storeBinary(end, c, big);
            out.write(reinterpret_cast<const char*>(record), sizeof record);
            return;
        }
        char line[4 * kNumberChars];
        char* end = line;
        *end++ = '3';
        for (std::int32_t c : corners) {
            *end++ = ' ';
            end = formatInt(end, c);
        }
        *end++ = '\n';
        out.write(line, static_cast<std::size_t>(end - line));
    });
}

}  // namespace

int writePly(Mesh& mesh, const char* fileName, const FileFlavour& flavour, std::string* copy) {
    if (flavour.carried && mesh.attributes) return writeCarriedPly(mesh, fileName, flavour, copy);
    OutputFile out;
    if (!out.open(fileName)) return 1;
    out.keepCopy(copy);
    const int vertexCount = renumberLiveVertices(mesh);
    const int faceCount = countWritableFaces(mesh);
    writePositionsAndTriangles(
        out, flavour, static_cast<std::size_t>(vertexCount), static_cast<std::size_t>(faceCount),
        [&](auto vertex) {
            for (VertexId v : mesh.vertices) {
                if (!isLive(v)) continue;
                const Point3 p = v->positionCopy();
                vertex(p.x, p.y, p.z);
            }
        },
        [&](auto face) {
            std::array<VertexId, 3> c;
            for (FaceId f : mesh.faces)
                if (isLive(f) && faceCorners(f, c)) face(c[0]->getId(), c[1]->getId(), c[2]->getId());
        });
    return out.commit() ? 0 : 1;
}

void writePlyRecords(OutputFile& out, const PlainMesh& mesh, const FileFlavour& flavour) {
    writePositionsAndTriangles(
        out, flavour, mesh.vertexCount(), mesh.faceCount(),
        [&](auto vertex) {
            for (std::size_t v = 0; v < mesh.vertexCount(); ++v)
                vertex(mesh.positions[3 * v], mesh.positions[3 * v + 1], mesh.positions[3 * v + 2]);
        },
        [&](auto face) {
            for (std::size_t f = 0; f < mesh.faceCount(); ++f) {
                const std::uint32_t* c = &mesh.corners[3 * f];
                face(static_cast<std::int32_t>(c[0]), static_cast<std::int32_t>(c[1]), static_cast<std::int32_t>(c[2]));
            }
        });
}

}  // namespace zeq
