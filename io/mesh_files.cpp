#include "io/mesh_files.h"

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

ReadStatus readMeshFile(Mesh& mesh, MeshFormat format, const char* fileName, FileFlavour& flavour) {
    flavour = FileFlavour{};
    switch (format) {
        case MeshFormat::Smf: return readSmf(mesh, fileName);
        case MeshFormat::Off: return readOff(mesh, fileName);
        case MeshFormat::Ply: return readPly(mesh, fileName, flavour);
        case MeshFormat::Stl: return readStl(mesh, fileName, flavour);
        case MeshFormat::Obj: return readObj(mesh, fileName);
    }
    return readSmf(mesh, fileName);
}

int writeMeshFile(Mesh& mesh, MeshFormat format, const char* fileName, const FileFlavour& flavour) {
    switch (format) {
        case MeshFormat::Smf: return writeSmf(mesh, fileName);
        case MeshFormat::Off: return writeOff(mesh, fileName);
        case MeshFormat::Ply: return writePly(mesh, fileName, flavour);
        case MeshFormat::Stl: return writeStl(mesh, fileName, flavour);
        case MeshFormat::Obj: return writeObj(mesh, fileName);
    }
    return writeSmf(mesh, fileName);
}

}  // namespace zeq
