// Calculation runs in a private working directory, with helpers to write parameter files, run,
// and read the results back with the date and time masked.
#pragma once

#include "engine/run/CalculationRun.h"
#include "files/DesignParameters.h"
#include "files/ParameterDesign.h"
#include "files/ParameterFile.h"
#include "tests/files/FileTestSupport.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace tavi::test {

// The design of the record p as the run reads it, with the group sizes given.
inline DesignReading readingOf(const DesignParameters& p, const GroupSizeSettings& sizes = {}) {
    DesignReading reading = designOf(p);
    reading.design.unequal = sizes;
    return reading;
}

class RunFixture : public WorkingDirectoryTest {
protected:
    // Writes the text as the parameter file and runs it, on one thread per core or as many as
    // given.
    RunOutcome runText(const std::string& parameterText, int threads = 0) {
        std::ofstream("ax.dat", std::ios::binary) << parameterText;
        return RunCalculation("ax.dat", "tavi.out", "tavi.cov", {.threads = threads});
    }

    RunOutcome run(const DesignParameters& p, int threads = 0) {
        WriteParameterFile(p, "ax.dat", "tavi.out", "tavi.cov");
        return RunCalculation("ax.dat", "tavi.out", "tavi.cov", {.threads = threads});
    }

    // The report with its date line masked.
    std::string report() const {
        std::string text = slurp("tavi.out");
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
        std::string text = slurp("tavi.cov");
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
};

}  // namespace tavi::test
