// The names by which code outside mesh/ holds on to mesh records.
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>

namespace zeq {

class Vertex;
class Edge;
class Face;

// A handle names one record of the mesh by its 32-bit position in the mesh's
// array of records of that kind. Code outside mesh/ reads a record through
// its handle (`v->edges`, `e->end1`, `f->edges`) and never learns how or
// where records are stored. Each kind has its own handle type, so an edge
// cannot be passed where a face is expected.
//
// A default handle names no record: it tests false and compares equal to
// nullptr, as the pointers it replaces did.
template <class Record>
class Handle {
public:
    static constexpr std::uint32_t kNone = 0xFFFFFFFFu;

    constexpr Handle() = default;
    constexpr Handle(std::nullptr_t) {}
    constexpr explicit Handle(std::uint32_t index) : index_(index) {}

    constexpr explicit operator bool() const { return index_ != kNone; }
    friend constexpr bool operator==(Handle, Handle) = default;
    friend constexpr auto operator<=>(Handle, Handle) = default;
    friend constexpr bool operator==(Handle h, std::nullptr_t) { return h.index_ == kNone; }

    // The record itself, valid until the next record of this kind is created
    // (creating one may move them all). Defined with the mesh.
    Record* operator->() const;

    // The position of the record in creation order. Stages index their own
    // per-record arrays with it.
    constexpr std::uint32_t index() const { return index_; }

private:
    std::uint32_t index_ = kNone;
};

using VertexId = Handle<Vertex>;
using EdgeId = Handle<Edge>;
using FaceId = Handle<Face>;

}  // namespace zeq
