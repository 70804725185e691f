// zeq-tiles: simplifying meshes too large for one zeq run, tile by tile.
#include <charconv>
#include <cmath>
#include <limits>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include "zeq/run_request.h"
#include "io/output_file.h"
#include "mesh/mesh.h"
#include "tiles/merge.h"
#include "tiles/run.h"
#include "tiles/split.h"

namespace {

constexpr const char* kUsage =
    "Usage: zeq-tiles split --faces-per-tile N [-N COUNT | --ratio R] [BOUNDS] INPUT DIR\n"
    "       zeq-tiles merge DIR OUTPUT\n"
    "       zeq-tiles run (-N COUNT | --ratio R) [BOUNDS] [-j JOBS] [--faces-per-tile N] [--keep DIR] INPUT OUTPUT\n"
    "       zeq-tiles --help\n"
    "BOUNDS: [--max-angle DEG] [--max-error E], as zeq takes them\n";

int usage(int status) {
    std::fputs(kUsage, stdout);
    return status;
}

// A whole argument holding a number from 1 to `most`.
bool positive(const char* text, long long most, long long& value) {
    const char* end = text + std::strlen(text);
    const auto r = std::from_chars(text, end, value);
    return r.ec == std::errc() && r.ptr == end && value >= 1 && value <= most;
}

// Options, then exactly two names. false on anything else.
struct Parsed {
    long long facesPerTile = 0;
    long long count = 0;
    const char* ratio = nullptr;
    double maxAngle = std::numeric_limits<double>::quiet_NaN();
    double maxError = std::numeric_limits<double>::quiet_NaN();
    long long jobs = 0;
    std::string keep;
    std::string first, second;
};

bool parse(int argc, char** argv, bool allowCount, bool allowRun, Parsed& p) {
    int names = 0;
    for (int i = 2; i < argc; ++i) {
        const char* a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(a, "--faces-per-tile") == 0 && hasValue) {
            if (!positive(argv[++i], LLONG_MAX / 4, p.facesPerTile)) return false;
        } else if (std::strcmp(a, "-N") == 0 && allowCount && hasValue && p.count == 0 && p.ratio == nullptr) {
            if (!positive(argv[++i], INT_MAX, p.count)) return false;
        } else if (std::strcmp(a, "--ratio") == 0 && allowCount && hasValue && p.count == 0 && p.ratio == nullptr) {
            long long unused = 0;
            p.ratio = argv[++i];
            if (!zeq::ratioOfFaces(p.ratio, 0, unused)) return false;
        } else if (std::strcmp(a, "--max-angle") == 0 && allowCount && hasValue && std::isnan(p.maxAngle)) {
            if (!zeq::parseBound(argv[++i], 0, 180, p.maxAngle)) return false;
        } else if (std::strcmp(a, "--max-error") == 0 && allowCount && hasValue && std::isnan(p.maxError)) {
            if (!zeq::parseBound(argv[++i], 0, std::numeric_limits<double>::max(), p.maxError)) return false;
        } else if (std::strcmp(a, "-j") == 0 && allowRun && hasValue) {
            if (!positive(argv[++i], 1000, p.jobs)) return false;
        } else if (std::strcmp(a, "--keep") == 0 && allowRun && hasValue) {
            p.keep = argv[++i];
        } else if (a[0] == '-' && a[1] != '\0') {
            return false;
        } else if (names == 0) {
            p.first = a;
            ++names;
        } else if (names == 1) {
            p.second = a;
            ++names;
        } else {
            return false;
        }
    }
    return names == 2;
}

std::string withoutTrailingSlashes(std::string dir) {
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return dir;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace zeq::tiles;
    // The tiles' records are written through a mesh of this run.
    zeq::RunState run;
    run.console = zeq::standardOutput();
    const zeq::RunScope scope(run);
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) return usage(0);
    if (argc < 2) return usage(1);
    const std::string command = argv[1];
    Parsed p;
    if (command == "split") {
        if (!parse(argc, argv, true, false, p) || p.facesPerTile == 0) return usage(1);
        zeq::prepareOutputSignals();
        SplitRequest r;
        r.input = p.first;
        r.dir = withoutTrailingSlashes(p.second);
        r.facesPerTile = p.facesPerTile;
        r.count = p.count;
        r.ratio = p.ratio;
        r.maxAngle = p.maxAngle;
        r.maxError = p.maxError;
        Manifest m;
        if (splitMesh(r, m) != 0) return 1;
        std::printf("split: %zu tiles of about %lld faces\n", m.tiles.size(), r.facesPerTile);
        return 0;
    }
    if (command == "merge") {
        if (!parse(argc, argv, false, false, p) || p.facesPerTile != 0) return usage(1);
        zeq::prepareOutputSignals();
        MergedMesh merged;
        if (mergeTiles(withoutTrailingSlashes(p.first), p.second, &merged) != 0) return 1;
        std::printf("merge: %zu vertices, %zu faces\n", merged.mesh.vertexCount(), merged.mesh.faceCount());
        return 0;
    }
    if (command == "run") {
        if (!parse(argc, argv, true, true, p) || (p.count == 0 && p.ratio == nullptr)) return usage(1);
        RunRequest r;
        r.input = p.first;
        r.output = p.second;
        r.count = p.count;
        r.ratio = p.ratio;
        r.maxAngle = p.maxAngle;
        r.maxError = p.maxError;
        r.jobs = static_cast<int>(p.jobs);
        if (p.facesPerTile != 0) r.facesPerTile = p.facesPerTile;
        r.keep = withoutTrailingSlashes(p.keep);
        return runTiles(r);
    }
    return usage(1);
}
