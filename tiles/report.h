// zeq-tiles' one-line error messages, in the voice of zeq's: everything goes
// to standard output.
#pragma once

#include <cstdio>
#include <string>

#include "io/read_status.h"

namespace zeq::tiles {

// Prints "zeq-tiles: TEXT" on a line of its own.
inline void report(const std::string& text) {
    std::printf("zeq-tiles: %s\n", text.c_str());
    std::fflush(stdout);
}

// The reader's words for a status, as zeq prints them after its prefix.
std::string readFailureText(const std::string& fileName, ReadStatus status);

}  // namespace zeq::tiles
