// The lines of the design files that name their parts by keywords (three-level designs, cluster
// designs over periods): a first line that tells the file's kind, then lines of blank-separated
// words, a keyword at the head of most. Blank lines and lines whose first word begins with # are
// skipped; lines end with CR LF, LF or CR alone. Every fault is a FileError naming the line and
// the part of the design it is in.
#pragma once

#include "engine/SampleSizes.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tavi {

inline constexpr std::string_view kLineEnd = "\r\n";

// 'word', for messages.
std::string quoted(std::string_view word);

// Whether text's first line is expected. What editors do to a line without changing it for a
// reader is allowed: a byte-order mark before it, blanks around it, letters of another case.
bool hasFirstLine(std::string_view text, std::string_view expected);

// A line that holds something, with its number and its words.
struct Line {
    int number;
    std::vector<std::string_view> words;
};

// The lines after the first that hold more than blanks and are no comments, one at a time. The
// words view text, which must outlive this.
class Lines {
public:
    Lines(std::string_view text, std::string fileName);

    bool atEnd() const { return m_next == m_lines.size(); }
    const Line& peek() const { return m_lines[m_next]; }
    const Line& next() { return m_lines[m_next++]; }

    [[noreturn]] void fail(const Line& line, std::string_view what,
                           const std::string& message) const;
    // Fails at the next line, if any, saying why nothing may be there.
    void expectEnd(const std::string& why) const;
    [[noreturn]] void endsBefore(std::string_view what) const;
    [[noreturn]] void endsWithin(std::string_view what, const std::string& detail) const;

    // The next line, which must begin with keyword and have from least to most words.
    const Line& keywordLine(std::string_view keyword, std::string_view what, std::size_t leastWords,
                            std::size_t mostWords, std::string_view usage);

private:
    std::string m_fileName;
    std::vector<Line> m_lines;
    std::size_t m_next = 0;
};

// Word word of line as a finite real, or as a whole number of 32 bits; fails naming what.
double realIn(const Lines& lines, const Line& line, std::size_t word, std::string_view what);
std::int32_t integerIn(const Lines& lines, const Line& line, std::size_t word,
                       std::string_view what);

// MIN MAX [STEP] from word 1 on; the step is 1 when left out.
CountRange readRange(const Lines& lines, const Line& line, std::string_view what);

// "keyword MIN MAX STEP" and the line's end.
void appendRange(std::string& out, std::string_view keyword, const CountRange& range);

}  // namespace tavi
