#include "files/PartedText.h"
#include "tests/files/FileTestSupport.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tavi {
namespace {

class PartedTextTest : public test::WorkingDirectoryTest {};

// Parts grown side by side come out one after another, whether their text waited in memory or
// was set aside in the temporary file, in one piece or in many.
TEST_F(PartedTextTest, PartsComeOutInTurnWhereverTheirTextWaited) {
    for (const std::size_t held : {std::size_t{1} << 20, std::size_t{100}, std::size_t{1}}) {
        PartedText text("out.csv", held);
        std::vector<std::string> parts(3);
        for (int row = 0; row < 200; ++row) {
            for (std::size_t part = 0; part < parts.size(); ++part) {
                const std::string line = std::to_string(part) + "," + std::to_string(row) + "\r\n";
                text.append(part, line);
                parts[part] += line;
            }
        }
        TextFileWriter out("out.csv", TextFileWriter::Mode::ReplaceWhenClosed);
        text.writeTo(out);
        out.close();
        EXPECT_EQ(test::slurp("out.csv"), parts[0] + parts[1] + parts[2]) << held;
    }
}

}  // namespace
}  // namespace tavi
