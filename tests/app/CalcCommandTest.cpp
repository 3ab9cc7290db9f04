#include "app/CalcCommand.h"
#include "engine/CovarianceComputation.h"
#include "engine/EngineState.h"
#include "engine/power/TestPower.h"
#include "tests/app/CommandFixture.h"
#include "tests/engine/RunFixture.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>
#include <thread>

namespace tavi {
namespace {

namespace fs = std::filesystem;
using test::linesOf;
using test::slurp;

// The comma-separated fields of a CSV line, an empty last one included.
std::vector<std::string> fieldsOf(const std::string& line) {
    std::vector<std::string> fields;
    std::stringstream row(line + ",");
    for (std::string field; std::getline(row, field, ',');) {
        fields.push_back(field);
    }
    return fields;
}

class CalcCommand : public test::CommandFixture {
protected:
    void writeDesign(const std::string& name, double tau = 0.1) {
        DesignParameters p = test::designWithCounts(3, 1, 1);
        p.Tau(1, 1) = tau;
        WriteParameterFile(p, name, "x", "y");
    }
};

TEST_F(CalcCommand, NamesTheOutputAfterTheParameterFile) {
    fs::create_directories("sub");
    writeDesign("sub/x.y.dat");
    EXPECT_EQ(command({"sub/x.y.dat"}), kExitComplete) << m_err.str();
    EXPECT_TRUE(fs::exists("sub/x.out"));
    EXPECT_TRUE(fs::exists("sub/x.cov"));
    EXPECT_NE(slurp("sub/x.out").find("Input parameters read from file sub/x.y.dat."),
              std::string::npos);

    fs::create_directories("results");
    EXPECT_EQ(command({"sub/x.y.dat", "results/r.txt"}), kExitComplete);
    EXPECT_TRUE(fs::exists("results/r.txt"));
    EXPECT_TRUE(fs::exists("results/r.cov"));
    EXPECT_EQ(command({"sub/x.y.dat", "results/r.txt", "c.cov"}), kExitComplete);
    EXPECT_TRUE(fs::exists("c.cov"));
}

TEST_F(CalcCommand, ReportsFileFailuresInOneLine) {
    EXPECT_EQ(command({"missing.dat"}), kExitFileError);
    EXPECT_EQ(m_err.str(), "tavi-calc: missing.dat: File not found\n");

    std::ofstream("bad.dat", std::ios::binary) << "1 0 0\r\n10 5 ten\r\n";
    EXPECT_EQ(command({"bad.dat"}), kExitFileError);
    EXPECT_EQ(m_err.str(), "tavi-calc: bad.dat: Invalid numeric input in line 2\n");

    std::ofstream("short.dat", std::ios::binary) << "0 0 0\r\n10 5 10\r\n100 5\r\n1\r\n";
    EXPECT_EQ(command({"short.dat"}), kExitFileError);
    EXPECT_EQ(m_err.str(),
              "tavi-calc: short.dat: File ends before the random-effects covariance matrix\n");
}

// The file is read once; a name the counts do not give is still reported before a malformed
// number after the counts, and a malformed count before the name.
TEST_F(CalcCommand, UnknownNamesComeBeforeMalformedBlocksButAfterMalformedCounts) {
    std::ofstream("late.dat", std::ios::binary) << "0 0 1\r\n10 5 ten\r\n";
    EXPECT_EQ(command({"--effect", "Slope=1", "late.dat"}), kExitUsage);
    EXPECT_TRUE(m_err.str().starts_with("tavi-calc: --effect Slope: the design has no such"))
        << m_err.str();
    EXPECT_EQ(command({"--effect", "Group1=1", "late.dat"}), kExitFileError);
    EXPECT_EQ(m_err.str(), "tavi-calc: late.dat: Invalid numeric input in line 2\n");
    std::ofstream("early.dat", std::ios::binary) << "0 x 1\r\n";
    EXPECT_EQ(command({"--effect", "Slope=1", "early.dat"}), kExitFileError);
    EXPECT_EQ(m_err.str(), "tavi-calc: early.dat: Invalid numeric input in line 1\n");
    EXPECT_FALSE(fs::exists("late.out") || fs::exists("early.out"));
}

TEST_F(CalcCommand, RefusedDesignsExitWithTwoAndWriteNoCsv) {
    std::ofstream("big.dat", std::ios::binary) << "10 3 4\r\n";
    EXPECT_EQ(command({"--csv", "t.csv", "big.dat"}), kExitRefused);
    EXPECT_EQ(linesOf(m_err.str()).size(), 1u);
    EXPECT_TRUE(m_err.str().starts_with("tavi-calc: big.dat: design refused: "));
    EXPECT_NE(slurp("big.out").find("Constant dimmax is too small;"), std::string::npos);
    EXPECT_FALSE(fs::exists("t.csv"));
}

TEST_F(CalcCommand, UsageErrorsWriteNothing) {
    writeDesign("a.dat");
    const std::vector<std::vector<const char*>> wrong = {
        {},
        {"--frobnicate", "a.dat"},
        {"a.dat", "b", "c", "d"},
        {"--csv"},
        {"a.dat", "a.dat"},
        {"a.dat", "r.out", "./r.out"},
        {"--csv", "a.out", "a.dat"},
        {"--joint-csv", "j.csv", "a.dat"},
    };
    for (const auto& arguments : wrong) {
        EXPECT_EQ(command(arguments), kExitUsage) << m_err.str();
        EXPECT_FALSE(m_err.str().empty());
    }
    EXPECT_FALSE(fs::exists("a.out"));
    EXPECT_FALSE(fs::exists("r.out"));
    EXPECT_NE(slurp("a.dat").find("Results written"), std::string::npos) << "input untouched";
}

TEST_F(CalcCommand, ShowsProgressOnLongSweepsOnly) {
    DesignParameters p = test::designWithCounts(0, 0, 0);
    p.BudgetMode = false;
    p.MinGroupSize = 1;
    p.MaxGroupSize = 1001;
    p.GroupSizeStep = 1;
    p.MinGroups = 10;
    p.MaxGroups = 10;
    WriteParameterFile(p, "long.dat", "x", "y");
    const char* arguments[] = {"long.dat"};
    ASSERT_EQ(runCalcCommand(1, arguments, m_out, m_err, true), kExitComplete);
    EXPECT_TRUE(m_err.str().ends_with("\rtavi-calc: 1001 of 1001 points\n")) << m_err.str();

    p.MaxGroupSize = 1000;
    WriteParameterFile(p, "long.dat", "x", "y");
    m_err.str("");
    ASSERT_EQ(runCalcCommand(1, arguments, m_out, m_err, true), kExitComplete);
    EXPECT_EQ(m_err.str(), "");
}

TEST_F(CalcCommand, HelpAndVersion) {
    EXPECT_EQ(command({"--help"}), kExitComplete);
    EXPECT_TRUE(m_out.str().starts_with("Usage: tavi-calc"));
    EXPECT_EQ(command({"--version"}), kExitComplete);
    EXPECT_EQ(m_out.str(), "tavi-calc 1.0\n");
}

TEST_F(CalcCommand, CsvHoldsEveryStandardErrorExactly) {
    writeDesign("a.dat");
    ASSERT_EQ(command({"--csv=t.csv", "a.dat"}), kExitComplete) << m_err.str();
    const std::vector<std::string> lines = linesOf(slurp("t.csv"));
    ASSERT_EQ(lines.size(), 10u);  // group sizes 10, 15, ..., 50
    EXPECT_EQ(lines[0], "N*n,N,n,cost,Fixed1,Const,Group1,Random1,CrossL1_1,Random2,CrossL2_1");
    const std::vector<std::string> fields = fieldsOf(lines.back());
    ASSERT_EQ(fields.size(), 11u);
    EXPECT_EQ(fields[0], "1350");
    EXPECT_EQ(fields[1], "27");
    EXPECT_EQ(fields[2], "50");
    EXPECT_EQ(fields[3], "1485");
    // The engine's own computation of that point.
    const RunOutcome run = RunCalculation("a.dat", "b.out", "b.cov");
    auto e = std::make_unique<EngineState>(*run.design->information->engineState());
    computePoint(*e, 50, 27);
    for (int i = 1; i <= 7; ++i) {
        EXPECT_EQ(std::strtod(fields[3 + i].c_str(), nullptr), std::sqrt(e->CovCoef(i, i)))
            << fields[3 + i];
    }
}

TEST_F(CalcCommand, EveryOutputIsTheSameOnAnyNumberOfThreads) {
    writeDesign("a.dat");
    std::vector<std::string> first;
    for (const char* threads : {"1", "2", "3"}) {
        ASSERT_EQ(
            command({"--threads", threads, "--csv", "se.csv", "--power-csv", "p.csv", "--best-csv",
                     "b.csv", "--effect", "Group1=0.3", "a.dat", "tavi.out", "tavi.cov"}),
            kExitComplete)
            << m_err.str();
        const std::vector<std::string> outputs = {report(),       covFile(),      slurp("se.csv"),
                                                  slurp("p.csv"), slurp("b.csv"), m_out.str()};
        if (first.empty()) {
            first = outputs;
        }
        EXPECT_EQ(outputs, first) << threads << " threads";
    }
}

TEST_F(CalcCommand, CsvLeavesNegligibleVariancesEmpty) {
    writeDesign("a.dat", -1.0);  // a negative intercept variance makes the intercept's negative
    ASSERT_EQ(command({"--csv", "t.csv", "a.dat"}), kExitComplete);
    const std::vector<std::string> lines = linesOf(slurp("t.csv"));
    EXPECT_TRUE(lines[1].starts_with("1000,100,10,1500,0.")) << lines[1];
    EXPECT_NE(lines[1].find(",,"), std::string::npos) << lines[1];
    EXPECT_NE(slurp("a.out").find(" -.99999"), std::string::npos);
}

TEST_F(CalcCommand, WarnsAboutAnInvalidCovarianceMatrixAndComputesAsBefore) {
    writeDesign("ax.dat", -1.0);  // the intercept variance: Tau's smallest eigenvalue is -1
    ASSERT_EQ(RunCalculation("ax.dat", "tavi.out", "tavi.cov").refused, false);
    const std::string before = report();
    EXPECT_EQ(command({"ax.dat", "tavi.out"}), kExitComplete);
    const std::vector<std::string> warnings = linesOf(m_err.str());
    ASSERT_EQ(warnings.size(), 1u) << m_err.str();
    EXPECT_TRUE(warnings[0].starts_with("tavi-calc: ")) << warnings[0];
    EXPECT_NE(warnings[0].find("random-effects covariance matrix"), std::string::npos);
    EXPECT_NE(warnings[0].find("-1)"), std::string::npos) << warnings[0];
    EXPECT_EQ(report(), before);

    writeDesign("ax.dat");
    EXPECT_EQ(command({"ax.dat", "tavi.out"}), kExitComplete);
    EXPECT_EQ(m_err.str(), "");
}

TEST_F(CalcCommand, BadTestSettingsExitWith64InOneLineAndWriteNothing) {
    writeDesign("a.dat");
    const std::vector<std::vector<const char*>> wrong = {
        {"--effect", "Slope=1", "a.dat"},
        {"--df", "Group2=5", "a.dat"},
        {"--alpha", "0", "a.dat"},
        {"--power=1", "a.dat"},
        {"--alpha", "0.05x", "a.dat"},
        {"--effect", "Const=", "a.dat"},
        {"--effect", "Const", "a.dat"},
        {"--df", "Const=0.5", "a.dat"},
        {"--effect", "Const=1", "--effect", "Const=2", "a.dat"},
        {"--simulate", "0", "a.dat"},
        {"--simulate", "9", "--at", "40", "a.dat"},
        {"--simulate", "9", "--at", "40,0", "a.dat"},
        {"--simulate", "9", "--threads", "0", "a.dat"},
        {"--simulate", "9", "--seed", "-1", "a.dat"},
        // Beyond these the t quantiles overflowed and the program aborted.
        {"--alpha", "1e-307", "--effect", "Group1=0.3", "a.dat"},
        {"--power", "1e-320", "--effect", "Group1=0.3", "a.dat"},
        {"--power", "0.04", "a.dat"},
        {"--contrast", "c=Group1+Group9", "a.dat"},
        {"--joint", "j=Group1", "--effect", "Group1=1", "a.dat"},
        {"--joint", "j=Group1,Const", "--effect", "Group1=1", "a.dat"},
        {"--joint", "j=Group1,Const", "--effect", "Group1=0", "--effect", "Const=0", "a.dat"},
        {"--joint", "j=Group1,Const", "--effect", "j=1", "a.dat"},
        {"--size-cv", "10.5", "a.dat"},
        {"--size-cv", "1e-9", "a.dat"},
        {"--dropout", "1", "a.dat"},
        {"--group-dropout", "-0.1", "a.dat"},
        {"--sizes", "5,0,7", "a.dat"},
        {"--sizes", "5,,7", "a.dat"},
        {"--sizes", "5,7", "--size-cv", "0.5", "a.dat"},
    };
    for (const auto& arguments : wrong) {
        EXPECT_EQ(command(arguments), kExitUsage) << arguments[1];
        const std::string message = m_err.str();
        EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
    }
    command(wrong.front());
    EXPECT_EQ(m_err.str(),
              "tavi-calc: --effect Slope: the design has no such coefficient; it has Fixed1, "
              "Const, Group1, Random1, CrossL1_1, Random2, CrossL2_1\n");
    EXPECT_FALSE(fs::exists("a.out"));
    command({"--contrast", "d=Group1-Const", "--joint", "j=Group1,Const,d", "a.dat"});
    EXPECT_EQ(m_err.str(),
              "tavi-calc: --joint j: d is a linear combination of the members before it; a joint "
              "test needs linearly independent members\n");
    // Group1 is 1e-12 of its length away from a multiple of d.
    command({"--contrast", "d=1e6*Group1+1e-6*Const", "--joint", "j=d,Group1", "a.dat"});
    const std::string near =
        "tavi-calc: --joint j: Group1 differs from a linear combination of "
        "the members before it by ";
    ASSERT_TRUE(m_err.str().starts_with(near)) << m_err.str();
    EXPECT_NEAR(std::stod(m_err.str().substr(near.size())), 1e-12, 1e-15);
    command({"--contrast", "d=nan*Group1", "a.dat"});
    EXPECT_EQ(m_err.str(),
              "tavi-calc: --contrast d: 'nan' is not a weight: a weight is a number such as the "
              "0.5 of 0.5*Group1\n");
    for (const char* tiny : {"d=1e-200*Group1", "d=0.3*Group1-0.1*Group1-0.2*Group1"}) {
        EXPECT_EQ(command({"--contrast", tiny, "a.dat"}), kExitUsage);
        EXPECT_TRUE(m_err.str().starts_with("tavi-calc: --contrast d: the weight of Group1 is "))
            << m_err.str();
    }
    command({"--contrast", "d=1e200*Group1", "a.dat"});
    EXPECT_EQ(m_err.str(),
              "tavi-calc: --contrast d: the weight of Group1 is 1e+200; weights lie between 1e-6 "
              "and 1e6 in size\n");
    command({"--simulate", "9", "--seed", "18446744073709551616", "a.dat"});
    EXPECT_EQ(m_err.str(),
              "tavi-calc: --seed 18446744073709551616 is out of range: it must lie "
              "between 0 and 18446744073709551615\n");
    command({"--alpha", "1e-307", "a.dat"});
    EXPECT_EQ(m_err.str(),
              "tavi-calc: --alpha must lie between 1e-10 and 1 (1 excluded); it is 1e-307\n");
}

// Unequal sizes reach the CSV table and the summary; the report and the covariance file stay
// those of groups of n units, byte for byte apart from the date.
TEST_F(CalcCommand, UnequalSizesLeaveTheReportAndCovarianceFileAlone) {
    writeDesign("a.dat");
    ASSERT_EQ(command({"--csv", "equal.csv", "a.dat", "equal.out"}), kExitComplete);
    ASSERT_EQ(command({"--csv", "cv.csv", "--size-cv", "0.5", "--dropout", "0.1", "--effect",
                       "Group1=0.3", "a.dat", "cv.out"}),
              kExitComplete)
        << m_err.str();
    // The report's head names its files; the covariance file's holds the date alone.
    const auto report = [](const std::string& name) {
        const std::string text = slurp(name);
        return text.substr(text.find("(entire covariance"));
    };
    const auto withoutHead = [](const std::string& text) { return text.substr(text.find('\n')); };
    EXPECT_TRUE(report("cv.out") == report("equal.out"));
    EXPECT_EQ(withoutHead(slurp("cv.cov")), withoutHead(slurp("equal.cov")));
    EXPECT_NE(m_out.str().find("Unequal group sizes: group sizes varying around n with CV 0.5, "
                               "each unit missing with probability 0.1;"),
              std::string::npos)
        << m_out.str();
    const std::vector<std::string> equal = linesOf(slurp("equal.csv"));
    const std::vector<std::string> cv = linesOf(slurp("cv.csv"));
    ASSERT_EQ(cv.size(), equal.size());
    EXPECT_EQ(fieldsOf(cv[0]).size(), 3 * fieldsOf(equal[0]).size() - 2 * 4);
    EXPECT_EQ(fieldsOf(cv[0])[11], "RE_Fixed1");
    // Past the point's fields the standard errors grow and the efficiencies lie below 1.
    const std::vector<std::string> row = fieldsOf(cv[1]);
    EXPECT_GT(std::stod(row[4]), std::stod(fieldsOf(equal[1])[4]));
    EXPECT_LT(std::stod(row[12]), 1.0);
    EXPECT_GT(std::stod(row[19]), std::stod(row[1]));

    ASSERT_EQ(command({"--csv", "given.csv", "--sizes", "10,20,30", "a.dat", "given.out"}),
              kExitComplete);
    EXPECT_TRUE(report("given.out") == report("equal.out"));
    const std::vector<std::string> given = linesOf(slurp("given.csv"));
    ASSERT_EQ(given.size(), 2U);
    EXPECT_EQ(given[1].substr(0, 8), "60,3,20,") << given[1];

    // Groups of one unit say nothing of slopes within groups, and the summary says so.
    ASSERT_EQ(command({"--power-csv", "single.csv", "--sizes", "1,1,1,1", "a.dat", "single.out"}),
              kExitComplete);
    EXPECT_NE(m_out.str().find(": no point allows a test; no group has more than one unit"),
              std::string::npos)
        << m_out.str();
}

TEST_F(CalcCommand, RefusalsOfThePointToSimulateReplaceNoOutput) {
    writeDesign("a.dat");
    std::ofstream("a.out") << "old report";
    std::ofstream("a.cov") << "old covariances";
    // 7 coefficients and 3 random effects give 88 bytes a unit: at most 1000000 units.
    EXPECT_EQ(command({"--simulate", "9", "--at", "1001,1000", "a.dat"}), kExitUsage);
    EXPECT_NE(m_err.str().find("at most 1000000 units"), std::string::npos) << m_err.str();
    EXPECT_EQ(slurp("a.out") + slurp("a.cov"), "old reportold covariances");
}

TEST_F(CalcCommand, SummaryShowsTheSettingsWithTheDigitsGiven) {
    writeDesign("a.dat");
    ASSERT_EQ(command({"--alpha", "0.9999999", "--power", "0.99999999", "--effect", "Group1=0.3",
                       "a.dat"}),
              kExitComplete);
    EXPECT_TRUE(
        m_out.str().starts_with("Two-sided tests at alpha 0.9999999, target power 0.99999999"))
        << m_out.str();
}

TEST_F(CalcCommand, FileErrorsSayWhatHappened) {
    writeDesign("a.dat");
    EXPECT_EQ(command({"--csv", "/dev/full", "a.dat"}), kExitFileError);
    EXPECT_EQ(m_err.str(), "tavi-calc: /dev/full: Disk full\n");
    const std::string longName(300, 'x');
    EXPECT_EQ(command({"a.dat", longName.c_str(), "r.cov"}), kExitFileError);
    EXPECT_EQ(m_err.str(), "tavi-calc: " + longName + ": Name too long\n");
    fs::create_symlink("loop.out", "loop.out");
    EXPECT_EQ(command({"a.dat", "loop.out"}), kExitFileError);
    EXPECT_EQ(m_err.str(), "tavi-calc: loop.out: Too many symbolic links\n");
    EXPECT_EQ(command({"a.dat", "missing/r.out"}), kExitFileError);
    EXPECT_EQ(m_err.str(), "tavi-calc: missing/r.out: Folder not found\n");
    fs::create_directory("dir.cov");
    EXPECT_EQ(command({"a.dat", "r.out", "dir.cov"}), kExitFileError);
    EXPECT_EQ(m_err.str(), "tavi-calc: dir.cov: Is a directory\n");
    EXPECT_FALSE(fs::exists("r.out")) << "no report names a covariance file not written";
}

TEST_F(CalcCommand, SweepsLargerThanAnyPlanAreRefused) {
    DesignParameters p = test::designWithCounts(0, 0, 0);
    p.BudgetMode = false;
    p.MinGroupSize = 1;
    p.GroupSizeStep = 1;
    p.MaxGroupSize = 1000;
    p.MinGroups = 1;
    p.MaxGroups = 10001;  // 1001 numbers of groups at a step of 10
    WriteParameterFile(p, "huge.dat", "x", "y");
    EXPECT_EQ(command({"huge.dat"}), kExitRefused);
    EXPECT_EQ(m_err.str(),
              "tavi-calc: huge.dat: design refused: The settings ask for 1001000 "
              "sample-size points; at most 1000000 are computed.\n");
    EXPECT_NE(slurp("huge.out").find("at most 1000000 are computed"), std::string::npos);
    p.MinGroups = INT_MIN;
    WriteParameterFile(p, "huge.dat", "x", "y");
    EXPECT_EQ(command({"huge.dat"}), kExitRefused);
    EXPECT_NE(m_err.str().find("N_min must be at least 1; it is -2147483648"), std::string::npos);
    p.BudgetMode = true;
    p.Budget = -5;
    WriteParameterFile(p, "huge.dat", "x", "y");
    EXPECT_EQ(command({"huge.dat"}), kExitRefused);
    EXPECT_NE(m_err.str().find("The budget must not be negative; it is -5."), std::string::npos);
}

// With a level-2 variable that never varies, nothing is known about its coefficient: the report
// shows its very large figure, every table of tests an empty field.
TEST_F(CalcCommand, SingularPointsHaveEmptyFieldsInEveryTable) {
    DesignParameters p = test::designWithCounts(0, 0, 1);
    p.BetweenCov(1, 1) = 0.0;
    p.Means2(1) = 0.0;
    WriteParameterFile(p, "s.dat", "x", "y");
    ASSERT_EQ(
        command({"--csv", "se.csv", "--power-csv", "p.csv", "--effect", "Group1=0.3", "s.dat"}),
        kExitComplete);
    EXPECT_NE(slurp("s.out").find("10000000000.00000"), std::string::npos);
    const std::vector<std::string> se = fieldsOf(linesOf(slurp("se.csv"))[1]);
    EXPECT_FALSE(se[4].empty());
    EXPECT_TRUE(se[5].empty()) << linesOf(slurp("se.csv"))[1];
    const std::vector<std::string> group1 = fieldsOf(linesOf(slurp("p.csv"))[2]);
    ASSERT_EQ(group1[4], "Group1");
    // The df depends on N and n alone; everything built on the standard error is empty.
    EXPECT_EQ(group1[6], "98");
    for (const int field : {5, 7, 8, 9}) {
        EXPECT_EQ(group1[field], "") << linesOf(slurp("p.csv"))[2];
    }
    EXPECT_EQ(m_out.str().find("e+10"), std::string::npos) << m_out.str();
}

TEST_F(CalcCommand, PowerCsvRepeatsTheStandardErrorsAndBestCsvNamesTheBestPoints) {
    writeDesign("a.dat");
    ASSERT_EQ(command({"--csv", "se.csv", "--power-csv", "p.csv", "--best-csv", "b.csv", "--effect",
                       "Group1=0.3", "--effect", "Fixed1=1e-7", "a.dat"}),
              kExitComplete)
        << m_err.str();
    const std::vector<std::string> se = linesOf(slurp("se.csv"));
    const std::vector<std::string> power = linesOf(slurp("p.csv"));
    ASSERT_EQ(power.size(), 1 + (se.size() - 1) * 7);
    EXPECT_EQ(power[0], "N*n,N,n,cost,coefficient,se,df,mdes,mdes_exact,power");
    const std::vector<std::string> names = fieldsOf(se[0]);
    for (std::size_t row = 1; row < power.size(); ++row) {
        const std::vector<std::string> p = fieldsOf(power[row]);
        const std::vector<std::string> s = fieldsOf(se[1 + (row - 1) / 7]);
        ASSERT_EQ(p.size(), 10u) << power[row];
        EXPECT_EQ(std::vector(p.begin(), p.begin() + 4), std::vector(s.begin(), s.begin() + 4));
        const std::size_t column = 4 + (row - 1) % 7;
        EXPECT_EQ(p[4], names[column]);
        EXPECT_EQ(p[5], s[column]) << power[row];
        EXPECT_EQ(p[9].empty(), p[4] != "Group1" && p[4] != "Fixed1") << power[row];
    }
    const std::vector<std::string> best = linesOf(slurp("b.csv"));
    ASSERT_EQ(best.size(), 1u + 2 * 4 + 5 * 2) << "four criteria with an effect, else two";
    EXPECT_EQ(best[0], "coefficient,criterion,N*n,N,n,cost,se,df,mdes,power");
    const char* const criteria[] = {"highest_power", "smallest_mdes", "smallest_se"};
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(fieldsOf(best[1 + row])[1], criteria[row]) << best[1 + row];
        EXPECT_EQ(fieldsOf(best[7 + row])[1], criteria[row]) << best[7 + row];
    }
    EXPECT_EQ(best[4], "Fixed1,cheapest_for_power,,,,,,,,") << "10^7 groups are not enough";
    EXPECT_TRUE(best[10].starts_with("Group1,cheapest_for_power,")) << best[10];
    EXPECT_NE(m_out.str().find("Group1: best by highest power at "), std::string::npos)
        << m_out.str();

    ASSERT_EQ(command({"--quiet", "--effect", "Group1=0.3", "a.dat"}), kExitComplete);
    EXPECT_EQ(m_out.str(), "");
}

// --normal tests by the normal distribution every coefficient whose df --df does not give.
TEST_F(CalcCommand, NormalTestsHaveInfiniteDfUnlessOneIsGiven) {
    writeDesign("a.dat");
    ASSERT_EQ(command({"--normal", "--df", "Group1=10", "--power-csv", "p.csv", "--effect",
                       "Group1=0.3", "a.dat"}),
              kExitComplete)
        << m_err.str();
    const std::vector<std::string> power = linesOf(slurp("p.csv"));
    for (std::size_t row = 1; row < power.size(); ++row) {
        const std::vector<std::string> p = fieldsOf(power[row]);
        EXPECT_EQ(p[6], p[4] == "Group1" ? "10" : "inf") << power[row];
    }
    EXPECT_TRUE(m_out.str().starts_with("Two-sided tests by the normal distribution at alpha 0.05"))
        << m_out.str();
}

// The clusters of a stepped wedge come in rounds of one cluster per sequence: the fewest that
// reach the target power are the smallest such round, one round fewer falling short.
TEST_F(CalcCommand, ClustersOverPeriodsComeInWholeRounds) {
    ASSERT_EQ(
        command({"--template", "stepped-wedge", "--set", "sequences=4", "--set", "clusters=2:10",
                 "--set", "n=20:100:20", "--set", "icc=0.05", "--write", "w.dat"}),
        kExitComplete)
        << m_err.str();
    ASSERT_EQ(command({"--effect", "treatment=0.2", "--required-csv", "r.csv", "w.dat"}),
              kExitComplete)
        << m_err.str();
    const std::vector<std::string> rows = linesOf(slurp("r.csv"));
    ASSERT_EQ(rows.size(), 6u);
    for (std::size_t row = 1; row < rows.size(); ++row) {
        const std::vector<std::string> f = fieldsOf(rows[row]);
        const int K = std::stoi(f[3]);
        const double se = std::stod(f[6]);
        EXPECT_EQ(K % 4, 0) << rows[row];
        EXPECT_GE(std::stod(f[8]), 0.8) << rows[row];
        // The standard error grows as 1 / sqrt(K), the df K - 2 fall with a round.
        EXPECT_LT(powerOfTest(0.2, se * std::sqrt(K / (K - 4.0)), K - 6, {}), 0.8) << rows[row];
    }
}

// A cluster design over periods is simulated at --at K,n over all its periods; K,J,n, more units
// than a simulation holds and clusters that the sequences cannot share whole are refused.
TEST_F(CalcCommand, SimulatesClustersOverPeriodsAtKAndN) {
    ASSERT_EQ(command({"--template", "stepped-wedge", "--set", "sequences=3", "--set", "clusters=4",
                       "--set", "n=5", "--set", "icc=0.1", "--write", "w.dat"}),
              kExitComplete);
    ASSERT_EQ(command({"--quiet", "--simulate", "20", "--at", "12,5", "w.dat"}), kExitComplete)
        << m_err.str();
    EXPECT_NE(m_out.str().find("Simulation at K = 12, J = 4, n = 5, seed 1: 20 replications; 20 "
                               "REML fits used"),
              std::string::npos)
        << m_out.str();
    EXPECT_EQ(command({"--simulate", "2", "--at", "12,4,5", "w.dat"}), kExitUsage);
    EXPECT_EQ(m_err.str(),
              "tavi-calc: cannot simulate at K = 12, J = 4, n = 5 (the point given): "
              "a cluster design over periods' point is K,n, the clusters of all "
              "sequences and the units of a cluster-period\n");
    EXPECT_EQ(command({"--simulate", "2", "--at", "600,1000", "w.dat"}), kExitUsage);
    EXPECT_NE(m_err.str().find("at most 1000000 units (K*J*n"), std::string::npos) << m_err.str();
    EXPECT_EQ(command({"--simulate", "2", "--at", "10,5", "w.dat"}), kExitUsage);
    EXPECT_NE(m_err.str().find("whole clusters; give K a multiple of 3"), std::string::npos)
        << m_err.str();
}

// A contrast of one coefficient repeats its rows, also where the groups vary in size; a joint
// test's rows follow the quantities' in the tables of best points and required groups, without
// standard error and MDES.
TEST_F(CalcCommand, ContrastsAndJointTestsJoinEveryTableOfTests) {
    writeDesign("a.dat");
    ASSERT_EQ(command({"--size-cv",      "0.4",
                       "--contrast",     "pick=1*Group1",
                       "--contrast",     "moderated=Random1+CrossL1_1",
                       "--joint",        "any=Group1,moderated",
                       "--effect",       "Group1=0.3",
                       "--effect",       "Random1=0.2",
                       "--effect",       "CrossL1_1=0.1",
                       "--power-csv",    "p.csv",
                       "--best-csv",     "b.csv",
                       "--required-csv", "r.csv",
                       "--joint-csv",    "j.csv",
                       "a.dat"}),
              kExitComplete)
        << m_err.str();
    const std::vector<std::string> power = linesOf(slurp("p.csv"));
    ASSERT_EQ(power.size(), 1u + 9 * 9) << "seven coefficients and two contrasts at 9 points";
    for (std::size_t row = 3; row < power.size(); row += 9) {
        EXPECT_EQ(power[row].substr(power[row].find(",Group1,") + 8),
                  power[row + 5].substr(power[row + 5].find(",pick,") + 6));
        const std::vector<std::string> moderated = fieldsOf(power[row + 6]);
        ASSERT_EQ(moderated[4], "moderated");
        EXPECT_EQ(std::strtod(moderated[9].c_str(), nullptr),
                  powerOfTest(0.2 + 0.1, std::strtod(moderated[5].c_str(), nullptr),
                              std::strtod(moderated[6].c_str(), nullptr), {}))
            << "the effect follows from its coefficients': " << power[row + 6];
    }
    const std::vector<std::string> best = linesOf(slurp("b.csv"));
    ASSERT_EQ(best.size(), 1u + 5 * 4 + 4 * 2 + 2) << "pick and moderated have effects";
    EXPECT_TRUE(best[29].starts_with("any,highest_power,")) << best[29];
    const std::vector<std::string> top = fieldsOf(best[29]);
    EXPECT_EQ(top[6] + top[8], "") << "no standard error or MDES";
    EXPECT_EQ(linesOf(slurp("r.csv")).back().substr(0, 7), "any,50,");
    const std::vector<std::string> joint = linesOf(slurp("j.csv"));
    ASSERT_EQ(joint.size(), 1u + 9);
    EXPECT_EQ(joint[0], "test,N*n,N,n,cost,df1,df2,lambda,power,scale_for_power");
    const std::vector<std::string> first = fieldsOf(joint[1]);
    EXPECT_EQ(std::vector(first.begin(), first.begin() + 7),
              (std::vector<std::string>{"any", "1000", "100", "10", "1500", "2", "98"}));
    EXPECT_EQ(top[9], first[8]) << "its highest power, at the most groups";
    EXPECT_NE(m_out.str().find("\nany: best by highest power at N = 100, n = 10 (cost 1500); df 2 "
                               "and 98, lambda "),
              std::string::npos)
        << m_out.str();
}

TEST_F(CalcCommand, SimulatesWhereTheFirstEffectReachesThePowerAndWritesItsCsv) {
    writeDesign("a.dat");
    ASSERT_EQ(command({"--simulate", "6", "--effect", "Group1=1.5", "--sim-csv", "s.csv", "a.dat"}),
              kExitComplete)
        << m_err.str();
    const std::string out = m_out.str();
    const std::size_t reached = out.find("smallest budget reaching power 0.8: ");
    int N = 0;
    int n = 0;
    ASSERT_NE(reached, std::string::npos) << out;
    ASSERT_EQ(std::sscanf(out.c_str() + reached,
                          "smallest budget reaching power 0.8: %*d at N = %d, n = %d", &N, &n),
              2);
    const std::string at = "N = " + std::to_string(N) + ", n = " + std::to_string(n);
    EXPECT_NE(out.find("Simulation at " + at + ", seed 1: 6 replications"), std::string::npos)
        << out;

    const std::vector<std::string> csv = linesOf(slurp("s.csv"));
    ASSERT_EQ(csv.size(), 1u + 7);
    EXPECT_EQ(csv[0],
              "coefficient,true_value,analytic_se,empirical_sd,mean_model_se,bias,coverage,"
              "analytic_power,empirical_power,replications,failed_fits");
    EXPECT_TRUE(csv[3].starts_with("Group1,1.5,")) << csv[3];
    EXPECT_TRUE(csv[3].ends_with(",6,0")) << csv[3];
    EXPECT_NE(csv[2].find(",,,6,0"), std::string::npos) << "no power without an effect: " << csv[2];

    EXPECT_EQ(command({"--at", "30,5", "a.dat"}), kExitUsage);
    EXPECT_EQ(m_err.str(), "tavi-calc: --at needs --simulate\nTry 'tavi-calc --help'.\n");
}

// The simulation of given sizes read them beyond their end at the cheapest number of groups of
// their mix; it simulates those groups.
TEST_F(CalcCommand, SimulatingGivenSizesDrawsThoseGroupsOnly) {
    writeDesign("a.dat");
    ASSERT_EQ(command({"--sizes", "10,20", "--simulate", "5", "--effect", "Group1=0.3", "a.dat"}),
              kExitComplete)
        << m_err.str();
    EXPECT_NE(m_out.str().find("\nSimulating at the groups of the sizes given.\nSimulation at "
                               "N = 2, n = 15, seed 1: 5 replications"),
              std::string::npos)
        << m_out.str();
}

TEST_F(CalcCommand, RequiredCsvGivesTheSmallestBudgetOfTheMultisiteExample) {
    fs::copy_file(TAVI_EXAMPLES_DIR "/multisite-trial.dat", "m.dat");
    ASSERT_EQ(command({"--effect", "Random1=0.2", "--required-csv", "r.csv", "m.dat"}),
              kExitComplete)
        << m_err.str();
    // Random1's SE is sqrt((tau_11 + sigma2 / (n var(x))) / N), df N - 1: by its closed form,
    // power 0.8 for 0.2 needs at least the cost N (n + 10) = 1176 at any n from 4 to 100.
    EXPECT_NE(m_out.str().find("\n  smallest budget reaching power 0.8: 1176 at N = 28, n = 32 "
                               "(the given budget is 2000); "),
              std::string::npos)
        << m_out.str();
    const std::vector<std::string> rows = linesOf(slurp("r.csv"));
    ASSERT_EQ(rows.size(), 1u + 97) << "every n from 4 to 100";
    EXPECT_EQ(rows[0], "coefficient,n,N,N*n,cost,se,df,power");
    const std::vector<std::string> row = fieldsOf(rows[1 + 32 - 4]);
    EXPECT_EQ(std::vector(row.begin(), row.begin() + 5),
              (std::vector<std::string>{"Random1", "32", "28", "896", "1176"}));
    EXPECT_NEAR(std::strtod(row[5].c_str(), nullptr), std::sqrt((0.02 + 0.9 / (32 * 0.25)) / 28),
                1e-15);
    EXPECT_EQ(row[6], "27");
    EXPECT_GE(std::strtod(row[7].c_str(), nullptr), 0.8);
}

TEST_F(CalcCommand, PowerCsvLeavesPointsWithoutGroupsWithoutTests) {
    DesignParameters p = test::designWithCounts(0, 0, 1);
    p.Budget = 100;
    p.MaxGroupSize = 100;
    p.GroupSizeStep = 90;  // n = 10 and n = 100, which the budget cannot pay for
    WriteParameterFile(p, "a.dat", "x", "y");
    ASSERT_EQ(command({"--power-csv", "p.csv", "--effect", "Group1=1", "a.dat"}), kExitComplete);
    const std::vector<std::string> rows = linesOf(slurp("p.csv"));
    ASSERT_EQ(rows.size(), 1u + 2 * 2);
    EXPECT_EQ(rows[3], "0,0,100,0,Const,,-2,,,");
    EXPECT_EQ(rows[4], "0,0,100,0,Group1,,-2,,,");
    EXPECT_TRUE(rows[2].starts_with("60,6,10,90,Group1,0.")) << rows[2];
}

TEST_F(CalcCommand, ThreadsBeyondTwoPerCoreAreLoweredInOneLine) {
    writeDesign("a.dat");
    ASSERT_EQ(command({"--simulate", "4", "--at", "30,5", "--threads", "1024", "a.dat"}),
              kExitComplete)
        << m_err.str();
    const unsigned most = 2 * std::max(1U, std::thread::hardware_concurrency());
    EXPECT_EQ(m_err.str(), "tavi-calc: --threads 1024 lowered to " + std::to_string(most) +
                               ": at most 2 threads per core\n");
}

}  // namespace
}  // namespace tavi
