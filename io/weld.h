// Welding corners with equal coordinates into one vertex.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

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

}  // namespace zeq
