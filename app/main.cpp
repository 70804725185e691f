// zeq: simplifies a triangle mesh in SMF or OFF text to a requested face count.
#include "app/run_program.h"

int main(int argc, char** argv) { return zeq::runProgram(argc, argv); }
