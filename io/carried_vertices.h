// The vertices written for a mesh that carries attributes.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "mesh/mesh.h"

namespace zeq {

// Every live vertex, numbered 0, 1, 2, ... in list order, then one copy of a
// held vertex for each vertex part (its own values, see MeshAttributes) that
// its corners carry besides the vertex's own, numbered on in the order the
// faces first name them. A file whose vertices were welded from copies with
// different values so gets the copies back, each at its corners.
class CarriedVertices {
public:
    struct Copy {
        VertexId vertex;
        const unsigned char* record;  // its corners' record
    };

    // Renumbers the live vertices' ids.
    explicit CarriedVertices(Mesh& mesh);

    int count() const { return liveCount_ + static_cast<int>(copies_.size()); }
    int liveCount() const { return liveCount_; }
    const std::vector<Copy>& copies() const { return copies_; }
    // The number written for corner v of face f.
    int numberOf(FaceId f, VertexId v) const;

private:
    std::string keyOf(VertexId v, const unsigned char* record) const;

    const MeshAttributes& attributes_;
    std::size_t partBytes_ = 0;
    int liveCount_ = 0;
    std::vector<Copy> copies_;
    std::unordered_map<std::string, int> numbers_;  // copy key → number
};

}  // namespace zeq
