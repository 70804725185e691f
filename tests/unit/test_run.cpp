// The run the tests work on: bound to the main thread for the whole test
// program, printing on standard output as the program does.
#include "mesh/mesh.h"

namespace {

struct BoundRun {
    zeq::RunState run;
    zeq::RunScope scope{run};
    BoundRun() { run.console = zeq::standardOutput(); }
};

BoundRun testRun;

}  // namespace
