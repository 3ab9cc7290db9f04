// tavi-calc: the calculation run from the command line.

#include "engine/CalcCommand.h"

#include <iostream>
#include <unistd.h>

int main(int argc, char** argv) {
    return tavi::RunCalcCommand(argc - 1, argv + 1, std::cout, std::cerr, isatty(STDERR_FILENO));
}
