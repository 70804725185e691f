// The building half of a load: records in file order in, mesh and the load's
// messages out.
#pragma once

#include "io/build_face.h"
#include "mesh/mesh.h"

namespace zeq {

// The readers parse their text into calls on a record sink, in file order:
//   header(V, F)      OFF only, once the counts are read
//   vertex(x, y, z)   each vertex record
//   verticesDone()    after the last vertex record
//   face(i, j, k)     each face record, corners 0-based; false when a corner
//                     lies outside the vertices read (the load then fails)
//   endedInFaces()    the input ended inside the face records
// A reader may send more vertex records after faces (an OBJ file may define
// vertices between faces); a face names only vertices read before it.
// MeshBuilder is the sink that builds the mesh and prints the load's
// messages; a RecordPipe sink (record_pipe.h) hands the same calls to
// another thread, which plays them into a MeshBuilder there.
// The messages a load prints:
//   Smf     " V <Vertices>" once the vertices are read, " E <Edges>" and
//           " F <Faces>" when the input ends inside the face records;
//   Off     the header counts, and the totals when the input ends inside the
//           face records;
//   Totals  the three lines of Smf together at the end of a complete load
//           (the PLY, STL and OBJ readers, which end by calling endedInFaces).
enum class LoadMessages { Smf, Off, Totals };

class MeshBuilder {
public:
    // `name` is the input's name as OFF's end-of-reading line prints it.
    MeshBuilder(Mesh& mesh, LoadMessages messages, const char* name)
        : mesh_(mesh), messages_(messages), name_(name), pending_(mesh, counters_) {}
    MeshBuilder(const MeshBuilder&) = delete;
    MeshBuilder& operator=(const MeshBuilder&) = delete;

    void header(int vertexCount, int faceCount);
    void vertex(double x, double y, double z);
    void verticesDone();
    bool face(long long i, long long j, long long k) { return pending_.add(i, j, k); }
    void endedInFaces();
    // Builds the faces still held back; the load calls it however it ends.
    void finish() { pending_.flush(); }

private:
    Mesh& mesh_;
    LoadMessages messages_;
    const char* name_;
    int nextVertexId_ = 0;
    LoadCounters counters_;
    PendingFaces pending_;
};

}  // namespace zeq
