// Loading a mesh from what its writer has just written, without reading the
// file back.
#pragma once

#include <exception>
#include <string>
#include <thread>

#include "io/mesh_files.h"
#include "io/record_files.h"

namespace zeq {

// What the writer of a format wrote for a mesh, kept so that it can be
// loaded again exactly as its reader would load the file: the same vertex
// records in the same order with their coordinates as they read back, the
// same faces, the same welding and the same messages.
//
// A mesh written as positions and triangles alone is kept as those records,
// taken from the mesh after the writer numbered it. A mesh that carries
// attributes (whose writer lays out vertex copies, texture coordinates and
// statements of its own) is kept as the bytes written, which the reader
// then parses from memory.
class WrittenMesh {
public:
    // Before writing `mesh` in `flavour`: where the writer must copy its
    // bytes (see writeMeshFile), or null when the records will do.
    std::string* bytesFor(const Mesh& mesh, const FileFlavour& flavour);

    // Keeps what the writer writes for `mesh` in `format` and `flavour`.
    // The records are taken on a thread of their own while the writer
    // runs (both only read the mesh, numbered here first); finishKeeping
    // waits for them. With the bytes kept, there is nothing to take.
    WrittenMesh() = default;
    WrittenMesh(const WrittenMesh&) = delete;
    WrittenMesh& operator=(const WrittenMesh&) = delete;
    ~WrittenMesh();
    void startKeeping(Mesh& mesh, MeshFormat format, const FileFlavour& flavour);
    // Throws what taking the records threw (memory running out).
    void finishKeeping();

    // Loads what was kept into `mesh` (empty) as readMeshFile loads the
    // written file `name`, setting `flavour` as that would.
    ReadStatus load(Mesh& mesh, const char* name, FileFlavour& flavour, Welding welding, Carrying carrying);

private:
    MeshFormat format_ = MeshFormat::Smf;
    FileFlavour flavour_;
    bool fromBytes_ = false;
    std::string bytes_;
    PlainMesh records_;
    std::thread taker_;
    std::exception_ptr error_;
};

// The name of level `level` (from 1) of a run writing several levels to
// `output`: "-" and the level's number before the name's extension (the
// last '.' after the last '/'), or at its end when it has none.
std::string levelName(const char* output, int level);

}  // namespace zeq
