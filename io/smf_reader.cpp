#include "io/smf_reader.h"

#include <cstdio>

#include "io/build_face.h"
#include "io/text_stream.h"

namespace zeq {

namespace {

// Header lines and the first vertex line hold at most this many characters.
constexpr std::size_t kLineBuffer = 90;

// Face records number the corners from 1.
bool addNumberedFace(PendingFaces& pending, int i, int j, int k) {
    return pending.add(i - 1LL, j - 1LL, k - 1LL);
}

void printFaceCounts(const Mesh& mesh) {
    std::printf(" %d <Edges>\n", static_cast<int>(mesh.edges.size()));
    std::printf(" %d <Faces>\n", static_cast<int>(mesh.faces.size()));
}

// Header lines run up to the first line that starts with 'v'; that line is
// taken as a line too (its length counts) and then handed back, from its
// second character on, to be read as items: its 'v' is the first record's
// character.
ReadStatus parseSmf(Mesh& mesh, TextStream& in) {
    char line[kLineBuffer];
    for (;;) {
        if (!in.getLine(line, kLineBuffer)) return ReadStatus::BadHeader;
        if (line[0] == 'v') break;
    }
    if (in.lineEnded()) line[in.lineLength()] = '\n';
    in.unread(line + 1, in.lineLength() - 1 + (in.lineEnded() ? 1 : 0));

    char c = 'v';
    int vertexCounter = 0;
    while (c != 'f') {
        double x = 0.0, y = 0.0, z = 0.0;
        in.readDouble(x);
        in.readDouble(y);
        in.readDouble(z);
        in.readChar(c);
        if (in.fail()) return ReadStatus::BadVertices;
        Vertex* v = mesh.newVertex(vertexCounter, Point3{x, y, z});
        v->vertexMark = 0;
        mesh.addVertex(v);
        ++vertexCounter;
    }
    std::printf(" %d <Vertices>\n", static_cast<int>(mesh.vertices.size()));

    reserveFaceLists(mesh);
    LoadCounters counters;
    PendingFaces pending(mesh, counters);
    while (c == 'f') {
        int i = 0, j = 0, k = 0;
        in.readInt(i);
        in.readInt(j);
        in.readInt(k);
        if (in.eof()) {
            // The file ends inside the face records: a complete last record
            // still counts, a partial one is dropped.
            if (!in.fail() && !addNumberedFace(pending, i, j, k)) return ReadStatus::BadFaces;
            pending.flush();
            printFaceCounts(mesh);
            return ReadStatus::Loaded;
        }
        if (in.fail()) {
            pending.flush();
            return ReadStatus::BadFaces;
        }
        // With only white space left, c keeps 'f' and the next round meets
        // the end of the file before a number.
        in.readChar(c);
        if (!addNumberedFace(pending, i, j, k)) return ReadStatus::BadFaces;
    }
    pending.flush();
    return ReadStatus::Loaded;
}

}  // namespace

ReadStatus readSmf(Mesh& mesh, const char* fileName) {
    TextStream in;
    if (!in.open(fileName)) return ReadStatus::FileNotFound;
    return readWholeInput(in, [&] { return parseSmf(mesh, in); });
}

ReadStatus readSmfText(Mesh& mesh, const char* data, std::size_t size) {
    TextStream in;
    in.openBuffer(data, size);
    return readWholeInput(in, [&] { return parseSmf(mesh, in); });
}

}  // namespace zeq
