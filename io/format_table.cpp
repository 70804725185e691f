#include "io/format_table.h"

#include "io/obj_reader.h"
#include "io/obj_writer.h"
#include "io/off_reader.h"
#include "io/off_writer.h"
#include "io/output_file.h"
#include "io/ply_reader.h"
#include "io/ply_writer.h"
#include "io/record_files.h"
#include "io/smf_reader.h"
#include "io/smf_writer.h"
#include "io/stl_reader.h"
#include "io/stl_writer.h"

namespace zeq {

namespace {

// Each reader and writer behind the table's uniform signatures; what a
// format does not take (a flavour, welding, carrying) is left aside.
const FormatHandlers kSmf{
    MeshFormat::Smf, "", "smf", false,
    [](Mesh& m, const char* name, FileFlavour&, bool weld, bool) { return readSmf(m, name, weld); },
    [](Mesh& m, const char* data, std::size_t size, const char*, FileFlavour&, bool weld, bool) {
        return readSmfText(m, data, size, weld);
    },
    [](const char* name, RecordSink& sink, FileFlavour&, bool, std::unique_ptr<MeshAttributes>*) {
        return readSmfRecords(name, sink);
    },
    [](Mesh& m, const char* name, const FileFlavour&, std::string* copy) { return writeSmf(m, name, copy); },
    [](OutputFile& out, const PlainMesh& mesh, const FileFlavour&) { writeTextRecords(out, mesh, MeshFormat::Smf); },
};

const FormatHandlers kOff{
    MeshFormat::Off, "off", "off", false,
    [](Mesh& m, const char* name, FileFlavour&, bool weld, bool) { return readOff(m, name, weld); },
    [](Mesh& m, const char* data, std::size_t size, const char* name, FileFlavour&, bool weld, bool) {
        return readOffText(m, data, size, name, weld);
    },
    [](const char* name, RecordSink& sink, FileFlavour&, bool, std::unique_ptr<MeshAttributes>*) {
        return readOffRecords(name, sink);
    },
    [](Mesh& m, const char* name, const FileFlavour&, std::string* copy) { return writeOff(m, name, copy); },
    [](OutputFile& out, const PlainMesh& mesh, const FileFlavour&) { writeTextRecords(out, mesh, MeshFormat::Off); },
};

const FormatHandlers kPly{
    MeshFormat::Ply, ".ply", "ply", true,
    [](Mesh& m, const char* name, FileFlavour& flavour, bool weld, bool carry) {
        return readPly(m, name, flavour, weld, carry);
    },
    [](Mesh& m, const char* data, std::size_t size, const char*, FileFlavour& flavour, bool weld, bool carry) {
        return readPlyData(m, data, size, flavour, weld, carry);
    },
    [](const char* name, RecordSink& sink, FileFlavour& flavour, bool weld,
       std::unique_ptr<MeshAttributes>* attributes) { return readPlyRecords(name, sink, flavour, weld, attributes); },
    [](Mesh& m, const char* name, const FileFlavour& flavour, std::string* copy) {
        return writePly(m, name, flavour, copy);
    },
    writePlyRecords,
};

const FormatHandlers kStl{
    MeshFormat::Stl, ".stl", "stl", true,
    [](Mesh& m, const char* name, FileFlavour& flavour, bool, bool carry) { return readStl(m, name, flavour, carry); },
    [](Mesh& m, const char* data, std::size_t size, const char*, FileFlavour& flavour, bool, bool carry) {
        return readStlData(m, data, size, flavour, carry);
    },
    [](const char* name, RecordSink& sink, FileFlavour& flavour, bool, std::unique_ptr<MeshAttributes>* attributes) {
        return readStlRecords(name, sink, flavour, attributes);
    },
    [](Mesh& m, const char* name, const FileFlavour& flavour, std::string* copy) {
        return writeStl(m, name, flavour, copy);
    },
    writeStlRecords,
};

const FormatHandlers kObj{
    MeshFormat::Obj, ".obj", "obj", true,
    [](Mesh& m, const char* name, FileFlavour& flavour, bool weld, bool carry) {
        return readObj(m, name, weld, carry ? &flavour : nullptr);
    },
    [](Mesh& m, const char* data, std::size_t size, const char*, FileFlavour& flavour, bool weld, bool carry) {
        return readObjText(m, data, size, weld, carry ? &flavour : nullptr);
    },
    [](const char* name, RecordSink& sink, FileFlavour& flavour, bool weld,
       std::unique_ptr<MeshAttributes>* attributes) { return readObjRecords(name, sink, weld, &flavour, attributes); },
    [](Mesh& m, const char* name, const FileFlavour& flavour, std::string* copy) {
        return writeObj(m, name, flavour, copy);
    },
    [](OutputFile& out, const PlainMesh& mesh, const FileFlavour&) { writeTextRecords(out, mesh, MeshFormat::Obj); },
};

}  // namespace

const FormatHandlers& handlersOf(MeshFormat format) {
    switch (format) {
        case MeshFormat::Off: return kOff;
        case MeshFormat::Ply: return kPly;
        case MeshFormat::Stl: return kStl;
        case MeshFormat::Obj: return kObj;
        case MeshFormat::Smf: break;
    }
    return kSmf;
}

}  // namespace zeq
