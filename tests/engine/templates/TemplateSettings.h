// The settings of a template written as they are typed: "KEY=VALUE KEY=VALUE".
#pragma once

#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace tavi::test {

inline std::vector<std::pair<std::string, std::string>> settingsOf(const std::string& text) {
    std::vector<std::pair<std::string, std::string>> settings;
    std::istringstream words(text);
    for (std::string word; words >> word;) {
        settings.emplace_back(word.substr(0, word.find('=')), word.substr(word.find('=') + 1));
    }
    return settings;
}

}  // namespace tavi::test
