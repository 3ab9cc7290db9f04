#include "app/CommandOptions.h"

namespace tavi {

std::string_view optionValue(std::string_view argument, std::string_view name, bool takesValue,
                             int argc, const char* const* argv, int& i) {
    if (name != argument) {
        return argument.substr(name.size() + 1);
    }
    if (takesValue && i + 1 < argc) {
        return argv[++i];
    }
    return {};
}

void appendOptionUsage(std::string& text, std::string_view name, std::string_view value,
                       std::string_view help, std::size_t column) {
    const std::size_t start = text.size();
    text.append("  ").append(name);
    if (!value.empty()) {
        text.append(" ").append(value);
    }
    const std::size_t head = text.size() - start;
    text.append(head < column ? column - head : 1, ' ');
    for (const char c : help) {
        text += c;
        if (c == '\n') {
            text.append(column, ' ');
        }
    }
    text += '\n';
}

}  // namespace tavi
