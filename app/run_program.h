// The command-line front end.
#pragma once

#include <array>
#include <cstddef>
#include <limits>
#include <vector>

#include "io/mesh_files.h"

namespace zeq {

// Runs the whole program on the command line (argv[0] is the program): check
// the arguments, load the input (in the format its name gives, see
// formatOfName), orient, set the starting threshold, check the request,
// simplify, write the result in the input's format. Returns the exit status:
// 0 after a completed run, 1 after any refusal or failure. Memory running out
// is a failure too: while loading it reads as an input that cannot be read,
// while writing as an output that cannot be written, and in between it prints
// its own line.
//
// Long options may stand anywhere before the two file names: --weld and
// --no-weld (one of them, once) choose whether vertices with equal positions
// are welded on loading; --no-attributes (once) drops everything the input
// carries besides positions and triangles, so the output is exactly what the
// positions alone give. What is left must be one of the two forms of the
// short options, -N COUNT [-D] INPUT OUTPUT; a long option given twice stays
// in place and makes the line wrong, like any other unknown argument.
// --origins FILE (once, the file name before the input's) writes, beside the
// output, which input vertex each written vertex was kept from (see
// writtenVertexOrigins).
int runProgram(int argc, const char* const* argv);

// A command line with its long options taken out: the program, then every
// other argument in order. Held without allocating: a line that is left with
// more arguments than the two short forms take is refused unread, so only
// its count matters.
struct CommandLine {
    static constexpr int kKept = 8;
    std::array<const char*, kKept> args{};
    int count = 0;
    Welding welding = Welding::Default;
    Carrying carrying = Carrying::Attributes;
    const char* origins = nullptr;

    void keep(const char* arg) {
        if (count < kKept) args[static_cast<std::size_t>(count)] = arg;
        ++count;
    }
};
CommandLine takeLongOptions(int argc, const char* const* argv);

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

// Whether the line uses an option that says how far (--ratio, --max-angle,
// --max-error), or -N more than once: it is then read by parseRequest, and
// any other line as before.
bool usesHowFarOptions(int argc, const char* const* argv);

// Options in any order, then INPUT OUTPUT: -N COUNT, --ratio R (0 < R < 1),
// --max-angle DEG (0 to 180), --max-error E (at least 0), -D, and the long
// options above, each once, except that -N or --ratio given several times
// asks for levels: their values must fall from each to the next. False for
// anything else, a value that does not read, or -N and --ratio together.
bool parseRequest(int argc, const char* const* argv, RunRequest& request);

// The run: load, orient, set the threshold, check the request, simplify
// within the bounds, report, write; then, for each further level, load what
// was written (as the written file would load, see WrittenMesh) and do the
// same from there. The levels are written to levelName(OUTPUT, k) (the
// origins likewise), a single target to OUTPUT. A level left above its
// target ends the run after it is written. Returns the exit status.
int runRequest(const RunRequest& request);

// A whole argument that reads as a finite number from `least` to `most`
// (the values of --max-angle and --max-error).
bool parseBound(const char* text, double least, double most, double& value);

// ⌊faces × R⌋ for the decimal ratio `text` (digits with an optional point
// and exponent), exactly as the decimal reads, not as a binary fraction;
// false when `text` is not such a number strictly between 0 and 1.
bool ratioOfFaces(const char* text, long long faces, long long& target);

// The run on a line of short options alone, welding as `welding` says,
// carrying what `carrying` says and, with `origins`, writing there where
// each written vertex came from.
int runShortOptions(int argc, const char* const* argv, Welding welding, Carrying carrying = Carrying::Attributes,
                    const char* origins = nullptr);

// The face count argument: leading blanks, an optional sign, then digits up to
// the first non-digit; no digits gives 0. Counts beyond the int range
// saturate instead of overflowing.
int parseFaceCount(const char* text);

// The starting threshold for a request of `targetFaces` out of `faceCount`:
// the more drastic the reduction, the more tolerant the first passes.
float startingThreshold(int targetFaces, std::size_t faceCount);

}  // namespace zeq
