// Keeps two calculations from writing the same outputs at once: an advisory lock on the folders
// that hold the outputs, taken for the whole calculation. A second calculation writing into one
// of those folders waits until the first has finished; the lock goes with the process, however
// it ends, and leaves no file behind. Devices (/dev/null) are written straight into and need
// no lock.
#pragma once

#include "engine/StopToken.h"

#include <functional>
#include <string>
#include <vector>

namespace tavi {

class OutputLock {
public:
    // Locks the folders of the files' final targets. While another calculation holds one of
    // them, calls waiting once with that folder and waits; throws Stopped when stop is set
    // meanwhile. A folder that cannot be locked (one that may be written but not read, a file
    // system without locks) is refused: FileError naming the first file in it, before
    // anything is written.
    OutputLock(const std::vector<std::string>& files, StopToken stop,
               const std::function<void(const std::string& folder)>& waiting);
    ~OutputLock();
    OutputLock(const OutputLock&) = delete;
    OutputLock& operator=(const OutputLock&) = delete;

private:
    void lock(const std::string& folder, const std::string& file, StopToken stop,
              const std::function<void(const std::string& folder)>& waiting);
    void release();

    std::vector<int> m_descriptors;
};

}  // namespace tavi
