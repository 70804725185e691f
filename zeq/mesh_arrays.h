// Between the library's arrays and the run's mesh: loading a mesh given as
// arrays, and taking the arrays of what the writers would write.
#pragma once

#include <cstdint>
#include <vector>

#include "io/mesh_format.h"
#include "mesh/attributes.h"
#include "zeq/run_request.h"
#include "zeq/zeq.h"

namespace zeq {

// How a file stored its mesh, as read() found it; the layouts are those of
// the properties the mesh's arrays carry, in that order.
struct FileForm {
    MeshFormat format = MeshFormat::Ply;
    FileFlavour flavour;
    RecordLayout vertexLayout;
    std::size_t vertexPart = 0;
    RecordLayout faceLayout;
};

// Loads `view` into the current run's mesh as a PLY file of the same records
// loads (the same builder, the same console lines, `name` naming the input),
// welding when asked, and carrying its properties when `attributes`. With
// `form`, properties that match its layouts take their blends from it. A
// coordinate that is not finite, a corner that names no vertex, a property
// of the wrong length or an array of the wrong shape or type is refused as
// the program refuses such a file; memory running out comes back as such.
Refusal loadArrays(const MeshView& view, bool weld, bool attributes, const char* name, const FileForm* form);

// The current run's mesh as the writers write it: the live vertices in list
// order (then the copies a vertex needs for corners that carry other
// values), the faces the writers write with their corners in written order,
// and each vertex's origin (the load's number of the vertex it stands for).
void takeArrays(TriangleMesh& out, std::vector<std::uint32_t>* origins);

}  // namespace zeq
