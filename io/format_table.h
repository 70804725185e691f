// What differs from one file format to the next, in one table: how a name
// tells the format, whether its loads weld by default, and its reader and
// writer for each use (a file into a mesh, bytes in memory into a mesh, a
// file's records into a sink, the live mesh into a file, plain records into
// a file).
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "io/mesh_format.h"
#include "io/read_status.h"

namespace zeq {

class Mesh;
class MeshAttributes;
class OutputFile;
class RecordSink;
struct PlainMesh;

struct FormatHandlers {
    MeshFormat format;
    // The ending that names the format (compared without case), and the
    // extension a file of it is given.
    const char* nameEnding;
    const char* extension;
    bool weldsByDefault;
    ReadStatus (*readFile)(Mesh& mesh, const char* fileName, FileFlavour& flavour, bool weld, bool carry);
    ReadStatus (*readBytes)(Mesh& mesh, const char* data, std::size_t size, const char* name, FileFlavour& flavour,
                            bool weld, bool carry);
    ReadStatus (*readRecords)(const char* fileName, RecordSink& sink, FileFlavour& flavour, bool weld,
                              std::unique_ptr<MeshAttributes>* attributes);
    int (*writeMesh)(Mesh& mesh, const char* fileName, const FileFlavour& flavour, std::string* copy);
    // Every coordinate written so that it reads back as the same number.
    void (*writeRecords)(OutputFile& out, const PlainMesh& mesh, const FileFlavour& flavour);
};

// The table's entry for `format`.
const FormatHandlers& handlersOf(MeshFormat format);

// The formats in the order their name endings are tested; SMF, which any
// other name is, comes last.
inline constexpr MeshFormat kFormatsByName[] = {MeshFormat::Ply, MeshFormat::Stl, MeshFormat::Obj, MeshFormat::Off,
                                                MeshFormat::Smf};

}  // namespace zeq
