// One run of the simplifier on files, as the program and the library's
// file entry point make it: load, orient, simplify, report, write, level
// after level.
#pragma once

#include <cstddef>
#include <limits>
#include <string>
#include <vector>

#include "io/mesh_files.h"
#include "io/read_status.h"
#include "zeq/zeq.h"

namespace zeq {

// A failure as the program words it: `format` with `name` for its one %s
// (when it has one), then `text`. Made without allocating, so that memory
// running out can be told too.
struct Refusal {
    Failure failure = Failure::None;
    const char* format = "";
    const char* name = "";
    const char* text = "";

    explicit operator bool() const { return failure != Failure::None; }
    // Prints the message on standard output, as the program does.
    void print() const;
    Status status() const;
};

// What one run is asked for, whichever form the command line took.
struct RunRequest {
    const char* input = nullptr;
    const char* output = nullptr;
    bool timing = false;
    Welding welding = Welding::Default;
    Carrying carrying = Carrying::Attributes;
    const char* origins = nullptr;
    // The short form's first argument was -N (checked after the load, as
    // the short form always has been).
    bool countSwitch = true;
    // The targets, one per level: -N's texts (parseFaceCount), or ratios of
    // the loaded faces (`ratios`); none asks to go as far as the bounds
    // allow (a target of 0). Each level after the first simplifies the one
    // before it, as written. The first is held apart, so that a run of one
    // target allocates nothing for it.
    const char* target = nullptr;
    std::vector<const char*> moreTargets;
    bool ratios = false;

    std::size_t levels() const { return target == nullptr ? 1 : 1 + moreTargets.size(); }
    const char* targetOf(std::size_t level) const { return level == 0 ? target : moreTargets[level - 1]; }
    // The bounds: the largest tilt in degrees, the largest distance as a
    // fraction of the box diagonal; NaN when not given.
    double maxAngle = std::numeric_limits<double>::quiet_NaN();
    double maxError = std::numeric_limits<double>::quiet_NaN();
    // Print the tilt and distance reached at the end (given a ratio or a
    // bound).
    bool report = false;
};

// The run: load, orient, set the threshold, check the request, simplify
// within the bounds, report, write; then, for each further level, load what
// was written (as the written file would load, see WrittenMesh) and do the
// same from there. The levels are written to levelName(OUTPUT, k) (the
// origins likewise), a single target to OUTPUT. A level left above its
// target ends the run after it is written. Failures come back with the
// program's message; with `levels`, each level done adds its figures.
Refusal runRequest(const RunRequest& request, std::vector<Level>* levels = nullptr);

// One level's request, as simplifyLevel takes it: the target worked out,
// whether the short form's switch was -N, and the rest of the request.
struct LevelRequest {
    int targetFaces = 0;
    bool countSwitch = true;
    bool timing = false;
    bool report = false;
    double maxAngle = std::numeric_limits<double>::quiet_NaN();
    double maxError = std::numeric_limits<double>::quiet_NaN();
};

// On the current run's loaded mesh: orients it, sets the starting
// threshold, checks the target, simplifies within the bounds and reports,
// with the console lines of each. `clockStart` is when the orientation's
// time began (with timing). Fills `figures`; a failure leaves the mesh as
// it is.
Refusal simplifyLevel(const LevelRequest& request, long long clockStart, Figures& figures);

// The failure of loading `name` with `status`, as the program words it.
Refusal readFailure(const char* name, ReadStatus status);



// A whole argument that reads as a finite number from `least` to `most`
// (the values of --max-angle and --max-error).
bool parseBound(const char* text, double least, double most, double& value);

// ⌊faces × R⌋ for the decimal ratio `text` (digits with an optional point
// and exponent), exactly as the decimal reads, not as a binary fraction;
// false when `text` is not such a number strictly between 0 and 1.
bool ratioOfFaces(const char* text, long long faces, long long& target);

// The face count argument: leading blanks, an optional sign, then digits up to
// the first non-digit; no digits gives 0. Counts beyond the int range
// saturate instead of overflowing.
int parseFaceCount(const char* text);

}  // namespace zeq
