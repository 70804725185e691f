// zeq: simplifies a triangle mesh in SMF or OFF text to a requested face count.
#include <cstdio>
#include <new>

#include "zeq/messages.h"
#include "app/run_program.h"
#include "io/output_file.h"
#include "mesh/mesh.h"

int main(int argc, char** argv) {
    // Each console line reaches a pipe or a log file as soon as it is printed.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    zeq::prepareOutputSignals();
    zeq::RunState run;
    run.console = zeq::standardOutput();
    const zeq::RunScope scope(run);
    try {
        return zeq::runProgram(argc, argv);
    } catch (const std::bad_alloc&) {
        // The stages turn memory running out into their own failures; this
        // keeps any other place from ending the program with an abort. By now
        // every output the run had started is closed and its temporary file
        // removed.
        std::printf("%s%s", zeq::messages::kOutOfMemory, zeq::messages::kRefusalEnd);
        return 1;
    }
}
