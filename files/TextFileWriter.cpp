#include "files/TextFileWriter.h"

#include "files/FileError.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace tavi {

namespace {

constexpr std::size_t kFlushSize = 1 << 16;

// Permissions of a newly created file: read and write for all, less the process's umask.
mode_t newFileMode() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

}  // namespace

TextFileWriter::TextFileWriter(std::string fileName, Mode mode) : m_fileName(std::move(fileName)) {
    m_buffer.reserve(2 * kFlushSize);
    if (mode == Mode::Truncate) {
        m_file = std::fopen(m_fileName.c_str(), "wb");
        if (m_file == nullptr) {
            throw fileErrorFromErrno(errno, m_fileName);
        }
        return;
    }
    const std::filesystem::path target(m_fileName);
    std::error_code ignored;
    if (std::filesystem::is_directory(target, ignored)) {
        throw fileErrorFromErrno(EISDIR, m_fileName);
    }
    // A hidden name beside the target, so that the rename stays within one file system.
    std::string hiddenName(".");
    hiddenName += target.filename().string();
    hiddenName += ".XXXXXX";
    std::string pattern = (target.parent_path() / hiddenName).string();
    const int descriptor = mkstemp(pattern.data());
    if (descriptor < 0) {
        throw fileErrorFromErrno(errno, m_fileName);
    }
    m_tempName = pattern;
    fchmod(descriptor, newFileMode());
    m_file = fdopen(descriptor, "wb");
    if (m_file == nullptr) {
        const int error = errno;
        ::close(descriptor);
        std::remove(m_tempName.c_str());
        throw fileErrorFromErrno(error, m_fileName);
    }
}

TextFileWriter::~TextFileWriter() {
    if (m_file != nullptr) {
        std::fclose(m_file);
        if (!m_tempName.empty()) {
            std::remove(m_tempName.c_str());
        }
    }
}

void TextFileWriter::endLine() {
    m_buffer.append("\r\n");
    if (m_buffer.size() >= kFlushSize) {
        flush();
    }
}

void TextFileWriter::line(std::string_view text) {
    m_buffer.append(text);
    endLine();
}

void TextFileWriter::flush() {
    if (!m_buffer.empty() &&
        std::fwrite(m_buffer.data(), 1, m_buffer.size(), m_file) != m_buffer.size()) {
        fail(errno);
    }
    m_buffer.clear();
}

void TextFileWriter::close() {
    if (m_file == nullptr) {
        return;
    }
    flush();
    std::FILE* file = std::exchange(m_file, nullptr);
    if (std::fclose(file) != 0) {
        const int error = errno;
        if (!m_tempName.empty()) {
            std::remove(m_tempName.c_str());
        }
        throw fileErrorFromErrno(error, m_fileName);
    }
    if (!m_tempName.empty() && std::rename(m_tempName.c_str(), m_fileName.c_str()) != 0) {
        const int error = errno;
        std::remove(m_tempName.c_str());
        throw fileErrorFromErrno(error, m_fileName);
    }
}

void TextFileWriter::fail(int errnoValue) {
    std::fclose(std::exchange(m_file, nullptr));
    if (!m_tempName.empty()) {
        std::remove(m_tempName.c_str());
    }
    // A short write need not set errno.
    throw fileErrorFromErrno(errnoValue != 0 ? errnoValue : EIO, m_fileName);
}

}  // namespace tavi
