// A checked, buffered text file writer whose lines end with CR LF. Every failure of the file
// system reaches the caller as a FileError; an existing file that the user may not write, or
// that has no write permission for anyone, is refused at once.
#pragma once

#include "files/FileCalls.h"
#include "files/Replacement.h"

#include <memory>
#include <string>
#include <string_view>

namespace tavi {

class TextFileWriter {
public:
    enum class Mode {
        // The file is created, or emptied when it exists, right away.
        Truncate,
        // The text goes to a temporary file, which replaces the file only when everything has
        // been written (Replacement): a failure leaves the old file as it was. A symbolic link
        // stays a link and its target is replaced; the replacement keeps the old file's
        // permissions and, where the system allows, its owner. close() puts it in place.
        ReplaceWhenClosed,
        // As ReplaceWhenClosed, but close() only finishes the temporary file; commit() puts it
        // in place, or replaceTogether() with others (OutputSet).
        Staged,
    };

    // Devices and pipes are written straight into in every mode: there is nothing to replace.
    // calls makes the system calls that write and replace the file.
    explicit TextFileWriter(std::string fileName, Mode mode = Mode::Truncate,
                            FileCalls& calls = systemFileCalls());
    // Removes the temporary file of a writer that was not put in place.
    ~TextFileWriter();
    TextFileWriter(const TextFileWriter&) = delete;
    TextFileWriter& operator=(const TextFileWriter&) = delete;

    const std::string& fileName() const { return m_fileName; }

    // Text appended here is written out in large pieces; callers format straight into it.
    std::string& buffer() { return m_buffer; }

    // Ends the current line.
    void endLine();

    // Appends text and ends the line.
    void line(std::string_view text);

    // Appends text that holds its own line ends.
    void write(std::string_view text);

    // Writes what is left and closes the file (and, unless staged, puts it in place).
    void close();

    // Staged: puts the closed temporary file in place of the file.
    void commit();

    // Staged: the closed text still waiting to be put in place; nullptr when there is none (a
    // file written straight into, or one already put in place).
    Replacement* pending();

private:
    // Opens the file itself, emptied, for writing.
    void openInPlace();
    void flush();
    [[noreturn]] void fail(int errnoValue);

    std::string m_fileName;
    FileCalls& m_calls;
    std::unique_ptr<Replacement> m_replacement;  // unless written straight into
    bool m_replaceOnClose = false;
    int m_descriptor = -1;
    std::string m_buffer;
};

}  // namespace tavi
