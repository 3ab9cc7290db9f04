#include "files/OutputSet.h"

namespace tavi {

TextFileWriter& OutputSet::add(const std::string& fileName) {
    m_files.push_back(
        std::make_unique<TextFileWriter>(fileName, TextFileWriter::Mode::Staged, m_calls));
    return *m_files.back();
}

void OutputSet::commit() {
    std::vector<Replacement*> pending;
    for (auto it = m_files.rbegin(); it != m_files.rend(); ++it) {
        (*it)->close();
        if (Replacement* file = (*it)->pending(); file != nullptr) {
            pending.push_back(file);
        }
    }
    replaceTogether(pending);
}

}  // namespace tavi
