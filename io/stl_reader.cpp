#include "io/stl_reader.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <string>
#include <cmath>
#include <cstdint>
#include <string_view>
#include <vector>

#include "io/attribute_records.h"
#include "io/byte_order.h"
#include "io/carried_data.h"
#include "io/number_parse.h"
#include "io/record_files.h"
#include "io/record_pipe.h"
#include "io/text_stream.h"
#include "io/weld.h"

namespace zeq {

namespace {

constexpr std::size_t kHeaderBytes = 80;
constexpr std::size_t kFacetBytes = 50;
constexpr std::size_t kMaxToken = 1024;
constexpr std::size_t kMaxNameLine = 1 << 16;
// Vertex and face numbers are ints.
constexpr std::uint64_t kMaxFacets = INT_MAX;

bool startsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

std::string_view skipBlanks(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isBlank(static_cast<unsigned char>(text[i]))) ++i;
    return text.substr(i);
}

// Text or binary, from the first bytes and the size when it is known.
bool looksLikeText(std::string_view head, long long size) {
    const std::string_view start = skipBlanks(head);
    if (!startsWith(start, "solid")) return false;
    if (size >= static_cast<long long>(kHeaderBytes + 4) && head.size() >= kHeaderBytes + 4) {
        const auto facets = loadBinary<std::uint32_t>(reinterpret_cast<const unsigned char*>(head.data()) + kHeaderBytes, false);
        if (static_cast<long long>(kHeaderBytes + 4) + static_cast<long long>(kFacetBytes) * facets == size) return false;
    }
    const std::size_t lineEnd = start.find('\n');
    if (lineEnd == std::string_view::npos) return true;  // "solid NAME" alone
    const std::string_view next = skipBlanks(start.substr(lineEnd + 1));
    return next.empty() || startsWith(next, "facet") || startsWith(next, "endsolid");
}

// What an STL file's facets carry, collected as they are parsed: the
// attribute bytes of binary facets, the solid of text ones. Kept only when
// there is something to carry: a binary file whose header gives a colour or
// whose facets have attribute bytes other than zero, a text file of several
// solids.
class StlAttributes {
public:
    explicit StlAttributes(StlCarried& carried) : carried_(carried) {}

    void header(const unsigned char* bytes) {
        const std::string_view text(reinterpret_cast<const char*>(bytes), kHeaderBytes);
        const std::size_t at = text.find("COLOR=");
        if (at == std::string_view::npos || at + 10 > kHeaderBytes) return;
        carried_.headerColour = true;
        std::memcpy(carried_.colour, bytes + at + 6, 4);
    }
    void facet(std::uint16_t attribute) {
        attributes_.push_back(attribute);
        coloured_ = coloured_ || attribute != 0;
    }
    void solid(std::string_view name) {
        carried_.solidNames.emplace_back(trimBlanks(name));
    }
    // The triangles of one text facet, in the solid named last.
    void triangles(std::size_t count) {
        if (carried_.solidNames.size() > 1 && solids_.size() < triangles_)
            solids_.resize(triangles_, 0);
        if (carried_.solidNames.size() > 1)
            solids_.insert(solids_.end(), count, static_cast<std::uint32_t>(carried_.solidNames.size() - 1));
        triangles_ += count;
    }

    bool any() const { return coloured_ || carried_.headerColour || carried_.solidNames.size() > 1; }

    std::unique_ptr<MeshAttributes> finish(std::size_t vertexCount, std::size_t faceCount) {
        RecordLayout faces;
        if (coloured_ || carried_.headerColour)
            carried_.attributeChannel = faces.add("attribute", ScalarType::UInt16, Blend::Keep);
        if (carried_.solidNames.size() > 1) {
            carried_.solidChannel = faces.add("solid", ScalarType::UInt32, Blend::Keep);
            solids_.resize(triangles_, 0);
        }
        AttributeRecords records(RecordLayout(), 0, faces);
        for (std::size_t t = 0; t < faceCount; ++t) {
            if (carried_.attributeChannel >= 0 && t < attributes_.size())
                faces.set(records.faceRecord(), static_cast<std::size_t>(carried_.attributeChannel), attributes_[t]);
            if (carried_.solidChannel >= 0)
                faces.set(records.faceRecord(), static_cast<std::size_t>(carried_.solidChannel), solids_[t]);
            records.addTriangle(nullptr, nullptr);
        }
        return records.finish(vertexCount, faceCount);
    }

private:
    StlCarried& carried_;
    std::vector<std::uint16_t> attributes_;  // binary: each facet's
    std::vector<std::uint32_t> solids_;      // text: each triangle's solid, once there are two
    std::size_t triangles_ = 0;
    bool coloured_ = false;
};

// Welds the corners of each facet as it comes and sends the vertices it
// meets for the first time, then the facet's triangles: the vertices are
// numbered in order of first appearance, and each face names only vertices
// sent before it.
template <class Sink, class T>
class WeldingSink {
public:
    explicit WeldingSink(Sink& sink) : sink_(sink) {}

    // False when the mesh would have more vertices than ids can number.
    bool corner(T x, T y, T z) {
        const std::size_t before = welder_.count();
        if (before >= kMaxFacets) return false;
        const std::uint32_t v = welder_.add(x, y, z);
        if (welder_.count() != before)
            sink_.vertex(static_cast<double>(x), static_cast<double>(y), static_cast<double>(z));
        loop_.push_back(v);
        return true;
    }
    // The triangles (c0, ck, ck+1) of the corners given since the last facet;
    // false for fewer than three.
    bool endFacet() {
        if (loop_.size() < 3) return false;
        if (!started_) {
            sink_.verticesDone();
            started_ = true;
        }
        for (std::size_t k = 1; k + 1 < loop_.size(); ++k) sink_.face(loop_[0], loop_[k], loop_[k + 1]);
        loop_.clear();
        return true;
    }
    void finish() {
        if (!started_) sink_.verticesDone();
        sink_.endedInFaces();
    }

private:
    Sink& sink_;
    Welder<T> welder_;
    std::vector<std::uint32_t> loop_;
    bool started_ = false;
};

template <class Sink>
ReadStatus parseBinary(TextStream& in, Sink& sink, StlAttributes* attributes) {
    unsigned char header[kHeaderBytes + 4];
    if (!in.readBytes(header, sizeof header)) return ReadStatus::BadHeader;
    if (attributes != nullptr) attributes->header(header);
    const std::uint64_t facets = loadBinary<std::uint32_t>(header + kHeaderBytes, false);
    const long long size = in.knownSize();
    if (facets > kMaxFacets ||
        (size >= 0 && static_cast<std::uint64_t>(size) != sizeof header + kFacetBytes * facets))
        return ReadStatus::BadHeader;

    WeldingSink<Sink, float> welded(sink);
    for (std::uint64_t n = 0; n < facets; ++n) {
        unsigned char facet[kFacetBytes];
        if (!in.readBytes(facet, kFacetBytes)) return ReadStatus::BadFaces;
        for (int c = 0; c < 3; ++c) {
            const unsigned char* at = facet + 12 + 12 * c;
            const float x = loadBinary<float>(at, false);
            const float y = loadBinary<float>(at + 4, false);
            const float z = loadBinary<float>(at + 8, false);
            if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z) || !welded.corner(x, y, z))
                return ReadStatus::BadVertices;
        }
        welded.endFacet();
        if (attributes != nullptr) attributes->facet(loadBinary<std::uint16_t>(facet + 48, false));
    }
    // A pipe's size is known only now: nothing may follow the last facet.
    if (!in.lookAhead().empty()) return ReadStatus::BadHeader;
    welded.finish();
    return ReadStatus::Loaded;
}

template <class Sink>
ReadStatus parseText(TextStream& in, Sink& sink, StlAttributes* attributes) {
    std::string_view token;
    std::string_view rest;
    if (!in.readToken(token, kMaxToken) || token != "solid") return ReadStatus::BadHeader;
    if (!in.readLine(rest, kMaxNameLine) && !in.eof()) return ReadStatus::BadHeader;
    if (attributes != nullptr) attributes->solid(rest);

    WeldingSink<Sink, double> welded(sink);
    bool inSolid = true;
    std::size_t corners = 0;
    auto expect = [&in, &token](std::string_view word) { return in.readToken(token, kMaxToken) && token == word; };
    while (in.readToken(token, kMaxToken)) {
        if (!inSolid) {
            // Another solid may follow the first.
            if (token != "solid") return ReadStatus::BadFaces;
            if (!in.readLine(rest, kMaxNameLine) && !in.eof()) return ReadStatus::BadFaces;
            if (attributes != nullptr) attributes->solid(rest);
            inSolid = true;
            continue;
        }
        if (token == "endsolid") {
            if (!in.readLine(rest, kMaxNameLine) && !in.eof()) return ReadStatus::BadFaces;
            inSolid = false;
            continue;
        }
        // facet normal nx ny nz: the normal is not needed.
        if (token != "facet" || !expect("normal")) return ReadStatus::BadFaces;
        for (int i = 0; i < 3; ++i)
            if (!in.readToken(token, kMaxToken)) return ReadStatus::BadFaces;
        if (!expect("outer") || !expect("loop")) return ReadStatus::BadFaces;
        for (;;) {
            if (!in.readToken(token, kMaxToken)) return ReadStatus::BadFaces;
            if (token == "endloop") break;
            if (token != "vertex") return ReadStatus::BadFaces;
            double xyz[3];
            for (double& v : xyz)
                if (!in.readToken(token, kMaxToken) || !parseFinite(token, v)) return ReadStatus::BadVertices;
            if (!welded.corner(xyz[0], xyz[1], xyz[2])) return ReadStatus::BadVertices;
            ++corners;
        }
        if (!expect("endfacet") || !welded.endFacet()) return ReadStatus::BadFaces;
        if (attributes != nullptr) attributes->triangles(corners - 2);
        corners = 0;
    }
    if (inSolid) return ReadStatus::BadFaces;  // no "endsolid": cut short
    welded.finish();
    return ReadStatus::Loaded;
}

template <class Sink>
ReadStatus parseStl(TextStream& in, Sink& sink, FileFlavour& flavour, StlAttributes* attributes = nullptr) {
    if (looksLikeText(in.lookAhead(), in.knownSize())) {
        flavour.encoding = FileFlavour::Encoding::Text;
        flavour.doubleCoordinates = true;
        return parseText(in, sink, attributes);
    }
    flavour.encoding = FileFlavour::Encoding::BinaryLittleEndian;
    flavour.doubleCoordinates = false;
    return parseBinary(in, sink, attributes);
}

// Loads the input `in` is open on; with `carry`, keeping what the facets
// carry besides (into the mesh's attributes and flavour.carried).
ReadStatus loadStl(Mesh& mesh, TextStream& in, const char* name, FileFlavour& flavour, bool carry) {
    auto carried = std::make_shared<CarriedData>();
    std::unique_ptr<StlAttributes> attributes;
    if (carry) attributes = std::make_unique<StlAttributes>(carried->stl);
    StlAttributes* facets = attributes.get();
    const ReadStatus status = loadRecords(mesh, in, LoadMessages::Totals, name, [&in, &flavour, facets](auto& sink) {
        return parseStl(in, sink, flavour, facets);
    });
    if (status == ReadStatus::Loaded && attributes && attributes->any()) {
        mesh.attributes = attributes->finish(mesh.createdVertices(), mesh.createdFaces());
        flavour.carried = std::move(carried);
    }
    return status;
}

}  // namespace

ReadStatus readStl(Mesh& mesh, const char* fileName, FileFlavour& flavour, bool carry) {
    TextStream in;
    if (!in.open(fileName)) return ReadStatus::FileNotFound;
    return loadStl(mesh, in, fileName, flavour, carry);
}

ReadStatus readStlData(Mesh& mesh, const char* data, std::size_t size, FileFlavour& flavour, bool carry) {
    TextStream in;
    in.openBuffer(data, size);
    return loadStl(mesh, in, "", flavour, carry);
}

namespace {

// The facets of `facets` played into `sink` as the parser plays a file's
// facets: each corner through the welder, in the precision T the file holds.
template <class T, class Sink>
ReadStatus playFacets(const PlainMesh& facets, Sink& sink) {
    WeldingSink<Sink, T> welded(sink);
    for (std::size_t f = 0; f < facets.faceCount(); ++f) {
        for (std::size_t c = 0; c < 3; ++c) {
            const double* p = &facets.positions[3 * static_cast<std::size_t>(facets.corners[3 * f + c])];
            const T x = static_cast<T>(p[0]), y = static_cast<T>(p[1]), z = static_cast<T>(p[2]);
            if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z) || !welded.corner(x, y, z))
                return ReadStatus::BadVertices;
        }
        welded.endFacet();
    }
    welded.finish();
    return ReadStatus::Loaded;
}

}  // namespace

ReadStatus loadStlFacets(Mesh& mesh, const PlainMesh& facets, bool binary) {
    MeshBuilder builder(mesh, LoadMessages::Totals, "");
    const ReadStatus status = binary ? playFacets<float>(facets, builder) : playFacets<double>(facets, builder);
    builder.finish();
    return status;
}

// The same parse into a plain record sink, on this thread (zeq-tiles).
ReadStatus readStlRecords(const char* fileName, RecordSink& sink, FileFlavour& flavour,
                          std::unique_ptr<MeshAttributes>* attributes) {
    TextStream in;
    if (!in.open(fileName)) return ReadStatus::FileNotFound;
    auto carried = std::make_shared<CarriedData>();
    std::unique_ptr<StlAttributes> facets;
    if (attributes != nullptr) facets = std::make_unique<StlAttributes>(carried->stl);
    const ReadStatus status = readWholeInput(in, [&] { return parseStl(in, sink, flavour, facets.get()); });
    if (status == ReadStatus::Loaded && facets && facets->any()) {
        *attributes = facets->finish(static_cast<std::size_t>(sink.vertexCount()),
                                     static_cast<std::size_t>(sink.faceCount()));
        flavour.carried = std::move(carried);
    }
    return status;
}

}  // namespace zeq
