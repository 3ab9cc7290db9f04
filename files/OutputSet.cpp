#include "files/OutputSet.h"

#include "files/FileError.h"

namespace tavi {

TextFileWriter& OutputSet::add(const std::string& fileName) {
    m_files.push_back(std::make_unique<TextFileWriter>(fileName, TextFileWriter::Mode::Staged));
    return *m_files.back();
}

void OutputSet::commit() {
    for (const auto& file : m_files) {
        file->close();
    }
    std::string replaced;
    for (auto it = m_files.rbegin(); it != m_files.rend(); ++it) {
        TextFileWriter* file = it->get();
        try {
            file->commit();
        } catch (const FileError& error) {
            if (replaced.empty()) {
                throw;
            }
            throw FileError(std::string(error.what()) + "; already replaced: " + replaced,
                            error.fileName());
        }
        replaced.append(replaced.empty() ? "" : ", ").append(file->fileName());
    }
}

}  // namespace tavi
