// Fuzzes the PLY reader on bytes in memory and checks the structure it builds
// and the flavour it reports; a small mesh it loads is written as PLY in that
// flavour and must read back to the same vertices and faces.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_support.h"
#include "io/mesh_format.h"
#include "io/ply_reader.h"
#include "io/ply_writer.h"
#include "mesh/mesh.h"

namespace {

// Larger meshes are only loaded: writing and reading them back would slow
// every run down for little new.
constexpr std::size_t kRoundTripRecords = 4096;

using Encoding = zeq::FileFlavour::Encoding;

bool validEncoding(Encoding e) {
    return e == Encoding::Text || e == Encoding::BinaryLittleEndian || e == Encoding::BinaryBigEndian;
}

// The flavour of a header the reader accepted: its format word and, for
// double coordinates, a double type must appear in the bytes.
void checkFlavour(std::string_view bytes, const zeq::FileFlavour& flavour) {
    using zeq::fuzz::require;
    require(validEncoding(flavour.encoding), "flavour encoding out of range");
    require(bytes.substr(0, 3) == "ply", "PLY header accepted without its 'ply' line");
    const char* word = flavour.encoding == Encoding::Text                 ? "ascii"
                       : flavour.encoding == Encoding::BinaryLittleEndian ? "binary_little_endian"
                                                                           : "binary_big_endian";
    require(bytes.find(word) != std::string_view::npos, "flavour encoding not named in the header");
    if (flavour.doubleCoordinates)
        require(bytes.find("double") != std::string_view::npos || bytes.find("float64") != std::string_view::npos,
                "double coordinates without a double property");
    else
        require(bytes.find("float") != std::string_view::npos, "float coordinates without a float property");
}

void checkRoundTrip(const zeq::FileFlavour& flavour) {
    using namespace zeq;
    const fuzz::WrittenMesh written = fuzz::liveView(theMesh());
    const bool carried = fuzz::carriesValues(theMesh(), flavour);
    const std::string& path = fuzz::scratchFile("out.ply");
    fuzz::require(writePly(theMesh(), path.c_str(), flavour) == 0, "PLY write failed");
    // Everything compared is in `written`: the output is read back in place
    // of the mesh that was written.
    resetRunState();
    FileFlavour backFlavour{Encoding::Text, false};
    fuzz::require(readPly(theMesh(), path.c_str(), backFlavour) == ReadStatus::Loaded, "written PLY does not load back");
    fuzz::require(carried == fuzz::carriesValues(theMesh(), backFlavour), "what the PLY carried does not read back");
    fuzz::checkAttributes(theMesh());
    fuzz::require(backFlavour.encoding == flavour.encoding &&
                      backFlavour.doubleCoordinates == flavour.doubleCoordinates,
                  "written PLY has another flavour");
    fuzz::checkReadBack(written, true);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    zeq::fuzz::silenceStdout();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zeq;
    resetRunState();
    const char* bytes = reinterpret_cast<const char*>(data);
    FileFlavour flavour;
    const auto load = [&](bool weld) { return static_cast<int>(readPlyData(theMesh(), bytes, size, flavour, weld)); };
    const int status = load(true);
    fuzz::checkReadOutcome(status, size);
    // Leaves the welded load in the mesh again.
    fuzz::checkWeldingAgrees(status, true, load);
    fuzz::checkCarryingAgrees(status, [&](bool carry) {
        flavour = FileFlavour{};
        return static_cast<int>(readPlyData(theMesh(), bytes, size, flavour, true, carry));
    });
    // Statuses 4 and 5 come after a header was read, and it set the flavour.
    if (status == 0 || status == 4 || status == 5) checkFlavour(std::string_view(bytes, size), flavour);
    if (status == 0 && theMesh().vertices.size() <= kRoundTripRecords && theMesh().faces.size() <= kRoundTripRecords)
        checkRoundTrip(flavour);
    resetRunState();
    return 0;
}
