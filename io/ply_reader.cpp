#include "io/ply_reader.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <climits>
#include <limits>
#include <cmath>
#include <cstdint>
#include <string>
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

// Header lines longer than this are refused.
constexpr std::size_t kMaxHeaderLine = 4096;
// Tokens of a text body longer than this are refused (no number is longer).
constexpr std::size_t kMaxToken = 1024;
// The largest element count accepted: vertex ids are ints.
constexpr std::uint64_t kMaxCount = INT_MAX;

using PlyType = ScalarType;

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

// "nan", "inf" or "infinity" in any case, with an optional sign: the values a
// real property may hold besides numbers (a normal or confidence not known).
bool parseNonFinite(std::string_view token, double& value) {
    bool negative = false;
    if (!token.empty() && (token[0] == '+' || token[0] == '-')) {
        negative = token[0] == '-';
        token.remove_prefix(1);
    }
    std::string lower(token);
    for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (lower == "nan") {
        value = std::numeric_limits<double>::quiet_NaN();
    } else if (lower == "inf" || lower == "infinity") {
        value = std::numeric_limits<double>::infinity();
    } else {
        return false;
    }
    if (negative) value = -value;
    return true;
}

// A text token as a value of `type`, stored at `native` in native byte
// order: a whole number within the range of an integer type, a number for a
// real type (rounded once to a float for float; nan and inf allowed, as
// binary files may hold them too).
bool parseScalar(std::string_view token, PlyType type, unsigned char* native) {
    if (isInteger(type)) {
        std::int64_t v = 0;
        if (!parseInteger(token, v)) return false;
        std::int64_t low = 0;
        std::int64_t high = 0;
        switch (type) {
            case PlyType::Int8: low = INT8_MIN, high = INT8_MAX; break;
            case PlyType::UInt8: high = UINT8_MAX; break;
            case PlyType::Int16: low = INT16_MIN, high = INT16_MAX; break;
            case PlyType::UInt16: high = UINT16_MAX; break;
            case PlyType::Int32: low = INT32_MIN, high = INT32_MAX; break;
            default: high = UINT32_MAX; break;
        }
        if (v < low || v > high) return false;
        storeScalar(native, type, static_cast<double>(v));
        return true;
    }
    double special = 0.0;
    if (type == PlyType::Float32) {
        float f = 0.0f;
        if (parseNonFinite(token, special)) {
            f = static_cast<float>(special);
        } else if (!parseFinite(token, f)) {
            return false;
        }
        std::memcpy(native, &f, sizeof f);
        return true;
    }
    double d = 0.0;
    if (parseNonFinite(token, special)) {
        d = special;
    } else if (!parseFinite(token, d)) {
        return false;
    }
    std::memcpy(native, &d, sizeof d);
    return true;
}

using Property = PlyProperty;

struct Element {
    std::string name;
    std::uint64_t count = 0;
    std::vector<Property> properties;
    std::vector<std::string> propertyLines;  // as the header gave them
    std::vector<std::size_t> offsets;        // of each scalar in a binary record without lists
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
    std::vector<std::string> comments;  // "comment" and "obj_info" lines
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
        if (key == "comment" || key == "obj_info") {
            // Our own line is written anew with every output: a file that
            // passes through zeq again (a tile, a level of detail) keeps one.
            const std::string_view comment = trimBlanks(line);
            if (!(w.size() == 3 && key == "comment" && comment.substr(8) == kProducerName))
                h.comments.emplace_back(comment);
            continue;
        }
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
            h.elements.back().propertyLines.emplace_back(trimBlanks(line));
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
            e.offsets.push_back(offset);
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

    // A vertex record without lists, each scalar in native byte order at its
    // offset (e.offsets).
    bool fixedRecord(const Element& e, unsigned char* record) {
        if (!in_.readBytes(record, e.recordSize)) return false;
        if (big_ != (std::endian::native == std::endian::big))
            for (std::size_t i = 0; i < e.properties.size(); ++i)
                std::reverse(record + e.offsets[i], record + e.offsets[i] + sizeOf(e.properties[i].type));
        return true;
    }

    // One scalar of type p.type into `native` (native byte order).
    bool value(const Property& p, unsigned char* native) {
        const std::size_t size = sizeOf(p.type);
        if (!in_.readBytes(native, size)) return false;
        if (big_ != (std::endian::native == std::endian::big)) std::reverse(native, native + size);
        return true;
    }
    bool count(const Property& p, std::int64_t& n) { return listCount(p, n); }
    bool skipValue(const Property& p) { return in_.skipBytes(sizeOf(p.type)); }

    // The records of `e` as they stand, appended to `out`.
    bool copy(const Element& e, std::string& out) {
        if (e.properties.empty()) return true;  // records of no bytes, however many
        for (std::uint64_t n = 0; n < e.count; ++n) {
            for (const Property& p : e.properties) {
                std::int64_t items = 1;
                if (p.list) {
                    unsigned char bytes[8];
                    if (!in_.readBytes(bytes, sizeOf(p.countType))) return false;
                    out.append(reinterpret_cast<const char*>(bytes), sizeOf(p.countType));
                    items = loadInteger(bytes, p.countType, big_);
                    if (items < 0) return false;
                }
                for (std::int64_t i = 0; i < items; ++i) {
                    unsigned char bytes[8];
                    if (!in_.readBytes(bytes, sizeOf(p.type))) return false;
                    out.append(reinterpret_cast<const char*>(bytes), sizeOf(p.type));
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

    // One scalar of type p.type into `native`: an integer type takes a
    // whole number within its range, a real type a finite number (rounded
    // once to a float for float).
    bool value(const Property& p, unsigned char* native) {
        std::string_view token;
        if (!in_.readToken(token, kMaxToken)) return false;
        return parseScalar(token, p.type, native);
    }
    bool count(const Property&, std::int64_t& n) { return integer(n) && n >= 0; }
    bool skipValue(const Property&) {
        std::string_view token;
        return in_.readToken(token, kMaxToken);
    }

    // The records of `e`, one line each, its values separated by blanks.
    bool copy(const Element& e, std::string& out) {
        if (e.properties.empty()) return true;  // no values, however many records
        for (std::uint64_t n = 0; n < e.count; ++n) {
            bool first = true;
            auto put = [&](std::string_view token) {
                if (!first) out += ' ';
                out.append(token);
                first = false;
            };
            for (const Property& p : e.properties) {
                std::string_view token;
                if (!in_.readToken(token, kMaxToken)) return false;
                put(token);
                if (!p.list) continue;
                std::int64_t items = 0;
                if (!parseInteger(token, items) || items < 0) return false;
                for (std::int64_t i = 0; i < items; ++i) {
                    if (!in_.readToken(token, kMaxToken)) return false;
                    put(token);
                }
            }
            out += '\n';
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

// ---- what the load carries besides the mesh ----------------------------------

// The load's collector of what the vertices and faces carry, and what it
// writes back besides (copied elements, comments, notes). Both null when the
// load carries nothing.
struct PlyCarrying {
    AttributeRecords* records = nullptr;
    CarriedData* carried = nullptr;
};

bool isMaterialName(std::string_view name) { return name == "material_index" || name == "texnumber"; }

// An element that names vertices (an "edge" of vertex1 and vertex2, say)
// would name the wrong ones once vertices are gone or renumbered.
bool namesVertices(const Element& e) {
    for (const Property& p : e.properties)
        if (std::string_view(p.name).substr(0, 6) == "vertex") return true;
    return false;
}

// The note lines for what a load drops.
std::string droppedListNote(const std::string& property, const std::string& element) {
    return "Note: list property <" + property + "> of <" + element + "> is not carried to the output!\n";
}
std::string droppedElementNote(const std::string& element) {
    return "Note: element <" + element + "> names vertices and is not carried to the output!\n";
}

// Decides what of the file the load carries: every scalar of the vertex and
// face elements, a face list of two values per corner named "texcoord", and
// every element that names no vertex, copied as it is. Other lists and
// elements are dropped, each with a note. Null when the file holds nothing
// but positions and corner lists.
std::unique_ptr<AttributeRecords> planCarrying(Header& h, CarriedData& carried) {
    bool extra = false;
    for (const Element& e : h.elements) {
        const bool vertex = e.name == "vertex";
        const bool face = e.name == "face";
        if (!vertex && !face) extra = true;
        for (std::size_t i = 0; i < e.properties.size(); ++i) {
            const int k = static_cast<int>(i);
            if (vertex && k != e.x && k != e.y && k != e.z) extra = true;
            if (face && k != e.corners) extra = true;
        }
    }
    if (!extra) return nullptr;

    RecordLayout vertexLayout;
    RecordLayout faceLayout;
    PlyCarried& ply = carried.ply;
    ply.comments = h.comments;
    for (Element& e : h.elements) {
        if (e.name == "vertex") {
            for (std::size_t i = 0; i < e.properties.size(); ++i) {
                Property& p = e.properties[i];
                const int k = static_cast<int>(i);
                if (k == e.x || k == e.y || k == e.z) {
                    p.role = k == e.x ? Property::Role::X : k == e.y ? Property::Role::Y : Property::Role::Z;
                } else if (p.list) {
                    p.role = Property::Role::Dropped;
                    carried.notes.push_back(droppedListNote(p.name, e.name));
                } else {
                    p.role = Property::Role::Value;
                    p.channel = vertexLayout.add(p.name, p.type, blendOf(p.name, p.type));
                }
            }
        } else if (e.name != "face" && namesVertices(e)) {
            carried.notes.push_back(droppedElementNote(e.name));
        } else if (e.name != "face") {
            ply.copies.push_back(PlyElementCopy{e.name, e.count, e.propertyLines, std::string()});
        }
    }
    const std::size_t vertexPart = vertexLayout.size();
    for (Element& e : h.elements) {
        if (e.name != "face") continue;
        bool cornerValues = false;
        for (std::size_t i = 0; i < e.properties.size(); ++i) {
            Property& p = e.properties[i];
            if (static_cast<int>(i) == e.corners) {
                p.role = Property::Role::Corners;
            } else if (p.list && p.name == "texcoord" && !isInteger(p.type) && !cornerValues) {
                // Two values a corner, carried by the corners like the
                // vertices' own values.
                cornerValues = true;
                p.role = Property::Role::CornerValues;
                p.channel = vertexLayout.add("texcoord.u", p.type, Blend::Average);
                vertexLayout.add("texcoord.v", p.type, Blend::Average);
            } else if (p.list) {
                p.role = Property::Role::Dropped;
                carried.notes.push_back(droppedListNote(p.name, e.name));
            } else {
                p.role = Property::Role::Value;
                p.channel = faceLayout.add(p.name, p.type, Blend::Keep);
                // Where faces of different materials meet, the corners differ.
                if (isMaterialName(p.name) && isInteger(p.type))
                    p.cornerChannel = vertexLayout.add("face." + p.name, p.type, Blend::Keep);
            }
        }
    }
    // The elements written, in file order.
    for (const Element& e : h.elements) {
        if (e.name == "vertex") {
            ply.vertexProperties = e.properties;
            ply.elementOrder.push_back(e.name);
        } else if (e.name == "face") {
            ply.faceProperties = e.properties;
            ply.elementOrder.push_back(e.name);
        } else if (!namesVertices(e)) {
            ply.elementOrder.push_back(e.name);
        }
    }
    return std::make_unique<AttributeRecords>(std::move(vertexLayout), vertexPart, std::move(faceLayout));
}

// The vertex and face elements read with everything they carry, over a body's
// primitives (value, count, skipValue).
template <class Body, class Sink>
class CarriedBody {
public:
    CarriedBody(Body& body, Sink& sink, AttributeRecords& records) : body_(body), sink_(sink), records_(records) {}
    CarriedBody(const CarriedBody&) = delete;
    CarriedBody& operator=(const CarriedBody&) = delete;

    bool vertices(const Element& e) {
        if constexpr (requires { body_.fixedRecord(e, nullptr); }) {
            if (e.fixedSize) return fixedVertices(e);
        }
        const RecordLayout& layout = records_.vertexLayout();
        unsigned char xyz[3][8] = {};
        for (std::uint64_t n = 0; n < e.count; ++n) {
            unsigned char* record = records_.addVertexRecord();
            for (const Property& p : e.properties) {
                switch (p.role) {
                    case Property::Role::X:
                    case Property::Role::Y:
                    case Property::Role::Z:
                        if (!body_.value(p, xyz[static_cast<int>(p.role) - static_cast<int>(Property::Role::X)]))
                            return false;
                        break;
                    case Property::Role::Value:
                        if (!body_.value(p, record + layout.channels()[static_cast<std::size_t>(p.channel)].offset))
                            return false;
                        break;
                    default:
                        if (!skipList(p)) return false;
                        break;
                }
            }
            double position[3];
            for (int k = 0; k < 3; ++k) {
                const Property& p = e.properties[static_cast<std::size_t>(k == 0 ? e.x : k == 1 ? e.y : e.z)];
                position[k] = loadScalar(xyz[k], p.type);
                if (!std::isfinite(position[k])) return false;
            }
            sink_.vertex(position[0], position[1], position[2]);
        }
        return true;
    }

    void verticesDone() { records_.verticesDone(mergedIn(sink_)); }

    // Binary records of a fixed size: read whole, then taken apart.
    bool fixedVertices(const Element& e) {
        const RecordLayout& layout = records_.vertexLayout();
        std::vector<unsigned char> bytes(e.recordSize);
        struct Move {
            std::size_t from;
            std::size_t to;
            std::size_t size;
        };
        std::vector<Move> moves;
        for (std::size_t i = 0; i < e.properties.size(); ++i) {
            const Property& p = e.properties[i];
            if (p.role == Property::Role::Value)
                moves.push_back({e.offsets[i], layout.channels()[static_cast<std::size_t>(p.channel)].offset, sizeOf(p.type)});
        }
        const Property& px = e.properties[static_cast<std::size_t>(e.x)];
        const Property& py = e.properties[static_cast<std::size_t>(e.y)];
        const Property& pz = e.properties[static_cast<std::size_t>(e.z)];
        for (std::uint64_t n = 0; n < e.count; ++n) {
            if (!body_.fixedRecord(e, bytes.data())) return false;
            unsigned char* record = records_.addVertexRecord();
            for (const Move& m : moves) std::memcpy(record + m.to, bytes.data() + m.from, m.size);
            const double x = loadScalar(bytes.data() + e.offsetX, px.type);
            const double y = loadScalar(bytes.data() + e.offsetY, py.type);
            const double z = loadScalar(bytes.data() + e.offsetZ, pz.type);
            if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) return false;
            sink_.vertex(x, y, z);
        }
        return true;
    }

    bool faces(const Element& e) {
        const RecordLayout& vertexLayout = records_.vertexLayout();
        const RecordLayout& faceLayout = records_.faceLayout();
        for (std::uint64_t n = 0; n < e.count; ++n) {
            corners_.clear();
            values_.clear();
            const Property* valueList = nullptr;
            unsigned char* face = records_.faceRecord();
            for (const Property& p : e.properties) {
                switch (p.role) {
                    case Property::Role::Corners:
                        if (!readList(p, cornerBytes_) || cornerBytes_.size() < 3 * sizeOf(p.type)) return false;
                        for (std::size_t at = 0; at < cornerBytes_.size(); at += sizeOf(p.type))
                            corners_.push_back(static_cast<std::int64_t>(loadScalar(cornerBytes_.data() + at, p.type)));
                        break;
                    case Property::Role::CornerValues:
                        if (!readList(p, values_)) return false;
                        valueList = &p;
                        break;
                    case Property::Role::Value: {
                        unsigned char* at = face + faceLayout.channels()[static_cast<std::size_t>(p.channel)].offset;
                        if (!body_.value(p, at)) return false;
                        if (p.cornerChannel >= 0) {
                            const std::size_t offset =
                                vertexLayout.channels()[static_cast<std::size_t>(p.cornerChannel)].offset;
                            for (int c = 0; c < 3; ++c) std::memcpy(records_.cornerRecord(c) + offset, at, sizeOf(p.type));
                        }
                        break;
                    }
                    default:
                        if (!skipList(p)) return false;
                        break;
                }
            }
            if (valueList != nullptr && values_.size() != 2 * corners_.size() * sizeOf(valueList->type)) return false;
            if (!triangles(valueList, vertexLayout)) return false;
        }
        return true;
    }

private:
    // The polygon's triangles (c0, ck, ck+1), each corner with its values.
    bool triangles(const Property* valueList, const RecordLayout& vertexLayout) {
        const std::size_t n = corners_.size();
        for (std::size_t k = 1; k + 1 < n; ++k) {
            const std::size_t at[3] = {0, k, k + 1};
            if (!sink_.face(corners_[0], corners_[k], corners_[k + 1])) return false;
            std::uint32_t records[3];
            std::uint32_t vertices[3];
            for (int c = 0; c < 3; ++c) {
                records[c] = static_cast<std::uint32_t>(corners_[at[c]]);
                vertices[c] = vertexNumberIn(sink_, corners_[at[c]]);
                if (valueList != nullptr) {
                    const std::size_t size = 2 * sizeOf(valueList->type);
                    const std::size_t offset = vertexLayout.channels()[static_cast<std::size_t>(valueList->channel)].offset;
                    std::memcpy(records_.cornerRecord(c) + offset, values_.data() + at[c] * size, size);
                }
            }
            records_.addTriangle(records, vertices);
        }
        return true;
    }

    // A list's items, each in native byte order, in `out`.
    bool readList(const Property& p, std::vector<unsigned char>& out) {
        out.clear();
        std::int64_t count = 0;
        if (!body_.count(p, count)) return false;
        const std::size_t size = sizeOf(p.type);
        for (std::int64_t i = 0; i < count; ++i) {
            out.resize(out.size() + size);
            if (!body_.value(p, out.data() + out.size() - size)) return false;
        }
        return true;
    }

    bool skipList(const Property& p) {
        std::int64_t count = 1;
        if (p.list && !body_.count(p, count)) return false;
        for (std::int64_t i = 0; i < count; ++i)
            if (!body_.skipValue(p)) return false;
        return true;
    }

    Body& body_;
    Sink& sink_;
    AttributeRecords& records_;
    std::vector<std::int64_t> corners_;
    std::vector<unsigned char> cornerBytes_;
    std::vector<unsigned char> values_;
};

Role roleOf(const Element& e) {
    if (e.name == "vertex") return Role::Vertex;
    if (e.name == "face") return Role::Face;
    return Role::Other;
}

template <class Body, class Sink>
ReadStatus readBody(const Header& h, Body& body, Sink& sink, const PlyCarrying& carrying) {
    std::unique_ptr<CarriedBody<Body, Sink>> carried;
    if (carrying.records != nullptr) carried = std::make_unique<CarriedBody<Body, Sink>>(body, sink, *carrying.records);
    bool verticesDone = false;
    std::size_t copy = 0;
    for (const Element& e : h.elements) {
        switch (roleOf(e)) {
            case Role::Vertex:
                if (!(carried ? carried->vertices(e) : body.vertices(e))) return ReadStatus::BadVertices;
                sink.verticesDone();
                if (carried) carried->verticesDone();
                verticesDone = true;
                break;
            case Role::Face:
                if (!(carried ? carried->faces(e) : body.faces(e))) return ReadStatus::BadFaces;
                break;
            case Role::Other: {
                PlyElementCopy* target = nullptr;
                if (carried) {
                    std::vector<PlyElementCopy>& copies = carrying.carried->ply.copies;
                    if (copy < copies.size() && copies[copy].name == e.name) target = &copies[copy++];
                }
                if (!(target != nullptr ? body.copy(e, target->body) : body.skip(e)))
                    return verticesDone ? ReadStatus::BadFaces : ReadStatus::BadVertices;
                break;
            }
        }
    }
    if (!h.hasFaces) return ReadStatus::NoFaces;
    sink.endedInFaces();
    return ReadStatus::Loaded;
}

template <class Sink>
ReadStatus parseBody(TextStream& in, const Header& h, Sink& sink, const PlyCarrying& carrying) {
    if (h.encoding == FileFlavour::Encoding::Text) {
        TextBody<Sink> body(in, sink);
        return readBody(h, body, sink, carrying);
    }
    BinaryBody<Sink> body(in, sink, h.encoding == FileFlavour::Encoding::BinaryBigEndian);
    return readBody(h, body, sink, carrying);
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
ReadStatus parseWeldedBody(TextStream& in, const Header& h, Sink& sink, bool weld, const PlyCarrying& carrying = {}) {
    auto parse = [&in, &h, &carrying](auto& s) { return parseBody(in, h, s, carrying); };
    const std::size_t expected = expectedVertices(h, in.knownSize());
    if (h.doubleCoordinates) return parseWelded<double>(weld, sink, parse, expected);
    return parseWelded<float>(weld, sink, parse, expected);
}

// The header is read here; a text body is then parsed on a thread of its
// own while this one builds, a binary body, which costs next to nothing to
// decode, on this thread.
//
// With `carry`, what the vertices and faces carry besides is kept in the
// mesh's attributes, and the rest the writer copies in `flavour.carried`.
ReadStatus loadPly(Mesh& mesh, TextStream& in, const char* name, FileFlavour& flavour, bool weld, bool carry) {
    Header h;
    const ReadStatus header = readWholeInput(in, [&] { return readHeader(in, h); });
    if (header != ReadStatus::Loaded) return header;
    flavour.encoding = h.encoding;
    flavour.doubleCoordinates = h.doubleCoordinates;
    auto carried = std::make_shared<CarriedData>();
    std::unique_ptr<AttributeRecords> records = carry ? planCarrying(h, *carried) : nullptr;
    if (records) records->reserveVertexRecords(expectedVertices(h, in.knownSize()));
    const PlyCarrying carrying{records.get(), records ? carried.get() : nullptr};
    auto parse = [&in, &h, weld, &carrying](auto& sink) { return parseWeldedBody(in, h, sink, weld, carrying); };
    const ReadStatus status =
        h.encoding == FileFlavour::Encoding::Text
            ? loadRecords(mesh, in, LoadMessages::Totals, name, parse, InputPart::Rest)
            : loadRecordsHere(mesh, in, LoadMessages::Totals, name, parse, InputPart::Rest);
    if (status == ReadStatus::Loaded && records) {
        mesh.attributes = records->finish(mesh.createdVertices(), mesh.createdFaces());
        flavour.carried = std::move(carried);
    }
    return status;
}

}  // namespace

ReadStatus readPly(Mesh& mesh, const char* fileName, FileFlavour& flavour, bool weld, bool carry) {
    TextStream in;
    if (!in.open(fileName)) return ReadStatus::FileNotFound;
    return loadPly(mesh, in, fileName, flavour, weld, carry);
}

ReadStatus readPlyData(Mesh& mesh, const char* data, std::size_t size, FileFlavour& flavour, bool weld, bool carry) {
    TextStream in;
    in.openBuffer(data, size);
    return loadPly(mesh, in, "", flavour, weld, carry);
}

// The same header and body parse into a plain record sink, on this thread
// (zeq-tiles).
ReadStatus readPlyRecords(const char* fileName, RecordSink& sink, FileFlavour& flavour, bool weld,
                          std::unique_ptr<MeshAttributes>* attributes) {
    TextStream in;
    if (!in.open(fileName)) return ReadStatus::FileNotFound;
    Header h;
    const ReadStatus header = readWholeInput(in, [&] { return readHeader(in, h); });
    if (header != ReadStatus::Loaded) return header;
    flavour.encoding = h.encoding;
    flavour.doubleCoordinates = h.doubleCoordinates;
    auto carried = std::make_shared<CarriedData>();
    std::unique_ptr<AttributeRecords> records = attributes != nullptr ? planCarrying(h, *carried) : nullptr;
    const PlyCarrying carrying{records.get(), records ? carried.get() : nullptr};
    const ReadStatus status = readRestOfInput(in, [&] { return parseWeldedBody(in, h, sink, weld, carrying); });
    if (status == ReadStatus::Loaded && records) {
        *attributes = records->finish(static_cast<std::size_t>(sink.vertexCount()),
                                      static_cast<std::size_t>(sink.faceCount()));
        flavour.carried = std::move(carried);
    }
    return status;
}

}  // namespace zeq
