#include "io/obj_reader.h"

#include <climits>
#include <cstdint>
#include <string>
#include <string_view>

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

// parseWelded's verticesFirst: OBJ vertex lines may come after faces, so
// the welder keeps its positions through the whole load.
constexpr bool kVerticesFirst = false;

// True when `line` ends in a backslash that is not inside a comment: the
// next line continues it.
bool continues(std::string_view line) {
    return !line.empty() && line.back() == '\\' && line.find('#') == std::string_view::npos;
}

template <class Sink>
ReadStatus parseObj(TextStream& in, Sink& sink) {
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
        } else if (word == "f") {
            if (!facesStarted) {
                sink.verticesDone();
                facesStarted = true;
            }
            // (c0, ck, ck+1) as the corners come.
            std::int64_t first = 0, previous = 0, corner = 0, count = 0;
            for (; words.next(word); ++count) {
                if (!cornerIndex(word, vertexCount, corner)) return ReadStatus::BadFaces;
                if (count == 0) first = corner;
                if (count >= 2 && !sink.face(first, previous, corner)) return ReadStatus::BadFaces;
                previous = corner;
            }
            if (count < 3) return ReadStatus::BadFaces;
        }
    }
    if (vertexCount == 0) return ReadStatus::BadHeader;
    if (!facesStarted) sink.verticesDone();
    sink.endedInFaces();
    return ReadStatus::Loaded;
}

}  // namespace

ReadStatus readObj(Mesh& mesh, const char* fileName, bool weld) {
    TextStream in;
    if (!in.open(fileName)) return ReadStatus::FileNotFound;
    return loadRecords(mesh, in, LoadMessages::Totals, fileName, [&in, weld](auto& sink) {
        return parseWelded(weld, sink, [&in](auto& s) { return parseObj(in, s); }, 0, kVerticesFirst);
    });
}

ReadStatus readObjText(Mesh& mesh, const char* data, std::size_t size, bool weld) {
    TextStream in;
    in.openBuffer(data, size);
    return loadRecords(mesh, in, LoadMessages::Totals, "", [&in, weld](auto& sink) {
        return parseWelded(weld, sink, [&in](auto& s) { return parseObj(in, s); }, 0, kVerticesFirst);
    });
}

// The same parse into a plain record sink, on this thread (zeq-tiles).
ReadStatus readObjRecords(const char* fileName, RecordSink& sink, bool weld) {
    TextStream in;
    if (!in.open(fileName)) return ReadStatus::FileNotFound;
    return readWholeInput(in, [&] { return parseWelded(weld, sink, [&in](auto& s) { return parseObj(in, s); }, 0, kVerticesFirst); });
}

}  // namespace zeq
