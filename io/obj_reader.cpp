#include "io/obj_reader.h"

#include <array>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>
#include <cstdint>
#include <string>
#include <string_view>

#include "io/attribute_records.h"
#include "io/carried_data.h"
#include "io/live_mesh.h"
#include "io/number_parse.h"
#include "io/record_files.h"
#include "io/record_pipe.h"
#include "io/text_stream.h"
#include "io/weld.h"

namespace zeq {

namespace {

// Lines longer than this are refused (a polygon of about a million corners).
constexpr std::size_t kMaxLine = 16 << 20;

// Splits a line into blank-separated words, up to a comment.
class Words {
public:
    explicit Words(std::string_view line) : line_(line) {}
    bool next(std::string_view& word) {
        while (i_ < line_.size() && isBlank(static_cast<unsigned char>(line_[i_]))) ++i_;
        if (i_ == line_.size() || line_[i_] == '#') return false;
        const std::size_t start = i_;
        while (i_ < line_.size() && !isBlank(static_cast<unsigned char>(line_[i_])) && line_[i_] != '#') ++i_;
        word = line_.substr(start, i_ - start);
        return true;
    }

private:
    std::string_view line_;
    std::size_t i_ = 0;
};

// A corner "i", "i/t", "i//n" or "i/t/n" as a 0-based vertex number, with
// `vertexCount` vertices read so far; false for one that names no vertex.
bool cornerIndex(std::string_view word, std::int64_t vertexCount, std::int64_t& index) {
    std::int64_t i = 0;
    if (!parseInteger(word.substr(0, word.find('/')), i) || i == 0) return false;
    index = i > 0 ? i - 1 : vertexCount + i;
    return index >= 0 && index < vertexCount;
}

// A corner's texture coordinate and normal numbers ("i/t/n"), 1-based; 0
// when the corner names none.
struct CornerValues {
    std::uint32_t texcoord = 0;
    std::uint32_t normal = 0;
};

// The t and n of a corner "i", "i/t", "i//n" or "i/t/n", checked against the
// `texcoords` and `normals` read so far (negative counts back from the last);
// false for a number that is not one, 0, or names none of them.
bool cornerValues(std::string_view word, std::int64_t texcoords, std::int64_t normals, CornerValues& out) {
    out = CornerValues{};
    const std::size_t slash = word.find('/');
    if (slash == std::string_view::npos) return true;
    std::string_view rest = word.substr(slash + 1);
    const std::size_t second = rest.find('/');
    const std::string_view t = rest.substr(0, second);
    const std::string_view n = second == std::string_view::npos ? std::string_view() : rest.substr(second + 1);
    auto number = [](std::string_view text, std::int64_t count, std::uint32_t& value) {
        std::int64_t i = 0;
        if (!parseInteger(text, i) || i == 0) return false;
        const std::int64_t index = i > 0 ? i - 1 : count + i;
        if (index < 0 || index >= count) return false;
        value = static_cast<std::uint32_t>(index + 1);
        return true;
    };
    if (!t.empty() && !number(t, texcoords, out.texcoord)) return false;
    if (second != std::string_view::npos && !n.empty() && !number(n, normals, out.normal)) return false;
    // "i//" and "i/t/" name nothing more; "i/" names nothing at all.
    return true;
}

// The rest of a line after its keyword, without the blanks around it and
// without a comment.
std::string_view restOfLine(std::string_view line, std::string_view keyword) {
    std::size_t start = line.find(keyword);
    start = start == std::string_view::npos ? line.size() : start + keyword.size();
    std::string_view rest = line.substr(start);
    const std::size_t hash = rest.find('#');
    if (hash != std::string_view::npos) rest = rest.substr(0, hash);
    return trimBlanks(rest);
}

// What the lines of an OBJ file carry besides positions and triangles,
// collected on the parsing thread as they come and laid out for the mesh
// once the whole file is read (a file may start giving colours, texture
// coordinates or materials at any line). Per triangle it keeps only what the
// file has given by then: nothing at all for a file of bare "v" and "f".
class ObjAttributes {
public:
    using Statement = ObjCarried::Statement;

    explicit ObjAttributes(ObjCarried& carried) : carried_(carried) {}

    bool any() const { return coloured_ || valued_ || named_ || !carried_.mtllibs.empty(); }

    void vertex(const double* colour) {
        if (colour != nullptr && !coloured_) colours_.assign(3 * vertexCount_, kMissing);
        coloured_ = coloured_ || colour != nullptr;
        if (coloured_) {
            if (colour != nullptr) {
                colours_.insert(colours_.end(), colour, colour + 3);
            } else {
                colours_.insert(colours_.end(), 3, kMissing);
            }
        }
        ++vertexCount_;
    }
    void texcoord(const double* values, int count) {
        carried_.texcoordComponents = std::max(carried_.texcoordComponents, count);
        for (int k = 0; k < 3; ++k) texcoords_.push_back(k < count ? values[k] : 0.0);
    }
    void normal(const double* values) { normals_.insert(normals_.end(), values, values + 3); }
    std::int64_t texcoordCount() const { return static_cast<std::int64_t>(texcoords_.size() / 3); }
    std::int64_t normalCount() const { return static_cast<std::int64_t>(normals_.size() / 3); }

    void mtllib(std::string line) { carried_.mtllibs.push_back(std::move(line)); }
    // A face statement: the faces after it are under `name`.
    void statement(Statement s, std::string_view name) {
        std::vector<std::string>& names = carried_.names[s];
        if (names.empty()) names.emplace_back();  // number 0: none
        std::size_t n = 1;
        while (n < names.size() && names[n] != name) ++n;
        if (n == names.size()) names.emplace_back(name);
        current_[s] = static_cast<std::uint32_t>(n);
        if (!named_) faceNames_.assign(kNames * triangles_, 0);
        named_ = true;
    }

    // A triangle with the vertex records `records` and its corners' values.
    void triangle(const std::int64_t records[3], const CornerValues values[3]) {
        const bool named = values[0].texcoord | values[0].normal | values[1].texcoord | values[1].normal |
                           values[2].texcoord | values[2].normal;
        if (named && !valued_) cornerValues_.assign(6 * triangles_, 0);
        valued_ = valued_ || named;
        if (valued_)
            for (int c = 0; c < 3; ++c) cornerValues_.insert(cornerValues_.end(), {values[c].texcoord, values[c].normal});
        if (coloured_) {
            if (!recorded_) records_.assign(3 * triangles_, 0);
            recorded_ = true;
            for (int c = 0; c < 3; ++c) records_.push_back(static_cast<std::uint32_t>(records[c]));
        }
        if (named_) faceNames_.insert(faceNames_.end(), current_, current_ + kNames);
        ++triangles_;
    }

    // The attributes of the `vertexCount` vertices and `faceCount` faces
    // built from these lines, the faces being the triangles in order;
    // cornersOf(t, vertices) gives the vertices of triangle t as the file
    // gave them (welding may have made records one vertex), or false.
    template <class CornersOf>
    std::unique_ptr<MeshAttributes> finish(std::size_t vertexCount, std::size_t faceCount, CornersOf cornersOf);

private:
    static constexpr std::size_t kNames = ObjCarried::kStatements;
    // A value not given (a vertex without a colour, a corner without a
    // texture coordinate): blends as no value and is not written.
    static constexpr double kMissing = std::numeric_limits<double>::quiet_NaN();

    ObjCarried& carried_;
    std::size_t vertexCount_ = 0;
    std::size_t triangles_ = 0;
    std::vector<double> colours_;    // 3 per vertex record, once a colour is seen
    std::vector<double> texcoords_;  // 3 per "vt"
    std::vector<double> normals_;    // 3 per "vn"
    std::uint32_t current_[kNames] = {0, 0, 0, 0};
    std::vector<std::uint32_t> cornerValues_;  // 6 per triangle, once a corner names a value
    std::vector<std::uint32_t> records_;       // 3 per triangle, once a colour is seen
    std::vector<std::uint32_t> faceNames_;     // kNames per triangle, once a statement is seen
    bool coloured_ = false;  // a vertex has had a colour
    bool valued_ = false;    // a corner has named a texture coordinate or normal
    bool recorded_ = false;  // the vertex records of the corners are kept
    bool named_ = false;     // a face statement has come
};

template <class CornersOf>
std::unique_ptr<MeshAttributes> ObjAttributes::finish(std::size_t vertexCount, std::size_t faceCount,
                                                      CornersOf cornersOf) {
    RecordLayout vertexLayout;
    RecordLayout faceLayout;
    if (coloured_) {
        carried_.colourChannel = vertexLayout.add("red", ScalarType::Float64, Blend::Average);
        vertexLayout.add("green", ScalarType::Float64, Blend::Average);
        vertexLayout.add("blue", ScalarType::Float64, Blend::Average);
    }
    const std::size_t vertexPart = vertexLayout.size();
    const bool texcoords = !texcoords_.empty() && valued_;
    const bool normals = !normals_.empty() && valued_;
    if (texcoords) {
        carried_.texcoordChannel = vertexLayout.add("u", ScalarType::Float64, Blend::Average);
        vertexLayout.add("v", ScalarType::Float64, Blend::Average);
        vertexLayout.add("w", ScalarType::Float64, Blend::Average);
    }
    if (normals) {
        carried_.normalChannel = vertexLayout.add("nx", ScalarType::Float64, Blend::Normal);
        vertexLayout.add("ny", ScalarType::Float64, Blend::Normal);
        vertexLayout.add("nz", ScalarType::Float64, Blend::Normal);
    }
    // Where faces of different materials meet, the corners differ.
    int materialCorner = -1;
    if (!carried_.names[ObjCarried::Material].empty())
        materialCorner = vertexLayout.add("face.material", ScalarType::UInt32, Blend::Keep);
    for (std::size_t s = 0; s < kNames; ++s)
        if (!carried_.names[s].empty())
            carried_.faceChannel[s] = faceLayout.add(ObjCarried::kKeywords[s], ScalarType::UInt32, Blend::Keep);

    AttributeRecords records(vertexLayout, vertexPart, faceLayout);
    const RecordLayout& layout = records.vertexLayout();
    for (std::size_t v = 0; v < vertexCount_; ++v) {
        unsigned char* record = records.addVertexRecord();
        for (std::size_t k = 0; k < vertexPart; ++k) layout.set(record, k, colours_[3 * v + k]);
    }
    records.verticesDone(true);
    for (std::size_t t = 0; t < triangles_; ++t) {
        if (named_)
            for (std::size_t s = 0; s < kNames; ++s)
                if (carried_.faceChannel[s] >= 0)
                    faceLayout.set(records.faceRecord(), static_cast<std::size_t>(carried_.faceChannel[s]),
                                   faceNames_[kNames * t + s]);
        std::uint32_t recordNumbers[3] = {0, 0, 0};
        std::uint32_t vertices[3];
        const bool known = t < faceCount && cornersOf(t, vertices);
        for (int c = 0; c < 3; ++c) {
            if (recorded_) recordNumbers[c] = records_[3 * t + static_cast<std::size_t>(c)];
            unsigned char* record = records.cornerRecord(c);
            const std::size_t at = 6 * t + 2 * static_cast<std::size_t>(c);
            const std::uint32_t texcoord = valued_ ? cornerValues_[at] : 0;
            const std::uint32_t normal = valued_ ? cornerValues_[at + 1] : 0;
            for (std::size_t k = 0; texcoords && k < 3; ++k)
                layout.set(record, static_cast<std::size_t>(carried_.texcoordChannel) + k,
                           texcoord == 0 ? kMissing : texcoords_[3 * (texcoord - 1) + k]);
            for (std::size_t k = 0; normals && k < 3; ++k)
                layout.set(record, static_cast<std::size_t>(carried_.normalChannel) + k,
                           normal == 0 ? kMissing : normals_[3 * (normal - 1) + k]);
            if (materialCorner >= 0)
                layout.set(record, static_cast<std::size_t>(materialCorner),
                           faceNames_[kNames * t + ObjCarried::Material]);
        }
        records.addTriangle(recordNumbers, known ? vertices : nullptr);
    }
    return records.finish(vertexCount, faceCount);
}

// parseWelded's verticesFirst: OBJ vertex lines may come after faces, so
// the welder keeps its positions through the whole load.
constexpr bool kVerticesFirst = false;

// True when `line` ends in a backslash that is not inside a comment: the
// next line continues it.
bool continues(std::string_view line) {
    return !line.empty() && line.back() == '\\' && line.find('#') == std::string_view::npos;
}

// The lines besides "v" and "f" that carry something: "vt", "vn", "mtllib"
// and the statements faces are under. False for a "vt" or "vn" whose numbers
// do not read.
bool readAttributeLine(std::string_view keyword, Words& words, std::string_view line, ObjAttributes& attributes) {
    std::string_view word;
    if (keyword == "vt") {
        double values[3];
        int count = 0;
        for (; count < 3 && words.next(word); ++count)
            if (!parseFinite(word, values[count])) return false;
        if (count == 0) return false;
        attributes.texcoord(values, count);
    } else if (keyword == "vn") {
        double values[3];
        for (double& value : values)
            if (!words.next(word) || !parseFinite(word, value)) return false;
        attributes.normal(values);
    } else if (keyword == "mtllib") {
        attributes.mtllib("mtllib " + std::string(restOfLine(line, keyword)));
    } else {
        for (int s = 0; s < ObjCarried::kStatements; ++s)
            if (keyword == ObjCarried::kKeywords[s])
                attributes.statement(static_cast<ObjCarried::Statement>(s), restOfLine(line, keyword));
    }
    return true;
}

template <class Sink>
ReadStatus parseObj(TextStream& in, Sink& sink, ObjAttributes* attributes = nullptr) {
    std::int64_t vertexCount = 0;
    bool facesStarted = false;
    std::string_view line;
    std::string joined;  // a line continued over several
    for (bool firstLine = true;; firstLine = false) {
        if (!in.readLine(line, kMaxLine)) {
            if (in.eof()) break;
            return facesStarted ? ReadStatus::BadFaces : ReadStatus::BadVertices;
        }
        // Editors on some systems start a text file with a UTF-8 byte order
        // mark; left in place it would hide a first "v" line, and every
        // corner number after it would name the wrong vertex.
        if (firstLine && line.substr(0, 3) == "\xEF\xBB\xBF") line.remove_prefix(3);
        // A backslash at the end of a line joins the next line to it, the
        // backslash and the line break reading as one blank.
        // Only the newest piece is looked at: a comment in an earlier one
        // would have ended the line there.
        if (continues(line)) {
            joined.assign(line);
            std::string_view next = line;
            while (continues(next)) {
                joined.back() = ' ';
                if (!in.readLine(next, kMaxLine)) {
                    if (in.eof()) break;
                    return facesStarted ? ReadStatus::BadFaces : ReadStatus::BadVertices;
                }
                if (joined.size() + next.size() > kMaxLine)
                    return facesStarted ? ReadStatus::BadFaces : ReadStatus::BadVertices;
                joined.append(next);
            }
            line = joined;
        }
        Words words(line);
        std::string_view word;
        if (!words.next(word)) continue;
        if (word == "v") {
            double xyz[3];
            for (double& value : xyz)
                if (!words.next(word) || !parseFinite(word, value)) return ReadStatus::BadVertices;
            if (vertexCount == INT_MAX) return ReadStatus::BadVertices;
            sink.vertex(xyz[0], xyz[1], xyz[2]);
            ++vertexCount;
            if (attributes != nullptr) {
                // Three more numbers are a colour; one (a weight) is passed over.
                double colour[3];
                int given = 0;
                for (; given < 3 && words.next(word); ++given)
                    if (!parseFinite(word, colour[given])) return ReadStatus::BadVertices;
                if (given == 2) return ReadStatus::BadVertices;
                attributes->vertex(given == 3 ? colour : nullptr);
            }
        } else if (word == "f") {
            if (!facesStarted) {
                sink.verticesDone();
                facesStarted = true;
            }
            // (c0, ck, ck+1) as the corners come.
            std::int64_t first = 0, previous = 0, corner = 0, count = 0;
            CornerValues firstValues, previousValues, values;
            for (; words.next(word); ++count) {
                if (!cornerIndex(word, vertexCount, corner)) return ReadStatus::BadFaces;
                if (attributes != nullptr &&
                    !cornerValues(word, attributes->texcoordCount(), attributes->normalCount(), values))
                    return ReadStatus::BadFaces;
                if (count == 0) first = corner, firstValues = values;
                if (count >= 2) {
                    if (!sink.face(first, previous, corner)) return ReadStatus::BadFaces;
                    if (attributes != nullptr) {
                        const std::int64_t records[3] = {first, previous, corner};
                        const CornerValues triangle[3] = {firstValues, previousValues, values};
                        attributes->triangle(records, triangle);
                    }
                }
                previous = corner;
                previousValues = values;
            }
            if (count < 3) return ReadStatus::BadFaces;
        } else if (attributes != nullptr) {
            if (!readAttributeLine(word, words, line, *attributes))
                return facesStarted ? ReadStatus::BadFaces : ReadStatus::BadVertices;
        }
    }
    if (vertexCount == 0) return ReadStatus::BadHeader;
    if (!facesStarted) sink.verticesDone();
    sink.endedInFaces();
    return ReadStatus::Loaded;
}

// Loads the text `in` is open on; with `flavour`, carrying what the lines
// carry besides (into the mesh's attributes and flavour->carried).
ReadStatus loadObj(Mesh& mesh, TextStream& in, const char* name, bool weld, FileFlavour* flavour) {
    auto carried = std::make_shared<CarriedData>();
    std::unique_ptr<ObjAttributes> attributes;
    if (flavour != nullptr) attributes = std::make_unique<ObjAttributes>(carried->obj);
    ObjAttributes* lines = attributes.get();
    const ReadStatus status = loadRecords(mesh, in, LoadMessages::Totals, name, [&in, weld, lines](auto& sink) {
        return parseWelded(weld, sink, [&in, lines](auto& s) { return parseObj(in, s, lines); }, 0, kVerticesFirst);
    });
    if (status == ReadStatus::Loaded && attributes && attributes->any()) {
        // The mesh's faces are the triangles, their corners as the file gave
        // them: the orientation has not run yet.
        mesh.attributes = attributes->finish(mesh.createdVertices(), mesh.createdFaces(),
                                             [](std::size_t t, std::uint32_t* vertices) {
                                                 std::array<VertexId, 3> corners;
                                                 if (!faceCorners(FaceId(static_cast<std::uint32_t>(t)), corners))
                                                     return false;
                                                 for (int c = 0; c < 3; ++c) vertices[c] = corners[c].index();
                                                 return true;
                                             });
        flavour->carried = std::move(carried);
    }
    return status;
}

}  // namespace

ReadStatus readObj(Mesh& mesh, const char* fileName, bool weld, FileFlavour* flavour) {
    TextStream in;
    if (!in.open(fileName)) return ReadStatus::FileNotFound;
    return loadObj(mesh, in, fileName, weld, flavour);
}

ReadStatus readObjText(Mesh& mesh, const char* data, std::size_t size, bool weld, FileFlavour* flavour) {
    TextStream in;
    in.openBuffer(data, size);
    return loadObj(mesh, in, "", weld, flavour);
}

// The same parse into a plain record sink, on this thread (zeq-tiles).
ReadStatus readObjRecords(const char* fileName, RecordSink& sink, bool weld, FileFlavour* flavour,
                          std::unique_ptr<MeshAttributes>* attributes) {
    TextStream in;
    if (!in.open(fileName)) return ReadStatus::FileNotFound;
    if (attributes == nullptr || flavour == nullptr)
        return readWholeInput(
            in, [&] { return parseWelded(weld, sink, [&in](auto& s) { return parseObj(in, s); }, 0, kVerticesFirst); });
    // The triangles' vertices are kept on the way to `sink` for the attributes.
    class Keeping : public RecordSink {
    public:
        explicit Keeping(RecordSink& next) : next_(next) {}
        std::vector<std::uint32_t> corners;

    protected:
        void onVertex(double x, double y, double z) override { next_.vertex(x, y, z); }
        void onFace(std::uint32_t i, std::uint32_t j, std::uint32_t k) override {
            corners.insert(corners.end(), {i, j, k});
            next_.face(i, j, k);
        }

    private:
        RecordSink& next_;
    } keeping(sink);
    auto carried = std::make_shared<CarriedData>();
    ObjAttributes lines(carried->obj);
    const ReadStatus status = readWholeInput(in, [&] {
        return parseWelded(weld, keeping, [&in, &lines](auto& s) { return parseObj(in, s, &lines); }, 0, kVerticesFirst);
    });
    if (status == ReadStatus::Loaded && lines.any()) {
        const std::vector<std::uint32_t>& corners = keeping.corners;
        *attributes = lines.finish(static_cast<std::size_t>(keeping.vertexCount()),
                                   static_cast<std::size_t>(keeping.faceCount()),
                                   [&corners](std::size_t t, std::uint32_t* vertices) {
                                       std::copy_n(&corners[3 * t], 3, vertices);
                                       return true;
                                   });
        flavour->carried = std::move(carried);
    }
    return status;
}

}  // namespace zeq
