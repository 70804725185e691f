// zeq_library_time: the library's own time for one simplification, the
// yardstick of the Python module's overhead (bench/python_peers.py
// --overhead times zeq.simplify on the same arrays).
//
//   zeq_library_time [--repeat N] [--ratio R] [--faces F] [--weld] FILE
//
// Reads FILE with zeq::read (not welded unless --weld, as the bench's Python
// side reads it: zeq.read(FILE, weld=False)), then N times (default 5)
// simplifies it with zeq::simplify(zeq::viewOf(mesh), options) to the ratio
// R (default 0.1) or to F faces, timing each call by the wall clock
// (std::chrono::steady_clock). The result of a call is destroyed after its
// time is taken, outside it. It prints one line a run:
//
//   run K wall W orient O simplify S faces M
//
// (O and S: the Figures' processor seconds) and then
//
//   median wall W of N runs, input V vertices F faces, peak_rss_kb P
//
// Exit status 1 when FILE cannot be read or the simplification fails, 2 on
// a bad command line.

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "zeq/zeq.h"

namespace {

int usage() {
    std::fprintf(stderr, "usage: zeq_library_time [--repeat N] [--ratio R] [--faces F] [--weld] FILE\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    int repeat = 5;
    double ratio = 0.1;
    long long faces = 0;
    bool weld = false;
    const char* name = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg(argv[i]);
        if (arg == "--repeat" && i + 1 < argc) {
            repeat = std::atoi(argv[++i]);
        } else if (arg == "--ratio" && i + 1 < argc) {
            ratio = std::strtod(argv[++i], nullptr);
        } else if (arg == "--faces" && i + 1 < argc) {
            faces = std::atoll(argv[++i]);
        } else if (arg == "--weld") {
            weld = true;
        } else if (!arg.empty() && arg[0] != '-' && !name) {
            name = argv[i];
        } else {
            return usage();
        }
    }
    if (!name || repeat < 1) return usage();

    zeq::TriangleMesh mesh;
    const zeq::Status read = zeq::read(name, mesh, weld ? 1 : 0);
    if (!read) {
        std::fprintf(stderr, "%s", read.message.c_str());
        return 1;
    }
    zeq::Options options;
    if (faces > 0)
        options.faces = {faces};
    else
        options.ratios = {ratio};

    std::vector<double> walls;
    for (int k = 0; k < repeat; ++k) {
        const auto t0 = std::chrono::steady_clock::now();
        zeq::Result result = zeq::simplify(zeq::viewOf(mesh), options);
        const auto t1 = std::chrono::steady_clock::now();
        if (!result.status || result.levels.empty()) {
            std::fprintf(stderr, "%s", result.status.message.c_str());
            return 1;
        }
        const double wall = std::chrono::duration<double>(t1 - t0).count();
        walls.push_back(wall);
        const zeq::Figures& f = result.levels.back().figures;
        std::printf("run %d wall %.6f orient %.6f simplify %.6f faces %zu\n", k + 1, wall, f.orientSeconds,
                    f.simplifySeconds, result.levels.back().mesh.faceCount());
        std::fflush(stdout);
    }
    std::vector<double> sorted = walls;
    std::sort(sorted.begin(), sorted.end());
    const double median = sorted.size() % 2 ? sorted[sorted.size() / 2]
                                            : (sorted[sorted.size() / 2 - 1] + sorted[sorted.size() / 2]) / 2;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("median wall %.6f of %d runs, input %zu vertices %zu faces, peak_rss_kb %ld\n", median, repeat,
                mesh.vertexCount(), mesh.faceCount(), usage.ru_maxrss);
    return 0;
}
