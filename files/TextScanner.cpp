#include "files/TextScanner.h"

#include "files/FileError.h"
#include "files/NumberText.h"

#include <cerrno>
#include <cstdio>
#include <memory>
#include <utility>

namespace tavi {

namespace {

constexpr char kEndOfFileMark = 26;

bool isSeparator(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

}  // namespace

TextScanner::TextScanner(std::string text, std::string fileName)
    : m_text(std::move(text)), m_fileName(std::move(fileName)) {}

TextScanner TextScanner::fromFile(const std::string& fileName) {
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(fileName.c_str(), "rb"),
                                                               &std::fclose);
    if (!file) {
        throw fileErrorFromErrno(errno, fileName);
    }
    std::string text;
    char chunk[65536];
    std::size_t count = 0;
    while ((count = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) {
        text.append(chunk, count);
    }
    if (std::ferror(file.get())) {
        throw fileErrorFromErrno(errno, fileName);
    }
    return TextScanner(std::move(text), fileName);
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
        throw invalidNumericInput(m_fileName);
    }
    return value;
}

double TextScanner::readReal() {
    const std::string_view token = nextToken();
    double value = 0.0;
    if (!token.empty() && !parseStandardReal(token, value)) {
        throw invalidNumericInput(m_fileName);
    }
    return value;
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
