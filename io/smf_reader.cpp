#include "io/smf_reader.h"

#include "io/record_files.h"
#include "io/record_pipe.h"
#include "io/text_stream.h"
#include "io/weld.h"

namespace zeq {

namespace {

// Header lines and the first vertex line hold at most this many characters.
constexpr std::size_t kLineBuffer = 90;

// Header lines run up to the first line that starts with 'v'; that line is
// taken as a line too (its length counts) and then handed back, from its
// second character on, to be read as items: its 'v' is the first record's
// character. Face records number the corners from 1.
template <class Sink>
ReadStatus parseSmf(TextStream& in, Sink& sink) {
    char line[kLineBuffer];
    for (;;) {
        if (!in.getLine(line, kLineBuffer)) return ReadStatus::BadHeader;
        if (line[0] == 'v') break;
    }
    if (in.lineEnded()) line[in.lineLength()] = '\n';
    in.unread(line + 1, in.lineLength() - 1 + (in.lineEnded() ? 1 : 0));

    char c = 'v';
    while (c != 'f') {
        double x = 0.0, y = 0.0, z = 0.0;
        in.readDouble(x);
        in.readDouble(y);
        in.readDouble(z);
        in.readChar(c);
        if (in.fail()) return ReadStatus::BadVertices;
        sink.vertex(x, y, z);
    }
    sink.verticesDone();

    while (c == 'f') {
        int i = 0, j = 0, k = 0;
        in.readInt(i);
        in.readInt(j);
        in.readInt(k);
        if (in.eof()) {
            // The file ends inside the face records: a complete last record
            // still counts, a partial one is dropped.
            if (!in.fail() && !sink.face(i - 1LL, j - 1LL, k - 1LL)) return ReadStatus::BadFaces;
            sink.endedInFaces();
            return ReadStatus::Loaded;
        }
        if (in.fail()) return ReadStatus::BadFaces;
        // With only white space left, c keeps 'f' and the next round meets
        // the end of the file before a number.
        in.readChar(c);
        if (!sink.face(i - 1LL, j - 1LL, k - 1LL)) return ReadStatus::BadFaces;
    }
    return ReadStatus::Loaded;
}

}  // namespace

ReadStatus readSmf(Mesh& mesh, const char* fileName, bool weld) {
    TextStream in;
    if (!in.open(fileName)) return ReadStatus::FileNotFound;
    return loadRecords(mesh, in, LoadMessages::Smf, fileName, [&in, weld](auto& sink) {
        return parseWelded(weld, sink, [&in](auto& s) { return parseSmf(in, s); });
    });
}

ReadStatus readSmfText(Mesh& mesh, const char* data, std::size_t size, bool weld) {
    TextStream in;
    in.openBuffer(data, size);
    return loadRecords(mesh, in, LoadMessages::Smf, "", [&in, weld](auto& sink) {
        return parseWelded(weld, sink, [&in](auto& s) { return parseSmf(in, s); });
    });
}

// The same parse into a plain record sink, on this thread (zeq-tiles).
ReadStatus readSmfRecords(const char* fileName, RecordSink& sink) {
    TextStream in;
    if (!in.open(fileName)) return ReadStatus::FileNotFound;
    return readWholeInput(in, [&] { return parseSmf(in, sink); });
}

}  // namespace zeq
