// What the commands of tavi-calc share about their options: reading an option's value and the
// lines of the help that describe one option each.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tavi {

// The value of the option name in argument: what follows "=" in it, else, for an option that
// takes a value, the next argument, which i then passes. Empty when there is none.
std::string_view optionValue(std::string_view argument, std::string_view name, bool takesValue,
                             int argc, const char* const* argv, int& i);

// Appends "  NAME VALUE" and the help from column on (one blank further when the name is
// longer), every further line of the help indented to the same column, and a line break.
void appendOptionUsage(std::string& text, std::string_view name, std::string_view value,
                       std::string_view help, std::size_t column);

}  // namespace tavi
