// A private directory for calculation runs, with helpers to write parameter files, run, and
// read the results back with the date and time masked.
#pragma once

#include "engine/CalculationRun.h"
#include "files/DesignParameters.h"
#include "files/ParameterFile.h"

#include <cstdio>
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
    DesignParameters p = InitialDesignParameters();
    p.k = k;
    p.k1 = k1;
    p.kw = kw;
    p.nRandom = k - k1 + 1;
    p.nBetween = k1 + kw;
    return p;
}

class RunFixture : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        m_dir = std::filesystem::temp_directory_path() /
                ("tavi-run-" + std::to_string(getpid()) + "-" + test->name());
        std::filesystem::create_directories(m_dir);
        // Relative names keep the directory out of the report, so it can be compared whole.
        m_previousDir = std::filesystem::current_path();
        std::filesystem::current_path(m_dir);
    }
    void TearDown() override {
        std::filesystem::current_path(m_previousDir);
        std::filesystem::remove_all(m_dir);
    }

    static std::string path(const std::string& name) { return name; }

    // Writes the text as the parameter file and runs it.
    RunOutcome runText(const std::string& parameterText) {
        std::ofstream(path("ax.dat"), std::ios::binary) << parameterText;
        return RunCalculation(path("ax.dat"), path("tavi.out"), path("tavi.cov"));
    }

    RunOutcome run(const DesignParameters& p) {
        WriteParameterFile(p, path("ax.dat"), "tavi.out", "tavi.cov");
        return RunCalculation(path("ax.dat"), path("tavi.out"), path("tavi.cov"));
    }

    // The report with its date line masked.
    std::string report() const {
        std::string text = slurp(path("tavi.out"));
        const std::string label = "Date and time: ";
        const std::size_t start = text.find(label);
        if (start != std::string::npos) {
            const std::size_t end = text.find("\r\n", start);
            text.replace(start + label.size(), end - start - label.size(), "<date>");
        }
        return text;
    }

    // The covariance file with its date line masked.
    std::string covFile() const {
        std::string text = slurp(path("tavi.cov"));
        return "<date>" + text.substr(text.find("\r\n"));
    }

    // The lines of the table: those after the header line with its labels.
    std::vector<std::string> tableRows() const {
        const std::vector<std::string> lines = linesOf(report());
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].starts_with("    N*n     N     n")) {
                return {lines.begin() + i + 1, lines.end()};
            }
        }
        return {};
    }

    // (N, n) of every point, in sweep order, from the headings of the covariance file (report
    // rows cannot be split once wide numbers make their fields touch).
    std::vector<std::pair<long, long>> points() const {
        std::vector<std::pair<long, long>> result;
        for (const std::string& line : linesOf(covFile())) {
            long N = 0;
            long n = 0;
            if (std::sscanf(line.c_str(), "N = %ld ; n     = %ld", &N, &n) == 2) {
                result.emplace_back(N, n);
            }
        }
        EXPECT_EQ(result.size(), tableRows().size()) << "a report row per point";
        return result;
    }

    std::filesystem::path m_dir;
    std::filesystem::path m_previousDir;
};

}  // namespace tavi::test
