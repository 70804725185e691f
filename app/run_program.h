// The command-line front end.
#pragma once

#include <array>
#include <cstddef>
#include <limits>
#include <vector>

#include "io/mesh_files.h"
#include "zeq/run_request.h"

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

// The exit status of a run: 0 after a completed one; after a failure its
// message and the refusal's last line are printed first, and it is 1.
int exitStatus(const Refusal& refusal);

// The run on a line of short options alone, welding as `welding` says,
// carrying what `carrying` says and, with `origins`, writing there where
// each written vertex came from.
int runShortOptions(int argc, const char* const* argv, Welding welding, Carrying carrying = Carrying::Attributes,
                    const char* origins = nullptr);

}  // namespace zeq
