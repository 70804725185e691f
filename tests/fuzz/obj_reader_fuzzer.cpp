// Fuzzes the OBJ reader on text in memory and checks the structure it builds;
// a small mesh it loads is written as OBJ and must read back to the same
// vertices and faces.
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "io/obj_reader.h"
#include "io/obj_writer.h"
#include "mesh/mesh.h"

namespace {

constexpr std::size_t kRoundTripRecords = 4096;

void checkRoundTrip(const zeq::FileFlavour& flavour) {
    using namespace zeq;
    const fuzz::WrittenMesh written = fuzz::liveView(theMesh());
    const std::string& path = fuzz::scratchFile("out.obj");
    fuzz::require(writeObj(theMesh(), path.c_str(), flavour) == 0, "OBJ write failed");
    // Everything compared is in `written`: the output is read back in place
    // of the mesh that was written.
    resetRunState();
    FileFlavour back;
    const ReadStatus status = readObj(theMesh(), path.c_str(), true, &back);
    fuzz::checkAttributes(theMesh());
    // A mesh whose vertices are all unused is written without a 'v' line,
    // which the reader refuses as a header failure.
    if (written.vertices.empty()) {
        fuzz::require(status == ReadStatus::BadHeader, "OBJ written without vertices does not give status 3");
        return;
    }
    fuzz::require(status == ReadStatus::Loaded, "written OBJ does not load back");
    fuzz::checkReadBack(written, true);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    zeq::fuzz::silenceStdout();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zeq;
    const char* text = reinterpret_cast<const char*>(data);
    FileFlavour flavour;
    const auto load = [&](bool weld) { return static_cast<int>(readObjText(theMesh(), text, size, weld)); };
    resetRunState();
    const int status = load(true);
    // Vertex lines may follow faces, so a bad one can fail the load after
    // faces were built.
    fuzz::checkReadOutcome(status, size, false);
    // Leaves the welded load in the mesh again.
    fuzz::checkWeldingAgrees(status, true, load);
    // Carried, a load may refuse what it would skip (a colour that does not
    // read): only a carried load that succeeds is compared.
    resetRunState();
    const int carriedStatus = static_cast<int>(readObjText(theMesh(), text, size, true, &flavour));
    fuzz::checkReadOutcome(carriedStatus, size, false);
    fuzz::require(carriedStatus != 0 || status == 0, "a file loads with what it carries but not without");
    fuzz::checkCarryingAgrees(carriedStatus, [&](bool carry) {
        flavour = FileFlavour{};
        return static_cast<int>(readObjText(theMesh(), text, size, true, carry ? &flavour : nullptr));
    });
    if (carriedStatus == 0 && theMesh().vertices.size() <= kRoundTripRecords &&
        theMesh().faces.size() <= kRoundTripRecords)
        checkRoundTrip(flavour);
    resetRunState();
    return 0;
}
