#include "files/KeywordLines.h"

#include "files/FileError.h"
#include "files/NumberText.h"
#include "files/TextScanner.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

namespace tavi {

namespace {

// The text up to its first line break: CR LF, LF, or CR alone as old Mac editors end lines.
std::string_view firstLine(std::string_view text) {
    return text.substr(0, text.find_first_of("\r\n"));
}

bool isBlank(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

}  // namespace

std::string quoted(std::string_view word) {
    std::string text = "'";
    text.append(word).append("'");
    return text;
}

bool hasFirstLine(std::string_view text, std::string_view expected) {
    if (text.starts_with(kByteOrderMark)) {
        text.remove_prefix(kByteOrderMark.size());
    }
    std::string_view first = firstLine(text);
    while (!first.empty() && isBlank(first.front())) {
        first.remove_prefix(1);
    }
    while (!first.empty() && isBlank(first.back())) {
        first.remove_suffix(1);
    }
    const auto sameLetter = [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) ==
               std::tolower(static_cast<unsigned char>(b));
    };
    return std::equal(first.begin(), first.end(), expected.begin(), expected.end(), sameLetter);
}

Lines::Lines(std::string_view text, std::string fileName) : m_fileName(std::move(fileName)) {
    int number = 0;
    while (!text.empty()) {
        const std::string_view line = firstLine(text);
        text.remove_prefix(line.size());
        text.remove_prefix(text.starts_with("\r\n") ? 2 : std::min<std::size_t>(text.size(), 1));
        if (++number == 1) {
            continue;
        }
        Line words{number, {}};
        std::size_t at = 0;
        while (at < line.size()) {
            while (at < line.size() && isBlank(line[at])) {
                ++at;
            }
            const std::size_t start = at;
            while (at < line.size() && !isBlank(line[at])) {
                ++at;
            }
            if (at > start) {
                words.words.push_back(line.substr(start, at - start));
            }
        }
        if (!words.words.empty() && !words.words.front().starts_with('#')) {
            m_lines.push_back(std::move(words));
        }
    }
}

void Lines::fail(const Line& line, std::string_view what, const std::string& message) const {
    throw FileError(
        "line " + std::to_string(line.number) + ", " + std::string(what) + ": " + message,
        m_fileName);
}

void Lines::expectEnd(const std::string& why) const {
    if (!atEnd()) {
        fail(peek(), "the end", why + "; found " + quoted(peek().words.front()));
    }
}

void Lines::endsBefore(std::string_view what) const {
    throw FileError("File ends before " + std::string(what), m_fileName);
}

void Lines::endsWithin(std::string_view what, const std::string& detail) const {
    throw FileError("File ends within " + std::string(what) + ": " + detail, m_fileName);
}

const Line& Lines::keywordLine(std::string_view keyword, std::string_view what,
                               std::size_t leastWords, std::size_t mostWords,
                               std::string_view usage) {
    if (atEnd()) {
        endsBefore(what);
    }
    const Line& line = next();
    if (line.words.front() != keyword) {
        fail(line, what, "expected " + quoted(usage) + ", found " + quoted(line.words.front()));
    }
    if (line.words.size() < leastWords || line.words.size() > mostWords) {
        fail(line, what, "expected " + quoted(usage));
    }
    return line;
}

double realIn(const Lines& lines, const Line& line, std::size_t word, std::string_view what) {
    std::string_view text = line.words[word];
    const std::string_view digits = text.starts_with('+') ? text.substr(1) : text;
    double value = 0.0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() ||
        !std::isfinite(value)) {
        lines.fail(line, what, quoted(text) + " is not a number");
    }
    return value;
}

std::int32_t integerIn(const Lines& lines, const Line& line, std::size_t word,
                       std::string_view what) {
    std::int32_t value = 0;
    if (!parseInteger(line.words[word], value)) {
        lines.fail(line, what, quoted(line.words[word]) + " is not a whole number");
    }
    return value;
}

CountRange readRange(const Lines& lines, const Line& line, std::string_view what) {
    return {integerIn(lines, line, 1, what), integerIn(lines, line, 2, what),
            line.words.size() > 3 ? integerIn(lines, line, 3, what) : 1};
}

void appendRange(std::string& out, std::string_view keyword, const CountRange& range) {
    out.append(keyword);
    for (const std::int32_t value : {range.least, range.most, range.step}) {
        out += ' ';
        appendInteger(out, value);
    }
    out.append(kLineEnd);
}

}  // namespace tavi
