// The windowed program's command line: an optional parameter file to start with, and the
// questions (--help, --version) that are answered on the terminal without opening a window.
#pragma once

#include "engine/run/TestOptions.h"

#include <iosfwd>
#include <optional>
#include <string>

namespace tavi::ui {

struct StartRequest {
    // Set when the command line has been answered on the terminal: end with this exit status.
    std::optional<int> exitStatus;
    // The parameter file to start with; without it the start-up asks for one.
    std::optional<std::string> parameterFile;
    // Only the results window of the parameter file, without the entry sequence.
    bool resultsOnly = false;
    // A new plan from a template in the results window, without any parameter file.
    bool newPlan = false;
    // With the results only: contrasts, joint tests, effects and df to show, as tavi-calc
    // takes them.
    TestOptions tests;
};

// Reads the arguments (argv[0] excluded). Help and version go to out, a usage error to err as
// one line with a hint.
StartRequest readCommandLine(int argc, const char* const* argv, std::ostream& out,
                             std::ostream& err);

}  // namespace tavi::ui
