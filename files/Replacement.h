// The new text of a file, held in a temporary file until it is complete and then put in place
// in a step that can be undone, so that a failure at any moment leaves the old file or the new
// one, never a mixture.
//
// Beside the target, the finished temporary file is flushed to the disk and swapped with the
// target; the old file stays under the temporary name until every file of the calculation is in
// place, and the folder is flushed too. In a folder where no new file may be made, the text
// waits in the system's folder for temporary files and is copied into the target; before that,
// the target's old text is copied aside and the disk space the copy needs is set aside, so that
// a full disk cannot cut the copy short and the old text can always be written back.
#pragma once

#include "files/FileCalls.h"

#include <string>
#include <sys/stat.h>
#include <vector>

namespace tavi {

class Replacement {
public:
    // Makes the temporary file for targetName, the file that fileName finally refers to, which
    // exists with the status old unless old is nullptr. Throws FileError naming fileName.
    Replacement(std::string fileName, std::string targetName, const struct stat* old,
                FileCalls& calls);
    // Removes the temporary files and gives back disk space set aside but not used.
    ~Replacement();
    Replacement(const Replacement&) = delete;
    Replacement& operator=(const Replacement&) = delete;

    const std::string& fileName() const { return m_fileName; }

    // The temporary file, open for writing until finishText().
    int descriptor() const { return m_text; }

    // Once the text is written: flushes it to the disk and closes the temporary file. Throws
    // FileError.
    void finishText();

    // Whether the new text still waits to be put in place.
    bool pending() const { return m_state == State::Finished; }

    // Puts the pending files in place in the order given. When one cannot be put in place, each
    // of them that was gets its old file back, and the FileError thrown names the failing file
    // and adds which of them could not be given back: "; already replaced: a, b" for those that
    // hold their new text, "; left incomplete: c" for one that holds part of it.
    friend void replaceTogether(const std::vector<Replacement*>& files);

private:
    enum class State { Writing, Finished, Prepared, Putting, Replaced, Done };

    // Takes what putting in place needs without changing what a reader of the target sees.
    void prepare();
    // Puts the new text in place.
    void put();
    // Brings back the state before prepare(); false when the old file could not be brought back.
    bool undo();
    // Removes the temporary files, which after a swap hold the old file: once every file is in
    // place, or when the replacement is given up.
    void finish();

    void putCopy();
    bool undoCopy();
    // Flushes the target's folder, so that a renaming survives a power cut. 0 or errno.
    int syncFolder();

    std::string m_fileName;
    std::string m_targetName;
    std::string m_tempName;    // the new text; after swapping, the old file
    std::string m_backupName;  // when copying: the old text
    bool m_targetExisted;
    bool m_copy = false;     // copied into the target rather than swapped with it
    bool m_swapped = false;  // the old file is kept under the temporary name
    FileCalls& m_calls;
    int m_text = -1;
    int m_target = -1;  // when copying: the target, open for reading and writing
    off_t m_oldSize = 0;
    off_t m_newSize = 0;
    State m_state = State::Writing;
};

void replaceTogether(const std::vector<Replacement*>& files);

}  // namespace tavi
