// The command-line front end of the engine: turns a parameter file into a report, a covariance
// file and, on request, a CSV table, without any window.
#pragma once

#include <iosfwd>

namespace tavi {

// Exit statuses of the command.
inline constexpr int kExitComplete = 0;
inline constexpr int kExitFileError = 1;
inline constexpr int kExitRefused = 2;
inline constexpr int kExitUsage = 64;
// A simulation stopped by Ctrl+C, after its summary of the replications done.
inline constexpr int kExitInterrupted = 130;

// Runs `tavi-calc` with its arguments (argv[0] excluded). Messages go to err, help and version
// to out; progress is shown on err when showProgress is set and the sweep is long, and during a
// simulation. While a simulation runs, Ctrl+C (SIGINT) stops it.
int runCalcCommand(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
                   bool showProgress);

}  // namespace tavi
