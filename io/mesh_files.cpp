#include "io/mesh_files.h"

#include <new>

#include "io/format_table.h"

namespace zeq {


ReadStatus readMeshFile(Mesh& mesh, MeshFormat format, const char* fileName, FileFlavour& flavour,
                        Welding welding, Carrying carrying) {
    flavour = FileFlavour{};
    const bool weld = welding == Welding::Default ? weldsByDefault(format) : welding == Welding::On;
    try {
        return handlersOf(format).readFile(mesh, fileName, flavour, weld, carrying == Carrying::Attributes);
    } catch (const std::bad_alloc&) {
        // The input does not fit in memory. The records built so far stay in
        // the mesh until it is torn down; the reader's own buffers and its
        // parsing thread are gone by now.
        return ReadStatus::OutOfMemory;
    }
}

int writeMeshFile(Mesh& mesh, MeshFormat format, const char* fileName, const FileFlavour& flavour,
                  std::string* copy) {
    try {
        return handlersOf(format).writeMesh(mesh, fileName, flavour, copy);
    } catch (const std::bad_alloc&) {
        // The writer's OutputFile has removed its temporary file on the way
        // out; a file that was there before is untouched.
        return 1;
    }
}

}  // namespace zeq
