// The console texts of the front end.
#pragma once

namespace zeq::messages {

inline constexpr const char* kLongUsage =
    "Usage: ZEQ.exe -N NumberOfFaces -D InputFilename.[smf||off] OutputFilename.[smf||off]\n";
inline constexpr const char* kShortUsage =
    "Usage: ZEQ.exe -N NumberOfFaces -D InputFilename.smf OutputFilename.smf\n";
inline constexpr const char* kBanner =
    "\nZEQ version 1.22a released %s \nIt supports *.SMF and *.OFF file formats only.\n\n";
inline constexpr const char* kReleaseDate = "Jul 23 2008";
inline constexpr const char* kInputLine = "Original mesh: <%s> \n";
inline constexpr const char* kReadFailurePrefix = "Reading <%s>: ";
inline constexpr const char* kWriteFailure = "Writing <%s>: Cannot write the file!\n";
// Memory ran out between loading and writing (orienting, simplifying). Memory
// that runs out while loading or writing shows as a read or write failure.
inline constexpr const char* kOutOfMemory = "Out of memory!\n";
inline constexpr const char* kLoadingTime = "\nLoading time = %2.4f seconds\n";
inline constexpr const char* kOrientingTime = "\nOrienting time = %2.4f seconds\n";
inline constexpr const char* kWritingTime = "\nWriting time = %2.4f seconds\n";
// At the end of a run given a ratio or a bound: how far its faces tilted
// from their oriented normals, and how far its surface may lie from the
// input's, as a fraction of the input's bounding-box diagonal.
inline constexpr const char* kLargestTilt = "\nLargest face tilt = %2.4f degrees\n";
inline constexpr const char* kDistanceBound = "\nDistance bound = %g of the diagonal\n";
inline constexpr const char* kNormalEnd = "\nZEQ end. \n";
inline constexpr const char* kRefusalEnd = "\nZEQ exit!\n";

}  // namespace zeq::messages
