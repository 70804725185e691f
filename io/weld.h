// Welding corners with equal coordinates into one vertex.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "io/build_face.h"
#include "io/read_status.h"

namespace zeq {

// Numbers distinct positions in order of first appearance. Positions are
// equal when their coordinates are equal as numbers (so 0 and -0 weld; the
// first one seen is kept). T is float or double.
//
// An open-addressing table, at most half full, whose slots hold a vertex's
// number and the high half of its position's hash: a probe compares the
// stored position only when the halves agree, so looking up a new position
// rarely reads any vertex at all.
template <class T>
class Welder {
public:
    // Makes room for `count` distinct positions (a hint: more still fit).
    void reserve(std::size_t count) {
        positions_.reserve(3 * count);
        if (2 * count > slots_.size()) rebuild(tableSizeFor(count));
    }

    // The number of the vertex at (x, y, z), new or seen before.
    std::uint32_t add(T x, T y, T z) {
        if (2 * (count() + 1) > slots_.size()) rebuild(std::max(tableSizeFor(count() + 1), 2 * slots_.size()));
        const std::uint64_t h = hash(x, y, z);
        const std::uint64_t tag = h & kTagMask;
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t s = static_cast<std::size_t>(h) & mask;; s = (s + 1) & mask) {
            const std::uint64_t held = slots_[s];
            if (held == 0) {
                const auto number = static_cast<std::uint32_t>(count());
                positions_.insert(positions_.end(), {x, y, z});
                slots_[s] = tag | (number + 1u);
                return number;
            }
            if ((held & kTagMask) != tag) continue;
            const std::uint32_t number = static_cast<std::uint32_t>(held) - 1;
            const T* p = &positions_[3 * static_cast<std::size_t>(number)];
            if (p[0] == x && p[1] == y && p[2] == z) return number;
        }
    }

    // Gives the table's memory back while no position is being added; the
    // next add builds it again from the positions.
    void releaseTable() { std::vector<std::uint64_t>().swap(slots_); }

    std::size_t count() const { return positions_.size() / 3; }
    // x, y, z of each vertex in turn.
    const std::vector<T>& positions() const { return positions_; }

private:
    // The high half of a slot is the hash's high half; the low half the
    // vertex number + 1 (0: a free slot).
    static constexpr std::uint64_t kTagMask = 0xFFFFFFFF00000000ull;

    static std::uint64_t bitsOf(T v) {
        if (v == 0) v = 0;  // -0 hashes as 0
        if constexpr (sizeof(T) == 4) {
            std::uint32_t b;
            std::memcpy(&b, &v, 4);
            return b;
        } else {
            std::uint64_t b;
            std::memcpy(&b, &v, 8);
            return b;
        }
    }
    static std::uint64_t hash(T x, T y, T z) {
        std::uint64_t h = bitsOf(x) * 0x9E3779B97F4A7C15ull;
        h = (h ^ (h >> 29) ^ bitsOf(y)) * 0xBF58476D1CE4E5B9ull;
        h = (h ^ (h >> 32) ^ bitsOf(z)) * 0x94D049BB133111EBull;
        return h ^ (h >> 31);
    }
    static std::size_t tableSizeFor(std::size_t count) {
        std::size_t size = 1024;
        while (size < 2 * count) size *= 2;
        return size;
    }
    // A table of `size` slots (a power of two) holding every vertex, entered
    // in number order: the positions are read front to back.
    void rebuild(std::size_t size) {
        slots_.assign(size, 0);
        const std::size_t mask = size - 1;
        for (std::size_t n = 0; n < count(); ++n) {
            const T* p = &positions_[3 * n];
            const std::uint64_t h = hash(p[0], p[1], p[2]);
            std::size_t s = static_cast<std::size_t>(h) & mask;
            while (slots_[s] != 0) s = (s + 1) & mask;
            slots_[s] = (h & kTagMask) | (n + 1);
        }
    }

    std::vector<T> positions_;
    std::vector<std::uint64_t> slots_;
};

// A record sink between a reader's parse and `Sink` that makes the vertex
// records with equal positions one vertex: `Sink` is given each position the
// first time it comes (so vertices are numbered in order of first
// appearance), and faces with their corners renumbered. Corners are checked
// against the vertex records the file gave, as without welding. T is the
// type the positions are compared and held in: float for a file whose
// coordinates are floats (half the memory), double otherwise.
template <class Sink, class T = double>
class WeldingRecords {
public:
    // `expectedVertices`: how many vertex records the file holds, when known
    // (0 when not), to make room for them at once. `verticesFirst`: the
    // parser sends every vertex before verticesDone and none after it (all
    // but OBJ), so the positions and the table can go once the vertices are
    // done, before the faces make the mesh grow; otherwise the table goes
    // and is built again if more vertices come.
    WeldingRecords(Sink& sink, std::size_t expectedVertices, bool verticesFirst)
        : sink_(sink), verticesFirst_(verticesFirst) {
        welder_.reserve(expectedVertices);
        numberOf_.reserve(expectedVertices);
    }

    void header(int vertexCount, int faceCount) { sink_.header(vertexCount, faceCount); }
    void vertex(double x, double y, double z) {
        const std::size_t before = welder_.count();
        const std::uint32_t v = welder_.add(static_cast<T>(x), static_cast<T>(y), static_cast<T>(z));
        if (welder_.count() != before) sink_.vertex(x, y, z);
        numberOf_.push_back(v);
    }
    void verticesDone() {
        merged_ = welder_.count() != numberOf_.size();
        if (verticesFirst_) {
            welder_ = Welder<T>();
        } else {
            welder_.releaseTable();
        }
        sink_.verticesDone();
    }
    bool face(long long i, long long j, long long k) {
        if (!cornersInRange(i, j, k, static_cast<long long>(numberOf_.size()))) return false;
        return sink_.face(numberOf_[static_cast<std::size_t>(i)], numberOf_[static_cast<std::size_t>(j)],
                          numberOf_[static_cast<std::size_t>(k)]);
    }
    void endedInFaces() { sink_.endedInFaces(); }

    // The vertex that vertex record i became.
    std::uint32_t numberOf(long long i) const { return numberOf_[static_cast<std::size_t>(i)]; }
    // Whether some vertex records became one vertex (known once the
    // vertices are done).
    bool merged() const { return merged_; }

private:
    Sink& sink_;
    bool verticesFirst_;
    bool merged_ = false;
    Welder<T> welder_;
    std::vector<std::uint32_t> numberOf_;  // the welded number of each vertex record
};

// The vertex that vertex record i (checked to be in range) became in
// `sink`: itself, unless the sink welds.
template <class Sink>
std::uint32_t vertexNumberIn(const Sink& sink, long long i) {
    if constexpr (requires { sink.numberOf(i); }) {
        return sink.numberOf(i);
    } else {
        return static_cast<std::uint32_t>(i);
    }
}

// Whether `sink` made some vertex records one vertex.
template <class Sink>
bool mergedIn(const Sink& sink) {
    if constexpr (requires { sink.merged(); }) {
        return sink.merged();
    } else {
        return false;
    }
}

// parse(sink) on `sink` itself, or, when `weld`, through WeldingRecords
// (see there for `expectedVertices`, `verticesFirst` and T).
template <class T = double, class Sink, class Parse>
ReadStatus parseWelded(bool weld, Sink& sink, Parse parse, std::size_t expectedVertices = 0,
                       bool verticesFirst = true) {
    if (!weld) return parse(sink);
    WeldingRecords<Sink, T> welded(sink, expectedVertices, verticesFirst);
    return parse(welded);
}

}  // namespace zeq
