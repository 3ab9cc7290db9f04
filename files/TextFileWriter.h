// A checked, buffered text file writer whose lines end with CR LF. Every failure of the file
// system reaches the caller as a FileError; an existing file that the user may not write, or
// that has no write permission for anyone, is refused with "File access denied".
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace tavi {

class TextFileWriter {
public:
    enum class Mode {
        // The file is created, or emptied when it exists, right away.
        Truncate,
        // The text goes to a temporary file beside it, which replaces the file only when
        // everything has been written: a failure leaves the old file as it was. A symbolic link
        // stays a link and its target is replaced; the replacement keeps the old file's
        // permissions and, where the system allows, its owner.
        ReplaceWhenClosed,
    };

    explicit TextFileWriter(std::string fileName, Mode mode = Mode::Truncate);
    ~TextFileWriter();
    TextFileWriter(const TextFileWriter&) = delete;
    TextFileWriter& operator=(const TextFileWriter&) = delete;

    // Text appended here is written out in large pieces; callers format straight into it.
    std::string& buffer() { return m_buffer; }

    // Ends the current line.
    void endLine();

    // Appends text and ends the line.
    void line(std::string_view text);

    // Writes what is left and closes the file (and, when replacing, puts it in place).
    void close();

private:
    // Opens the file itself, emptied, for writing.
    void openInPlace();
    void flush();
    void fail(int errnoValue);

    std::string m_fileName;
    std::string m_targetName;  // when replacing: the file that the name finally refers to
    std::string m_tempName;
    std::FILE* m_file = nullptr;
    std::string m_buffer;
};

}  // namespace tavi
