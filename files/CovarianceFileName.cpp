#include "files/CovarianceFileName.h"

namespace tavi {

CovarianceFileChoice chooseCovarianceFileName(
    const std::string& directory, const std::string& baseName,
    const std::function<bool(const std::string&)>& taken) {
    CovarianceFileChoice choice{directory + baseName + ".cov", false};
    for (int m = 1; taken(choice.name); ++m) {
        choice.name = directory + baseName + ".co" + std::to_string(m);
        if (m == 9) {
            choice.overwriteQuestion = taken(choice.name);
            break;
        }
    }
    return choice;
}

}  // namespace tavi
