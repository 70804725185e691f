// Helpers shared by the fuzz drivers.
#pragma once

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "io/off_reader.h"
#include "io/smf_reader.h"
#include "mesh/mesh.h"

namespace zeq::fuzz {

// The readers and the driver print to stdout; keep libFuzzer's log readable.
inline void silenceStdout() {
    if (std::freopen("/dev/null", "w", stdout) == nullptr) std::abort();
}

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
    for (const Face* f : mesh.faces) {
        require(f->edges.size() == 3, "loaded face without three edges");
        for (const Edge* e : f->edges) {
            require(e->end1 != nullptr && e->end2 != nullptr, "edge end missing");
            require(e->end1->edges.contains(e) && e->end2->edges.contains(e),
                    "edge not listed by its ends");
            require(e->faces.contains(f), "edge does not list its face");
        }
    }
    for (const Edge* e : mesh.edges) require(!e->faces.empty(), "loaded edge without face");
}

// What a reader of text in memory may return, and what each status leaves in
// the mesh; then the structure of whatever was built.
inline void checkReadOutcome(int status, std::size_t size) {
    require(status >= 0 && status <= 5, "status out of range");
    require(status != 1, "text in memory reported as not found");
    require((status == 2) == (size == 0), "status 2 exactly for empty text");
    if (status == 2 || status == 3)
        require(theMesh.vertices.empty() && theMesh.faces.empty(), "header failure left records behind");
    if (status == 4) require(theMesh.faces.empty(), "faces built before status 4");
    checkLoadedMesh(theMesh);
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
// is status 3, with vertex lines but no face 4.
inline void checkReadsBack(const std::string& text, bool off) {
    const WrittenCounts n = checkWrittenText(text, off);
    Mesh back;
    const int status = static_cast<int>(off ? readOffText(back, text.data(), text.size(), "out.off")
                                            : readSmfText(back, text.data(), text.size()));
    require(status == (off || n.faces > 0 ? 0 : n.vertices > 0 ? 4 : 3),
            "written file does not load back");
    if (status == 0)
        require(static_cast<long>(back.faces.size()) == n.faces &&
                    static_cast<long>(back.vertices.size()) == n.vertices,
                "reloaded counts differ from the written lines");
    checkLoadedMesh(back);
}

}  // namespace zeq::fuzz
