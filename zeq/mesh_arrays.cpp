#include "zeq/mesh_arrays.h"

#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>

#include "io/attribute_records.h"
#include "io/carried_vertices.h"
#include "io/live_mesh.h"
#include "io/mesh_builder.h"
#include "io/weld.h"
#include "mesh/mesh.h"
#include "zeq/messages.h"

namespace zeq {

namespace {

bool isIntegerType(ValueType type) { return type != ValueType::Float32 && type != ValueType::Float64; }

const unsigned char* elementAt(const ArrayView& a, std::size_t row, std::size_t column) {
    return static_cast<const unsigned char*>(a.data) + static_cast<std::ptrdiff_t>(row) * a.rowStride +
           static_cast<std::ptrdiff_t>(column) * a.columnStride;
}

template <class T>
T load(const unsigned char* p) {
    T value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

// A corner as a vertex number; -1 for one no vertex can have.
long long cornerAt(const ArrayView& a, std::size_t row, std::size_t column) {
    const unsigned char* p = elementAt(a, row, column);
    switch (a.type) {
        case ValueType::Int8: return load<std::int8_t>(p);
        case ValueType::UInt8: return load<std::uint8_t>(p);
        case ValueType::Int16: return load<std::int16_t>(p);
        case ValueType::UInt16: return load<std::uint16_t>(p);
        case ValueType::Int32: return load<std::int32_t>(p);
        case ValueType::UInt32: return load<std::uint32_t>(p);
        case ValueType::Int64: return load<std::int64_t>(p);
        case ValueType::UInt64: {
            const std::uint64_t v = load<std::uint64_t>(p);
            return v > static_cast<std::uint64_t>(LLONG_MAX) ? -1 : static_cast<long long>(v);
        }
        case ValueType::Float32:
        case ValueType::Float64: break;
    }
    return -1;
}

bool wellShaped(const ArrayView& a, std::size_t columns) {
    return a.columns == columns && (a.rows == 0 || a.data != nullptr);
}

// The type a property's values are kept in: the one it asks for, for 64-bit
// integers the 32-bit type that holds every value; false when none does.
bool storedType(const PropertyView& property, ScalarType& stored) {
    const ArrayView& values = property.values;
    switch (property.storedAs.value_or(values.type)) {
        case ValueType::Int64:
        case ValueType::UInt64: {
            bool fitsInt = true, fitsUInt = true;
            for (std::size_t r = 0; r < values.rows; ++r) {
                const double v = values.get(r, 0);
                fitsInt = fitsInt && v >= INT_MIN && v <= INT_MAX;
                fitsUInt = fitsUInt && v >= 0 && v <= UINT_MAX;
            }
            if (!fitsInt && !fitsUInt) return false;
            stored = fitsInt ? ScalarType::Int32 : ScalarType::UInt32;
            return true;
        }
        default: stored = static_cast<ScalarType>(property.storedAs.value_or(values.type)); return true;
    }
}

// The layout of `properties`: the form's, when it has exactly these names
// and types in this order (so that each keeps the blend the file gave it),
// else one made from the names and types. False for a property that is not
// a single column of `rows` values or has no type to be stored in.
bool layoutOf(const std::vector<PropertyView>& properties, std::size_t rows, const RecordLayout* formLayout,
              RecordLayout& layout) {
    std::vector<ScalarType> types;
    for (const PropertyView& p : properties) {
        if (p.values.rows != rows || !wellShaped(p.values, 1)) return false;
        ScalarType stored;
        if (!storedType(p, stored)) return false;
        types.push_back(stored);
    }
    bool same = formLayout != nullptr && formLayout->size() == properties.size();
    for (std::size_t c = 0; same && c < properties.size(); ++c)
        same = formLayout->channels()[c].name == properties[c].name && formLayout->channels()[c].type == types[c];
    if (same) {
        layout = *formLayout;
        return true;
    }
    for (std::size_t c = 0; c < properties.size(); ++c)
        layout.add(properties[c].name, types[c], blendOf(properties[c].name, types[c]));
    return true;
}

Refusal refused(const char* name, ReadStatus status) { return readFailure(name, status); }

}  // namespace

double ArrayView::get(std::size_t row, std::size_t column) const {
    const unsigned char* p = elementAt(*this, row, column);
    switch (type) {
        case ValueType::Float32: return load<float>(p);
        case ValueType::Float64: return load<double>(p);
        case ValueType::Int64: return static_cast<double>(load<std::int64_t>(p));
        case ValueType::UInt64: return static_cast<double>(load<std::uint64_t>(p));
        default: return loadScalar(p, static_cast<ScalarType>(type));
    }
}

Refusal loadArrays(const MeshView& view, bool weld, bool attributes, const char* name, const FileForm* form) {
    static_assert(static_cast<int>(ValueType::Float64) == static_cast<int>(ScalarType::Float64));
    const ArrayView& positions = view.positions;
    const ArrayView& triangles = view.triangles;
    if (!wellShaped(positions, 3)) return refused(name, ReadStatus::BadVertices);
    if (!wellShaped(triangles, 3) || !isIntegerType(triangles.type)) return refused(name, ReadStatus::BadFaces);
    for (std::size_t r = 0; r < positions.rows; ++r)
        for (std::size_t k = 0; k < 3; ++k)
            if (!std::isfinite(positions.get(r, k))) return refused(name, ReadStatus::BadVertices);

    const bool carry = attributes && (!view.vertexProperties.empty() || !view.faceProperties.empty());
    try {
        std::unique_ptr<AttributeRecords> records;
        if (carry) {
            RecordLayout vertexLayout, faceLayout;
            if (!layoutOf(view.vertexProperties, positions.rows, form ? &form->vertexLayout : nullptr, vertexLayout))
                return refused(name, ReadStatus::BadVertices);
            if (!layoutOf(view.faceProperties, triangles.rows, form ? &form->faceLayout : nullptr, faceLayout))
                return refused(name, ReadStatus::BadFaces);
            const std::size_t part = vertexLayout.size();
            records = std::make_unique<AttributeRecords>(std::move(vertexLayout), part, std::move(faceLayout));
            records->reserveVertexRecords(positions.rows);
        }

        Mesh& mesh = theMesh();
        MeshBuilder builder(mesh, LoadMessages::Totals, name);
        auto play = [&](auto& sink) {
            for (std::size_t r = 0; r < positions.rows; ++r) {
                sink.vertex(positions.get(r, 0), positions.get(r, 1), positions.get(r, 2));
                if (records) {
                    unsigned char* record = records->addVertexRecord();
                    const RecordLayout& layout = records->vertexLayout();
                    for (std::size_t c = 0; c < layout.size(); ++c)
                        layout.set(record, c, view.vertexProperties[c].values.get(r, 0));
                }
            }
            sink.verticesDone();
            if (records) records->verticesDone(mergedIn(sink));
            for (std::size_t f = 0; f < triangles.rows; ++f) {
                const long long i = cornerAt(triangles, f, 0);
                const long long j = cornerAt(triangles, f, 1);
                const long long k = cornerAt(triangles, f, 2);
                if (!sink.face(i, j, k)) return ReadStatus::BadFaces;
                if (records) {
                    const RecordLayout& layout = records->faceLayout();
                    for (std::size_t c = 0; c < layout.size(); ++c)
                        layout.set(records->faceRecord(), c, view.faceProperties[c].values.get(f, 0));
                    const std::uint32_t corners[3] = {static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(j),
                                                      static_cast<std::uint32_t>(k)};
                    const std::uint32_t vertices[3] = {vertexNumberIn(sink, i), vertexNumberIn(sink, j),
                                                       vertexNumberIn(sink, k)};
                    records->addTriangle(corners, vertices);
                }
            }
            sink.endedInFaces();
            return ReadStatus::Loaded;
        };
        ReadStatus status = parseWelded<double>(weld, builder, play, positions.rows, true);
        builder.finish();
        if (status == ReadStatus::Loaded && triangles.rows == 0) status = ReadStatus::NoFaces;
        if (status != ReadStatus::Loaded) return refused(name, status);
        if (records) mesh.attributes = records->finish(mesh.createdVertices(), mesh.createdFaces());
    } catch (const std::bad_alloc&) {
        return refused(name, ReadStatus::OutOfMemory);
    }
    return Refusal{};
}

void takeArrays(TriangleMesh& out, std::vector<std::uint32_t>* origins) {
    Mesh& mesh = theMesh();
    out.positions.clear();
    out.triangles.clear();
    out.vertexProperties.clear();
    out.faceProperties.clear();
    const MeshAttributes* attributes = mesh.attributes.get();
    if (attributes == nullptr) {
        renumberLiveVertices(mesh);
        forEachWritten(
            mesh,
            [&](const Point3& p) {
                out.positions.insert(out.positions.end(), {p.x, p.y, p.z});
            },
            [&](const std::array<VertexId, 3>& c) {
                for (VertexId v : c) out.triangles.push_back(static_cast<std::uint32_t>(v->getId()));
            });
        if (origins != nullptr) {
            origins->clear();
            for (VertexId v : mesh.vertices)
                if (isLive(v)) origins->push_back(v.index());
        }
        return;
    }

    // The vertices as the writers lay them out for a mesh that carries
    // values: the live ones, then a copy for each different corner record.
    const CarriedVertices written(mesh);
    const RecordLayout& vertexLayout = attributes->vertexLayout;
    const RecordLayout& faceLayout = attributes->faceLayout;
    for (const Channel& c : vertexLayout.channels())
        out.vertexProperties.push_back(Property{c.name, static_cast<ValueType>(c.type), {}});
    for (const Channel& c : faceLayout.channels())
        out.faceProperties.push_back(Property{c.name, static_cast<ValueType>(c.type), {}});
    if (origins != nullptr) origins->clear();
    auto addVertex = [&](VertexId v, const unsigned char* record) {
        const Point3 p = v->positionCopy();
        out.positions.insert(out.positions.end(), {p.x, p.y, p.z});
        for (std::size_t c = 0; c < vertexLayout.size(); ++c)
            out.vertexProperties[c].values.push_back(vertexLayout.get(record, c));
        if (origins != nullptr) origins->push_back(v.index());
    };
    for (VertexId v : mesh.vertices)
        if (isLive(v)) addVertex(v, attributes->vertexRecord(v));
    for (const CarriedVertices::Copy& c : written.copies()) addVertex(c.vertex, c.record);
    std::array<VertexId, 3> corners;
    for (FaceId f : mesh.faces) {
        if (!isLive(f) || !faceCorners(f, corners)) continue;
        for (VertexId v : corners) out.triangles.push_back(static_cast<std::uint32_t>(written.numberOf(f, v)));
        for (std::size_t c = 0; c < faceLayout.size(); ++c)
            out.faceProperties[c].values.push_back(faceLayout.get(attributes->faceRecord(f), c));
    }
}

}  // namespace zeq
