#include "io/off_reader.h"

#include <cstdio>
#include <string>

#include "io/build_face.h"
#include "io/text_stream.h"

namespace zeq {

namespace {

// The keyword buffer holds 99 characters and the terminating zero.
constexpr std::size_t kMaxKeyword = 99;

ReadStatus parseOff(Mesh& mesh, TextStream& in, const char* name) {
    std::string keyword;
    int vertexCount = 0, faceCount = 0, edgeCount = 0;
    in.readWord(keyword, kMaxKeyword);
    in.readInt(vertexCount);
    in.readInt(faceCount);
    in.readInt(edgeCount);
    if (in.fail()) return ReadStatus::BadHeader;
    std::printf(" #Vertices = %d\n #Edges = ??\n #Faces = %d\n", vertexCount, faceCount);

    for (int n = 0; n < vertexCount; ++n) {
        double x = 0.0, y = 0.0, z = 0.0;
        in.readDouble(x);
        in.readDouble(y);
        in.readDouble(z);
        if (in.fail()) return ReadStatus::BadVertices;
        Vertex* v = mesh.newVertex(n, Point3{x, y, z});
        v->vertexMark = 0;
        mesh.addVertex(v);
    }

    reserveFaceLists(mesh);
    LoadCounters counters;
    PendingFaces pending(mesh, counters);
    for (int m = 0; m < faceCount; ++m) {
        int corners = 0, i = 0, j = 0, k = 0;
        in.readInt(corners);
        in.readInt(i);
        in.readInt(j);
        in.readInt(k);
        if (in.eof()) {
            // The file ends inside the face records: a complete last record
            // still counts, a partial one is dropped.
            if (!in.fail() && !pending.add(i, j, k)) return ReadStatus::BadFaces;
            pending.flush();
            std::printf("Total Arestas= %d\n", static_cast<int>(mesh.edges.size()));
            std::printf("Total Faces= %d\n", static_cast<int>(mesh.faces.size()));
            std::printf("Fim da leitura do ficheiro -> %s\n", name);
            return ReadStatus::Loaded;
        }
        if (in.fail() || !pending.add(i, j, k)) {
            pending.flush();
            return ReadStatus::BadFaces;
        }
    }
    pending.flush();
    return ReadStatus::Loaded;
}

}  // namespace

ReadStatus readOff(Mesh& mesh, const char* fileName) {
    TextStream in;
    if (!in.open(fileName)) return ReadStatus::FileNotFound;
    return readWholeInput(in, [&] { return parseOff(mesh, in, fileName); });
}

ReadStatus readOffText(Mesh& mesh, const char* data, std::size_t size, const char* name) {
    TextStream in;
    in.openBuffer(data, size);
    return readWholeInput(in, [&] { return parseOff(mesh, in, name); });
}

}  // namespace zeq
