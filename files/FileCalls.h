// The system calls that write the program's outputs and put them in place, behind one interface
// so that a test can make any of them fail at a chosen moment and see that no old file is lost.
// The program itself always uses systemFileCalls().
#pragma once

#include <cstddef>
#include <string>
#include <sys/types.h>

namespace tavi {

class FileCalls {
public:
    FileCalls() = default;
    virtual ~FileCalls() = default;
    FileCalls(const FileCalls&) = delete;
    FileCalls& operator=(const FileCalls&) = delete;

    // Creates the file name, which must not exist yet, for writing, with the permissions mode
    // less what the process's umask (or the folder's default ACL) takes away. A descriptor, or
    // -1 with errno set.
    virtual int create(const std::string& name, mode_t mode);

    // Writes up to size bytes; as write(2).
    virtual ssize_t write(int descriptor, const void* data, std::size_t size);

    // Renames from to to, replacing to; with exchange, swaps the two files instead, so that the
    // old file stays under the name from. 0, or -1 with errno set (EINVAL where the file system
    // cannot swap).
    virtual int rename(const std::string& from, const std::string& to, bool exchange);

    // Flushes the file or folder to the disk; as fsync(2).
    virtual int sync(int descriptor);

    // Sets aside the disk blocks for the first length bytes of the file, so that writing them
    // cannot run out of space, without changing its size where the file system allows. 0, or -1
    // with errno set.
    virtual int reserve(int descriptor, off_t length);
};

// Writes all of data through calls, as often as the system takes less. Returns 0 or the errno
// value of the failure.
int writeAll(FileCalls& calls, int descriptor, const char* data, std::size_t size);

// The calls as the system makes them.
FileCalls& systemFileCalls();

}  // namespace tavi
