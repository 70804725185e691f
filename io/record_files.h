// Reading and writing a mesh as plain records: vertex positions and face
// corner triples, without building zeq's topology.
//
// zeq-tiles cuts meshes far larger than zeq's topology would hold, and must
// read exactly the records zeq reads: the same parsers run here, over a sink
// that keeps the records instead of building edges.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "io/build_face.h"
#include "io/mesh_format.h"
#include "io/read_status.h"
#include "mesh/attributes.h"

namespace zeq {

class OutputFile;

// A record sink for the readers' parsers (see io/mesh_builder.h for the
// calls). Checks each face's corners against the vertices read so far, as a
// load does, and hands the records on to onVertex and onFace.
class RecordSink {
public:
    virtual ~RecordSink() = default;

    void header(int, int) {}
    void vertex(double x, double y, double z) {
        ++vertexCount_;
        onVertex(x, y, z);
    }
    void verticesDone() {}
    bool face(long long i, long long j, long long k) {
        if (!cornersInRange(i, j, k, vertexCount_)) return false;
        ++faceCount_;
        onFace(static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(j), static_cast<std::uint32_t>(k));
        return true;
    }
    void endedInFaces() {}

    long long vertexCount() const { return vertexCount_; }
    long long faceCount() const { return faceCount_; }

protected:
    virtual void onVertex(double x, double y, double z) = 0;
    virtual void onFace(std::uint32_t i, std::uint32_t j, std::uint32_t k) = 0;

private:
    long long vertexCount_ = 0;
    long long faceCount_ = 0;
};

// Vertex positions (x, y, z of each) and faces (three 0-based corners each).
struct PlainMesh {
    std::vector<double> positions;
    std::vector<std::uint32_t> corners;

    std::size_t vertexCount() const { return positions.size() / 3; }
    std::size_t faceCount() const { return corners.size() / 3; }
};

// A sink that keeps every record in a PlainMesh.
class PlainMeshSink : public RecordSink {
public:
    explicit PlainMeshSink(PlainMesh& mesh) : mesh_(mesh) {}

protected:
    void onVertex(double x, double y, double z) override { mesh_.positions.insert(mesh_.positions.end(), {x, y, z}); }
    void onFace(std::uint32_t i, std::uint32_t j, std::uint32_t k) override {
        mesh_.corners.insert(mesh_.corners.end(), {i, j, k});
    }

private:
    PlainMesh& mesh_;
};

// Parses `fileName` with the reader of `format` into `sink`, on this thread,
// and records in `flavour` how it was encoded. The statuses are those zeq's
// load gives for the same file; memory running out gives OutOfMemory.
// Vertices with equal positions are welded as zeq welds them by default (STL
// corners, PLY and OBJ vertices).
ReadStatus readRecords(MeshFormat format, const char* fileName, RecordSink& sink, FileFlavour& flavour);

// readRecords as asked: `weld` false keeps every vertex record a vertex of
// its own (STL corners are welded whatever is asked); with `attributes`,
// what the file carries besides positions and triangles is kept, as zeq's
// load keeps it, in *attributes (indexed by the sink's vertices and faces;
// null when the file carries nothing) and flavour.carried.
struct RecordReading {
    bool weld = true;
    std::unique_ptr<MeshAttributes>* attributes = nullptr;
};
ReadStatus readRecords(MeshFormat format, const char* fileName, RecordSink& sink, FileFlavour& flavour,
                       const RecordReading& reading);

// Writes `mesh` to `fileName` in `format` and `flavour`, every coordinate
// written so that it reads back as the same double (the same float for float
// PLY and binary STL). Written through OutputFile: complete or not at all.
// 0 when written, 1 otherwise.
int writePlainMesh(const PlainMesh& mesh, MeshFormat format, const char* fileName, const FileFlavour& flavour);

// Writes `mesh` with what its vertices, corners and faces carry
// (`attributes`, sized for its records, with flavour.carried) as zeq writes
// a mesh that carries them: the mesh is built in theMesh for the writer and
// taken down again, `attributes` lent to it meanwhile. A face whose corners are not three different vertices
// cannot be written and is left out; `writtenFaces`, when given, receives
// the count written. With `originsName`, also writes there which of `mesh`'s
// vertices each written vertex record is (see writtenVertexOrigins). 0 when
// written, 1 otherwise.
int writeCarriedMesh(const PlainMesh& mesh, std::unique_ptr<MeshAttributes>& attributes, MeshFormat format,
                     const char* fileName, const FileFlavour& flavour, long long* writtenFaces = nullptr,
                     const char* originsName = nullptr);

// Plain records in the text formats (SMF, OFF, OBJ) and STL, every
// coordinate written so that it reads back as the same number.
void writeTextRecords(OutputFile& out, const PlainMesh& mesh, MeshFormat format);
void writeStlRecords(OutputFile& out, const PlainMesh& mesh, const FileFlavour& flavour);

// The file-name ending that formatOfName reads back as `format`.
const char* extensionOf(MeshFormat format);

// The per-format entry points behind readRecords, one in each reader.
ReadStatus readSmfRecords(const char* fileName, RecordSink& sink);
ReadStatus readOffRecords(const char* fileName, RecordSink& sink);
ReadStatus readPlyRecords(const char* fileName, RecordSink& sink, FileFlavour& flavour, bool weld,
                          std::unique_ptr<MeshAttributes>* attributes = nullptr);
ReadStatus readStlRecords(const char* fileName, RecordSink& sink, FileFlavour& flavour,
                          std::unique_ptr<MeshAttributes>* attributes = nullptr);
ReadStatus readObjRecords(const char* fileName, RecordSink& sink, bool weld, FileFlavour* flavour = nullptr,
                          std::unique_ptr<MeshAttributes>* attributes = nullptr);

}  // namespace zeq
