#include "files/TextFileWriter.h"

#include "files/FileError.h"
#include "files/FileNames.h"

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace tavi {

namespace {

constexpr std::size_t kFlushSize = 1 << 16;

// The status of the file a name refers to, links followed; nothing when there is none yet (or
// it cannot be examined, in which case opening it reports why).
std::optional<struct stat> statusOf(const std::string& name) {
    struct stat status {};
    if (stat(name.c_str(), &status) != 0) {
        return std::nullopt;
    }
    return status;
}

// Refuses a file that the user may not write. Besides what the system forbids, a file with no
// write permission for anyone is taken as marked read-only by its owner: the superuser, whom
// the system lets write anything, is refused it too rather than overwriting it unasked.
void requireWritable(const std::string& name, const struct stat& status) {
    if (S_ISDIR(status.st_mode)) {
        throw fileErrorFromErrno(EISDIR, name);
    }
    if ((status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        throw FileError("Permission denied (the file is read-only)", name);
    }
    if (faccessat(AT_FDCWD, name.c_str(), W_OK, AT_EACCESS) != 0) {
        throw fileErrorFromErrno(errno, name);
    }
}

}  // namespace

TextFileWriter::TextFileWriter(std::string fileName, Mode mode, FileCalls& calls)
    : m_fileName(std::move(fileName)), m_calls(calls) {
    m_buffer.reserve(2 * kFlushSize);
    const std::optional<struct stat> existing = statusOf(m_fileName);
    if (existing) {
        requireWritable(m_fileName, *existing);
    }
    if (mode == Mode::Truncate || (existing && !S_ISREG(existing->st_mode))) {
        openInPlace();
        return;
    }
    m_replaceOnClose = mode == Mode::ReplaceWhenClosed;
    m_replacement = std::make_unique<Replacement>(m_fileName, finalTarget(m_fileName),
                                                  existing ? &*existing : nullptr, m_calls);
    m_descriptor = m_replacement->descriptor();
}

void TextFileWriter::openInPlace() {
    // Not blocking while opening: a FIFO that no program reads would otherwise hold the run.
    m_descriptor =
        ::open(m_fileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0666);
    if (m_descriptor < 0) {
        throw outputFileError(errno, m_fileName);
    }
    const int flags = fcntl(m_descriptor, F_GETFL);
    if (flags == -1 || fcntl(m_descriptor, F_SETFL, flags & ~O_NONBLOCK) == -1) {
        const int error = errno;
        ::close(std::exchange(m_descriptor, -1));
        throw fileErrorFromErrno(error, m_fileName);
    }
}

TextFileWriter::~TextFileWriter() {
    // A temporary file's descriptor belongs to its replacement.
    if (m_descriptor >= 0 && !m_replacement) {
        ::close(m_descriptor);
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

void TextFileWriter::write(std::string_view text) {
    m_buffer.append(text);
    if (m_buffer.size() >= kFlushSize) {
        flush();
    }
}

void TextFileWriter::flush() {
    if (const int error = writeAll(m_calls, m_descriptor, m_buffer.data(), m_buffer.size());
        error != 0) {
        fail(error);
    }
    m_buffer.clear();
}

void TextFileWriter::close() {
    if (m_descriptor < 0) {
        return;
    }
    flush();
    const int descriptor = std::exchange(m_descriptor, -1);
    if (m_replacement) {
        m_replacement->finishText();
    } else if (::close(descriptor) != 0) {
        throw fileErrorFromErrno(errno, m_fileName);
    }
    if (m_replaceOnClose) {
        commit();
    }
}

void TextFileWriter::commit() {
    if (Replacement* replacement = pending(); replacement != nullptr) {
        replaceTogether({replacement});
    }
}

Replacement* TextFileWriter::pending() {
    return m_replacement && m_replacement->pending() ? m_replacement.get() : nullptr;
}

void TextFileWriter::fail(int errnoValue) {
    m_buffer.clear();
    const int descriptor = std::exchange(m_descriptor, -1);
    // The temporary file goes with its replacement; a file written straight into is closed.
    if (!m_replacement) {
        ::close(descriptor);
    }
    m_replacement.reset();
    throw fileErrorFromErrno(errnoValue, m_fileName);
}

}  // namespace tavi
