// The clock behind every printed stage time.
#pragma once

#include <ctime>

namespace zeq {

// Processor time of this process in whole milliseconds; a stage time is the
// difference of two readings times 0.001 seconds.
inline long long processClockMs() {
    return static_cast<long long>(std::clock()) * 1000 / CLOCKS_PER_SEC;
}

inline double secondsSince(long long startMs) {
    return static_cast<double>(processClockMs() - startMs) * 0.001;
}

}  // namespace zeq
