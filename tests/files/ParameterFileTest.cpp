#include "files/FileError.h"
#include "files/ParameterFile.h"
#include "files/TextFileWriter.h"
#include "tests/files/FileTestSupport.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavi {
namespace {

class ParameterFileTest : public test::WorkingDirectoryTest {
protected:
    static std::string writeAndSlurp(const DesignParameters& p) {
        WriteParameterFile(p, "ax.dat", "tavi.out", "tavi.cov");
        return test::slurp("ax.dat");
    }
};

namespace fs = std::filesystem;
using test::designWithCounts;

DesignParameters read(const std::string& text, DesignParameters p = initialDesignParameters()) {
    TextScanner in(text, "ax.dat");
    ReadParameterFile(in, p);
    return p;
}

TEST_F(ParameterFileTest, WritesTheStartUpValuesLineByLine) {
    EXPECT_EQ(writeAndSlurp(designWithCounts(2, 1, 1)),
              "     2      1      1\r\n"
              "    10      5     50\r\n"
              "  1500      5\r\n"
              "        1.0000000000\r\n"
              "      1.0000000 \r\n"
              "      0.0000000       1.0000000 \r\n"
              "      1.0000000 \r\n"
              "      0.0000000       1.0000000 \r\n"
              "      1.0000000 \r\n"
              "      0.0000000       1.0000000 \r\n"
              "      0.0000000 \r\n"
              "      1.0000000 \r\n"
              "\r\n"
              "Results written to files tavi.out and tavi.cov.\r\n");
}

TEST_F(ParameterFileTest, WritesAnEmptyDesignAndTheRangeMode) {
    DesignParameters p = designWithCounts(0, 0, 0);
    p.BudgetMode = false;
    EXPECT_EQ(writeAndSlurp(p),
              "     0      0      0\r\n"
              "    10     -5     50\r\n"
              "    10     50\r\n"
              "        1.0000000000\r\n"
              "      1.0000000 \r\n"
              "\r\n"
              "\r\n"
              "\r\n"
              "Results written to files tavi.out and tavi.cov.\r\n");
    const DesignParameters back = read(writeAndSlurp(p));
    EXPECT_FALSE(back.BudgetMode);
    EXPECT_EQ(back.GroupSizeStep, 5);
    EXPECT_EQ(back.MinGroups, 10);
    EXPECT_EQ(back.MaxGroups, 50);
}

TEST_F(ParameterFileTest, WhatIsWrittenReadsBackToItsWrittenDecimals) {
    std::mt19937_64 rng(17);
    std::uniform_real_distribution<double> value(-50, 50);
    DesignParameters p = designWithCounts(6, 2, 3);
    p.BudgetMode = false;
    p.MinGroupSize = 3;
    p.GroupSizeStep = 7;
    p.MaxGroupSize = 90;
    p.MinGroups = 12;
    p.MaxGroups = 44;
    p.ResidualVariance = 0.123456789012;
    for (int i = 1; i <= dimmax; ++i) {
        p.Means1(i) = value(rng);
        p.Means2(i) = value(rng);
        for (int j = 1; j <= dimmax; ++j) {
            p.WithinCov(i, j) = value(rng);
            p.BetweenCov(i, j) = value(rng);
            p.Tau(i, j) = value(rng);
        }
    }
    const DesignParameters back = read(writeAndSlurp(p));
    EXPECT_EQ(back.k, 6);
    EXPECT_EQ(back.k1, 2);
    EXPECT_EQ(back.kw, 3);
    EXPECT_EQ(back.MinGroupSize, 3);
    EXPECT_EQ(back.GroupSizeStep, 7);
    EXPECT_EQ(back.MaxGroupSize, 90);
    EXPECT_NEAR(back.ResidualVariance, p.ResidualVariance, 0.5e-10);
    const DesignParameters initial = initialDesignParameters();
    for (int i = 1; i <= 6; ++i) {
        for (int j = 1; j <= 6; ++j) {
            if (j <= i) {
                EXPECT_NEAR(back.WithinCov(i, j), p.WithinCov(i, j), 0.5e-7);
            } else {
                EXPECT_EQ(back.WithinCov(i, j), initial.WithinCov(i, j)) << "upper triangle";
            }
        }
    }
    for (int i = 1; i <= 5; ++i) {
        for (int j = 1; j <= i; ++j) {
            EXPECT_NEAR(back.BetweenCov(i, j), p.BetweenCov(i, j), 0.5e-7);
            EXPECT_NEAR(back.Tau(i, j), p.Tau(i, j), 0.5e-7);
            EXPECT_EQ(back.Tau(j, i), back.Tau(i, j)) << "Tau is mirrored";
        }
    }
    for (int i = 1; i <= 2; ++i) {
        EXPECT_NEAR(back.Means1(i), p.Means1(i), 0.5e-7);
    }
    for (int i = 1; i <= 3; ++i) {
        EXPECT_NEAR(back.Means2(i), p.Means2(i), 0.5e-7);
    }
    // What was read writes the same file again: every block, sized by the counts.
    EXPECT_EQ(writeAndSlurp(back), writeAndSlurp(p));
}

TEST(ParameterFileReader, StepZeroMeansBudgetMode) {
    const DesignParameters p = read("0 0 0\r\n5 0 9\r\n100 3\r\n");
    EXPECT_TRUE(p.BudgetMode);
    EXPECT_EQ(p.GroupSizeStep, 0);
    EXPECT_EQ(p.Budget, 100);
    EXPECT_EQ(p.CostParameter, 3);
}

// The amount settings and the residual variance do not depend on the counts; the matrices and
// means, whose sizes do, are left alone when the counts are impossible or too large.
TEST(ParameterFileReader, CountsThatDoNotFitKeepTheSettingsButNotTheMatrices) {
    for (const char* counts : {"10 0 10", "3 5 0", "2 -1 0", "2 1 -1", "2147483647 0 2147483647"}) {
        const DesignParameters p =
            read(std::string(counts) + "\r\n5 -2 9\r\n3 7\r\n2.5\r\n8 8 8\r\n");
        EXPECT_EQ(p.MinGroupSize, 5) << counts;
        EXPECT_EQ(p.GroupSizeStep, 2) << counts;
        EXPECT_EQ(p.MaxGroupSize, 9) << counts;
        EXPECT_FALSE(p.BudgetMode) << counts;
        EXPECT_EQ(p.MinGroups, 3) << counts;
        EXPECT_EQ(p.MaxGroups, 7) << counts;
        EXPECT_EQ(p.ResidualVariance, 2.5) << counts;
        EXPECT_EQ(p.Tau(1, 1), 1.0) << counts;
        EXPECT_EQ(p.WithinCov(1, 1), 1.0) << counts;
    }
    EXPECT_EQ(read("10 0 10\r\n").kw, 10);
}

TEST(ParameterFileReader, AFileEndingAfterTheCountsZeroesTheSettingsOnly) {
    DesignParameters start = initialDesignParameters();
    start.ResidualVariance = 3.0;
    start.BudgetMode = false;
    const DesignParameters p = read("     1      0      0\r\n", start);
    EXPECT_EQ(p.MinGroupSize, 0);
    EXPECT_EQ(p.GroupSizeStep, 0);
    EXPECT_EQ(p.MaxGroupSize, 0);
    EXPECT_EQ(p.Budget, 0);
    EXPECT_EQ(p.CostParameter, 0);
    EXPECT_TRUE(p.BudgetMode);
    EXPECT_EQ(p.ResidualVariance, 3.0);

    // Ending right behind the counts, without a line break, reads nothing more.
    const DesignParameters bare = read("1 0 0", start);
    EXPECT_EQ(bare.MinGroupSize, start.MinGroupSize);
    EXPECT_FALSE(bare.BudgetMode);
}

TEST(ParameterFileReader, WithinRowsIgnoreExtraValuesButTauValuesRunOn) {
    const DesignParameters p = read(
        "2 0 0\r\n1 1 2\r\n10 0\r\n1.0\r\n"
        "0.1 0.2 0.3 0.4 0.5 0.6\r\n"  // Tau has 6 values: the line carries all of them
        "1.5 99 98\r\n2.5 3.5 97\r\n");
    EXPECT_EQ(p.Tau(3, 3), 0.6);
    EXPECT_EQ(p.Tau(3, 2), 0.5);
    EXPECT_EQ(p.WithinCov(1, 1), 1.5);
    EXPECT_EQ(p.WithinCov(2, 1), 2.5);
    EXPECT_EQ(p.WithinCov(2, 2), 3.5);
}

TEST(ParameterFileReader, MalformedNumberKeepsWhatWasReadBefore) {
    DesignParameters p = initialDesignParameters();
    TextScanner in(std::string("1 0 0\r\n4 2 8\r\n100 x\r\n"), "bad.dat");
    EXPECT_THROW(ReadParameterFile(in, p), FileError);
    EXPECT_EQ(p.MinGroupSize, 4);
    EXPECT_EQ(p.MaxGroupSize, 8);
    EXPECT_EQ(p.Budget, 100);
    EXPECT_EQ(p.CostParameter, initialDesignParameters().CostParameter);
}

TEST_F(ParameterFileTest, FailedWritesRaiseAndLeaveNoTrace) {
    const DesignParameters p = designWithCounts(1, 0, 0);
    try {
        WriteParameterFile(p, "no-such-dir/ax.dat", "a", "b");
        ADD_FAILURE() << "wrote into a missing directory";
    } catch (const FileError& error) {
        EXPECT_STREQ(error.what(), "Folder not found");
    }
    std::filesystem::create_directory("taken");
    EXPECT_THROW(WriteParameterFile(p, "taken", "a", "b"), FileError);
    EXPECT_TRUE(std::filesystem::is_directory("taken"));
    EXPECT_EQ(filesHere(), std::vector<std::string>{"taken"});
}

// A write that fails halfway, here at a file-size limit, must leave the old parameter file as
// it was rather than a truncated one.
TEST_F(ParameterFileTest, FailureHalfwayLeavesTheOldFileUntouched) {
    std::ofstream("ax.dat", std::ios::binary) << "old contents\r\n";
    DesignParameters big = designWithCounts(39, 39, 0);

    rlimit previous{};
    getrlimit(RLIMIT_FSIZE, &previous);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = previous;
    small.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &small);
    bool failed = false;
    try {
        WriteParameterFile(big, "ax.dat", "a", "b");
    } catch (const FileError& error) {
        failed = true;
        EXPECT_EQ(error.fileName(), "ax.dat");
    }
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_TRUE(failed);
    EXPECT_EQ(test::slurp("ax.dat"), "old contents\r\n");
    EXPECT_EQ(filesHere(), std::vector<std::string>{"ax.dat"});
}

// Mode bits alone decide here, so that the superuser, whom the system lets write anything, is
// refused a file marked read-only too.
TEST_F(ParameterFileTest, ReadOnlyFilesAreRefusedAndLeftAsTheyWere) {
    std::ofstream("ax.dat", std::ios::binary) << "old contents\r\n";
    fs::permissions("ax.dat",
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    for (const auto mode :
         {TextFileWriter::Mode::ReplaceWhenClosed, TextFileWriter::Mode::Truncate}) {
        try {
            TextFileWriter out("ax.dat", mode);
            ADD_FAILURE() << "opened a read-only file";
        } catch (const FileError& error) {
            EXPECT_STREQ(error.what(), "Permission denied (the file is read-only)");
            EXPECT_EQ(error.fileName(), "ax.dat");
        }
    }
    EXPECT_THROW(WriteParameterFile(designWithCounts(1, 0, 0), "ax.dat", "a", "b"), FileError);
    EXPECT_EQ(test::slurp("ax.dat"), "old contents\r\n");
    EXPECT_EQ(fs::status("ax.dat").permissions(), fs::perms(0444));
    EXPECT_EQ(filesHere(), std::vector<std::string>{"ax.dat"});
}

TEST_F(ParameterFileTest, TheLongestNamesAreWrittenAndReplaced) {
    const std::string name(250, 'd');  // within the file system's 255, with no room to spare
    for (int k = 1; k <= 2; ++k) {
        WriteParameterFile(designWithCounts(k, 0, 0), name, "a.out", "a.cov");
        EXPECT_TRUE(test::slurp(name).starts_with("     " + std::to_string(k) + "      0"));
    }
    EXPECT_EQ(filesHere(), std::vector<std::string>{name});
}

TEST_F(ParameterFileTest, ALinkStaysALinkAndItsTargetIsReplaced) {
    fs::create_directory("real");
    fs::create_symlink("real/ax.dat", "ax.dat");  // dangling until the first write
    const std::string expected = writeAndSlurp(designWithCounts(1, 0, 0));
    EXPECT_TRUE(fs::is_symlink("ax.dat"));
    EXPECT_EQ(test::slurp("real/ax.dat"), expected);
    EXPECT_TRUE(expected.starts_with("     1      0      0\r\n"));

    const std::string second = writeAndSlurp(designWithCounts(2, 0, 0));
    EXPECT_TRUE(fs::is_symlink("ax.dat"));
    EXPECT_EQ(fs::read_symlink("ax.dat"), "real/ax.dat");
    EXPECT_EQ(test::slurp("real/ax.dat"), second);
    EXPECT_NE(second, expected);
    EXPECT_EQ(filesHere(), (std::vector<std::string>{"ax.dat", "real"}));
}

TEST_F(ParameterFileTest, AReplacedFileKeepsItsPermissionsAndOwner) {
    std::ofstream("ax.dat", std::ios::binary) << "old contents\r\n";
    fs::permissions("ax.dat", fs::perms(0640));
    // Only the superuser can hand a file to someone else, and only it has to give it back.
    const bool giveAway = geteuid() == 0 && chown("ax.dat", 4321, 4321) == 0;
    writeAndSlurp(designWithCounts(1, 0, 0));
    struct stat status {};
    ASSERT_EQ(stat("ax.dat", &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640u);
    if (giveAway) {
        EXPECT_EQ(status.st_uid, 4321u);
        EXPECT_EQ(status.st_gid, 4321u);
    }
}

}  // namespace
}  // namespace tavi
