// Reads a text file number by number, as both parameter-file readers do: characters of code 32
// or below separate numbers, a number is the following run of other characters, and a number
// asked for after the end of the text reads as 0. A byte-order mark that some editors put at
// the start of a text is passed over.
#pragma once

#include "files/FileError.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tavi {

// The UTF-8 byte-order mark.
inline constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// No parameter file comes near this size: its largest design has a few hundred numbers.
inline constexpr std::int64_t kLargestTextFile = 1 << 20;

// The whole text of the file fileName. Throws FileError when it cannot be opened or read, and at
// once, without waiting for data, when it is not a regular file (a FIFO, a device) or is larger
// than kLargestTextFile.
std::string readTextFile(const std::string& fileName);

class TextScanner {
public:
    TextScanner(std::string text, std::string fileName);

    // The whole file, read at once by readTextFile.
    static TextScanner fromFile(const std::string& fileName);

    // The next number, 0 when only separators are left. Throws FileError ("Invalid numeric
    // input in line 3") when the next token is not a number of the kind asked for.
    std::int32_t readInteger();
    double readReal();

    // True only when nothing at all is left, not even a line break, or the next character is
    // the end-of-file mark of code 26.
    bool atEnd() const;

    // How many numbers were asked for after the end of the text and read as 0.
    std::int64_t numbersPastEnd() const { return m_numbersPastEnd; }

    const std::string& fileName() const { return m_fileName; }
    // The whole text, wherever the reading stands.
    const std::string& text() const { return m_text; }

    // Moves behind the next line break (CR LF, LF or CR alone), or to the end.
    void skipRestOfLine();

    // The number of the line, counted from 1, in which the character at position at stands;
    // every line break that skipRestOfLine knows counts.
    static int lineOf(std::string_view text, std::size_t at);

private:
    // The next token, empty at the end of the text.
    std::string_view nextToken();
    // The error for the token that ends at the current position.
    FileError invalidToken(std::size_t length) const;

    std::string m_text;
    std::string m_fileName;
    std::size_t m_pos = 0;
    std::int64_t m_numbersPastEnd = 0;
};

}  // namespace tavi
