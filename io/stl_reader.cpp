#include "io/stl_reader.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <string_view>
#include <vector>

#include "io/byte_order.h"
#include "io/number_parse.h"
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

// The welded mesh is sent once the whole input is read.
template <class Sink, class T>
void sendWelded(Sink& sink, const Welder<T>& welder, const std::vector<std::uint32_t>& corners) {
    const std::vector<T>& p = welder.positions();
    for (std::size_t n = 0; n + 2 < p.size(); n += 3)
        sink.vertex(static_cast<double>(p[n]), static_cast<double>(p[n + 1]), static_cast<double>(p[n + 2]));
    sink.verticesDone();
    for (std::size_t n = 0; n + 2 < corners.size(); n += 3) sink.face(corners[n], corners[n + 1], corners[n + 2]);
    sink.endedInFaces();
}

template <class Sink>
ReadStatus parseBinary(TextStream& in, Sink& sink) {
    unsigned char header[kHeaderBytes + 4];
    if (!in.readBytes(header, sizeof header)) return ReadStatus::BadHeader;
    const std::uint64_t facets = loadBinary<std::uint32_t>(header + kHeaderBytes, false);
    const long long size = in.knownSize();
    if (facets > kMaxFacets ||
        (size >= 0 && static_cast<std::uint64_t>(size) != sizeof header + kFacetBytes * facets))
        return ReadStatus::BadHeader;

    Welder<float> welder;
    std::vector<std::uint32_t> corners;
    // The size was checked: the file holds every facet it announces.
    if (size >= 0) corners.reserve(3 * facets);
    for (std::uint64_t n = 0; n < facets; ++n) {
        unsigned char facet[kFacetBytes];
        if (!in.readBytes(facet, kFacetBytes)) return ReadStatus::BadFaces;
        for (int c = 0; c < 3; ++c) {
            const unsigned char* at = facet + 12 + 12 * c;
            const float x = loadBinary<float>(at, false);
            const float y = loadBinary<float>(at + 4, false);
            const float z = loadBinary<float>(at + 8, false);
            if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) return ReadStatus::BadVertices;
            if (welder.count() >= kMaxFacets) return ReadStatus::BadVertices;
            corners.push_back(welder.add(x, y, z));
        }
    }
    // A pipe's size is known only now: nothing may follow the last facet.
    if (!in.lookAhead().empty()) return ReadStatus::BadHeader;
    sendWelded(sink, welder, corners);
    return ReadStatus::Loaded;
}

template <class Sink>
ReadStatus parseText(TextStream& in, Sink& sink) {
    std::string_view token;
    std::string_view rest;
    if (!in.readToken(token, kMaxToken) || token != "solid") return ReadStatus::BadHeader;
    if (!in.readLine(rest, kMaxNameLine) && !in.eof()) return ReadStatus::BadHeader;

    Welder<double> welder;
    std::vector<std::uint32_t> corners;
    std::vector<std::uint32_t> loop;
    bool inSolid = true;
    auto expect = [&in, &token](std::string_view word) { return in.readToken(token, kMaxToken) && token == word; };
    while (in.readToken(token, kMaxToken)) {
        if (!inSolid) {
            // Another solid may follow the first.
            if (token != "solid") return ReadStatus::BadFaces;
            if (!in.readLine(rest, kMaxNameLine) && !in.eof()) return ReadStatus::BadFaces;
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
        loop.clear();
        for (;;) {
            if (!in.readToken(token, kMaxToken)) return ReadStatus::BadFaces;
            if (token == "endloop") break;
            if (token != "vertex") return ReadStatus::BadFaces;
            double xyz[3];
            for (double& v : xyz)
                if (!in.readToken(token, kMaxToken) || !parseFiniteDouble(token, v)) return ReadStatus::BadVertices;
            if (welder.count() >= kMaxFacets) return ReadStatus::BadVertices;
            loop.push_back(welder.add(xyz[0], xyz[1], xyz[2]));
        }
        if (!expect("endfacet") || loop.size() < 3) return ReadStatus::BadFaces;
        for (std::size_t k = 1; k + 1 < loop.size(); ++k) corners.insert(corners.end(), {loop[0], loop[k], loop[k + 1]});
        if (corners.size() / 3 > kMaxFacets) return ReadStatus::BadFaces;
    }
    if (inSolid) return ReadStatus::BadFaces;  // no "endsolid": cut short
    sendWelded(sink, welder, corners);
    return ReadStatus::Loaded;
}

template <class Sink>
ReadStatus parseStl(TextStream& in, Sink& sink, FileFlavour& flavour) {
    if (looksLikeText(in.lookAhead(), in.knownSize())) {
        flavour.encoding = FileFlavour::Encoding::Text;
        flavour.doubleCoordinates = true;
        return parseText(in, sink);
    }
    flavour.encoding = FileFlavour::Encoding::BinaryLittleEndian;
    flavour.doubleCoordinates = false;
    return parseBinary(in, sink);
}

}  // namespace

ReadStatus readStl(Mesh& mesh, const char* fileName, FileFlavour& flavour) {
    TextStream in;
    if (!in.open(fileName)) return ReadStatus::FileNotFound;
    return loadRecords(mesh, in, LoadMessages::Totals, fileName,
                       [&in, &flavour](auto& sink) { return parseStl(in, sink, flavour); });
}

ReadStatus readStlData(Mesh& mesh, const char* data, std::size_t size, FileFlavour& flavour) {
    TextStream in;
    in.openBuffer(data, size);
    return loadRecords(mesh, in, LoadMessages::Totals, "",
                       [&in, &flavour](auto& sink) { return parseStl(in, sink, flavour); });
}

}  // namespace zeq
