// Outcome of loading a mesh file.
#pragma once

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
};

}  // namespace zeq
