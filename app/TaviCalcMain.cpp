// tavi-calc: the calculation run from the command line.

#include "app/CalcCommand.h"

#include <clocale>
#include <iostream>
#include <unistd.h>

int main(int argc, char** argv) {
    // The report's date and time appear in the user's own forms.
    std::setlocale(LC_TIME, "");
    return tavi::runCalcCommand(argc - 1, argv + 1, std::cout, std::cerr, isatty(STDERR_FILENO));
}
