// zeq-tiles run: split, simplify every tile with zeq in parallel, merge, and
// simplify the merged mesh once more so the seams are simplified too.
#pragma once

#include <limits>
#include <string>

namespace zeq::tiles {

struct RunRequest {
    std::string input;
    std::string output;
    long long count = 0;
    const char* ratio = nullptr;       // instead of a count (zeq --ratio)
    double maxAngle = std::numeric_limits<double>::quiet_NaN();  // zeq --max-angle
    double maxError = std::numeric_limits<double>::quiet_NaN();  // zeq --max-error
    int jobs = 0;                      // 0: the number of online CPUs
    long long facesPerTile = 1000000;
    std::string keep;                  // the work directory to keep; empty: a temporary one
};

// The bounds go half to the tiles' runs and half to the last run, so that
// the two together keep within them. 0 when OUTPUT was written, 1 after a
// message. OUTPUT is written only by the
// last step, so a failure leaves an existing OUTPUT as it was. SIGINT and
// SIGTERM stop the tiles' zeq runs and remove the temporary directory before
// zeq-tiles ends by the signal.
int runTiles(const RunRequest& request);

}  // namespace zeq::tiles
