// Welding corners with equal coordinates into one vertex.
#pragma once

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
template <class T>
class Welder {
public:
    // The number of the vertex at (x, y, z), new or seen before.
    std::uint32_t add(T x, T y, T z) {
        if (2 * (count() + 1) > slots_.size()) grow();
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t s = hash(x, y, z) & mask;; s = (s + 1) & mask) {
            const std::uint32_t held = slots_[s];
            if (held == 0) {
                positions_.insert(positions_.end(), {x, y, z});
                slots_[s] = static_cast<std::uint32_t>(count());
                return slots_[s] - 1;
            }
            const T* p = &positions_[3 * (held - 1)];
            if (p[0] == x && p[1] == y && p[2] == z) return held - 1;
        }
    }

    std::size_t count() const { return positions_.size() / 3; }
    // x, y, z of each vertex in turn.
    const std::vector<T>& positions() const { return positions_; }

private:
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
    static std::size_t hash(T x, T y, T z) {
        std::uint64_t h = bitsOf(x) * 0x9E3779B97F4A7C15ull;
        h = (h ^ (h >> 29) ^ bitsOf(y)) * 0xBF58476D1CE4E5B9ull;
        h = (h ^ (h >> 32) ^ bitsOf(z)) * 0x94D049BB133111EBull;
        return static_cast<std::size_t>(h ^ (h >> 31));
    }
    void grow() {
        std::vector<std::uint32_t> old;
        old.swap(slots_);
        slots_.assign(old.empty() ? 1024 : 2 * old.size(), 0);
        const std::size_t mask = slots_.size() - 1;
        for (std::uint32_t held : old) {
            if (held == 0) continue;
            const T* p = &positions_[3 * (held - 1)];
            std::size_t s = hash(p[0], p[1], p[2]) & mask;
            while (slots_[s] != 0) s = (s + 1) & mask;
            slots_[s] = held;
        }
    }

    std::vector<T> positions_;
    std::vector<std::uint32_t> slots_;  // vertex number + 1; 0 is free
};

// A record sink between a reader's parse and `Sink` that makes the vertex
// records with equal positions one vertex: `Sink` is given each position the
// first time it comes (so vertices are numbered in order of first
// appearance), and faces with their corners renumbered. Corners are checked
// against the vertex records the file gave, as without welding.
template <class Sink>
class WeldingRecords {
public:
    explicit WeldingRecords(Sink& sink) : sink_(sink) {}

    void header(int vertexCount, int faceCount) { sink_.header(vertexCount, faceCount); }
    void vertex(double x, double y, double z) {
        const std::size_t before = welder_.count();
        const std::uint32_t v = welder_.add(x, y, z);
        if (welder_.count() != before) sink_.vertex(x, y, z);
        numberOf_.push_back(v);
    }
    void verticesDone() { sink_.verticesDone(); }
    bool face(long long i, long long j, long long k) {
        if (!cornersInRange(i, j, k, static_cast<long long>(numberOf_.size()))) return false;
        return sink_.face(numberOf_[static_cast<std::size_t>(i)], numberOf_[static_cast<std::size_t>(j)],
                          numberOf_[static_cast<std::size_t>(k)]);
    }
    void endedInFaces() { sink_.endedInFaces(); }

private:
    Sink& sink_;
    Welder<double> welder_;
    std::vector<std::uint32_t> numberOf_;  // the welded number of each vertex record
};

// parse(sink) on `sink` itself, or, when `weld`, through WeldingRecords.
template <class Sink, class Parse>
ReadStatus parseWelded(bool weld, Sink& sink, Parse parse) {
    if (!weld) return parse(sink);
    WeldingRecords<Sink> welded(sink);
    return parse(welded);
}

}  // namespace zeq
