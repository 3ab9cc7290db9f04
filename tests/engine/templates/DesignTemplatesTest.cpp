#include "app/CalcCommand.h"
#include "engine/power/JointTests.h"
#include "engine/power/QuantityNames.h"
#include "engine/run/CalculationRun.h"
#include "engine/run/RunResults.h"
#include "engine/templates/DesignTemplates.h"
#include "tests/files/FileTestSupport.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <gtest/gtest.h>

namespace tavi {
namespace {

using Arguments = std::vector<std::string>;

class Templates : public test::WorkingDirectoryTest {
protected:
    // tavi-calc --template NAME, each setting after --set, and the rest as they stand.
    int command(const std::string& name, const Arguments& sets, const Arguments& rest = {}) {
        Arguments arguments = {"--template", name};
        for (const std::string& set : sets) {
            arguments.insert(arguments.end(), {"--set", set});
        }
        arguments.insert(arguments.end(), rest.begin(), rest.end());
        std::vector<const char*> argv;
        for (const std::string& argument : arguments) {
            argv.push_back(argument.c_str());
        }
        m_out.str("");
        m_err.str("");
        return runCalcCommand(int(argv.size()), argv.data(), m_out, m_err, false);
    }

    std::ostringstream m_out;
    std::ostringstream m_err;
};

// The textbook variance of a template's key coefficient, which for every design here has the
// form (a + b / n) / (c N), and its df: N - loss between groups, N n - N - loss within.
struct ClosedForm {
    std::string name;
    std::string coefficient;
    std::array<double, 3> abc;
    std::pair<bool, double> betweenAndLoss;
    Arguments sets;
};

TEST_F(Templates, WrittenFilesGiveTheClosedFormsThroughTheRun) {
    const double PQ = 0.3 * 0.7;  // treated 0.3, where P(1 - P) is not 0.25
    const double vt = (2.5 * 2.5 + 1.5 * 1.5 + 0.5 * 0.5 + 3.5 * 3.5) / 4;  // times 0,1,3,6
    const double tau00 = 0.4 + 2 * 2.5 * 0.3 * std::sqrt(0.4 * 0.06) + 2.5 * 2.5 * 0.06;
    const Arguments growth = {"times=0,1,3,6", "icc_pre=0.4", "var_ratio=0.1", "cor=0.3"};
    const std::vector<ClosedForm> cases = {
        {"cluster-trial",
         "Group1",
         {0.15 * 0.5, 0.85 * 0.6, PQ},
         {true, 4},
         {"icc=0.15", "treated=0.3", "r2_1=0.4", "r2_2=0.5", "covariates=2"}},
        {"multisite-trial",
         "Random1",
         {0.25 * 0.2, 0.8 * 0.7 / PQ, 1},
         {true, 1},
         {"icc=0.2", "omega=0.25", "treated=0.3", "r2_1=0.3"}},
        {"multisite-trial", "Random1", {0, 0.8 / 0.25, 1}, {false, 1}, {"icc=0.2"}},
        {"moderator",
         "CrossL1_1",
         {0.5 * 0.1, 0.9 / PQ, 0.25},
         {true, 2},
         {"icc=0.1", "omega=0.5", "moderator_share=0.3"}},
        {"moderator", "CrossL1_1", {0, 0.9, PQ}, {false, 2}, {"icc=0.1", "treated=0.3"}},
        {"longitudinal", "CrossL1_1", {0.06, 0.6 / vt, PQ}, {true, 2}, {"treated=0.3"}},
        // At the mean time 2.5 the intercept is u0 + 2.5 u1.
        {"longitudinal", "Group1", {tau00, 0.6, 0.25}, {true, 2}, {"n=4"}},
    };
    for (const ClosedForm& form : cases) {
        SCOPED_TRACE(form.name + " " + form.sets.front() + " " + form.coefficient);
        Arguments sets = form.sets;
        const bool overTime = form.name == "longitudinal";
        const Arguments sweep = overTime ? growth : Arguments{"n=5:10:5"};
        sets.insert(sets.end(), sweep.begin(), sweep.end());
        sets.push_back("groups=20:22");
        ASSERT_EQ(command(form.name, sets, {"--force", "--write", "t.dat"}), kExitComplete)
            << m_err.str();
        SweepCollector collector;
        ASSERT_FALSE(calculateInMemory(ReadDesign("t.dat"), {.observer = &collector}).refused);
        const RunResults& run = *collector.results();
        ASSERT_EQ(run.table.size(), overTime ? 3u : 6u);
        int k = 0;
        while (run.coefficients[k].name != form.coefficient) {
            ++k;
        }
        for (std::size_t i = 0; i < run.table.size(); ++i) {
            const double N = run.table.point(i).N;
            const double n = run.table.point(i).n;
            const auto [a, b, c] = form.abc;
            const double variance = (a + b / n) / (c * N);
            EXPECT_NEAR(std::pow(run.table.se(i, k), 2) / variance, 1.0, 1e-6);
            const auto [between, loss] = form.betweenAndLoss;
            EXPECT_EQ(run.df.at(k, N, n), (between ? N : N * n - N) - loss);
        }
    }
}

// Three arms with a third each: the indicators' covariance S has S^-1 = [[6, 3], [3, 6]]. With
// one group the arms' effects have the covariance [[v, c], [c, v]] = u S^-1, u = icc + (1 -
// icc) / n, between groups, and T + sigma2 / n S^-1 within them, T = omega icc I. So the mean
// of the treatments against control has variance (v + c) / 2 N, 4.5 u / N between groups, arm
// against arm 2 (v - c) / N, 6 u / N, and the omnibus test the noncentrality
// N (v t1^2 - 2 c t1 t2 + v t2^2) / (v^2 - c^2), between groups N sum_k (mu_k - mean mu)^2 / 3u.
TEST_F(Templates, ThreeArmsGiveTheClosedFormsOfTheirContrastsAndOmnibusTest) {
    const double t1 = 0.3;
    const double t2 = 0.5;
    for (const bool between : {true, false}) {
        const std::string arm = between ? "Group" : "Random";
        const Arguments sets =
            between ? Arguments{"icc=0.1", "arms=3", "groups=30:32", "n=5:10:5"}
                    : Arguments{"icc=0.2", "omega=0.5", "arms=3", "groups=30:32", "n=5:10:5"};
        ASSERT_EQ(command(between ? "cluster-trial" : "multisite-trial", sets,
                          {"--force", "--write", "t.dat"}),
                  kExitComplete)
            << m_err.str();
        EXPECT_NE(m_out.str().find(arm + "2: arm 2 against control"), std::string::npos);
        QuantityNames names(coefficientsOf(0, between ? 1 : 3, between ? 3 : 1));
        const std::string first = arm + "1";
        const std::string second = arm + "2";
        names.addContrast("mean",
                          std::string("0.5*").append(first).append(" + 0.5*").append(second));
        names.addContrast("diff", std::string(second).append("-").append(first));
        names.addJointTest("omnibus", std::string(first).append(",").append(second));
        SweepCollector collector(names.tested());
        ASSERT_FALSE(calculateInMemory(ReadDesign("t.dat"), {.observer = &collector}).refused);
        const RunResults& run = *collector.results();
        const JointTests joint({}, run.df.smallestOf({{1, 2}}), names.tested(),
                               {std::nullopt, t1, t2});
        ASSERT_EQ(run.table.size(), 6u);
        for (std::size_t i = 0; i < run.table.size(); ++i) {
            const double N = run.table.point(i).N;
            const double n = run.table.point(i).n;
            const double u = 0.1 + 0.9 / n;
            const double v = between ? 6 * u : 0.1 + 0.8 / n * 6;
            const double c = between ? 3 * u : 0.8 / n * 3;
            EXPECT_NEAR(std::pow(run.table.se(i, 3), 2) * N / ((v + c) / 2), 1.0, 1e-6);
            EXPECT_NEAR(std::pow(run.table.se(i, 4), 2) * N / (2 * (v - c)), 1.0, 1e-6);
            const double lambda =
                N * (v * t1 * t1 - 2 * c * t1 * t2 + v * t2 * t2) / (v * v - c * c);
            EXPECT_NEAR(joint.noncentrality(0, run.table.jointCovariance(i, 0)) / lambda, 1.0,
                        1e-6);
        }
    }
}

// The examples' commands in examples/README.md write their files to the byte, and a file that
// exists is replaced only with --force.
TEST_F(Templates, ReproduceTheExamplesWithoutOverwriting) {
    const std::vector<std::pair<std::string, Arguments>> examples = {
        {"cluster-trial", {"icc=0.1", "budget=1000", "group_cost=5", "n=2:60:2"}},
        {"cluster-covariate", {"icc=0.1", "r2_2=0.5", "groups=20:60", "n=5:50:5"}},
        {"multisite-trial", {"icc=0.1", "omega=0.2", "budget=2000", "group_cost=10", "n=4:100:4"}},
    };
    for (const auto& [example, sets] : examples) {
        const std::string name = example == "cluster-covariate" ? "cluster-trial" : example;
        ASSERT_EQ(command(name, sets, {"--write", example + ".dat"}), kExitComplete);
        EXPECT_EQ(test::slurp(example + ".dat"),
                  test::slurp(TAVI_EXAMPLES_DIR "/" + example + ".dat"));
    }
    EXPECT_TRUE(m_out.str().starts_with("Const: ")) << m_out.str();
    EXPECT_NE(m_out.str().find("\nRandom1: the treatment"), std::string::npos) << m_out.str();

    const Arguments other = {"icc=0.2", "groups=20", "n=5"};
    EXPECT_EQ(command("multisite-trial", other, {"--write", "multisite-trial.dat"}),
              kExitFileError);
    EXPECT_EQ(m_err.str(), "tavi-calc: multisite-trial.dat exists; give --force to replace it\n");
    EXPECT_EQ(test::slurp("multisite-trial.dat"),
              test::slurp(TAVI_EXAMPLES_DIR "/multisite-trial.dat"));
    EXPECT_EQ(command("multisite-trial", other, {"--force", "--write", "multisite-trial.dat"}),
              kExitComplete);
    EXPECT_NE(test::slurp("multisite-trial.dat").find("\r\n    20     20\r\n"), std::string::npos);
}

TEST_F(Templates, RefuseBadKeysInOneLineNamingTheKey) {
    const std::vector<std::tuple<std::string, Arguments, std::string>> wrong = {
        {"cluster-trial", {"groups=20", "n=5"}, "icc"},
        {"cluster-trial", {"icc=0.1", "treated=0", "groups=20", "n=5"}, "treated"},
        {"cluster-trial", {"icc=0.1", "arms=3", "treated=0.5", "groups=20", "n=5"}, "treated"},
        {"multisite-trial",
         {"icc=0.1", "arms=3", "treated=0.5,0.5", "groups=20", "n=5"},
         "treated"},
        {"multisite-trial", {"icc=0.1", "arms=41", "groups=20", "n=5"}, "arms"},
        {"cluster-trial", {"icc=0.1", "frob=1", "groups=20", "n=5"}, "frob"},
        {"cluster-trial",
         {"icc=0.1", "r2_2=0.3", "covariates=0", "groups=20", "n=5"},
         "covariates"},
        {"cluster-trial", {"icc=0.1", "budget=1000.5", "group_cost=5", "n=5"}, "budget"},
        {"cluster-trial", {"icc=0.1", "budget=1000", "n=5"}, "group_cost"},
        {"cluster-trial", {"icc=0.1", "budget=14", "group_cost=5", "n=10"}, "budget"},
        {"cluster-trial", {"icc=0.1", "n=5"}, "groups"},
        {"moderator", {"icc=0.1", "moderator_share=1", "groups=20", "n=5"}, "moderator_share"},
        {"longitudinal", {"occasions=4", "icc_pre=0.1", "var_ratio=0.1", "groups=20", "n=5"}, "n"},
        {"longitudinal", {"times=0,2,1", "icc_pre=0.1", "var_ratio=0.1", "groups=20"}, "times"},
    };
    for (const auto& [name, sets, key] : wrong) {
        EXPECT_EQ(command(name, sets, {"--write", "t.dat"}), kExitUsage) << sets[0];
        const std::string message = m_err.str();
        EXPECT_TRUE(message.starts_with("tavi-calc: " + key + ": ")) << message;
        EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
    }
    EXPECT_TRUE(filesHere().empty());
}

}  // namespace
}  // namespace tavi
