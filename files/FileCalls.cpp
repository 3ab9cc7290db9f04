#include "files/FileCalls.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace tavi {

int FileCalls::create(const std::string& name, mode_t mode) {
    return ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
}

ssize_t FileCalls::write(int descriptor, const void* data, std::size_t size) {
    return ::write(descriptor, data, size);
}

int FileCalls::rename(const std::string& from, const std::string& to, bool exchange) {
    return ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(),
                       exchange ? RENAME_EXCHANGE : 0);
}

int FileCalls::sync(int descriptor) {
    return ::fsync(descriptor);
}

int FileCalls::reserve(int descriptor, off_t length) {
    if (::fallocate(descriptor, FALLOC_FL_KEEP_SIZE, 0, length) == 0) {
        return 0;
    }
    if (errno != EOPNOTSUPP) {
        return -1;
    }
    // A file system without fallocate: the C library writes the blocks instead, which grows
    // the file; the caller cuts it back when the reservation is not used.
    const int error = ::posix_fallocate(descriptor, 0, length);
    errno = error;
    return error == 0 ? 0 : -1;
}

int writeAll(FileCalls& calls, int descriptor, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = calls.write(descriptor, data, size);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            // A write that takes nothing need not set errno.
            return written < 0 ? errno : EIO;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return 0;
}

FileCalls& systemFileCalls() {
    static FileCalls calls;
    return calls;
}

}  // namespace tavi
