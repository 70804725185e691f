// Fuzzes the OFF reader on text in memory and checks the structure it builds.
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "io/off_reader.h"
#include "mesh/mesh.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    zeq::fuzz::silenceStdout();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zeq::resetGlobals();
    const auto status = static_cast<int>(zeq::readOffText(
        zeq::theMesh, reinterpret_cast<const char*>(data), size, "fuzz.off"));
    zeq::fuzz::require(status >= 0 && status <= 5, "status out of range");
    zeq::fuzz::require(status != 1, "text in memory reported as not found");
    zeq::fuzz::require((status == 2) == (size == 0), "status 2 exactly for empty text");
    if (status == 2 || status == 3)
        zeq::fuzz::require(zeq::theMesh.vertices.empty() && zeq::theMesh.faces.empty(),
                           "header failure left records behind");
    if (status == 4) zeq::fuzz::require(zeq::theMesh.faces.empty(), "faces built before status 4");
    zeq::fuzz::checkLoadedMesh(zeq::theMesh);
    zeq::resetGlobals();
    return 0;
}
