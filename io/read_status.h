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

// What a failed load says, as the text after "Reading <NAME>: "; empty for
// a status with no text of its own (Loaded).
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
