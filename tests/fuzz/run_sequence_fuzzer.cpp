// Fuzzes the whole run: load, orient, simplify, write, and read the output back.
// The first byte picks the format (bits 0 and 1: SMF, OFF, PLY or OBJ, the
// last two carrying what they hold) and the target (the rest: a percentage
// of the loaded face count, always below it).
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "app/run_program.h"
#include "fuzz_support.h"
#include "io/obj_reader.h"
#include "io/obj_writer.h"
#include "io/off_writer.h"
#include "io/ply_reader.h"
#include "io/ply_writer.h"
#include "io/smf_writer.h"
#include "orient/orient_faces.h"
#include "simplify/run_simplification.h"

namespace {
std::string scratchDir, outputPath;  // one scratch directory per process
}

// A whole run of a PLY or OBJ text that carries values: every collapse blends
// them and seams hold their vertices; the written file reads back, carrying
// the same kinds of values.
void runCarrying(bool ply, const char* text, std::size_t size, int percent) {
    using namespace zeq;
    FileFlavour flavour;
    const ReadStatus status =
        ply ? readPlyData(theMesh(), text, size, flavour) : readObjText(theMesh(), text, size, true, &flavour);
    const std::size_t faceCount = theMesh().faces.size();
    if (status != ReadStatus::Loaded || faceCount == 0) return;
    fuzz::checkAttributes(theMesh());
    orientFaces(theMesh());
    // A held vertex with faces never moves and is never retired.
    std::vector<std::pair<VertexId, Point3>> held;
    if (theMesh().attributes)
        for (VertexId v : theMesh().vertices)
            if (theMesh().attributes->held(v) && !v->edges.empty()) held.emplace_back(v, v->positionCopy());
    const auto target = static_cast<int>(faceCount * static_cast<std::size_t>(percent % 100) / 100);
    currentRun().thresholdPercent = startingThreshold(target, faceCount);
    runSimplification(static_cast<std::uint32_t>(target), false);
    for (const auto& [v, p] : held)
        fuzz::require(!v->edges.empty() && fuzz::samePoint(v->positionCopy(), p), "a held vertex moved");
    const bool carried = fuzz::carriesValues(theMesh(), flavour);
    fuzz::require((ply ? writePly(theMesh(), outputPath.c_str(), flavour)
                       : writeObj(theMesh(), outputPath.c_str(), flavour)) == 0, "write failed");
    resetRunState();
    FileFlavour back;
    const ReadStatus again =
        ply ? readPly(theMesh(), outputPath.c_str(), back) : readObj(theMesh(), outputPath.c_str(), true, &back);
    // An OBJ of no live vertex has no 'v' line, which the reader refuses.
    fuzz::require(again == ReadStatus::Loaded || (!ply && again == ReadStatus::BadHeader), "written file does not load back");
    if (again == ReadStatus::Loaded && ply)
        fuzz::require(carried == fuzz::carriesValues(theMesh(), back), "carried values did not read back");
    fuzz::checkAttributes(theMesh());
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
    const int format = data[0] & 3;
    const bool off = format == 1;
    const char* text = reinterpret_cast<const char*>(data + 1);
    resetRunState();
    if (format >= 2) {
        runCarrying(format == 2, text, size - 1, data[0] >> 2);
        resetRunState();
        return 0;
    }
    const ReadStatus status = off ? readOffText(theMesh(), text, size - 1, "fuzz.off")
                                  : readSmfText(theMesh(), text, size - 1);
    const std::size_t faceCount = theMesh().faces.size();
    if (status != ReadStatus::Loaded || faceCount == 0) return 0;
    orientFaces(theMesh());
    const auto target = static_cast<int>(faceCount * ((data[0] >> 2) % 100) / 100);
    currentRun().thresholdPercent = startingThreshold(target, faceCount);
    runSimplification(static_cast<std::uint32_t>(target), false);
    fuzz::require(liveFaceCount(theMesh()) <= target || currentRun().thresholdPercent == 0, "stopped early");
    fuzz::require((off ? writeOff(theMesh(), outputPath.c_str())
                       : writeSmf(theMesh(), outputPath.c_str())) == 0, "write failed");

    std::ostringstream written;
    written << std::ifstream(outputPath, std::ios::binary).rdbuf();
    fuzz::checkReadsBack(written.str(), off);
    resetRunState();
    return 0;
}
