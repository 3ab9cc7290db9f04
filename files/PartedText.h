// Text made of parts that grow side by side and are written one after another, as a table whose
// rows are found column by column at each of many cells is written column after column. Beyond
// a few megabytes the parts are set aside in an unnamed temporary file, so that memory stays
// bounded however long the text grows.
#pragma once

#include "files/TextFileWriter.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tavi {

class PartedText {
public:
    // Text of the output outputName: the temporary file is made in its folder, or in the system's
    // folder for temporary files when that folder takes none or the output is a device or a
    // pipe. Its failures are FileErrors of outputName. At most heldBytes wait in memory.
    explicit PartedText(std::string outputName, std::size_t heldBytes = std::size_t{8} << 20);
    ~PartedText();
    PartedText(const PartedText&) = delete;
    PartedText& operator=(const PartedText&) = delete;

    // Appends text to part part, a new part when part is the number of parts so far.
    void append(std::size_t part, std::string_view text);

    // Writes the parts to out, in order.
    void writeTo(TextFileWriter& out);

private:
    struct Extent {
        std::uint64_t offset;
        std::size_t size;
    };

    // Moves every part's text held in memory to the end of the temporary file.
    void setAside();
    [[noreturn]] void fail(int errnoValue) const;

    std::string m_outputName;
    std::size_t m_heldBytes;
    std::size_t m_held = 0;
    std::vector<std::string> m_parts;
    std::vector<std::vector<Extent>> m_setAside;
    int m_descriptor = -1;
    std::uint64_t m_fileSize = 0;
};

}  // namespace tavi
