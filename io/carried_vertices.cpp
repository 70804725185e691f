#include "io/carried_vertices.h"

#include <array>
#include <cstring>

#include "io/live_mesh.h"

namespace zeq {

CarriedVertices::CarriedVertices(Mesh& mesh) : attributes_(*mesh.attributes) {
    const RecordLayout& layout = attributes_.vertexLayout;
    partBytes_ = attributes_.vertexPart < layout.size() ? layout.channels()[attributes_.vertexPart].offset
                                                         : layout.stride();
    liveCount_ = renumberLiveVertices(mesh);
    if (partBytes_ == 0 || attributes_.cornerRecordCount() == 0) return;
    std::array<VertexId, 3> corners;
    for (FaceId f : mesh.faces) {
        if (!isLive(f) || !faceCorners(f, corners)) continue;
        for (VertexId v : corners) {
            if (!attributes_.held(v)) continue;
            const unsigned char* record = attributes_.cornerRecord(f, v);
            if (std::memcmp(record, attributes_.vertexRecord(v), partBytes_) == 0) continue;
            const auto [it, added] = numbers_.try_emplace(keyOf(v, record), count());
            if (added) copies_.push_back({v, record});
        }
    }
}

std::string CarriedVertices::keyOf(VertexId v, const unsigned char* record) const {
    std::string key(sizeof(std::uint32_t) + partBytes_, '\0');
    const std::uint32_t index = v.index();
    std::memcpy(key.data(), &index, sizeof index);
    std::memcpy(key.data() + sizeof index, record, partBytes_);
    return key;
}

int CarriedVertices::numberOf(FaceId f, VertexId v) const {
    if (!numbers_.empty() && attributes_.held(v)) {
        const unsigned char* record = attributes_.cornerRecord(f, v);
        if (std::memcmp(record, attributes_.vertexRecord(v), partBytes_) != 0) return numbers_.at(keyOf(v, record));
    }
    return v->getId();
}

}  // namespace zeq
