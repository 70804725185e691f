#include "io/mesh_files.h"

#include <new>

#include "io/obj_reader.h"
#include "io/obj_writer.h"
#include "io/off_reader.h"
#include "io/off_writer.h"
#include "io/ply_reader.h"
#include "io/ply_writer.h"
#include "io/smf_reader.h"
#include "io/smf_writer.h"
#include "io/stl_reader.h"
#include "io/stl_writer.h"

namespace zeq {

namespace {

ReadStatus readWithReader(Mesh& mesh, MeshFormat format, const char* fileName, FileFlavour& flavour, bool weld,
                          bool carry) {
    switch (format) {
        case MeshFormat::Smf: return readSmf(mesh, fileName, weld);
        case MeshFormat::Off: return readOff(mesh, fileName, weld);
        case MeshFormat::Ply: return readPly(mesh, fileName, flavour, weld, carry);
        case MeshFormat::Stl: return readStl(mesh, fileName, flavour, carry);
        case MeshFormat::Obj: return readObj(mesh, fileName, weld, carry ? &flavour : nullptr);
    }
    return readSmf(mesh, fileName, weld);
}

int writeWithWriter(Mesh& mesh, MeshFormat format, const char* fileName, const FileFlavour& flavour,
                    std::string* copy) {
    switch (format) {
        case MeshFormat::Smf: return writeSmf(mesh, fileName, copy);
        case MeshFormat::Off: return writeOff(mesh, fileName, copy);
        case MeshFormat::Ply: return writePly(mesh, fileName, flavour, copy);
        case MeshFormat::Stl: return writeStl(mesh, fileName, flavour, copy);
        case MeshFormat::Obj: return writeObj(mesh, fileName, flavour, copy);
    }
    return writeSmf(mesh, fileName, copy);
}

}  // namespace

ReadStatus readMeshFile(Mesh& mesh, MeshFormat format, const char* fileName, FileFlavour& flavour,
                        Welding welding, Carrying carrying) {
    flavour = FileFlavour{};
    const bool weld = welding == Welding::Default ? weldsByDefault(format) : welding == Welding::On;
    try {
        return readWithReader(mesh, format, fileName, flavour, weld, carrying == Carrying::Attributes);
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
        return writeWithWriter(mesh, format, fileName, flavour, copy);
    } catch (const std::bad_alloc&) {
        // The writer's OutputFile has removed its temporary file on the way
        // out; a file that was there before is untouched.
        return 1;
    }
}

}  // namespace zeq
