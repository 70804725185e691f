// Fuzzes the SMF reader on text in memory and checks the structure it builds.
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "io/smf_reader.h"
#include "mesh/mesh.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    zeq::fuzz::silenceStdout();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto load = [&](bool weld) {
        return static_cast<int>(zeq::readSmfText(zeq::theMesh(), reinterpret_cast<const char*>(data), size, weld));
    };
    zeq::resetRunState();
    const int status = load(false);
    zeq::fuzz::checkReadOutcome(status, size);
    zeq::fuzz::checkWeldingAgrees(status, false, load);
    zeq::resetRunState();
    return 0;
}
