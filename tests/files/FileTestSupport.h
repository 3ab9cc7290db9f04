// What tests of the program's files share: a private working directory, reading a file back,
// splitting it into lines, and a design record with given counts.
#pragma once

#include "files/DesignParameters.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace tavi::test {

inline std::string slurp(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The lines of a text whose lines end with CR LF.
inline std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        lines.push_back(text.substr(start, end - start));
        start = end == std::string::npos ? text.size() : end + 2;
    }
    return lines;
}

// A record with the given counts, consistent derived counts and the start-up values.
inline DesignParameters designWithCounts(int k, int k1, int kw) {
    DesignParameters p = initialDesignParameters();
    p.k = k;
    p.k1 = k1;
    p.kw = kw;
    deriveMatrixOrders(p);
    return p;
}

// Runs each test in a new empty directory of its own, as the current directory, so that tests
// can use short relative names (which also keeps directories out of reports) and run in
// parallel.
class WorkingDirectoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        m_dir =
            std::filesystem::temp_directory_path() / ("tavi-" + std::to_string(getpid()) + "-" +
                                                      test->test_suite_name() + "-" + test->name());
        std::filesystem::create_directories(m_dir);
        m_previousDir = std::filesystem::current_path();
        std::filesystem::current_path(m_dir);
    }
    void TearDown() override {
        std::filesystem::current_path(m_previousDir);
        std::filesystem::remove_all(m_dir);
    }

    // The names in the directory, sorted.
    std::vector<std::string> filesHere() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(".")) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::filesystem::path m_dir;
    std::filesystem::path m_previousDir;
};

}  // namespace tavi::test
