// The template command of tavi-calc: writes the parameter file of a classic design stated in a
// planner's own terms and tells which coefficient is which.
#pragma once

#include <iosfwd>

namespace tavi {

// Whether the arguments (argv[0] excluded) ask for a template: "--template" or
// "--template=NAME" anywhere before an argument "--".
bool isTemplateCommand(int argc, const char* const* argv);

// Runs `tavi-calc --template NAME --set KEY=VALUE... --write PARFILE [--force]`: writes the
// parameter file and prints each coefficient's role on out, or with --help the templates and
// their keys; messages go to err, one line each. Exits as the calculation does: 0 when the
// file is written, 1 when it exists (without --force) or cannot be written, 64 for wrong
// usage and for a key or value that cannot be used.
int runTemplateCommand(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace tavi
