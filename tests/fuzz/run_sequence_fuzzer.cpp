// Fuzzes the whole run: load, orient, simplify, write, and read the output back.
// The first byte picks the format (bit 0: OFF) and the target (the rest: a
// percentage of the loaded face count, always below it).
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "app/run_program.h"
#include "fuzz_support.h"
#include "io/off_writer.h"
#include "io/smf_writer.h"
#include "orient/orient_faces.h"
#include "simplify/run_simplification.h"

namespace {
std::string scratchDir, outputPath;  // one scratch directory per process
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    zeq::fuzz::silenceStdout();
    char dir[] = "/tmp/zeq-fuzz-XXXXXX";
    zeq::fuzz::require(mkdtemp(dir) != nullptr, "mkdtemp");
    scratchDir = dir;
    outputPath = scratchDir + "/out";
    std::atexit([] {
        std::remove(outputPath.c_str());
        rmdir(scratchDir.c_str());
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zeq;
    if (size == 0) return 0;
    const bool off = data[0] & 1;
    const char* text = reinterpret_cast<const char*>(data + 1);
    resetGlobals();
    const ReadStatus status = off ? readOffText(theMesh, text, size - 1, "fuzz.off")
                                  : readSmfText(theMesh, text, size - 1);
    const std::size_t faceCount = theMesh.faces.size();
    if (status != ReadStatus::Loaded || faceCount == 0) return 0;
    orientFaces(theMesh);
    const auto target = static_cast<int>(faceCount * ((data[0] >> 1) % 100) / 100);
    thresholdPercent = startingThreshold(target, faceCount);
    runSimplification(static_cast<std::uint32_t>(target), false);
    fuzz::require(liveFaceCount(theMesh) <= target || thresholdPercent == 0, "stopped early");
    fuzz::require((off ? writeOff(theMesh, outputPath.c_str())
                       : writeSmf(theMesh, outputPath.c_str())) == 0, "write failed");

    std::ostringstream written;
    written << std::ifstream(outputPath, std::ios::binary).rdbuf();
    fuzz::checkReadsBack(written.str(), off);
    resetGlobals();
    return 0;
}
