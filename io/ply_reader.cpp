#include "io/ply_reader.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "io/byte_order.h"
#include "io/number_parse.h"
#include "io/record_files.h"
#include "io/record_pipe.h"
#include "io/text_stream.h"
#include "io/weld.h"

namespace zeq {

namespace {

// Header lines longer than this are refused.
constexpr std::size_t kMaxHeaderLine = 4096;
// Tokens of a text body longer than this are refused (no number is longer).
constexpr std::size_t kMaxToken = 1024;
// The largest element count accepted: vertex ids are ints.
constexpr std::uint64_t kMaxCount = INT_MAX;

enum class PlyType : std::uint8_t { Int8, UInt8, Int16, UInt16, Int32, UInt32, Float32, Float64 };

bool typeOfName(std::string_view name, PlyType& type) {
    struct Named {
        const char* name;
        PlyType type;
    };
    static constexpr Named kNames[] = {
        {"char", PlyType::Int8},     {"int8", PlyType::Int8},      {"uchar", PlyType::UInt8},
        {"uint8", PlyType::UInt8},   {"short", PlyType::Int16},    {"int16", PlyType::Int16},
        {"ushort", PlyType::UInt16}, {"uint16", PlyType::UInt16},  {"int", PlyType::Int32},
        {"int32", PlyType::Int32},   {"uint", PlyType::UInt32},    {"uint32", PlyType::UInt32},
        {"float", PlyType::Float32}, {"float32", PlyType::Float32}, {"double", PlyType::Float64},
        {"float64", PlyType::Float64},
    };
    for (const Named& n : kNames) {
        if (name == n.name) {
            type = n.type;
            return true;
        }
    }
    return false;
}

std::size_t sizeOf(PlyType type) {
    switch (type) {
        case PlyType::Int8:
        case PlyType::UInt8: return 1;
        case PlyType::Int16:
        case PlyType::UInt16: return 2;
        case PlyType::Int32:
        case PlyType::UInt32:
        case PlyType::Float32: return 4;
        case PlyType::Float64: return 8;
    }
    return 0;
}

bool isInteger(PlyType type) { return type != PlyType::Float32 && type != PlyType::Float64; }

// An integer property's value as stored at `p`.
std::int64_t loadInteger(const unsigned char* p, PlyType type, bool bigEndian) {
    switch (type) {
        case PlyType::Int8: return loadBinary<std::int8_t>(p, bigEndian);
        case PlyType::UInt8: return loadBinary<std::uint8_t>(p, bigEndian);
        case PlyType::Int16: return loadBinary<std::int16_t>(p, bigEndian);
        case PlyType::UInt16: return loadBinary<std::uint16_t>(p, bigEndian);
        case PlyType::Int32: return loadBinary<std::int32_t>(p, bigEndian);
        case PlyType::UInt32: return loadBinary<std::uint32_t>(p, bigEndian);
        default: return 0;
    }
}

struct Property {
    std::string name;
    bool list = false;
    PlyType countType = PlyType::UInt8;  // lists only
    PlyType type = PlyType::Float32;     // the scalar's, or the list items'
};

struct Element {
    std::string name;
    std::uint64_t count = 0;
    std::vector<Property> properties;
    // Where x, y, z (vertex) or the corner list (face) are; -1 when absent.
    int x = -1, y = -1, z = -1, corners = -1;
    // Binary records with no list: their size and the offsets of x, y, z.
    bool fixedSize = true;
    std::size_t recordSize = 0;
    std::size_t offsetX = 0, offsetY = 0, offsetZ = 0;
};

enum class Role { Vertex, Face, Other };

struct Header {
    FileFlavour::Encoding encoding = FileFlavour::Encoding::Text;
    std::vector<Element> elements;
    bool doubleCoordinates = false;
    // False when there is no "face" element (faces only as "tristrips", or
    // none at all): the load reads the vertices, then finds nothing to simplify.
    bool hasFaces = true;
};

// Splits a header line at blanks.
std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && isBlank(static_cast<unsigned char>(line[i]))) ++i;
        const std::size_t start = i;
        while (i < line.size() && !isBlank(static_cast<unsigned char>(line[i]))) ++i;
        if (i > start) out.push_back(line.substr(start, i - start));
    }
    return out;
}

int findProperty(const Element& e, std::string_view name) {
    for (std::size_t i = 0; i < e.properties.size(); ++i)
        if (e.properties[i].name == name) return static_cast<int>(i);
    return -1;
}

// Reads the header up to and including the "end_header" line: Loaded, or
// why the file cannot be read.
ReadStatus readHeader(TextStream& in, Header& h) {
    constexpr ReadStatus kBad = ReadStatus::BadHeader;
    std::string_view line;
    if (!in.readLine(line, kMaxHeaderLine) || line != "ply") return kBad;
    bool format = false;
    for (;;) {
        if (!in.readLine(line, kMaxHeaderLine)) return kBad;
        const std::vector<std::string_view> w = words(line);
        if (w.empty()) continue;
        const std::string_view key = w[0];
        if (key == "comment" || key == "obj_info") continue;
        if (key == "end_header") {
            if (w.size() != 1 || !format) return kBad;
            break;
        }
        if (key == "format") {
            if (format || w.size() != 3 || w[2] != "1.0") return kBad;
            if (w[1] == "ascii") {
                h.encoding = FileFlavour::Encoding::Text;
            } else if (w[1] == "binary_little_endian") {
                h.encoding = FileFlavour::Encoding::BinaryLittleEndian;
            } else if (w[1] == "binary_big_endian") {
                h.encoding = FileFlavour::Encoding::BinaryBigEndian;
            } else {
                return kBad;
            }
            format = true;
        } else if (key == "element") {
            std::int64_t count = 0;
            if (w.size() != 3 || !parseInteger(w[2], count) || count < 0 ||
                static_cast<std::uint64_t>(count) > kMaxCount)
                return kBad;
            for (const Element& e : h.elements)
                if (e.name == w[1]) return kBad;
            Element e;
            e.name = std::string(w[1]);
            e.count = static_cast<std::uint64_t>(count);
            h.elements.push_back(std::move(e));
        } else if (key == "property") {
            if (h.elements.empty()) return kBad;
            Property p;
            if (w.size() == 5 && w[1] == "list") {
                p.list = true;
                if (!typeOfName(w[2], p.countType) || !isInteger(p.countType) || !typeOfName(w[3], p.type))
                    return kBad;
                p.name = std::string(w[4]);
            } else if (w.size() == 3 && w[1] != "list") {
                if (!typeOfName(w[1], p.type)) return kBad;
                p.name = std::string(w[2]);
            } else {
                return kBad;
            }
            h.elements.back().properties.push_back(std::move(p));
        } else {
            return kBad;
        }
    }

    // What the mesh needs of the vertex and face elements.
    bool seenVertex = false;
    bool seenFace = false;
    bool faceFirst = false;
    for (Element& e : h.elements) {
        std::size_t offset = 0;
        for (const Property& p : e.properties) {
            if (p.list) e.fixedSize = false;
            offset += sizeOf(p.type);
        }
        e.recordSize = offset;
        if (e.name == "vertex") {
            seenVertex = true;
            e.x = findProperty(e, "x");
            e.y = findProperty(e, "y");
            e.z = findProperty(e, "z");
            bool anyDouble = false;
            for (int i : {e.x, e.y, e.z}) {
                if (i < 0) return kBad;
                const Property& p = e.properties[static_cast<std::size_t>(i)];
                if (p.list || isInteger(p.type)) return kBad;
                anyDouble = anyDouble || p.type == PlyType::Float64;
            }
            h.doubleCoordinates = anyDouble;
            std::size_t at = 0;
            for (std::size_t i = 0; i < e.properties.size(); ++i) {
                if (static_cast<int>(i) == e.x) e.offsetX = at;
                if (static_cast<int>(i) == e.y) e.offsetY = at;
                if (static_cast<int>(i) == e.z) e.offsetZ = at;
                at += sizeOf(e.properties[i].type);
            }
        } else if (e.name == "face") {
            // The faces name vertices: they are built once those are read.
            faceFirst = !seenVertex;
            seenFace = true;
            e.corners = findProperty(e, "vertex_indices");
            if (e.corners < 0) e.corners = findProperty(e, "vertex_index");
            if (e.corners < 0) return kBad;
            const Property& p = e.properties[static_cast<std::size_t>(e.corners)];
            if (!p.list || !isInteger(p.type)) return kBad;
        }
    }
    if (!seenVertex) return kBad;
    if (faceFirst) return ReadStatus::FacesBeforeVertices;
    h.hasFaces = seenFace;
    return ReadStatus::Loaded;
}

// A polygon's corners turned into the triangles (c0, ck, ck+1) as they come.
template <class Sink>
class Fan {
public:
    explicit Fan(Sink& sink) : sink_(sink) {}
    bool corner(std::int64_t c) {
        if (n_ == 0) {
            first_ = c;
        } else if (n_ >= 2 && !sink_.face(first_, previous_, c)) {
            return false;
        }
        previous_ = c;
        ++n_;
        return true;
    }

private:
    Sink& sink_;
    std::int64_t first_ = 0;
    std::int64_t previous_ = 0;
    std::uint64_t n_ = 0;
};

// ---- binary bodies ----------------------------------------------------------

template <class Sink>
class BinaryBody {
public:
    BinaryBody(TextStream& in, Sink& sink, bool bigEndian) : in_(in), sink_(sink), big_(bigEndian) {}

    bool vertices(const Element& e) {
        std::vector<unsigned char> record(e.recordSize);
        const PlyType tx = e.properties[static_cast<std::size_t>(e.x)].type;
        const PlyType ty = e.properties[static_cast<std::size_t>(e.y)].type;
        const PlyType tz = e.properties[static_cast<std::size_t>(e.z)].type;
        for (std::uint64_t n = 0; n < e.count; ++n) {
            if (e.fixedSize) {
                if (!in_.readBytes(record.data(), record.size())) return false;
            } else if (!readVariableVertex(e, record)) {
                return false;
            }
            const double x = coordinate(record.data() + e.offsetX, tx);
            const double y = coordinate(record.data() + e.offsetY, ty);
            const double z = coordinate(record.data() + e.offsetZ, tz);
            if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) return false;
            sink_.vertex(x, y, z);
        }
        return true;
    }

    bool faces(const Element& e) {
        for (std::uint64_t n = 0; n < e.count; ++n) {
            for (std::size_t i = 0; i < e.properties.size(); ++i) {
                const Property& p = e.properties[i];
                if (!p.list) {
                    if (!in_.skipBytes(sizeOf(p.type))) return false;
                    continue;
                }
                std::int64_t count = 0;
                if (!listCount(p, count)) return false;
                if (static_cast<int>(i) != e.corners) {
                    if (!in_.skipBytes(static_cast<std::uint64_t>(count) * sizeOf(p.type))) return false;
                    continue;
                }
                if (count < 3) return false;
                Fan<Sink> fan(sink_);
                const std::size_t size = sizeOf(p.type);
                for (std::int64_t c = 0; c < count; ++c) {
                    unsigned char bytes[8];
                    if (!in_.readBytes(bytes, size) || !fan.corner(loadInteger(bytes, p.type, big_))) return false;
                }
            }
        }
        return true;
    }

    bool skip(const Element& e) {
        if (e.fixedSize) return in_.skipBytes(e.count * e.recordSize);
        for (std::uint64_t n = 0; n < e.count; ++n) {
            for (const Property& p : e.properties) {
                std::int64_t count = 1;
                if (p.list && !listCount(p, count)) return false;
                if (!in_.skipBytes(static_cast<std::uint64_t>(count) * sizeOf(p.type))) return false;
            }
        }
        return true;
    }

private:
    double coordinate(const unsigned char* p, PlyType type) const {
        return type == PlyType::Float64 ? loadBinary<double>(p, big_)
                                        : static_cast<double>(loadBinary<float>(p, big_));
    }

    bool listCount(const Property& p, std::int64_t& count) {
        unsigned char bytes[8];
        if (!in_.readBytes(bytes, sizeOf(p.countType))) return false;
        count = loadInteger(bytes, p.countType, big_);
        return count >= 0;
    }

    // A vertex record with lists among its properties: the scalars go to
    // their usual offsets, the lists are passed over.
    bool readVariableVertex(const Element& e, std::vector<unsigned char>& record) {
        std::size_t at = 0;
        for (const Property& p : e.properties) {
            if (p.list) {
                std::int64_t count = 0;
                if (!listCount(p, count) || !in_.skipBytes(static_cast<std::uint64_t>(count) * sizeOf(p.type)))
                    return false;
            } else if (!in_.readBytes(record.data() + at, sizeOf(p.type))) {
                return false;
            }
            at += sizeOf(p.type);
        }
        return true;
    }

    TextStream& in_;
    Sink& sink_;
    bool big_;
};

// ---- text bodies ------------------------------------------------------------

template <class Sink>
class TextBody {
public:
    TextBody(TextStream& in, Sink& sink) : in_(in), sink_(sink) {}

    bool vertices(const Element& e) {
        double xyz[3] = {0.0, 0.0, 0.0};
        for (std::uint64_t n = 0; n < e.count; ++n) {
            for (std::size_t i = 0; i < e.properties.size(); ++i) {
                const Property& p = e.properties[i];
                const int slot = static_cast<int>(i) == e.x ? 0 : static_cast<int>(i) == e.y ? 1
                               : static_cast<int>(i) == e.z ? 2 : -1;
                if (slot < 0) {
                    if (!skipProperty(p)) return false;
                    continue;
                }
                std::string_view token;
                if (!in_.readToken(token, kMaxToken)) return false;
                // A float coordinate holds a float, whatever digits the text
                // gave: the text is rounded once, to the nearest float.
                if (p.type == PlyType::Float32) {
                    float f = 0.0f;
                    if (!parseFinite(token, f)) return false;
                    xyz[slot] = f;
                } else if (!parseFinite(token, xyz[slot])) {
                    return false;
                }
            }
            sink_.vertex(xyz[0], xyz[1], xyz[2]);
        }
        return true;
    }

    bool faces(const Element& e) {
        for (std::uint64_t n = 0; n < e.count; ++n) {
            for (std::size_t i = 0; i < e.properties.size(); ++i) {
                const Property& p = e.properties[i];
                if (static_cast<int>(i) != e.corners) {
                    if (!skipProperty(p)) return false;
                    continue;
                }
                std::int64_t count = 0;
                if (!integer(count) || count < 3) return false;
                Fan<Sink> fan(sink_);
                for (std::int64_t c = 0; c < count; ++c) {
                    std::int64_t corner = 0;
                    if (!integer(corner) || !fan.corner(corner)) return false;
                }
            }
        }
        return true;
    }

    bool skip(const Element& e) {
        if (e.properties.empty()) return true;
        for (std::uint64_t n = 0; n < e.count; ++n)
            for (const Property& p : e.properties)
                if (!skipProperty(p)) return false;
        return true;
    }

private:
    bool integer(std::int64_t& value) {
        std::string_view token;
        return in_.readToken(token, kMaxToken) && parseInteger(token, value);
    }

    bool skipProperty(const Property& p) {
        std::string_view token;
        if (!p.list) return in_.readToken(token, kMaxToken);
        std::int64_t count = 0;
        if (!integer(count) || count < 0) return false;
        for (std::int64_t c = 0; c < count; ++c)
            if (!in_.readToken(token, kMaxToken)) return false;
        return true;
    }

    TextStream& in_;
    Sink& sink_;
};

Role roleOf(const Element& e) {
    if (e.name == "vertex") return Role::Vertex;
    if (e.name == "face") return Role::Face;
    return Role::Other;
}

template <class Body, class Sink>
ReadStatus readBody(const Header& h, Body& body, Sink& sink) {
    bool verticesDone = false;
    for (const Element& e : h.elements) {
        switch (roleOf(e)) {
            case Role::Vertex:
                if (!body.vertices(e)) return ReadStatus::BadVertices;
                sink.verticesDone();
                verticesDone = true;
                break;
            case Role::Face:
                if (!body.faces(e)) return ReadStatus::BadFaces;
                break;
            case Role::Other:
                if (!body.skip(e)) return verticesDone ? ReadStatus::BadFaces : ReadStatus::BadVertices;
                break;
        }
    }
    if (!h.hasFaces) return ReadStatus::NoFaces;
    sink.endedInFaces();
    return ReadStatus::Loaded;
}

template <class Sink>
ReadStatus parseBody(TextStream& in, const Header& h, Sink& sink) {
    if (h.encoding == FileFlavour::Encoding::Text) {
        TextBody<Sink> body(in, sink);
        return readBody(h, body, sink);
    }
    BinaryBody<Sink> body(in, sink, h.encoding == FileFlavour::Encoding::BinaryBigEndian);
    return readBody(h, body, sink);
}

// How many vertices to make room for when welding a file whose header is
// `h`: the vertex element's count, unless the file is too small for that
// many (a header's count is a claim), 0 when its size is unknown (a pipe),
// and never more than two million: past that the table grows as it fills,
// and a lying header costs no more than that.
std::size_t expectedVertices(const Header& h, long long size) {
    constexpr std::uint64_t kMostReserved = 1u << 21;
    if (size < 0) return 0;
    // At least "0 0 0\n" a record in text, three floats in binary.
    const std::uint64_t fit = static_cast<std::uint64_t>(size) / (h.encoding == FileFlavour::Encoding::Text ? 6 : 12);
    for (const Element& e : h.elements)
        if (e.name == "vertex") return static_cast<std::size_t>(std::min({e.count, fit, kMostReserved}));
    return 0;
}

// parseBody through welding when `weld`, the positions compared as the
// type the file holds them in.
template <class Sink>
ReadStatus parseWeldedBody(TextStream& in, const Header& h, Sink& sink, bool weld) {
    auto parse = [&in, &h](auto& s) { return parseBody(in, h, s); };
    const std::size_t expected = expectedVertices(h, in.knownSize());
    if (h.doubleCoordinates) return parseWelded<double>(weld, sink, parse, expected);
    return parseWelded<float>(weld, sink, parse, expected);
}

// The header is read here; a text body is then parsed on a thread of its
// own while this one builds, a binary body, which costs next to nothing to
// decode, on this thread.
ReadStatus loadPly(Mesh& mesh, TextStream& in, const char* name, FileFlavour& flavour, bool weld) {
    Header h;
    const ReadStatus header = readWholeInput(in, [&] { return readHeader(in, h); });
    if (header != ReadStatus::Loaded) return header;
    flavour.encoding = h.encoding;
    flavour.doubleCoordinates = h.doubleCoordinates;
    auto parse = [&in, &h, weld](auto& sink) { return parseWeldedBody(in, h, sink, weld); };
    if (h.encoding == FileFlavour::Encoding::Text)
        return loadRecords(mesh, in, LoadMessages::Totals, name, parse, InputPart::Rest);
    return loadRecordsHere(mesh, in, LoadMessages::Totals, name, parse, InputPart::Rest);
}

}  // namespace

ReadStatus readPly(Mesh& mesh, const char* fileName, FileFlavour& flavour, bool weld) {
    TextStream in;
    if (!in.open(fileName)) return ReadStatus::FileNotFound;
    return loadPly(mesh, in, fileName, flavour, weld);
}

ReadStatus readPlyData(Mesh& mesh, const char* data, std::size_t size, FileFlavour& flavour, bool weld) {
    TextStream in;
    in.openBuffer(data, size);
    return loadPly(mesh, in, "", flavour, weld);
}

// The same header and body parse into a plain record sink, on this thread
// (zeq-tiles).
ReadStatus readPlyRecords(const char* fileName, RecordSink& sink, FileFlavour& flavour, bool weld) {
    TextStream in;
    if (!in.open(fileName)) return ReadStatus::FileNotFound;
    Header h;
    const ReadStatus header = readWholeInput(in, [&] { return readHeader(in, h); });
    if (header != ReadStatus::Loaded) return header;
    flavour.encoding = h.encoding;
    flavour.doubleCoordinates = h.doubleCoordinates;
    return readRestOfInput(in, [&] { return parseWeldedBody(in, h, sink, weld); });
}

}  // namespace zeq
