// Fuzzes the STL reader on bytes in memory and checks the structure it builds
// and the flavour it reports; a small mesh it loads is written as STL in that
// flavour and must read back to the same faces (the reader welds the corners
// again, so to at most as many vertices: unused ones are not written).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "fuzz_support.h"
#include "io/mesh_format.h"
#include "io/stl_reader.h"
#include "io/stl_writer.h"
#include "mesh/mesh.h"

namespace {

constexpr std::size_t kRoundTripRecords = 4096;
constexpr std::size_t kBinaryHeader = 84;  // 80 bytes of name, the facet count
constexpr std::size_t kFacetBytes = 50;

using Encoding = zeq::FileFlavour::Encoding;

std::string_view afterBlanks(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || (s[i] >= '\t' && s[i] <= '\r'))) ++i;
    return s.substr(i);
}

// Text is single solids of doubles starting with "solid"; binary is
// little-endian floats, and a binary input that loads is exactly as long as
// its facet count says, every facet one face.
void checkFlavour(std::string_view bytes, const zeq::FileFlavour& flavour, int status) {
    using zeq::fuzz::require;
    if (flavour.encoding == Encoding::Text) {
        require(flavour.doubleCoordinates, "text STL read as floats");
        require(afterBlanks(bytes).substr(0, 5) == "solid", "STL read as text without 'solid'");
        return;
    }
    require(flavour.encoding == Encoding::BinaryLittleEndian, "binary STL of another byte order");
    require(!flavour.doubleCoordinates, "binary STL read as doubles");
    if (status != 0) return;
    require(bytes.size() >= kBinaryHeader, "binary STL loaded without its header");
    std::uint32_t facets = 0;
    std::memcpy(&facets, bytes.data() + 80, 4);  // the fuzz hosts are little-endian
    require(bytes.size() == kBinaryHeader + kFacetBytes * static_cast<std::size_t>(facets),
            "binary STL loaded with a size its count does not give");
    require(zeq::theMesh().faces.size() == facets, "binary STL face count differs from its facet count");
}

void checkRoundTrip(const zeq::FileFlavour& flavour) {
    using namespace zeq;
    const fuzz::WrittenMesh written = fuzz::liveView(theMesh());
    const std::string& path = fuzz::scratchFile("out.stl");
    fuzz::require(writeStl(theMesh(), path.c_str(), flavour) == 0, "STL write failed");
    // Everything compared is in `written`: the output is read back in place
    // of the mesh that was written.
    resetRunState();
    FileFlavour backFlavour;
    fuzz::require(readStl(theMesh(), path.c_str(), backFlavour) == ReadStatus::Loaded, "written STL does not load back");
    // What survives may carry nothing any more (the faces of one solid of
    // several, only zero attributes), but nothing appears from nothing.
    fuzz::require(!backFlavour.carried || flavour.carried, "a written STL carries what its input did not");
    fuzz::require(backFlavour.encoding == flavour.encoding, "written STL has another encoding");
    fuzz::checkReadBack(written, false);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    zeq::fuzz::silenceStdout();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zeq;
    resetRunState();
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    FileFlavour flavour;
    const auto status = static_cast<int>(readStlData(theMesh(), bytes.data(), size, flavour));
    // Facets are welded and built as they come, so a bad coordinate can fail
    // the load after faces were built.
    fuzz::checkReadOutcome(status, size, false);
    // Every non-empty input is taken as text or binary.
    if (status != 2) checkFlavour(bytes, flavour, status);
    fuzz::checkCarryingAgrees(status, [&](bool carry) {
        flavour = FileFlavour{};
        return static_cast<int>(readStlData(theMesh(), bytes.data(), size, flavour, carry));
    });
    if (status == 0 && theMesh().vertices.size() <= kRoundTripRecords && theMesh().faces.size() <= kRoundTripRecords)
        checkRoundTrip(flavour);
    resetRunState();
    return 0;
}
