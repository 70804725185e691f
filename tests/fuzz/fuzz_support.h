// Helpers shared by the fuzz drivers.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <set>
#include <sstream>
#include <tuple>
#include <string>
#include <vector>

#include "io/live_mesh.h"
#include "io/off_reader.h"
#include "io/smf_reader.h"
#include "mesh/handles.h"
#include "io/carried_data.h"
#include "io/mesh_format.h"
#include "mesh/mesh.h"

namespace zeq::fuzz {

// The readers and the driver print to stdout; keep libFuzzer's log readable.
inline void silenceStdout() {
    if (std::freopen("/dev/null", "w", stdout) == nullptr) std::abort();
}

// The run every input is loaded into, bound to the fuzzing thread for the
// whole program; its console prints as the program's does.
struct BoundRun {
    RunState run;
    RunScope scope{run};
    BoundRun() { run.console = standardOutput(); }
};
inline BoundRun boundRun;

inline void require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

// What every load leaves behind, whatever its status: each face holds three
// edges, each of those edges has two ends that list it and lists the face,
// and each edge of the mesh belongs to some face.
inline void checkLoadedMesh(const Mesh& mesh) {
    require(mesh.edges.size() <= 3 * mesh.faces.size(), "more edges than 3 per face");
    for (const FaceId f : mesh.faces) {
        require(f->edges.size() == 3, "loaded face without three edges");
        for (const EdgeId e : f->edges) {
            require(e->end1 != nullptr && e->end2 != nullptr, "edge end missing");
            require(e->end1->edges.contains(e) && e->end2->edges.contains(e),
                    "edge not listed by its ends");
            require(e->faces.contains(f), "edge does not list its face");
        }
    }
    for (const EdgeId e : mesh.edges) require(!e->faces.empty(), "loaded edge without face");
}

// What a reader of text in memory may return, and what each status leaves in
// the mesh; then the structure of whatever was built. A reader whose vertex
// records may follow faces (OBJ, and STL, which builds each facet as it comes)
// can fail on a vertex after building faces: pass `verticesFirst` false for it.
inline void checkReadOutcome(int status, std::size_t size, bool verticesFirst = true) {
    require(status >= 0 && status <= 7, "status out of range");
    require(status != 1, "text in memory reported as not found");
    require((status == 2) == (size == 0), "status 2 exactly for empty text");
    if (status == 2 || status == 3 || status == 7)
        require(theMesh().vertices.empty() && theMesh().faces.empty(), "header failure left records behind");
    if (status == 4 && verticesFirst) require(theMesh().faces.empty(), "faces built before status 4");
    checkLoadedMesh(theMesh());
}

// A file in a scratch directory of this process, made on first use and
// removed with the file at exit. One name per process: the drivers write one
// output at a time.
inline const std::string& scratchFile(const char* name) {
    static const std::string path = [name] {
        char dir[] = "/tmp/zeq-fuzz-XXXXXX";
        require(mkdtemp(dir) != nullptr, "mkdtemp");
        static std::string directory = dir;
        static std::string file = directory + "/" + name;
        std::atexit([] {
            std::remove(file.c_str());
            rmdir(directory.c_str());
        });
        return file;
    }();
    return path;
}

// The corners faceCorners fills in.
using CornerArray = std::array<VertexId, 3>;

// What a writer is given of a loaded mesh: the live vertices' positions in
// list order and, per writable face in list order, its corners' positions (or
// nothing for a face whose corners are not three distinct vertices, which the
// writers may write in another form).
struct WrittenMesh {
    std::vector<Point3> vertices;
    std::vector<std::array<Point3, 3>> faces;
    std::vector<bool> comparable;
};

inline WrittenMesh liveView(const Mesh& mesh) {
    WrittenMesh w;
    for (const VertexId v : mesh.vertices)
        if (isLive(v)) w.vertices.push_back(v->positionCopy());
    CornerArray c;
    for (const FaceId f : mesh.faces) {
        if (!isLive(f) || !faceCorners(f, c)) continue;
        w.faces.push_back({c[0]->positionCopy(), c[1]->positionCopy(), c[2]->positionCopy()});
        w.comparable.push_back(c[0] != c[1] && c[1] != c[2] && c[0] != c[2]);
    }
    require(static_cast<long>(w.faces.size()) == countWritableFaces(mesh), "writable face count");
    return w;
}

inline bool samePoint(const Point3& a, const Point3& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

// The global mesh, read back from a writer's output, against what was
// written: the same faces in the same order with corners at the same
// positions, and either the same vertices in the same order (`sameVertices`)
// or at most as many (a format that welds corners by position and holds no
// unused vertex).
// What a load carries is sized for every record it made.
inline void checkAttributes(const Mesh& mesh) {
    if (mesh.attributes)
        require(mesh.attributes->sizedFor(mesh.createdVertices(), mesh.createdFaces()),
                "carried records do not match the mesh's");
}

inline void checkReadBack(const WrittenMesh& w, bool sameVertices) {
    checkLoadedMesh(theMesh());
    require(theMesh().faces.size() == w.faces.size(), "read-back face count differs from the faces written");
    if (sameVertices) {
        require(theMesh().vertices.size() == w.vertices.size(), "read-back vertex count differs from the vertices written");
        for (std::size_t i = 0; i < w.vertices.size(); ++i)
            require(samePoint(theMesh().vertices[i]->positionCopy(), w.vertices[i]), "read-back vertex moved");
    } else {
        require(theMesh().vertices.size() <= w.vertices.size(), "read-back holds more vertices than written");
    }
    CornerArray c;
    for (std::size_t k = 0; k < w.faces.size(); ++k) {
        if (!w.comparable[k]) continue;
        require(faceCorners(theMesh().faces[k], c), "read-back face cannot be written");
        for (int i = 0; i < 3; ++i)
            require(samePoint(c[i]->positionCopy(), w.faces[k][i]), "read-back face corner moved");
    }
}

// True when the face's edges are three distinct edges around three distinct
// vertices. A load builds a face that names a vertex twice from whatever
// edges its lookups find (the last edge of that vertex, a pair of parallel
// edges), and its corners cannot be told from them.
inline bool isTriangle(const FaceId f) {
    if (f->edges.size() != 3) return false;
    std::vector<VertexId> ends;
    for (const EdgeId e : f->edges) {
        if (e->end1 == e->end2) return false;
        ends.push_back(e->end1);
        ends.push_back(e->end2);
    }
    for (const VertexId v : ends)
        if (std::count(ends.begin(), ends.end(), v) != 2) return false;
    return f->edges[0] != f->edges[1] && f->edges[1] != f->edges[2] && f->edges[0] != f->edges[2];
}

// The corner positions of every face in list order; none for a face that is
// not a triangle (isTriangle).
inline std::vector<std::vector<Point3>> cornerPositions(const Mesh& mesh) {
    std::vector<std::vector<Point3>> out;
    CornerArray c;
    for (const FaceId f : mesh.faces) {
        out.emplace_back();
        if (isTriangle(f) && faceCorners(f, c))
            for (const VertexId v : c) out.back().push_back(v->positionCopy());
    }
    return out;
}

// The input a driver has loaded into the global mesh (with `status`, and
// welded when `welded`), loaded again by load(!welded): the second load
// ends alike, with the same faces in the same order whose corners lie where
// they lay, and the welded one of the two has no two vertices at one
// position (0 and -0 alike) and at most as many vertices as the other.
inline void checkWeldingAgrees(int status, bool welded, const std::function<int(bool)>& load) {
    const std::vector<std::vector<Point3>> first = cornerPositions(theMesh());
    const std::size_t firstVertices = theMesh().vertices.size();
    resetRunState();
    const int again = load(!welded);
    checkLoadedMesh(theMesh());
    require(again == status, "welding changed the status");
    const std::vector<std::vector<Point3>> second = cornerPositions(theMesh());
    require(first.size() == second.size(), "welding changed the face count");
    for (std::size_t k = 0; k < first.size(); ++k) {
        if (first[k].empty() || second[k].empty()) continue;
        // Two corners at one position name one vertex once welded: the
        // welded face is one of those built from whatever edges are found.
        const std::vector<Point3>& p = welded ? second[k] : first[k];
        if (samePoint(p[0], p[1]) || samePoint(p[1], p[2]) || samePoint(p[0], p[2])) continue;
        for (int i = 0; i < 3; ++i) require(samePoint(first[k][i], second[k][i]), "welding moved a corner");
    }
    require(welded ? firstVertices <= theMesh().vertices.size() : theMesh().vertices.size() <= firstVertices,
            "welding added vertices");
    if (welded) {
        resetRunState();
        load(true);
    }
    std::set<std::tuple<double, double, double>> positions;
    for (const VertexId v : theMesh().vertices) {
        const Point3 p = v->positionCopy();
        positions.emplace(p.x + 0.0, p.y + 0.0, p.z + 0.0);
    }
    require(positions.size() == theMesh().vertices.size(), "welded vertices share a position");
}

// Whether a written file has values to carry back: values of vertices,
// corners or faces, or PLY elements copied through.
inline bool carriesValues(const Mesh& mesh, const FileFlavour& flavour) {
    const bool values = mesh.attributes && (!mesh.attributes->vertexLayout.empty() || !mesh.attributes->faceLayout.empty());
    return values || (flavour.carried && !flavour.carried->ply.copies.empty());
}

// Carrying what a file holds never changes the mesh a load builds: `load`
// (carrying as told) gives the same status and corners without carrying
// when it loads with carrying. Leaves the carrying load in the mesh.
inline void checkCarryingAgrees(int status, const std::function<int(bool)>& load) {
    checkAttributes(theMesh());
    if (status != 0) return;
    const std::vector<std::vector<Point3>> carried = cornerPositions(theMesh());
    resetRunState();
    require(load(false) == 0, "a file loads with what it carries but not without");
    require(!theMesh().attributes, "positions alone carried something");
    const std::vector<std::vector<Point3>> bare = cornerPositions(theMesh());
    require(carried.size() == bare.size(), "carrying changed the face count");
    for (std::size_t k = 0; k < carried.size(); ++k)
        for (std::size_t i = 0; i < carried[k].size() && i < bare[k].size(); ++i)
            require(samePoint(carried[k][i], bare[k][i]), "carrying moved a corner");
    resetRunState();
    load(true);
}

// The numbers of vertex and face lines in a writer's output.
struct WrittenCounts {
    long vertices = 0;
    long faces = 0;
};

// Checks the form of a writer's output: the header, the vertex lines, then
// the face lines, each naming three written vertices; every line ends in '\n'.
inline WrittenCounts checkWrittenText(const std::string& text, bool off) {
    require(!text.empty() && text.back() == '\n', "written file does not end in a line end");
    std::istringstream lines(text);
    std::string line;
    WrittenCounts n;
    long announcedV = -1, announcedF = -1;
    std::getline(lines, line);
    require(line == (off ? "OFF" : "#SMF"), "written keyword line");
    if (off) {
        std::getline(lines, line);
        char rest = 0;
        require(std::sscanf(line.c_str(), "%ld %ld 0%c", &announcedV, &announcedF, &rest) == 2,
                "written OFF counts line");
    }
    while (std::getline(lines, line)) {
        const bool faceLine = off ? n.vertices == announcedV : line.rfind("f ", 0) == 0;
        if (!faceLine) {
            require(n.faces == 0 && (off || line.rfind("v ", 0) == 0), "vertex line out of place");
            // The readers take no inf or nan: every written coordinate is finite.
            double x, y, z;
            require(std::sscanf(line.c_str() + (off ? 0 : 2), "%lf %lf %lf", &x, &y, &z) == 3,
                    "written vertex line");
            require(std::isfinite(x) && std::isfinite(y) && std::isfinite(z),
                    "written coordinate is not finite");
            ++n.vertices;
            continue;
        }
        long c[3];
        require(std::sscanf(line.c_str(), off ? "3  %ld %ld %ld" : "f %ld %ld %ld ", &c[0], &c[1],
                            &c[2]) == 3, "written face line");
        for (long k : c) {
            const long index = off ? k : k - 1;
            require(index >= 0 && index < n.vertices, "face line names an unwritten vertex");
        }
        ++n.faces;
    }
    if (off) require(n.vertices == announcedV && n.faces == announcedF, "OFF counts line is wrong");
    return n;
}

// A writer's output has the writer's form and loads again with the counts it
// shows. An SMF output without face lines cannot load: without a 'v' line it
// is status 3, with vertex lines but no face 4. The output is loaded into the
// global mesh, emptied first: whatever it held before is gone afterwards.
inline void checkReadsBack(const std::string& text, bool off) {
    const WrittenCounts n = checkWrittenText(text, off);
    resetRunState();
    const int status = static_cast<int>(off ? readOffText(theMesh(), text.data(), text.size(), "out.off")
                                            : readSmfText(theMesh(), text.data(), text.size()));
    require(status == (off || n.faces > 0 ? 0 : n.vertices > 0 ? 4 : 3),
            "written file does not load back");
    if (status == 0)
        require(static_cast<long>(theMesh().faces.size()) == n.faces &&
                    static_cast<long>(theMesh().vertices.size()) == n.vertices,
                "reloaded counts differ from the written lines");
    checkLoadedMesh(theMesh());
}

}  // namespace zeq::fuzz
