// Outcome of loading a mesh file.
#pragma once

#include "io/text_stream.h"

namespace zeq {

// The numeric values are part of the interface: the front end maps each to
// its message and any non-zero value ends the run with exit status 1.
enum class ReadStatus : int {
    Loaded = 0,
    FileNotFound = 1,   // cannot be opened or read
    FileEmpty = 2,      // holds no characters at all
    BadHeader = 3,      // header missing, too long, or unreadable
    BadVertices = 4,    // a vertex record cannot be read completely
    BadFaces = 5,       // a face record holds a non-integer or a corner out of range
    NoFaces = 6,        // the file has no element of faces that can be read (a PLY without "face")
    FacesBeforeVertices = 7,  // a header problem (as 3): a PLY's "face" element comes before "vertex"
    OutOfMemory = 8,    // memory ran out while loading
};

// Runs a reader's `parse` over an input opened on `in`, read once from front
// to back (so a pipe reads like a file). An input with no characters is empty;
// one that failed to read at any point has not been loaded, whatever the
// records read before the failure looked like. readRestOfInput is the same
// for the rest of an input whose start (a header) was read by an earlier
// readWholeInput: the rest may well be empty.
template <class Parse>
ReadStatus readRestOfInput(TextStream& in, Parse parse) {
    const ReadStatus status = parse();
    return in.readError() ? ReadStatus::FileNotFound : status;
}

template <class Parse>
ReadStatus readWholeInput(TextStream& in, Parse parse) {
    if (in.empty()) return in.readError() ? ReadStatus::FileNotFound : ReadStatus::FileEmpty;
    return readRestOfInput(in, parse);
}

}  // namespace zeq
