// The simplification driver: passes until the target face count.
#pragma once

#include <cstddef>

#include <cstdint>

namespace zeq {

// Runs passes over the global mesh until the live face count is at or below
// `targetFaces` (the caller guarantees it is below the loaded count). After a
// pass that stalls (fewer than 10 collapses, target not reached) the threshold
// drops: by 10 while above 20, then by 2 down to 0; a stall at 0 ends the run
// short of the target. Prints the total time (without timing; with timing the
// passes print theirs), the simplified counts, and the missed-target line when
// the count reached differs from the target. Returns `collapseCount`.
int runSimplification(std::uint32_t targetFaces, bool timingEnabled);

// The starting threshold for a request of `targetFaces` out of `faceCount`:
// the more drastic the reduction, the more tolerant the first passes. The
// driver relaxes it from there.
float startingThreshold(int targetFaces, std::size_t faceCount);

}  // namespace zeq
