// The console texts of the front end.
#pragma once

#include "io/read_status.h"

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

// The text printed after the read-failure prefix; empty for a status with no
// text of its own.
inline const char* readStatusText(ReadStatus status) {
    switch (status) {
        case ReadStatus::FileNotFound: return " File not found!\n";
        case ReadStatus::FileEmpty: return " File empty!\n";
        case ReadStatus::BadHeader: return " Problem reading header of the file!\n";
        case ReadStatus::BadVertices: return " Problem reading the vertices coordinates!\n";
        case ReadStatus::BadFaces: return " Problem reading faces definition!\n";
        case ReadStatus::NoFaces: return " No faces to simplify!\n";
        case ReadStatus::OutOfMemory: return " Out of memory!\n";
        case ReadStatus::FacesBeforeVertices: return " Problem reading header of the file (faces before vertices)!\n";
        case ReadStatus::Loaded: break;
    }
    return "";
}

}  // namespace zeq::messages
