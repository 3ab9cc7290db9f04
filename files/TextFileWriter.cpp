#include "files/TextFileWriter.h"

#include "files/FileError.h"

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

// More links in a row than this are taken for a loop, as the system itself does.
constexpr int kMaxLinkHops = 40;

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
        throw fileErrorFromErrno(EACCES, name);
    }
    if (faccessat(AT_FDCWD, name.c_str(), W_OK, AT_EACCESS) != 0) {
        throw fileErrorFromErrno(errno, name);
    }
}

// The name of the file that fileName finally refers to: symbolic links are followed, also to a
// target that does not exist yet, so that replacing the file replaces the target and keeps the
// link.
std::string linkTarget(const std::string& fileName) {
    namespace fs = std::filesystem;
    fs::path path(fileName);
    for (int hops = 0;; ++hops) {
        std::error_code error;
        if (!fs::is_symlink(fs::symlink_status(path, error))) {
            return path.string();
        }
        if (hops == kMaxLinkHops) {
            throw fileErrorFromErrno(ELOOP, fileName);
        }
        const fs::path next = fs::read_symlink(path, error);
        if (error) {
            throw fileErrorFromErrno(error.value(), fileName);
        }
        path = next.is_absolute() ? next : path.parent_path() / next;
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

}  // namespace

TextFileWriter::TextFileWriter(std::string fileName, Mode mode) : m_fileName(std::move(fileName)) {
    m_buffer.reserve(2 * kFlushSize);
    const std::optional<struct stat> existing = statusOf(m_fileName);
    if (existing) {
        requireWritable(m_fileName, *existing);
    }
    // Devices and pipes are written straight into: there is nothing to replace atomically.
    if (mode == Mode::Truncate || (existing && !S_ISREG(existing->st_mode))) {
        openInPlace();
        return;
    }
    m_targetName = linkTarget(m_fileName);
    const std::filesystem::path target(m_targetName);
    // A hidden name beside the target, so that the rename stays within one file system. It
    // keeps only the start of a long name, so that it never exceeds the longest name the file
    // system allows where the target's own name does not.
    std::string hiddenName(".");
    hiddenName += target.filename().string().substr(0, kLongestNameKept);
    hiddenName += ".XXXXXX";
    std::string pattern = (target.parent_path() / hiddenName).string();
    const int descriptor = mkstemp(pattern.data());
    if (descriptor < 0) {
        // A folder in which no file may be made can still hold files the user may rewrite:
        // those are written in place, as no temporary file can stand beside them.
        if (existing && (errno == EACCES || errno == EPERM)) {
            openInPlace();
            return;
        }
        throw fileErrorFromErrno(errno, m_fileName);
    }
    m_tempName = pattern;
    int error = 0;
    if (existing) {
        error = keepAttributes(descriptor, *existing);
    } else {
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
        std::remove(m_tempName.c_str());
        throw fileErrorFromErrno(error, m_fileName);
    }
}

void TextFileWriter::openInPlace() {
    m_file = std::fopen(m_fileName.c_str(), "wb");
    if (m_file == nullptr) {
        throw fileErrorFromErrno(errno, m_fileName);
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
    if (!m_tempName.empty() && std::rename(m_tempName.c_str(), m_targetName.c_str()) != 0) {
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
