// The ring queries asked of the mesh topology, and their one shared answer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "mesh/entities.h"

namespace zeq {

enum NeighbourhoodKind : int { kVertices = 0, kEdges = 1, kFaces = 2 };

// The answer of the latest query. A query clears and refills only the list of
// its own kind (the face-ring form of kind 2 also refills `edges`); the other
// lists keep what earlier queries left, and `kind` tells which list is fresh.
// The record is shared by every query: read an answer completely before
// asking again. Lists keep their storage between queries.
struct Neighbourhood {
    int kind = 0;
    std::vector<VertexId> vertices;
    std::vector<EdgeId> edges;
    std::vector<FaceId> faces;
};

// The faces already in a long face-star answer: an open-addressing table of
// handles, kept by the run between queries so that gathering a star allocates nothing
// once the table has grown to the largest star met. After a query only the
// slots it filled are cleared.
class SeenFaces {
public:
    // Prepares for about n faces.
    void start(std::size_t n) {
        count_ = 0;
        if (slots_.size() < 2 * n) resize(2 * n);
    }
    // True when f was not yet in the table (and is now).
    bool insert(FaceId f) {
        if (2 * (count_ + 1) > slots_.size()) grow();
        std::size_t i = slotOf(f);
        while (slots_[i] != nullptr) {
            if (slots_[i] == f) return false;
            i = (i + 1) & (slots_.size() - 1);
        }
        slots_[i] = f;
        ++count_;
        return true;
    }
    // Empties the table, given every face inserted since start.
    void finish(const std::vector<FaceId>& faces) {
        for (FaceId f : faces) {
            std::size_t i = slotOf(f);
            while (slots_[i] != f) i = (i + 1) & (slots_.size() - 1);
            slots_[i] = nullptr;
        }
        count_ = 0;
    }

private:
    std::size_t slotOf(FaceId f) const {
        const auto key = static_cast<std::uint64_t>(f.index());
        return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ULL) >> 32) & (slots_.size() - 1);
    }
    void resize(std::size_t atLeast) {
        std::size_t size = 64;
        while (size < atLeast) size *= 2;
        slots_.assign(size, nullptr);
    }
    // Doubles the table, keeping its entries.
    void grow() {
        std::vector<FaceId> old;
        for (FaceId f : slots_)
            if (f != nullptr) old.push_back(f);
        resize(2 * slots_.size());
        count_ = 0;
        for (FaceId f : old) insert(f);
    }

    std::vector<FaceId> slots_;
    std::size_t count_ = 0;
};

}  // namespace zeq
