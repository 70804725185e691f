#include "io/off_reader.h"

#include <string>

#include "io/record_files.h"
#include "io/record_pipe.h"
#include "io/text_stream.h"

namespace zeq {

namespace {

// The keyword buffer holds 99 characters and the terminating zero.
constexpr std::size_t kMaxKeyword = 99;

template <class Sink>
ReadStatus parseOff(TextStream& in, Sink& sink) {
    std::string keyword;
    int vertexCount = 0, faceCount = 0, edgeCount = 0;
    in.readWord(keyword, kMaxKeyword);
    in.readInt(vertexCount);
    in.readInt(faceCount);
    in.readInt(edgeCount);
    if (in.fail()) return ReadStatus::BadHeader;
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

    for (int m = 0; m < faceCount; ++m) {
        int corners = 0, i = 0, j = 0, k = 0;
        in.readInt(corners);
        in.readInt(i);
        in.readInt(j);
        in.readInt(k);
        if (in.eof()) {
            // The file ends inside the face records: a complete last record
            // still counts, a partial one is dropped.
            if (!in.fail() && !sink.face(i, j, k)) return ReadStatus::BadFaces;
            sink.endedInFaces();
            return ReadStatus::Loaded;
        }
        if (in.fail() || !sink.face(i, j, k)) return ReadStatus::BadFaces;
    }
    return ReadStatus::Loaded;
}

}  // namespace

ReadStatus readOff(Mesh& mesh, const char* fileName) {
    TextStream in;
    if (!in.open(fileName)) return ReadStatus::FileNotFound;
    return loadRecords(mesh, in, LoadMessages::Off, fileName, [&in](auto& sink) { return parseOff(in, sink); });
}

ReadStatus readOffText(Mesh& mesh, const char* data, std::size_t size, const char* name) {
    TextStream in;
    in.openBuffer(data, size);
    return loadRecords(mesh, in, LoadMessages::Off, name, [&in](auto& sink) { return parseOff(in, sink); });
}

// The same parse into a plain record sink, on this thread (zeq-tiles).
ReadStatus readOffRecords(const char* fileName, RecordSink& sink) {
    TextStream in;
    if (!in.open(fileName)) return ReadStatus::FileNotFound;
    return readWholeInput(in, [&] { return parseOff(in, sink); });
}

}  // namespace zeq
