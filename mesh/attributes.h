// What a mesh carries besides its positions: values per vertex, per corner
// and per face (colours, normals, texture coordinates, labels, materials),
// and how a collapse merges a vertex's values into the vertex it keeps.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "mesh/handles.h"

namespace zeq {

// The scalar types values are stored in: those of PLY's properties.
enum class ScalarType : std::uint8_t { Int8, UInt8, Int16, UInt16, Int32, UInt32, Float32, Float64 };

std::size_t sizeOf(ScalarType type);
inline bool isInteger(ScalarType type) { return type != ScalarType::Float32 && type != ScalarType::Float64; }

// A value of `type` stored at `p` in native byte order, as a double (exact
// for every type); and `value` stored so: integers rounded to nearest (a
// half away from zero) and clamped to the type's range, NaN stored as 0;
// float the nearest float; double as it is.
double loadScalar(const unsigned char* p, ScalarType type);
void storeScalar(unsigned char* p, ScalarType type, double value);

// How a vertex's value follows a collapse that merges it into another.
//   Average  the mean of the two ends (colours and real-valued quantities);
//   Normal   part of an nx, ny, nz triple, averaged and made unit length again;
//   Keep     the kept end's value (labels, ids, flags: a mean of two labels is
//            no label).
enum class Blend : std::uint8_t { Average, Normal, Keep };

// The blend a value named `name` of type `type` takes: Normal for nx, ny and
// nz of a real type, Average for colour channels (red, green, blue, alpha,
// r, g, b, a, diffuse_*, ...) and for every real type, Keep for every other
// integer.
Blend blendOf(std::string_view name, ScalarType type);

struct Channel {
    std::string name;
    ScalarType type = ScalarType::Float32;
    Blend blend = Blend::Keep;
    std::uint32_t offset = 0;  // within a record
};

// The values of one record, laid out one after the other in native byte
// order, each in its own type.
class RecordLayout {
public:
    // Appends a channel; returns its index. A channel of blend Normal that
    // is not part of a complete nx, ny, nz triple is averaged instead.
    int add(std::string name, ScalarType type, Blend blend);
    int find(std::string_view name) const;

    const std::vector<Channel>& channels() const { return channels_; }
    std::size_t size() const { return channels_.size(); }
    bool empty() const { return channels_.empty(); }
    std::size_t stride() const { return stride_; }

    // A channel's value as a double, and a value stored in the channel's
    // type (see loadScalar and storeScalar).
    double get(const unsigned char* record, std::size_t channel) const {
        return loadScalar(record + channels_[channel].offset, channels_[channel].type);
    }
    void set(unsigned char* record, std::size_t channel, double value) const {
        storeScalar(record + channels_[channel].offset, channels_[channel].type, value);
    }

    // Merges `removed` into `kept`, channel by channel, by each channel's
    // blend. A real value that is NaN (not given) takes the other end's.
    void blend(unsigned char* kept, const unsigned char* removed) const;

private:
    std::vector<Channel> channels_;
    std::size_t stride_ = 0;
    // The first channels of the complete nx, ny, nz triples of a real type.
    std::vector<std::array<std::size_t, 3>> normals_;
};

// The values a mesh carries, kept beside its records and indexed by their
// handles. Only a load that found something to carry makes one.
//
// A vertex has one record. A vertex whose corners carry different values (a
// seam of the texture coordinates, a hard edge of the normals, a border
// between materials, copies of a position with different properties) is
// held: it never moves and no edge at it collapses, like a vertex on a
// boundary, and each of its corners whose values differ from the vertex's own
// keeps its own record. Every other corner takes its vertex's record.
class MeshAttributes {
public:
    RecordLayout vertexLayout;
    // The first `vertexPart` channels of a vertex record belong to the
    // vertex itself (a PLY vertex's properties, an OBJ vertex's colour);
    // the rest are what faces give their corners (texture coordinates,
    // normals, the face's material).
    std::size_t vertexPart = 0;
    RecordLayout faceLayout;

    // Sizes the vertex records for `count` vertices (zero-filled).
    void resizeVertices(std::size_t count);
    void resizeFaces(std::size_t count);
    std::size_t vertexCount() const { return held_.size(); }
    std::size_t faceCount() const { return faceLayout.stride() == 0 ? 0 : faceRecords_.size() / faceLayout.stride(); }

    unsigned char* vertexRecord(VertexId v) { return vertexRecords_.data() + v.index() * vertexLayout.stride(); }
    const unsigned char* vertexRecord(VertexId v) const {
        return vertexRecords_.data() + v.index() * vertexLayout.stride();
    }
    unsigned char* faceRecord(FaceId f) { return faceRecords_.data() + f.index() * faceLayout.stride(); }
    const unsigned char* faceRecord(FaceId f) const { return faceRecords_.data() + f.index() * faceLayout.stride(); }

    // Whether the records are those of `vertices` vertices and `faces` faces.
    bool sizedFor(std::size_t vertices, std::size_t faces) const {
        return held_.size() == vertices && vertexRecords_.size() == vertices * vertexLayout.stride() &&
               faceRecords_.size() == faces * faceLayout.stride();
    }

    // Asked for every candidate edge's ends: a mesh without seams answers
    // without reading the marks.
    bool held(VertexId v) const { return anyHeld_ && v.index() < held_.size() && held_[v.index()] != 0; }
    void hold(VertexId v) {
        held_[v.index()] = 1;
        anyHeld_ = true;
    }
    std::size_t heldCount() const;

    // Gives corner (f, v) a record of its own, a copy of `record`.
    void setCornerRecord(FaceId f, VertexId v, const unsigned char* record);
    // The record of corner (f, v): its own, or else its vertex's.
    const unsigned char* cornerRecord(FaceId f, VertexId v) const;
    std::size_t cornerRecordCount() const { return corners_.size(); }

    // The collapse of an edge merges vertex `removed` into `kept`.
    void blendVertices(VertexId kept, VertexId removed) {
        vertexLayout.blend(vertexRecord(kept), vertexRecord(removed));
    }

    // Takes over whole arrays built elsewhere (a load).
    std::vector<unsigned char>& vertexRecords() { return vertexRecords_; }
    std::vector<unsigned char>& faceRecords() { return faceRecords_; }
    std::vector<std::uint8_t>& heldMarks() { return held_; }

private:
    static std::uint64_t cornerKey(FaceId f, VertexId v) {
        return static_cast<std::uint64_t>(f.index()) << 32 | v.index();
    }

    std::vector<unsigned char> vertexRecords_;
    std::vector<std::uint8_t> held_;
    bool anyHeld_ = false;
    std::vector<unsigned char> faceRecords_;
    std::unordered_map<std::uint64_t, std::uint32_t> corners_;  // corner → its record in cornerPool_
    std::vector<unsigned char> cornerPool_;
};

}  // namespace zeq
