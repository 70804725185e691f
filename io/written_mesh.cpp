#include "io/written_mesh.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <string_view>
#include <system_error>
#include <thread>

#include "io/format_table.h"
#include "io/live_mesh.h"
#include "io/mesh_builder.h"
#include "io/number_format.h"
#include "io/obj_reader.h"
#include "io/off_reader.h"
#include "io/ply_reader.h"
#include "io/smf_reader.h"
#include "io/stl_reader.h"
#include "io/weld.h"

namespace zeq {

namespace {

// A coordinate as the SMF and OFF readers take it back from its "%g" text.
double readBackG(double value) {
    char text[kNumberChars + 1];
    char* end = formatG(text, value);
    double parsed = 0.0;
    const auto [stop, error] = std::from_chars(text, end, parsed);
    if (error == std::errc() && stop == end) return parsed;
    // Below the double range: the nearest representable value, as there.
    *end = '\0';
    return std::strtod(text, nullptr);
}

// A coordinate as the file holds it: rounded to its "%g" text (SMF, OFF), to
// a float (float PLY, binary STL), or exactly (the shortest text of a double).
double heldCoordinate(double value, MeshFormat format, const FileFlavour& flavour) {
    switch (format) {
        case MeshFormat::Smf:
        case MeshFormat::Off: return readBackG(value);
        case MeshFormat::Ply:
            return flavour.doubleCoordinates ? value : static_cast<double>(static_cast<float>(value));
        case MeshFormat::Stl: return flavour.binary() ? static_cast<double>(static_cast<float>(value)) : value;
        case MeshFormat::Obj: return value;
    }
    return value;
}

// The records played into `sink` in the order each parser sends a file's:
// OFF's header counts first, the vertices, the faces, and (but for OFF,
// whose parser stops at the last face it was told of) the end inside the
// faces.
template <class Sink>
ReadStatus playRecords(const PlainMesh& records, MeshFormat format, Sink& sink) {
    if (format == MeshFormat::Off)
        sink.header(static_cast<int>(records.vertexCount()), static_cast<int>(records.faceCount()));
    const std::vector<double>& p = records.positions;
    for (std::size_t n = 0; n < p.size(); n += 3) sink.vertex(p[n], p[n + 1], p[n + 2]);
    sink.verticesDone();
    const std::vector<std::uint32_t>& c = records.corners;
    for (std::size_t n = 0; n < c.size(); n += 3)
        if (!sink.face(c[n], c[n + 1], c[n + 2])) return ReadStatus::BadFaces;
    if (format != MeshFormat::Off) sink.endedInFaces();
    return ReadStatus::Loaded;
}

LoadMessages loadMessagesOf(MeshFormat format) {
    switch (format) {
        case MeshFormat::Smf: return LoadMessages::Smf;
        case MeshFormat::Off: return LoadMessages::Off;
        default: return LoadMessages::Totals;
    }
}

ReadStatus loadRecords(Mesh& mesh, const PlainMesh& records, MeshFormat format, const FileFlavour& flavour,
                       const char* name, bool weld) {
    if (format == MeshFormat::Stl) return loadStlFacets(mesh, records, flavour.binary());
    MeshBuilder builder(mesh, loadMessagesOf(format), name);
    auto play = [&records, format](auto& sink) { return playRecords(records, format, sink); };
    // Welded as the reader welds: PLY compares float coordinates as floats,
    // OBJ keeps its welding table through the faces.
    const bool floats = format == MeshFormat::Ply && !flavour.doubleCoordinates;
    const bool verticesFirst = format != MeshFormat::Obj;
    const ReadStatus status = floats ? parseWelded<float>(weld, builder, play, records.vertexCount(), verticesFirst)
                                     : parseWelded<double>(weld, builder, play, records.vertexCount(), verticesFirst);
    builder.finish();
    return status;
}

ReadStatus loadBytes(Mesh& mesh, const std::string& bytes, MeshFormat format, const char* name,
                     FileFlavour& flavour, bool weld, bool carry) {
    return handlersOf(format).readBytes(mesh, bytes.data(), bytes.size(), name, flavour, weld, carry);
}

}  // namespace

std::string* WrittenMesh::bytesFor(const Mesh& mesh, const FileFlavour& flavour) {
    // The writers lay out a mesh of their own only when it carries something.
    fromBytes_ = flavour.carried != nullptr && mesh.attributes != nullptr;
    bytes_.clear();
    return fromBytes_ ? &bytes_ : nullptr;
}

WrittenMesh::~WrittenMesh() {
    if (taker_.joinable()) taker_.join();
}

void WrittenMesh::startKeeping(Mesh& mesh, MeshFormat format, const FileFlavour& flavour) {
    format_ = format;
    flavour_ = flavour;
    records_ = PlainMesh{};
    error_ = nullptr;
    if (fromBytes_) return;
    flavour_.carried = nullptr;
    // The writer numbers the live vertices the same way; once they are, its
    // numbering writes nothing, so the two threads only read the mesh.
    renumberLiveVertices(mesh);
    auto take = [this, &mesh, format, flavour = flavour_, &run = currentRun()] {
        const RunScope scope(run);
        try {
            records_.positions.reserve(3 * mesh.vertices.size());
            records_.corners.reserve(3 * mesh.faces.size());
            forEachWritten(
                mesh,
                [&](const Point3& p) {
                    for (double value : {p.x, p.y, p.z})
                        records_.positions.push_back(heldCoordinate(value, format, flavour));
                },
                [&](const std::array<VertexId, 3>& c) {
                    for (VertexId v : c) records_.corners.push_back(static_cast<std::uint32_t>(v->getId()));
                });
        } catch (...) {
            error_ = std::current_exception();
        }
    };
    try {
        taker_ = std::thread(take);
    } catch (const std::system_error&) {
        take();  // no thread to be had: here, before the writer
    }
}

void WrittenMesh::finishKeeping() {
    if (taker_.joinable()) taker_.join();
    if (error_) std::rethrow_exception(error_);
}

ReadStatus WrittenMesh::load(Mesh& mesh, const char* name, FileFlavour& flavour, Welding welding, Carrying carrying) {
    const bool weld = welding == Welding::Default ? weldsByDefault(format_) : welding == Welding::On;
    try {
        if (fromBytes_) {
            flavour = FileFlavour{};
            return loadBytes(mesh, bytes_, format_, name, flavour, weld, carrying == Carrying::Attributes);
        }
        flavour = flavour_;
        return loadRecords(mesh, records_, format_, flavour, name, weld);
    } catch (const std::bad_alloc&) {
        return ReadStatus::OutOfMemory;
    }
}

std::string levelName(const char* output, int level) {
    const std::string_view name(output);
    const std::size_t slash = name.rfind('/');
    const std::size_t dot = name.rfind('.');
    const bool hasExtension = dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash + 1);
    const std::size_t cut = hasExtension ? dot : name.size();
    std::string result(name.substr(0, cut));
    result += '-';
    result += std::to_string(level);
    result += name.substr(cut);
    return result;
}

}  // namespace zeq
