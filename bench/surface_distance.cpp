// zeq_surface_distance: how far a simplified mesh lies from its input.
//
//   zeq_surface_distance [--samples N] [--seed S] A B
//
// Reads the triangle meshes A (the input) and B (the simplification) with
// zeq's own readers (the format by the name, as zeq takes it) and prints one
// line:
//
//   hausdorff H rms R diagonal D samples N a_to_b_max .. b_to_a_max ..
//   a_to_b_rms .. b_to_a_rms ..
//
// Distances are measured from the points of one mesh to the surface of the
// other (see surface_distance.h): every vertex plus N points (default 200000)
// spread over the triangles by area, from the seed S (default 1) for A's
// points and a stream derived from it for B's. H is the larger of the two
// one-sided maxima; R the root of the mean squared distance over the points
// of both meshes. H, R and the one-sided figures are fractions of D, the
// diagonal of A's bounding box, which is printed as a length. The times and
// point counts go to standard error. Exit status 1 when a mesh cannot be read
// or has no triangles, or A's box is a single point; 2 on a bad command line.

#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>


#include "io/live_mesh.h"
#include "io/mesh_files.h"
#include "io/mesh_format.h"
#include "mesh/mesh.h"
#include "surface_distance.h"

namespace {

using zeq::surface::Surface;

int usage() {
    std::fprintf(stderr, "usage: zeq_surface_distance [--samples N] [--seed S] A B\n");
    return 2;
}

bool parseCount(const char* text, std::uint64_t& value) {
    const std::string_view s(text);
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    return ec == std::errc() && end == s.data() + s.size();
}

// Loads `fileName` into a run of its own and copies out what zeq would
// write of it: the live vertices, numbered in list order, and the faces that
// are triangles. The run's console drops the load's lines.
bool loadSurface(const char* fileName, Surface& s) {
    zeq::RunState run;
    const zeq::RunScope scope(run);
    zeq::FileFlavour flavour;
    const zeq::ReadStatus status =
        zeq::readMeshFile(zeq::theMesh(), zeq::formatOfName(fileName), fileName, flavour);
    bool ok = status == zeq::ReadStatus::Loaded;
    if (!ok) {
        std::fprintf(stderr, "zeq_surface_distance: cannot read %s (status %d)\n", fileName,
                     static_cast<int>(status));
    } else {
        zeq::renumberLiveVertices(zeq::theMesh());
        zeq::forEachWritten(
            zeq::theMesh(), [&](const zeq::Point3& p) { s.positions.push_back({p.x, p.y, p.z}); },
            [&](const std::array<zeq::VertexId, 3>& c) {
                s.triangles.push_back({static_cast<std::uint32_t>(c[0]->getId()),
                                       static_cast<std::uint32_t>(c[1]->getId()),
                                       static_cast<std::uint32_t>(c[2]->getId())});
            });
        if (s.triangles.empty()) {
            std::fprintf(stderr, "zeq_surface_distance: %s has no triangles\n", fileName);
            ok = false;
        }
    }
    return ok;
}

double secondsSince(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

}  // namespace

int main(int argc, char** argv) {
    std::uint64_t samples = 200000, seed = 1;
    const char* names[2] = {nullptr, nullptr};
    int named = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg(argv[i]);
        if (arg == "--samples" || arg == "--seed") {
            if (i + 1 >= argc || !parseCount(argv[i + 1], arg == "--samples" ? samples : seed)) return usage();
            ++i;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return usage();
        } else if (named < 2) {
            names[named++] = argv[i];
        } else {
            return usage();
        }
    }
    if (named != 2) return usage();

    const auto t0 = std::chrono::steady_clock::now();
    Surface a, b;
    if (!loadSurface(names[0], a) || !loadSurface(names[1], b)) return 1;
    const double loadSeconds = secondsSince(t0);

    const auto t1 = std::chrono::steady_clock::now();
    const zeq::surface::Comparison c = zeq::surface::compare(a, b, samples, seed);
    const double measureSeconds = secondsSince(t1);
    if (!(c.diagonal > 0)) {
        std::fprintf(stderr, "zeq_surface_distance: the bounding box of %s is a single point\n", names[0]);
        return 1;
    }

    const double d = c.diagonal;
    std::printf("hausdorff %.6g rms %.6g diagonal %.6g samples %llu a_to_b_max %.6g b_to_a_max %.6g "
                "a_to_b_rms %.6g b_to_a_rms %.6g\n",
                c.hausdorff() / d, c.rms() / d, d, static_cast<unsigned long long>(samples), c.aToB.max / d,
                c.bToA.max / d, c.aToB.rms() / d, c.bToA.rms() / d);
    std::fprintf(stderr,
                 "zeq_surface_distance: A %zu vertices %zu triangles, B %zu vertices %zu triangles; "
                 "points %zu + %zu; load %.2f s, measure %.2f s\n",
                 a.positions.size(), a.triangles.size(), b.positions.size(), b.triangles.size(), c.aToB.points,
                 c.bToA.points, loadSeconds, measureSeconds);
    return 0;
}
