#include "files/TextFileWriter.h"

#include "files/FileError.h"
#include "files/FileNames.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace tavi {

namespace {

constexpr std::size_t kFlushSize = 1 << 16;
// Of the target's name, the part that the temporary file's name repeats.
constexpr std::size_t kLongestNameKept = 200;

// Permissions of a newly created file: read and write for all, less the process's umask.
mode_t newFileMode() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

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

// Gives the replacement of a file the old file's owner and permissions, so that saving changes
// only the contents. Only the superuser may give a file away; where the owner cannot be kept,
// the set-user-ID and set-group-ID bits are dropped rather than handed to the writer. Returns
// 0 or the errno value of the failure.
int keepAttributes(int descriptor, const struct stat& old) {
    struct stat now {};
    if (fstat(descriptor, &now) != 0) {
        return errno;
    }
    mode_t permissions = old.st_mode & 07777;
    if ((now.st_uid != old.st_uid || now.st_gid != old.st_gid) &&
        fchown(descriptor, old.st_uid, old.st_gid) != 0) {
        permissions &= ~mode_t{S_ISUID | S_ISGID};
    }
    if ((now.st_mode & 07777) != permissions && fchmod(descriptor, permissions) != 0) {
        return errno;
    }
    return 0;
}

// Copies the file from into the existing file to, which keeps its own attributes. Returns 0 or
// the errno value of the failure.
int copyInto(const std::string& from, const std::string& to) {
    const int source = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (source < 0) {
        return errno;
    }
    const int target = ::open(to.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    int error = target < 0 ? errno : 0;
    char chunk[kFlushSize];
    while (error == 0) {
        const ssize_t count = ::read(source, chunk, sizeof chunk);
        if (count <= 0) {
            error = count < 0 ? errno : 0;
            break;
        }
        for (ssize_t done = 0; done < count && error == 0;) {
            const ssize_t written = ::write(target, chunk + done, count - done);
            error = written < 0 ? errno : (written == 0 ? EIO : 0);
            done += written > 0 ? written : 0;
        }
    }
    if (target >= 0 && ::close(target) != 0 && error == 0) {
        error = errno;
    }
    ::close(source);
    return error;
}

}  // namespace

TextFileWriter::TextFileWriter(std::string fileName, Mode mode) : m_fileName(std::move(fileName)) {
    m_buffer.reserve(2 * kFlushSize);
    const std::optional<struct stat> existing = statusOf(m_fileName);
    if (existing) {
        requireWritable(m_fileName, *existing);
    }
    // Devices and pipes are written straight into: there is nothing to replace.
    if (mode == Mode::Truncate || (existing && !S_ISREG(existing->st_mode))) {
        openInPlace();
        return;
    }
    m_replaceOnClose = mode == Mode::ReplaceWhenClosed;
    m_targetName = finalTarget(m_fileName);
    openStaged(existing.has_value());
}

void TextFileWriter::openStaged(bool targetExists) {
    const std::filesystem::path target(m_targetName);
    // A name the folder cannot hold would only fail when the finished file is put in place,
    // perhaps after other outputs have been replaced: it is refused now.
    const std::string folder = target.has_parent_path() ? target.parent_path().string() : ".";
    const long longestName = pathconf(folder.c_str(), _PC_NAME_MAX);
    if (longestName > 0 &&
        target.filename().string().size() > static_cast<std::size_t>(longestName)) {
        throw fileErrorFromErrno(ENAMETOOLONG, m_fileName);
    }
    // A hidden name beside the target, so that the rename stays within one file system. It
    // keeps only the start of a long name, so that it never exceeds the longest name the file
    // system allows where the target's own name does not.
    std::string hiddenName(".");
    hiddenName += target.filename().string().substr(0, kLongestNameKept);
    hiddenName += ".XXXXXX";
    std::string pattern = (target.parent_path() / hiddenName).string();
    int descriptor = mkstemp(pattern.data());
    if (descriptor < 0 && targetExists && (errno == EACCES || errno == EPERM)) {
        // A folder in which no file may be made can still hold files the user may rewrite:
        // their text waits in the system's folder for temporary files and is copied into them
        // once complete.
        m_copyOnCommit = true;
        std::error_code ignored;
        pattern = (std::filesystem::temp_directory_path(ignored) / "tavi-output.XXXXXX").string();
        descriptor = mkstemp(pattern.data());
    }
    if (descriptor < 0) {
        throw fileErrorFromErrno(errno, m_fileName);
    }
    m_tempName = pattern;
    int error = 0;
    if (targetExists && !m_copyOnCommit) {
        struct stat old {};
        error = stat(m_targetName.c_str(), &old) == 0 ? keepAttributes(descriptor, old) : errno;
    } else if (!targetExists) {
        // A file system that cannot store permissions (FAT, for one) refuses this; a new file
        // then simply has the permissions that file system gives every file.
        static_cast<void>(fchmod(descriptor, newFileMode()));
    }
    if (error == 0) {
        m_file = fdopen(descriptor, "wb");
        error = m_file == nullptr ? errno : 0;
    }
    if (error != 0) {
        ::close(descriptor);
        removeTemporary();
        throw fileErrorFromErrno(error, m_fileName);
    }
}

void TextFileWriter::openInPlace() {
    // Not blocking while opening: a FIFO that no program reads would otherwise hold the run.
    const int descriptor =
        ::open(m_fileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0666);
    if (descriptor < 0) {
        throw fileErrorFromErrno(errno, m_fileName);
    }
    const int flags = fcntl(descriptor, F_GETFL);
    if (flags == -1 || fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK) == -1 ||
        (m_file = fdopen(descriptor, "wb")) == nullptr) {
        const int error = errno;
        ::close(descriptor);
        throw fileErrorFromErrno(error, m_fileName);
    }
}

TextFileWriter::~TextFileWriter() {
    if (m_file != nullptr) {
        std::fclose(m_file);
    }
    removeTemporary();
}

void TextFileWriter::removeTemporary() {
    if (!m_tempName.empty()) {
        std::remove(m_tempName.c_str());
        m_tempName.clear();
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
        removeTemporary();
        throw fileErrorFromErrno(error, m_fileName);
    }
    if (m_replaceOnClose) {
        commit();
    }
}

void TextFileWriter::commit() {
    if (m_tempName.empty()) {
        return;
    }
    const int error = m_copyOnCommit ? copyInto(m_tempName, m_targetName)
                      : std::rename(m_tempName.c_str(), m_targetName.c_str()) == 0 ? 0
                                                                                   : errno;
    removeTemporary();
    if (error != 0) {
        throw fileErrorFromErrno(error, m_fileName);
    }
}

void TextFileWriter::fail(int errnoValue) {
    std::fclose(std::exchange(m_file, nullptr));
    removeTemporary();
    // A short write need not set errno.
    throw fileErrorFromErrno(errnoValue != 0 ? errnoValue : EIO, m_fileName);
}

}  // namespace tavi
