// zeq: simplifies a triangle mesh in SMF or OFF text to a requested face count.
#include <cstdio>

#include "app/run_program.h"
#include "io/output_file.h"

int main(int argc, char** argv) {
    // Each console line reaches a pipe or a log file as soon as it is printed.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    zeq::prepareOutputSignals();
    return zeq::runProgram(argc, argv);
}
