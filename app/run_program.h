// The command-line front end.
#pragma once

#include <cstddef>

namespace zeq {

// Runs the whole program on the command line (argv[0] is the program): check
// the arguments, load the input (in the format its name gives, see
// formatOfName), orient, set the starting threshold, check the request,
// simplify, write the result in the input's format. Returns the exit status:
// 0 after a completed run, 1 after any refusal or failure. Memory running out
// is a failure too: while loading it reads as an input that cannot be read,
// while writing as an output that cannot be written, and in between it prints
// its own line.
int runProgram(int argc, const char* const* argv);

// The face count argument: leading blanks, an optional sign, then digits up to
// the first non-digit; no digits gives 0. Counts beyond the int range
// saturate instead of overflowing.
int parseFaceCount(const char* text);

// The starting threshold for a request of `targetFaces` out of `faceCount`:
// the more drastic the reduction, the more tolerant the first passes.
float startingThreshold(int targetFaces, std::size_t faceCount);

}  // namespace zeq
