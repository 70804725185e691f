// Collecting what a file's vertices, corners and faces carry while it is
// parsed, for the mesh the load builds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "mesh/attributes.h"

namespace zeq {

// A reader fills this beside its record sink, in file order, on the thread
// that parses: the vertex part of each vertex record as it comes, then for
// each triangle the face's record and the corner part of each corner. Vertex
// records and corners are numbered as the file numbers them; the triangle's
// corners also name the mesh vertices they became (welding may have made
// several records one vertex).
//
// A vertex's record is that of its first corner. A corner whose record
// differs from its vertex's makes the vertex held and keeps its own record.
// A corner record is the vertex part of the record the corner names,
// followed by the corner part (values the face gives its corners: texture
// coordinates, normals, the face's material).
class AttributeRecords {
public:
    // `vertexLayout` holds the vertex part's channels first (`vertexPart` of
    // them), then the corner part's.
    AttributeRecords(RecordLayout vertexLayout, std::size_t vertexPart, RecordLayout faceLayout);

    // Makes room for `count` vertex records (a hint).
    void reserveVertexRecords(std::size_t count) { vertexParts_.reserve(count * vertexPartBytes_); }
    // The vertex part of the next vertex record, zero-filled, to be filled in.
    unsigned char* addVertexRecord();
    std::size_t vertexRecordCount() const;
    // After the last vertex record of a file whose vertex records all come
    // first: `merged` when some of them became one vertex. Without merges or
    // a corner part, every corner's record is its vertex record, and the
    // vertex records become the mesh's as they are.
    void verticesDone(bool merged);

    // The face record of the triangles that follow, to be filled in.
    unsigned char* faceRecord() { return face_.data(); }
    // Corner c's record (its corner part to be filled in by the reader).
    unsigned char* cornerRecord(int c) { return corner_[static_cast<std::size_t>(c)].data(); }
    // One triangle: `records` are the vertex records its corners name, `vertices`
    // the mesh vertices they are. Takes the face record and the corner parts
    // as they stand. Without `vertices` (a face whose corners cannot be told
    // apart), the face record alone.
    void addTriangle(const std::uint32_t records[3], const std::uint32_t* vertices);

    // What was collected, for a mesh of `vertexCount` vertices and
    // `faceCount` faces (the triangles added, in order).
    std::unique_ptr<MeshAttributes> finish(std::size_t vertexCount, std::size_t faceCount);

    const RecordLayout& vertexLayout() const { return attributes_->vertexLayout; }
    const RecordLayout& faceLayout() const { return attributes_->faceLayout; }

private:
    struct HeldCorner {
        std::uint32_t face;
        std::uint32_t vertex;
        std::uint32_t record;  // in cornerPool_
    };

    std::unique_ptr<MeshAttributes> attributes_;
    std::size_t vertexPartBytes_ = 0;
    bool cornersChecked_ = true;
    std::vector<unsigned char> vertexParts_;  // vertex part of every vertex record, in file order
    std::vector<std::uint8_t> seen_;          // per mesh vertex: 0 no corner yet, 1 has its record
    std::vector<unsigned char> face_;
    std::vector<unsigned char> corner_[3];
    std::vector<HeldCorner> heldCorners_;
    std::vector<unsigned char> cornerPool_;
    std::uint32_t triangles_ = 0;
};

}  // namespace zeq
