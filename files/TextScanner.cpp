#include "files/TextScanner.h"

#include "files/FileError.h"
#include "files/NumberText.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace tavi {

namespace {

constexpr char kEndOfFileMark = 26;

bool isSeparator(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

}  // namespace

std::string readTextFile(const std::string& fileName) {
    // Not blocking: opening a FIFO would otherwise wait for a writer that may never come.
    const int descriptor = ::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        throw fileErrorFromErrno(errno, fileName);
    }
    const struct Closer {
        int descriptor;
        ~Closer() { ::close(descriptor); }
    } closer{descriptor};
    struct stat status {};
    if (fstat(descriptor, &status) != 0) {
        throw fileErrorFromErrno(errno, fileName);
    }
    if (S_ISDIR(status.st_mode)) {
        throw fileErrorFromErrno(EISDIR, fileName);
    }
    if (!S_ISREG(status.st_mode)) {
        throw FileError("Not a regular file (a FIFO, a device or a socket)", fileName);
    }
    const auto tooLarge = [&fileName] {
        return FileError(
            "Larger than any parameter file (" + std::to_string(kLargestTextFile / 1024) + " KB)",
            fileName);
    };
    if (status.st_size > kLargestTextFile) {
        throw tooLarge();
    }
    // One byte more than the limit tells a file that grew since it was examined.
    std::string text(static_cast<std::size_t>(kLargestTextFile) + 1, '\0');
    std::size_t size = 0;
    while (size < text.size()) {
        const ssize_t count = ::read(descriptor, text.data() + size, text.size() - size);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            throw fileErrorFromErrno(errno, fileName);
        }
        if (count == 0) {
            break;
        }
        size += static_cast<std::size_t>(count);
    }
    if (size > static_cast<std::size_t>(kLargestTextFile)) {
        throw tooLarge();
    }
    text.resize(size);
    return text;
}

TextScanner::TextScanner(std::string text, std::string fileName)
    : m_text(std::move(text)),
      m_fileName(std::move(fileName)),
      m_pos(m_text.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0) {}

TextScanner TextScanner::fromFile(const std::string& fileName) {
    return TextScanner(readTextFile(fileName), fileName);
}

std::string_view TextScanner::nextToken() {
    while (m_pos < m_text.size() && isSeparator(m_text[m_pos])) {
        ++m_pos;
    }
    const std::size_t start = m_pos;
    while (m_pos < m_text.size() && !isSeparator(m_text[m_pos])) {
        ++m_pos;
    }
    m_numbersPastEnd += start == m_pos ? 1 : 0;
    return std::string_view(m_text).substr(start, m_pos - start);
}

std::int32_t TextScanner::readInteger() {
    const std::string_view token = nextToken();
    std::int32_t value = 0;
    if (!token.empty() && !parseInteger(token, value)) {
        throw invalidToken(token.size());
    }
    return value;
}

double TextScanner::readReal() {
    const std::string_view token = nextToken();
    double value = 0.0;
    if (!token.empty() && !parseStandardReal(token, value)) {
        throw invalidToken(token.size());
    }
    return value;
}

FileError TextScanner::invalidToken(std::size_t length) const {
    return invalidNumericInput(m_fileName, lineOf(m_text, m_pos - length));
}

int TextScanner::lineOf(std::string_view text, std::size_t at) {
    int line = 1;
    for (std::size_t i = 0; i < at && i < text.size(); ++i) {
        const bool crBeforeLf = text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n';
        line += (text[i] == '\n' || (text[i] == '\r' && !crBeforeLf)) ? 1 : 0;
    }
    return line;
}

bool TextScanner::atEnd() const {
    return m_pos >= m_text.size() || m_text[m_pos] == kEndOfFileMark;
}

void TextScanner::skipRestOfLine() {
    while (m_pos < m_text.size() && m_text[m_pos] != '\r' && m_text[m_pos] != '\n') {
        ++m_pos;
    }
    if (m_pos < m_text.size() && m_text[m_pos] == '\r') {
        ++m_pos;
    }
    if (m_pos < m_text.size() && m_text[m_pos] == '\n') {
        ++m_pos;
    }
}

}  // namespace tavi
