// tavi-calc with a three-level parameter file, in process.

#include "app/CalcCommand.h"
#include "engine/power/TestPower.h"
#include "tests/app/CommandFixture.h"
#include "tests/engine/ThreeLevelDesigns.h"
#include "tests/files/FileTestSupport.h"

#include <cmath>
#include <fstream>
#include <gtest/gtest.h>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

namespace tavi {
namespace {

using test::linesOf;
using test::slurp;

using test::kSiteTrialText;

using ThreeLevelCommand = test::CommandFixture;

TEST_F(ThreeLevelCommand, WritesEveryTableWithTheSitesGroupsAndUnits) {
    std::ofstream("trial.dat") << kSiteTrialText;
    ASSERT_EQ(command({"--csv", "se.csv", "--effect", "treatment=0.3", "--power-csv", "power.csv",
                       "--best-csv", "best.csv", "--required-csv", "required.csv", "trial.dat"}),
              kExitComplete)
        << m_err.str();
    EXPECT_EQ(linesOf(slurp("se.csv")).front(), "K,J,n,units,cost,intercept,treatment");
    EXPECT_EQ(linesOf(slurp("se.csv"))[1].substr(0, 20), "60,2,10,1200,3000,0.");
    EXPECT_EQ(linesOf(slurp("power.csv")).front(),
              "K,J,n,units,cost,coefficient,se,df,mdes,mdes_exact,power");
    EXPECT_EQ(linesOf(slurp("power.csv"))[2].substr(0, 28), "60,2,10,1200,3000,treatment,");
    EXPECT_EQ(linesOf(slurp("best.csv")).front(),
              "coefficient,criterion,K,J,n,units,cost,se,df,mdes,power");
    EXPECT_EQ(linesOf(slurp("required.csv")).front(), "coefficient,J,n,K,units,cost,se,df,power");
    EXPECT_TRUE(slurp("trial.out").find("      K     J     n     K*J*n      cost") !=
                std::string::npos);
}

// The smallest budget is found over every J and n of the ranges, each with the fewest sites whose
// power reaches the target: checked here against the closed form of the treatment's standard
// error and the t test at K - 2 degrees of freedom.
TEST_F(ThreeLevelCommand, FindsTheSmallestBudgetOverEveryGroupCountAndSize) {
    std::ofstream("trial.dat") << kSiteTrialText;
    ASSERT_EQ(command({"--effect", "treatment=0.3", "trial.dat"}), kExitComplete) << m_err.str();
    long fewest = std::numeric_limits<long>::max();
    std::string where;
    for (int n = 10; n <= 20; ++n) {
        for (int J = 2; J <= 4; ++J) {
            const double site = (0.05 + 0.1 / J + 0.85 / (J * n)) / 0.25;
            int K = 3;
            while (powerOfTest(0.3, std::sqrt(site / K), K - 2, {}) < 0.8) {
                ++K;
            }
            const long cost = long{K} * (20 + J * (5 + n));
            if (cost < fewest) {
                fewest = cost;
                where = "K = " + std::to_string(K) + ", J = " + std::to_string(J) +
                        ", n = " + std::to_string(n);
            }
        }
    }
    EXPECT_NE(m_out.str().find("  smallest budget reaching power 0.8: " + std::to_string(fewest) +
                               " at " + where + " (the given budget is 3000)"),
              std::string::npos)
        << m_out.str();
}

// By default where the effect first reaches the power, as for two levels, or at --at K,J,n; a
// point of two counts is refused.
TEST_F(ThreeLevelCommand, SimulatesAtAPointOfSitesGroupsAndUnits) {
    std::ofstream("trial.dat") << kSiteTrialText;
    ASSERT_EQ(command({"--simulate", "3", "--effect", "treatment=0.3", "trial.dat"}), kExitComplete)
        << m_err.str();
    const std::string out = m_out.str();
    const std::size_t reached = out.find("smallest budget reaching power 0.8: ");
    ASSERT_NE(reached, std::string::npos) << out;
    const std::size_t at = out.find(" at K = ", reached) + 4;
    const std::string point = out.substr(at, out.find(" (", at) - at);
    EXPECT_NE(out.find("Simulation at " + point + ", seed 1: 3 replications"), std::string::npos)
        << out;
    ASSERT_EQ(command({"--quiet", "--simulate", "3", "--at", "12,3,7", "trial.dat"}),
              kExitComplete);
    EXPECT_NE(m_out.str().find("Simulation at K = 12, J = 3, n = 7, seed 1"), std::string::npos);
    EXPECT_EQ(command({"--simulate", "3", "--at", "12,7", "trial.dat"}), kExitUsage);
    EXPECT_EQ(m_err.str(),
              "tavi-calc: cannot simulate at N = 12, n = 7 (the point given): a "
              "three-level design's point is K,J,n\n");
}

// The covariance matrix of the first point of a covariance file, coefficients c1, c2, ...
std::vector<std::vector<double>> firstCovariance(const std::string& file, int coefficients) {
    std::istringstream text(slurp(file));
    std::string line;
    while (std::getline(text, line) && !line.starts_with("Covariance matrix")) {
    }
    std::getline(text, line);
    std::vector<std::vector<double>> cov(coefficients, std::vector<double>(coefficients));
    for (auto& row : cov) {
        for (double& value : row) {
            text >> value;
        }
    }
    return cov;
}

// Contrasts, joint tests and groups of unequal sizes take three-level designs as they take
// two-level ones: a contrast's SE and a joint test's noncentrality from the covariance matrix
// that the report's run writes, the sizes given as the groups of every site.
TEST_F(ThreeLevelCommand, TestsCombinationsAndSitesOfUnequalGroups) {
    std::ofstream("school.dat") << slurp(TAVI_EXAMPLES_DIR "/school-trial-3.dat");
    ASSERT_EQ(
        command({"--contrast", "d=treatment-covariate1", "--joint", "both=treatment,covariate1",
                 "--effect", "treatment=0.3", "--effect", "covariate1=0.1", "--power-csv", "p.csv",
                 "--joint-csv", "j.csv", "--threads", "1024", "school.dat"}),
        kExitComplete)
        << m_err.str();
    EXPECT_TRUE(m_err.str().starts_with("tavi-calc: --threads 1024 lowered to ")) << m_err.str();
    const auto cov = firstCovariance("school.cov", 3);
    const std::vector<std::string> power = linesOf(slurp("p.csv"));
    ASSERT_NE(power[4].find(",d,"), std::string::npos) << power[4];
    const double se = std::sqrt(cov[1][1] - 2 * cov[1][2] + cov[2][2]);
    const std::string field = power[4].substr(power[4].find(",d,") + 3);
    // The covariance file holds 8 decimals.
    EXPECT_NEAR(std::strtod(field.c_str(), nullptr), se, 1e-4 * se);
    // lambda = theta' Sigma^-1 theta for the two members, effects 0.3 and 0.1.
    const double det = cov[1][1] * cov[2][2] - cov[1][2] * cov[1][2];
    const double lambda =
        (0.3 * 0.3 * cov[2][2] - 2 * 0.3 * 0.1 * cov[1][2] + 0.1 * 0.1 * cov[1][1]) / det;
    const std::vector<std::string> joint = linesOf(slurp("j.csv"));
    ASSERT_TRUE(joint[0].starts_with("test,K,J,n,units,cost,df1,df2,lambda")) << joint[0];
    std::vector<std::string> fields;
    std::istringstream row(joint[1]);
    for (std::string value; std::getline(row, value, ',');) {
        fields.push_back(value);
    }
    EXPECT_NEAR(std::strtod(fields[8].c_str(), nullptr), lambda, 1e-4 * lambda);

    ASSERT_EQ(command({"--sizes", "10,20,30", "--csv", "se.csv", "school.dat"}), kExitComplete)
        << m_err.str();
    const std::vector<std::string> rows = linesOf(slurp("se.csv"));
    EXPECT_TRUE(rows[0].starts_with("K,J,n,units,cost,intercept,treatment,covariate1,RE_"))
        << rows[0];
    EXPECT_TRUE(rows[1].find(",3,20,") != std::string::npos) << rows[1];  // J 3, mean n 20
}

TEST_F(ThreeLevelCommand, RefusesANameTheDesignLacksInOneLine) {
    std::ofstream("trial.dat") << kSiteTrialText;
    EXPECT_EQ(command({"--effect", "treatment:urban=1", "trial.dat"}), kExitUsage);
    EXPECT_EQ(m_err.str(),
              "tavi-calc: --effect treatment:urban: the design has no such coefficient; it has "
              "intercept, treatment\n");
}

}  // namespace
}  // namespace tavi
