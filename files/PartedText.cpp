#include "files/PartedText.h"

#include "files/FileCalls.h"
#include "files/FileError.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace tavi {

namespace {

// The text set aside is read back in pieces of this size.
constexpr std::size_t kReadPiece = std::size_t{1} << 20;

// A file without a name in folder, gone once closed; -1 with errno set when the folder takes
// none.
int unnamedFileIn(const std::string& folder) {
    const int descriptor = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (descriptor >= 0 || (errno != EOPNOTSUPP && errno != EISDIR)) {
        return descriptor;
    }
    // File systems without unnamed files: a named one, unlinked at once.
    std::string name = folder + "/.tavi-text-XXXXXX";
    const int named = mkostemp(name.data(), O_CLOEXEC);
    if (named >= 0) {
        ::unlink(name.c_str());
    }
    return named;
}

// The folder of the temporary file: the output's, so that a long text lands where the output
// will, unless the output is a device or a pipe, whose folder is no place for files.
std::string folderFor(const std::string& outputName) {
    const std::filesystem::path output(outputName);
    std::error_code ignored;
    const std::filesystem::file_type type = std::filesystem::status(output, ignored).type();
    if (type != std::filesystem::file_type::regular &&
        type != std::filesystem::file_type::not_found) {
        return std::filesystem::temp_directory_path(ignored).string();
    }
    return output.has_parent_path() ? output.parent_path().string() : ".";
}

}  // namespace

PartedText::PartedText(std::string outputName, std::size_t heldBytes)
    : m_outputName(std::move(outputName)), m_heldBytes(heldBytes) {}

PartedText::~PartedText() {
    if (m_descriptor >= 0) {
        ::close(m_descriptor);
    }
}

void PartedText::append(std::size_t part, std::string_view text) {
    if (part == m_parts.size()) {
        m_parts.emplace_back();
        m_setAside.emplace_back();
    }
    m_parts[part].append(text);
    m_held += text.size();
    if (m_held > m_heldBytes) {
        setAside();
    }
}

void PartedText::setAside() {
    if (m_descriptor < 0) {
        m_descriptor = unnamedFileIn(folderFor(m_outputName));
        if (m_descriptor < 0) {
            m_descriptor = unnamedFileIn(std::filesystem::temp_directory_path().string());
        }
        if (m_descriptor < 0) {
            fail(errno);
        }
    }
    for (std::size_t part = 0; part < m_parts.size(); ++part) {
        std::string& text = m_parts[part];
        if (text.empty()) {
            continue;
        }
        if (const int error = writeAll(systemFileCalls(), m_descriptor, text.data(), text.size());
            error != 0) {
            fail(error);
        }
        m_setAside[part].push_back({m_fileSize, text.size()});
        m_fileSize += text.size();
        // The memory goes too, not only the text.
        std::string().swap(text);
    }
    m_held = 0;
}

void PartedText::writeTo(TextFileWriter& out) {
    std::string piece;
    for (std::size_t part = 0; part < m_parts.size(); ++part) {
        for (const Extent& extent : m_setAside[part]) {
            for (std::size_t done = 0; done < extent.size;) {
                piece.resize(std::min(kReadPiece, extent.size - done));
                const ssize_t read = ::pread(m_descriptor, piece.data(), piece.size(),
                                             static_cast<off_t>(extent.offset + done));
                if (read < 0 && errno == EINTR) {
                    continue;
                }
                if (read <= 0) {
                    fail(read < 0 ? errno : EIO);
                }
                out.write(std::string_view(piece.data(), static_cast<std::size_t>(read)));
                done += static_cast<std::size_t>(read);
            }
        }
        out.write(m_parts[part]);
    }
}

void PartedText::fail(int errnoValue) const {
    throw fileErrorFromErrno(errnoValue, m_outputName);
}

}  // namespace tavi
