#include "engine/run/ReportTable.h"
#include "engine/run/ReportWriter.h"
#include "tests/files/FileTestSupport.h"

#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace tavi {
namespace {

// Writes through a ReportWriter and hands back the report's text.
class ReportWriterTest : public ::testing::Test {
protected:
    ReportWriterTest()
        : m_reportName(std::filesystem::temp_directory_path() /
                       ("tavi-report-" + std::to_string(getpid()) + ".out")),
          m_report(m_reportName.string()),
          m_writer(m_report) {}
    ~ReportWriterTest() override { std::filesystem::remove(m_reportName); }

    void writeRow(std::int64_t cost) {
        appendTableRow(m_report.buffer(), tableLayoutFor(2), m_state.BudgetMode,
                       {m_state.NumGroups, m_state.GroupSize, cost, 0},
                       {m_state.InfoMatrix, m_state.CovCoef, m_state.NumCoef});
        m_report.endLine();
    }

    std::vector<std::string> reportLines() {
        m_report.close();
        return test::linesOf(test::slurp(m_reportName.string()));
    }

    std::filesystem::path m_reportName;
    TextFileWriter m_report;
    ReportWriter m_writer;
    EngineState m_state{};
};

TEST_F(ReportWriterTest, RangeModeRowMarksNegligibleVariances) {
    m_state.BudgetMode = false;
    m_state.NumGroups = 10;
    m_state.GroupSize = 5;
    m_state.NumCoef = 3;
    m_state.CovCoef(1, 1) = 0.12345 * 0.12345;
    m_state.CovCoef(2, 2) = 1.5 * 1.5;
    m_state.CovCoef(3, 3) = 0.9e-20;
    writeRow(0);
    for (double variance : {-1.0, 0.0, std::nan("")}) {
        m_state.CovCoef(3, 3) = variance;
        writeRow(0);
    }
    const std::vector<std::string> lines = reportLines();
    ASSERT_EQ(lines.size(), 4u);
    for (const std::string& line : lines) {
        EXPECT_EQ(line, "     50    10     5   0.12345 1.50000 -.99999");
    }
}

TEST_F(ReportWriterTest, BudgetModeRowShowsTheCost) {
    m_state.BudgetMode = true;
    m_state.NumGroups = 66;
    m_state.GroupSize = 10;
    m_state.NumCoef = 1;
    m_state.CovCoef(1, 1) = 0.04123 * 0.04123;
    writeRow(990);
    m_state.CovCoef(1, 1) = 12.0 * 12.0;  // fills all eight characters
    writeRow(990);
    m_state.CovCoef(1, 1) = 123.0 * 123.0;  // widens the row
    writeRow(990);
    // A wide standard error after another stays apart from it by a blank.
    m_state.NumCoef = 3;
    m_state.CovCoef(2, 2) = 276.88746 * 276.88746;
    m_state.CovCoef(3, 3) = 12.0 * 12.0;
    writeRow(990);
    const std::vector<std::string> lines = reportLines();
    EXPECT_EQ(lines[0], "    660    66    10     990   0.04123");
    EXPECT_EQ(lines[1], "    660    66    10     990  12.00000");
    EXPECT_EQ(lines[2], "    660    66    10     990  123.00000");
    EXPECT_EQ(lines[3], "    660    66    10     990  123.00000 276.88746 12.00000");
}

TEST_F(ReportWriterTest, LabelsFollowTheCoefficientOrder) {
    m_state.BudgetMode = false;
    m_state.k1 = 0;
    m_state.nRandom = 3;
    m_state.LenW3 = 2;
    m_writer.writeTableHead(m_state);
    m_state.BudgetMode = true;
    m_state.k1 = 2;
    m_state.nRandom = 1;
    m_state.LenW3 = 1;
    m_writer.writeTableHead(m_state);
    const std::vector<std::string> lines = reportLines();
    const std::string rangeHeader = "    N*n     N     n   ";
    const std::string budgetHeader = "    N*n     N     n (n+c)*N   ";
    EXPECT_EQ(rangeHeader.size(), 22u);
    EXPECT_EQ(budgetHeader.size(), 30u);
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        rangeHeader + " Const   Group   Random Cross-L  Random Cross-L "),
              lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), budgetHeader + " Fixed   Fixed   Const  "),
              lines.end());
    // Without random slopes there is neither a Random nor a Cross-L legend line.
    const auto secondLegend = std::find(lines.begin() + 1, lines.end(),
                                        "The following table contains the standard errors (s.e.):");
    ASSERT_NE(secondLegend, lines.end());
    EXPECT_EQ(*(secondLegend + 3), "");
}

}  // namespace
}  // namespace tavi
