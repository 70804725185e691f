#include "mesh/attributes.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace zeq {

namespace {

template <class T>
T load(const unsigned char* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <class T>
void store(unsigned char* p, T v) {
    std::memcpy(p, &v, sizeof v);
}

// An integer of type T nearest to `value`, halves away from zero, within T's range.
template <class T>
T roundedInteger(double value) {
    if (std::isnan(value)) return 0;
    const double r = std::round(value);
    const double lo = static_cast<double>(std::numeric_limits<T>::min());
    const double hi = static_cast<double>(std::numeric_limits<T>::max());
    return static_cast<T>(std::clamp(r, lo, hi));
}

bool isColourName(std::string_view name) {
    static constexpr std::string_view kNames[] = {"red", "green", "blue", "alpha", "r", "g", "b", "a"};
    for (std::string_view n : kNames)
        if (name == n) return true;
    return name.substr(0, 8) == "diffuse_" || name.substr(0, 8) == "ambient_" || name.substr(0, 9) == "specular_";
}

}  // namespace

std::size_t sizeOf(ScalarType type) {
    switch (type) {
        case ScalarType::Int8:
        case ScalarType::UInt8: return 1;
        case ScalarType::Int16:
        case ScalarType::UInt16: return 2;
        case ScalarType::Int32:
        case ScalarType::UInt32:
        case ScalarType::Float32: return 4;
        case ScalarType::Float64: return 8;
    }
    return 0;
}

Blend blendOf(std::string_view name, ScalarType type) {
    if (!isInteger(type)) return name == "nx" || name == "ny" || name == "nz" ? Blend::Normal : Blend::Average;
    return isColourName(name) ? Blend::Average : Blend::Keep;
}

int RecordLayout::add(std::string name, ScalarType type, Blend blend) {
    Channel c;
    c.name = std::move(name);
    c.type = type;
    c.blend = blend;
    c.offset = static_cast<std::uint32_t>(stride_);
    stride_ += sizeOf(type);
    channels_.push_back(std::move(c));

    // Complete triples blend as normals; a lone nx or ny averages.
    normals_.clear();
    for (std::size_t i = 0; i < channels_.size(); ++i) {
        if (channels_[i].name != "nx") continue;
        const int y = find("ny");
        const int z = find("nz");
        auto isNormal = [&](std::size_t k) { return channels_[k].blend == Blend::Normal && !isInteger(channels_[k].type); };
        if (y >= 0 && z >= 0 && isNormal(i) && isNormal(static_cast<std::size_t>(y)) &&
            isNormal(static_cast<std::size_t>(z))) {
            normals_.push_back({i, static_cast<std::size_t>(y), static_cast<std::size_t>(z)});
            break;
        }
    }
    return static_cast<int>(channels_.size() - 1);
}

int RecordLayout::find(std::string_view name) const {
    for (std::size_t i = 0; i < channels_.size(); ++i)
        if (channels_[i].name == name) return static_cast<int>(i);
    return -1;
}

double loadScalar(const unsigned char* p, ScalarType type) {
    switch (type) {
        case ScalarType::Int8: return load<std::int8_t>(p);
        case ScalarType::UInt8: return load<std::uint8_t>(p);
        case ScalarType::Int16: return load<std::int16_t>(p);
        case ScalarType::UInt16: return load<std::uint16_t>(p);
        case ScalarType::Int32: return load<std::int32_t>(p);
        case ScalarType::UInt32: return load<std::uint32_t>(p);
        case ScalarType::Float32: return load<float>(p);
        case ScalarType::Float64: return load<double>(p);
    }
    return 0.0;
}

void storeScalar(unsigned char* p, ScalarType type, double value) {
    switch (type) {
        case ScalarType::Int8: store(p, roundedInteger<std::int8_t>(value)); break;
        case ScalarType::UInt8: store(p, roundedInteger<std::uint8_t>(value)); break;
        case ScalarType::Int16: store(p, roundedInteger<std::int16_t>(value)); break;
        case ScalarType::UInt16: store(p, roundedInteger<std::uint16_t>(value)); break;
        case ScalarType::Int32: store(p, roundedInteger<std::int32_t>(value)); break;
        case ScalarType::UInt32: store(p, roundedInteger<std::uint32_t>(value)); break;
        case ScalarType::Float32: store(p, static_cast<float>(value)); break;
        case ScalarType::Float64: store(p, value); break;
    }
}

void RecordLayout::blend(unsigned char* kept, const unsigned char* removed) const {
    auto isTripleChannel = [this](std::size_t i) {
        for (const auto& triple : normals_)
            if (i == triple[0] || i == triple[1] || i == triple[2]) return true;
        return false;
    };
    for (std::size_t i = 0; i < channels_.size(); ++i) {
        const Channel& c = channels_[i];
        if (c.blend == Blend::Keep) continue;
        if (c.blend == Blend::Normal && isTripleChannel(i)) continue;
        const double a = get(kept, i);
        const double b = get(removed, i);
        // The mean as the midpoint of positions is taken: halving the sum,
        // or each end where the sum would overflow.
        double mean = (a + b) * 0.5;
        if (std::isinf(mean) && std::isfinite(a) && std::isfinite(b)) mean = a * 0.5 + b * 0.5;
        if (std::isnan(a)) mean = b;
        if (std::isnan(b)) mean = a;
        set(kept, i, mean);
    }
    for (const auto& [x, y, z] : normals_) {
        const double a[3] = {get(kept, x), get(kept, y), get(kept, z)};
        const double b[3] = {get(removed, x), get(removed, y), get(removed, z)};
        // A normal with a component not given is no normal: the other end's
        // stands alone (normalised again like an average).
        const bool hasA = !std::isnan(a[0]) && !std::isnan(a[1]) && !std::isnan(a[2]);
        const bool hasB = !std::isnan(b[0]) && !std::isnan(b[1]) && !std::isnan(b[2]);
        if (!hasA && !hasB) continue;
        double sum[3];
        for (int k = 0; k < 3; ++k) sum[k] = (hasA ? a[k] : 0.0) + (hasB ? b[k] : 0.0);
        const double length = std::sqrt(sum[0] * sum[0] + sum[1] * sum[1] + sum[2] * sum[2]);
        // Opposite normals leave the kept end's (the other end's, when the
        // kept end has none).
        if (!(length > 0.0) || !std::isfinite(length)) {
            if (!hasA) {
                set(kept, x, b[0]);
                set(kept, y, b[1]);
                set(kept, z, b[2]);
            }
            continue;
        }
        set(kept, x, sum[0] / length);
        set(kept, y, sum[1] / length);
        set(kept, z, sum[2] / length);
    }
}

void MeshAttributes::resizeVertices(std::size_t count) {
    vertexRecords_.resize(count * vertexLayout.stride());
    held_.resize(count, 0);
}

void MeshAttributes::resizeFaces(std::size_t count) { faceRecords_.resize(count * faceLayout.stride()); }

std::size_t MeshAttributes::heldCount() const {
    return static_cast<std::size_t>(std::count_if(held_.begin(), held_.end(), [](std::uint8_t h) { return h != 0; }));
}

void MeshAttributes::setCornerRecord(FaceId f, VertexId v, const unsigned char* record) {
    const std::size_t stride = vertexLayout.stride();
    const auto [it, inserted] = corners_.try_emplace(cornerKey(f, v), static_cast<std::uint32_t>(cornerPool_.size() / std::max<std::size_t>(stride, 1)));
    if (!inserted) {
        std::memcpy(cornerPool_.data() + it->second * stride, record, stride);
        return;
    }
    cornerPool_.insert(cornerPool_.end(), record, record + stride);
}

const unsigned char* MeshAttributes::cornerRecord(FaceId f, VertexId v) const {
    if (!corners_.empty()) {
        const auto it = corners_.find(cornerKey(f, v));
        if (it != corners_.end()) return cornerPool_.data() + it->second * vertexLayout.stride();
    }
    return vertexRecord(v);
}

}  // namespace zeq
