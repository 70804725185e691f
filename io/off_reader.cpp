#include "io/off_reader.h"

#include <climits>
#include <string>
#include <vector>

#include "io/record_files.h"
#include "io/record_pipe.h"
#include "io/text_stream.h"
#include "io/weld.h"

namespace zeq {

namespace {

// The keyword buffer holds 99 characters and the terminating zero.
constexpr std::size_t kMaxKeyword = 99;

// ModelNet's files glue the vertex count to the keyword ("OFF490 518 0"):
// a keyword that is OFF followed by digits alone gives those digits as V.
// False for every other keyword, which is read and ignored.
bool gluedVertexCount(const std::string& keyword, int& vertexCount, bool& overflow) {
    if (keyword.size() <= 3 || keyword.compare(0, 3, "OFF") != 0) return false;
    long long value = 0;
    for (std::size_t i = 3; i < keyword.size(); ++i) {
        const char c = keyword[i];
        if (c < '0' || c > '9') return false;
        if (value <= INT_MAX) value = value * 10 + (c - '0');
    }
    overflow = value > INT_MAX;
    vertexCount = static_cast<int>(overflow ? 0 : value);
    return true;
}

// Sends the triangles (c0, ck, ck+1) of a polygon's corners; false when a
// corner names no vertex.
template <class Sink>
bool sendFan(Sink& sink, const std::vector<int>& corners) {
    for (std::size_t k = 1; k + 1 < corners.size(); ++k)
        if (!sink.face(corners[0], corners[k], corners[k + 1])) return false;
    return true;
}

template <class Sink>
ReadStatus parseOff(TextStream& in, Sink& sink) {
    std::string keyword;
    int vertexCount = 0, faceCount = 0, edgeCount = 0;
    in.readWord(keyword, kMaxKeyword);
    // Geomview's OFF: from here on, '#' starts a comment to the line's end.
    in.skipComments('#');
    bool overflow = false;
    if (!gluedVertexCount(keyword, vertexCount, overflow)) in.readInt(vertexCount);
    in.readInt(faceCount);
    in.readInt(edgeCount);
    if (in.fail() || overflow) return ReadStatus::BadHeader;
    sink.header(vertexCount, faceCount);

    for (int n = 0; n < vertexCount; ++n) {
        double x = 0.0, y = 0.0, z = 0.0;
        in.readDouble(x);
        in.readDouble(y);
        in.readDouble(z);
        if (in.fail()) return ReadStatus::BadVertices;
        sink.vertex(x, y, z);
    }
    sink.verticesDone();

    // A face record is its corner count n (at least 3) and n corners, split
    // into the triangles (c0, ck, ck+1). The file ending inside a record drops
    // that record; a complete last record still counts.
    std::vector<int> corners;
    for (int m = 0; m < faceCount; ++m) {
        int count = 0;
        in.readInt(count);
        if (!in.fail() && count < 3) return ReadStatus::BadFaces;
        // Nearly every record is a triangle: its corners go straight to the
        // sink, a polygon's through a list.
        int i = 0, j = 0, k = 0;
        if (count == 3) {
            in.readInt(i);
            in.readInt(j);
            in.readInt(k);
        } else {
            corners.clear();
            for (int c = 0; c < count && !in.fail(); ++c) {
                int corner = 0;
                if (in.readInt(corner)) corners.push_back(corner);
            }
        }
        auto send = [&] { return count == 3 ? sink.face(i, j, k) : sendFan(sink, corners); };
        if (in.eof()) {
            if (!in.fail() && !send()) return ReadStatus::BadFaces;
            sink.endedInFaces();
            return ReadStatus::Loaded;
        }
        if (in.fail() || !send()) return ReadStatus::BadFaces;
        // A colour after the corners (non-integer values on the same line)
        // is passed over; nothing after the last record is read.
        if (m + 1 < faceCount) in.skipLineUnlessInteger();
    }
    return ReadStatus::Loaded;
}

}  // namespace

ReadStatus readOff(Mesh& mesh, const char* fileName, bool weld) {
    TextStream in;
    if (!in.open(fileName)) return ReadStatus::FileNotFound;
    return loadRecords(mesh, in, LoadMessages::Off, fileName, [&in, weld](auto& sink) {
        return parseWelded(weld, sink, [&in](auto& s) { return parseOff(in, s); });
    });
}

ReadStatus readOffText(Mesh& mesh, const char* data, std::size_t size, const char* name, bool weld) {
    TextStream in;
    in.openBuffer(data, size);
    return loadRecords(mesh, in, LoadMessages::Off, name, [&in, weld](auto& sink) {
        return parseWelded(weld, sink, [&in](auto& s) { return parseOff(in, s); });
    });
}

// The same parse into a plain record sink, on this thread (zeq-tiles).
ReadStatus readOffRecords(const char* fileName, RecordSink& sink) {
    TextStream in;
    if (!in.open(fileName)) return ReadStatus::FileNotFound;
    return readWholeInput(in, [&] { return parseOff(in, sink); });
}

}  // namespace zeq
