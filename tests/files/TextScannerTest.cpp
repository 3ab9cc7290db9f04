#include "files/FileError.h"
#include "files/TextScanner.h"
#include "tests/files/FileTestSupport.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavi {
namespace {

TEST(TextScanner, ReadsNumbersAcrossAnySeparatorsAndZeroAfterTheEnd) {
    TextScanner in(std::string("  12\t-3\r\n\x01\x1a 2.5e1\n\n"), "f");
    EXPECT_EQ(in.readInteger(), 12);
    EXPECT_EQ(in.readInteger(), -3);
    EXPECT_EQ(in.readReal(), 25.0);
    EXPECT_FALSE(in.atEnd()) << "line breaks are left";
    EXPECT_EQ(in.readInteger(), 0);
    EXPECT_EQ(in.readReal(), 0.0);
    EXPECT_TRUE(in.atEnd());
}

TEST(TextScanner, EndOfFileMeansNothingLeftOrTheEndMark) {
    TextScanner exhausted(std::string("7"), "f");
    EXPECT_FALSE(exhausted.atEnd());
    exhausted.readInteger();
    EXPECT_TRUE(exhausted.atEnd());

    TextScanner marked(std::string("7\x1a\r\n8"), "f");
    marked.readInteger();
    EXPECT_TRUE(marked.atEnd());
    EXPECT_EQ(marked.readInteger(), 8) << "the mark itself only separates numbers";

    TextScanner blankLeft(std::string("7 "), "f");
    blankLeft.readInteger();
    EXPECT_FALSE(blankLeft.atEnd());
}

TEST(TextScanner, SkipsTheRestOfALineWhateverItsEnding) {
    TextScanner in(std::string("1 2 3\r\n4 5\n6 7\r8"), "f");
    EXPECT_EQ(in.readInteger(), 1);
    in.skipRestOfLine();
    EXPECT_EQ(in.readInteger(), 4);
    in.skipRestOfLine();
    EXPECT_EQ(in.readInteger(), 6);
    in.skipRestOfLine();
    EXPECT_EQ(in.readInteger(), 8);
    in.skipRestOfLine();
    EXPECT_TRUE(in.atEnd());
}

TEST(TextScanner, MalformedNumbersRaiseInvalidNumericInputNamingTheLine) {
    for (const char* text : {"1.5", "abc", "12x"}) {
        TextScanner in(std::string(text), "design.dat");
        try {
            in.readInteger();
            ADD_FAILURE() << text << " read as an integer";
        } catch (const FileError& error) {
            EXPECT_STREQ(error.what(), "Invalid numeric input in line 1");
            EXPECT_EQ(error.fileName(), "design.dat");
        }
    }
    // CR LF, LF and CR alone each end a line; a byte-order mark is passed over.
    TextScanner in(std::string("\xEF\xBB\xBF"
                               "2\r\n3\n4\r5\r\n  x"),
                   "f");
    for (int i = 2; i <= 5; ++i) {
        EXPECT_EQ(in.readReal(), i);
    }
    try {
        in.readReal();
        ADD_FAILURE() << "x read as a number";
    } catch (const FileError& error) {
        EXPECT_STREQ(error.what(), "Invalid numeric input in line 5");
    }
}

using TextScannerFile = test::WorkingDirectoryTest;

TEST_F(TextScannerFile, ReadsAWholeFile) {
    std::ofstream("a.dat", std::ios::binary) << "3 4.5\r\n";
    TextScanner in = TextScanner::fromFile("a.dat");
    EXPECT_EQ(in.readInteger(), 3);
    EXPECT_EQ(in.readReal(), 4.5);
}

TEST_F(TextScannerFile, ReportsMissingAndUnreadableFiles) {
    try {
        TextScanner::fromFile("missing.dat");
        ADD_FAILURE() << "a missing file was read";
    } catch (const FileError& error) {
        EXPECT_STREQ(error.what(), "File not found");
        EXPECT_EQ(error.fileName(), "missing.dat");
    }
}

// A FIFO used to hang every reader, and /dev/zero to end in bad_alloc: whatever cannot be a
// parameter file is refused at once, before any of it is read.
TEST_F(TextScannerFile, RefusesWhatCannotBeAParameterFileAtOnce) {
    ASSERT_EQ(mkfifo("fifo.dat", 0600), 0);
    std::ofstream("large.dat", std::ios::binary) << std::string(kLargestTextFile + 1, ' ');
    std::ofstream("largest.dat", std::ios::binary) << std::string(kLargestTextFile - 1, ' ') << 7;
    for (const auto& [name, words] :
         {std::pair{".", "Is a directory"},
          {"fifo.dat", "Not a regular file (a FIFO, a device or a socket)"},
          {"/dev/zero", "Not a regular file (a FIFO, a device or a socket)"},
          {"large.dat", "Larger than any parameter file (1024 KB)"}}) {
        try {
            TextScanner::fromFile(name);
            ADD_FAILURE() << name << " was read";
        } catch (const FileError& error) {
            EXPECT_STREQ(error.what(), words) << name;
        }
    }
    EXPECT_EQ(TextScanner::fromFile("largest.dat").readInteger(), 7);
}

}  // namespace
}  // namespace tavi
