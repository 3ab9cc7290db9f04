// The clock of the output files' heads.
#pragma once

#include <string>

namespace tavi {

// The current local date and time in the user's date and time forms; the date alone at
// exactly midnight.
std::string localDateTime();

}  // namespace tavi
