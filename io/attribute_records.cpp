#include "io/attribute_records.h"

#include <cstring>

namespace zeq {

AttributeRecords::AttributeRecords(RecordLayout vertexLayout, std::size_t vertexPart, RecordLayout faceLayout)
    : attributes_(std::make_unique<MeshAttributes>()) {
    attributes_->vertexLayout = std::move(vertexLayout);
    attributes_->faceLayout = std::move(faceLayout);
    attributes_->vertexPart = vertexPart;
    const RecordLayout& layout = attributes_->vertexLayout;
    vertexPartBytes_ = vertexPart < layout.size() ? layout.channels()[vertexPart].offset : layout.stride();
    face_.assign(attributes_->faceLayout.stride(), 0);
    for (auto& c : corner_) c.assign(layout.stride(), 0);
}

unsigned char* AttributeRecords::addVertexRecord() {
    vertexParts_.resize(vertexParts_.size() + vertexPartBytes_, 0);
    return vertexParts_.data() + vertexParts_.size() - vertexPartBytes_;
}

std::size_t AttributeRecords::vertexRecordCount() const {
    return vertexPartBytes_ == 0 ? 0 : vertexParts_.size() / vertexPartBytes_;
}

void AttributeRecords::verticesDone(bool merged) {
    cornersChecked_ = merged || vertexPartBytes_ != attributes_->vertexLayout.stride();
}

void AttributeRecords::addTriangle(const std::uint32_t records[3], const std::uint32_t* vertices) {
    std::vector<unsigned char>& faces = attributes_->faceRecords();
    faces.insert(faces.end(), face_.begin(), face_.end());
    const std::uint32_t triangle = triangles_++;
    if (!cornersChecked_ || vertices == nullptr) return;

    MeshAttributes& a = *attributes_;
    const std::size_t stride = a.vertexLayout.stride();
    if (stride == 0) return;  // nothing for corners to differ in
    for (int c = 0; c < 3; ++c) {
        unsigned char* record = corner_[c].data();
        if (vertexPartBytes_ != 0)
            std::memcpy(record, vertexParts_.data() + static_cast<std::size_t>(records[c]) * vertexPartBytes_,
                        vertexPartBytes_);
        const std::uint32_t w = vertices[c];
        if (w >= seen_.size()) {
            seen_.resize(static_cast<std::size_t>(w) + 1, 0);
            a.resizeVertices(static_cast<std::size_t>(w) + 1);
        }
        unsigned char* own = a.vertexRecord(VertexId(w));
        if (seen_[w] == 0) {
            std::memcpy(own, record, stride);
            seen_[w] = 1;
        } else if (std::memcmp(own, record, stride) != 0) {
            a.hold(VertexId(w));
            heldCorners_.push_back({triangle, w, static_cast<std::uint32_t>(cornerPool_.size() / stride)});
            cornerPool_.insert(cornerPool_.end(), record, record + stride);
        }
    }
}

std::unique_ptr<MeshAttributes> AttributeRecords::finish(std::size_t vertexCount, std::size_t faceCount) {
    MeshAttributes& a = *attributes_;
    if (!cornersChecked_) {
        // Every corner carries its vertex record: those are the vertices' own.
        a.vertexRecords().swap(vertexParts_);
    }
    std::vector<unsigned char>().swap(vertexParts_);
    std::vector<std::uint8_t>().swap(seen_);
    a.resizeVertices(vertexCount);
    a.resizeFaces(faceCount);
    const std::size_t stride = a.vertexLayout.stride();
    for (const HeldCorner& h : heldCorners_)
        a.setCornerRecord(FaceId(h.face), VertexId(h.vertex), cornerPool_.data() + h.record * stride);
    std::vector<HeldCorner>().swap(heldCorners_);
    std::vector<unsigned char>().swap(cornerPool_);
    return std::move(attributes_);
}

}  // namespace zeq
