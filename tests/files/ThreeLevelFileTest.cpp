#include "engine/NestedDesign.h"
#include "files/FileError.h"
#include "files/ParameterFile.h"
#include "files/ThreeLevelFile.h"
#include "tests/engine/MatrixTestSupport.h"

#include <gtest/gtest.h>
#include <string>

namespace tavi {
namespace {

using S = SlopeVariation;

// A pupil-level covariate, a class-level treatment whose effect varies between schools, and a
// school-level covariate.
NestedDesign smallDesign() {
    NestedDesign p;
    p.model.levels = 3;
    p.variables = {{"pretest", 1, S::None}, {"treatment", 2, S::Level3}, {"urban", 3, S::None}};
    setModelVariables(p);
    NestedModel& m = p.model;
    m.Sigma2 = 0.5;
    m.Tau2(1, 1) = 0.1;
    m.Tau3 = test::fromRows({{0.05, 0.01}, {0.01, 0.02}});
    m.WithinCov(1, 1) = 1.0;
    m.BetweenCov = test::fromRows({{0.2, 0.0}, {0.0, 0.25}});
    m.SiteCov = test::fromRows({{0.1, -0.03}, {-0.03, 0.24}});
    m.Means(1) = 0.0;
    m.Means(2) = 0.4;
    p.sizes.BudgetMode = true;
    p.sizes.Budget = 12000;
    p.sizes.SiteCost = 50;
    p.sizes.GroupCost = 10;
    p.sizes.groups = {2, 8, 1};
    p.sizes.units = {5, 30, 5};
    return p;
}

constexpr const char* kSmallDesignText =
    "TAVI three-level design\r\n"
    "# The variables: level, name and where the slope varies.\r\n"
    "level-1 pretest fixed\r\n"
    "level-2 treatment random-3\r\n"
    "level-3 urban\r\n"
    "# The sample sizes: sites K, groups per site J, units per group n.\r\n"
    "budget 12000 50 10\r\n"
    "groups 2 8 1\r\n"
    "n 5 30 5\r\n"
    "residual-variance 0.5\r\n"
    "# the level-2 random effects: intercept\r\n"
    "level-2-random-effects\r\n"
    "0.1\r\n"
    "# the level-3 random effects: intercept treatment\r\n"
    "level-3-random-effects\r\n"
    "0.05\r\n"
    "0.01 0.02\r\n"
    "# the within-groups matrix: pretest\r\n"
    "within-groups\r\n"
    "1\r\n"
    "# the between-groups matrix: pretest treatment\r\n"
    "between-groups\r\n"
    "0.2\r\n"
    "0 0.25\r\n"
    "# the between-sites matrix: pretest urban\r\n"
    "between-sites\r\n"
    "0.1\r\n"
    "-0.03 0.24\r\n"
    "means 0 0.4\r\n";

std::string readError(const std::string& text) {
    try {
        readThreeLevelText(text, "design.dat");
    } catch (const FileError& error) {
        EXPECT_EQ(error.fileName(), "design.dat");
        return error.what();
    }
    return "read without error";
}

// The small design's text with the first occurrence of from replaced by to.
std::string edited(const std::string& from, const std::string& to) {
    std::string text = kSmallDesignText;
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return text.replace(at, from.size(), to);
}

TEST(ThreeLevelFile, WritesEveryBlockWithItsVariablesNamedAndReadsItBack) {
    EXPECT_EQ(threeLevelFileText(smallDesign()), kSmallDesignText);
    EXPECT_EQ(threeLevelFileText(readThreeLevelText(kSmallDesignText, "design.dat").design),
              kSmallDesignText);
}

// Without a variable between sites there are no means: the line is left out, or may be empty.
TEST(ThreeLevelFile, NeedsNoMeansWithoutBetweenSitesVariables) {
    const std::string text =
        "TAVI three-level design\nlevel-1 x random-2\nlevel-2 w random-3\nsites 10 20 5\n"
        "groups 2 4\nn 5 10 5\nresidual-variance 0.5\nlevel-2-random-effects\n0.1\n0 0.05\n"
        "level-3-random-effects\n0.05\n0 0.01\nwithin-groups\n1\nbetween-groups\n0.25\n"
        "between-sites\n";
    const std::string written = threeLevelFileText(readThreeLevelText(text, "d.dat").design);
    EXPECT_EQ(written.find("means"), std::string::npos) << written;
    EXPECT_EQ(threeLevelFileText(readThreeLevelText(written + "means\r\n", "d.dat").design),
              written);
}

TEST(ThreeLevelFile, IsToldApartByItsFirstLineAlone) {
    EXPECT_TRUE(isThreeLevelText("TAVI three-level design \r\nlevel-3 v\r\n"));
    TextScanner twoLevelReading(kSmallDesignText, "design.dat");
    DesignParameters p = initialDesignParameters();
    EXPECT_THROW(ReadParameterFile(twoLevelReading, p), FileError);
    EXPECT_FALSE(isThreeLevelText("TAVI three-level designs\r\n"));
    EXPECT_FALSE(isThreeLevelText("     2      1      1\r\n"));
    EXPECT_FALSE(isThreeLevelText("# TAVI three-level design\r\n"));
}

// What editors do to a file without changing it for a reader: a byte-order mark, blanks around
// the first line, its letters in another case, lines that end with CR alone.
TEST(ThreeLevelFile, ReadsTheSameDesignWhateverAnEditorDidToItsLines) {
    const std::string text = kSmallDesignText;
    std::string crOnly = text;
    std::erase(crOnly, '\n');
    const std::string afterFirstLine = text.substr(text.find('\n'));
    for (const std::string& edited :
         {"\xEF\xBB\xBF" + text, " \ttavi THREE-level Design " + afterFirstLine, crOnly}) {
        EXPECT_TRUE(isThreeLevelText(edited));
        EXPECT_EQ(threeLevelFileText(readThreeLevelText(edited, "design.dat").design), text);
    }
    const std::string wrong = crOnly.replace(crOnly.find("groups 2 8 1"), 12, "groups 2 x 1");
    EXPECT_EQ(readError(wrong), "line 8, the sample sizes: 'x' is not a whole number");
}

TEST(ThreeLevelFile, NamesTheLineAndTheBlockOfWhatItCannotRead) {
    EXPECT_EQ(readError(edited("pretest fixed", "pretest random-4")),
              "line 3, the variables: 'random-4' is not a slope of a level-1 variable: fixed, "
              "random-2, random-3 or random-2-3");
    EXPECT_EQ(readError(edited("level-3 urban\r\n", "level-3 urban\r\nlevel-2 late fixed\r\n")),
              "line 6, the variables: the level-2 variables must come before those of higher "
              "levels");
    EXPECT_EQ(readError(edited("groups 2 8 1", "groups 2 eight 1")),
              "line 8, the sample sizes: 'eight' is not a whole number");
    EXPECT_EQ(readError(edited("0 0.25", "0 0.25 1")),
              "line 24, the between-groups matrix: row 2 of 2 needs 2 numbers, not 3");
    EXPECT_EQ(readError(edited("\r\nwithin-groups", "\r\nwithin")),
              "line 19, the within-groups matrix: expected 'within-groups', found 'within'");
    EXPECT_EQ(readError(edited("means 0 0.4", "means 0")),
              "line 29, the means: the between-sites variables need 2 means, not 1");
}

TEST(ThreeLevelFile, RefusesATextThatEndsBeforeItsDesign) {
    const std::string text = kSmallDesignText;
    EXPECT_EQ(readError(text.substr(0, text.find("0 0.25"))),
              "File ends within the between-groups matrix: it has 1 of its 2 rows");
    EXPECT_EQ(readError(text.substr(0, text.find("means"))), "File ends before the means");
    EXPECT_EQ(readError(text.substr(0, text.find("# The sample"))),
              "File ends before the sample sizes");
}

TEST(ThreeLevelFile, ReadsOnlyTheVariablesOfADesignBeyondTheCapacity) {
    // 1 + 6 + 5 main effects and 6 random-3 slopes times 5 level-3 variables: 42 coefficients.
    std::string text = "TAVI three-level design\n";
    for (int i = 0; i < 6; ++i) {
        text += "level-1 x" + std::to_string(i) + " random-3\n";
    }
    for (int i = 0; i < 5; ++i) {
        text += "level-3 v" + std::to_string(i) + "\n";
    }
    const DesignReading reading = readThreeLevelText(text + "anything\n", "big.dat");
    EXPECT_EQ(termCount(reading.design.variables), 42);
    ASSERT_TRUE(reading.unheld);
    EXPECT_EQ(reading.unheld->coefficients, 42);
    EXPECT_EQ(reading.design.model.p1, 0);
}

}  // namespace
}  // namespace tavi
