#include "app/CalcCommand.h"
#include "engine/ThreeLevelComputation.h"
#include "engine/power/ThreeLevelDf.h"
#include "engine/templates/DesignTemplates.h"
#include "tests/files/FileTestSupport.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace tavi {
namespace {

using Settings = std::vector<std::pair<std::string, std::string>>;

struct Point {
    double K, J, n;
};

// A template's key coefficient with the literature's closed form of its variance and its df.
struct ClosedForm {
    std::string name;
    Settings settings;
    int coefficient;
    std::function<double(const Point&)> variance;
    std::function<double(const Point&)> df;
};

TEST(ThreeLevelTemplates, GiveTheClosedFormsOfTheLiterature) {
    const double PQ = 0.3 * 0.7;
    const double s2 = (1 - 0.1 - 0.05) * (1 - 0.4);  // the residual variance of most cases
    const std::vector<ClosedForm> cases = {
        {"cluster-trial-3",
         {{"icc2", "0.1"},
          {"icc3", "0.05"},
          {"treated", "0.3"},
          {"r2_1", "0.4"},
          {"r2_2", "0.5"},
          {"r2_3", "0.6"},
          {"covariates", "2"}},
         1,
         [&](const Point& p) {
             return 0.05 * 0.4 / (PQ * p.K) + 0.1 * 0.5 / (PQ * p.J * p.K) +
                    s2 / (PQ * p.J * p.K * p.n);
         },
         [](const Point& p) { return p.K - 2 - 2; }},
        {"blocked-cluster-trial-3",
         {{"icc2", "0.1"},
          {"icc3", "0.05"},
          {"omega3", "0.5"},
          {"treated", "0.3"},
          {"r2_1", "0.4"},
          {"r2_2", "0.3"}},
         1,
         [&](const Point& p) {
             return 0.5 * 0.05 / p.K + (0.1 * 0.7 + s2 / p.n) / (PQ * p.J * p.K);
         },
         [](const Point& p) { return p.K - 1; }},
        {"blocked-cluster-trial-3",
         {{"icc2", "0.1"}, {"icc3", "0.05"}, {"treated", "0.3"}, {"r2_1", "0.4"}},
         1,
         [&](const Point& p) { return (0.1 + s2 / p.n) / (PQ * p.J * p.K); },
         [](const Point& p) { return p.J * p.K - p.K - 1; }},
        {"multisite-trial-3",
         {{"icc2", "0.1"},
          {"icc3", "0.05"},
          {"omega2", "0.4"},
          {"omega3", "0.3"},
          {"treated", "0.3"},
          {"r2_1", "0.4"}},
         1,
         [&](const Point& p) {
             return 0.3 * 0.05 / p.K + 0.4 * 0.1 / (p.J * p.K) + s2 / (PQ * p.J * p.K * p.n);
         },
         [](const Point& p) { return p.K - 1; }},
        {"multisite-trial-3",
         {{"icc2", "0.1"},
          {"icc3", "0.05"},
          {"omega2", "0.4"},
          {"treated", "0.3"},
          {"r2_1", "0.4"}},
         1,
         [&](const Point& p) { return 0.4 * 0.1 / (p.J * p.K) + s2 / (PQ * p.J * p.K * p.n); },
         [](const Point& p) { return p.J * p.K - p.K - 1; }},
        {"multisite-trial-3",
         {{"icc2", "0.1"}, {"icc3", "0.05"}, {"treated", "0.3"}, {"r2_1", "0.4"}},
         1,
         [&](const Point& p) { return s2 / (PQ * p.J * p.K * p.n); },
         [](const Point& p) { return p.J * p.K * p.n - p.J * p.K - 1; }},
        // A unit-level moderator of share 0.2 (variance 0.16): the interaction, then the
        // treatment at the moderator's mean.
        {"moderator-3",
         {{"icc2", "0.1"},
          {"icc3", "0.05"},
          {"moderator_level", "1"},
          {"omega2", "0.5"},
          {"omega3", "0.4"},
          {"treated", "0.3"},
          {"moderator_share", "0.2"},
          {"r2_1", "0.4"},
          {"r2_2", "0.2"}},
         3,
         [&](const Point& p) {
             return (0.4 * 0.05 + (0.5 * 0.1 + s2 / (p.n * 0.16)) / p.J) / (p.K * PQ);
         },
         [](const Point& p) { return p.K - 2; }},
        {"moderator-3",
         {{"icc2", "0.1"},
          {"icc3", "0.05"},
          {"moderator_level", "1"},
          {"omega2", "0.5"},
          {"treated", "0.3"},
          {"moderator_share", "0.2"},
          {"r2_1", "0.4"},
          {"r2_2", "0.2"}},
         2,
         [&](const Point& p) { return (0.05 + 0.1 * 0.8 / p.J + s2 / (p.J * p.n)) / (p.K * PQ); },
         [](const Point& p) { return p.K - 2; }},
        {"moderator-3",
         {{"icc2", "0.1"},
          {"icc3", "0.05"},
          {"moderator_level", "1"},
          {"omega2", "0.5"},
          {"treated", "0.3"},
          {"r2_1", "0.4"}},
         3,
         [&](const Point& p) { return (0.5 * 0.1 + s2 / p.n) / (p.J * p.K * PQ); },
         [](const Point& p) { return p.J * p.K - p.K - 2; }},
        // A group-level moderator, continuous: its slope varies between sites only.
        {"moderator-3",
         {{"icc2", "0.1"},
          {"icc3", "0.05"},
          {"moderator_level", "2"},
          {"omega3", "0.4"},
          {"treated", "0.3"},
          {"r2_1", "0.4"},
          {"r2_2", "0.2"}},
         3,
         [&](const Point& p) { return (0.4 * 0.05 + (0.1 * 0.8 + s2 / p.n) / p.J) / (p.K * PQ); },
         [](const Point& p) { return p.K - 2; }},
        {"moderator-3",
         {{"icc2", "0.1"},
          {"icc3", "0.05"},
          {"moderator_level", "2"},
          {"treated", "0.3"},
          {"r2_1", "0.4"}},
         3,
         [&](const Point& p) { return (0.1 + s2 / p.n) / (p.J * p.K * PQ); },
         [](const Point& p) { return p.J * p.K - p.K - 2; }},
    };
    const auto design = std::make_unique<ThreeLevelDesign>();
    const auto point = std::make_unique<ThreeLevelPoint>();
    for (const ClosedForm& form : cases) {
        SCOPED_TRACE(form.name + " " + std::to_string(form.settings.size()));
        Settings settings = form.settings;
        settings.insert(settings.end(), {{"sites", "20"}, {"groups", "3"}, {"n", "10"}});
        const TemplateDesign made = makeDesign(*findTemplate(form.name), settings);
        ASSERT_TRUE(made.threeLevel);
        prepareThreeLevelDesign(made.threeLevel->model, *design);
        const DegreesOfFreedom df = threeLevelDegreesOfFreedom(made.threeLevel->model);
        for (const Point p : {Point{20, 3, 10}, Point{31, 5, 7}, Point{9, 12, 40}}) {
            computeThreeLevelPoint(*design, *point, int(p.K), int(p.J), int(p.n));
            const int c = form.coefficient + 1;
            EXPECT_NEAR(point->CovCoef(c, c) / form.variance(p), 1.0, 1e-10);
            EXPECT_EQ(df.at(form.coefficient, SweepPoint{int(p.K), int(p.n), 0, int(p.J)}),
                      form.df(p));
        }
    }
}

class ThreeLevelTemplateCommand : public test::WorkingDirectoryTest {
protected:
    int command(const std::vector<std::string>& arguments) {
        std::vector<const char*> argv;
        argv.reserve(arguments.size());
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

TEST_F(ThreeLevelTemplateCommand, WritesAFileThatTheCalculationNamesTheTreatmentIn) {
    ASSERT_EQ(command({"--template", "cluster-trial-3", "--set",    "icc2=0.1",      "--set",
                       "icc3=0.05",  "--set",           "r2_3=0.5", "--set",         "budget=5000",
                       "--set",      "site_cost=30",    "--set",    "group_cost=10", "--set",
                       "groups=2:6", "--set",           "n=5:25:5", "--write",       "trial.dat"}),
              kExitComplete)
        << m_err.str();
    EXPECT_EQ(m_out.str(),
              "intercept: the control sites' mean outcome\ntreatment: the treatment\n"
              "covariate1: site-level covariate 1\n");
    EXPECT_EQ(
        command({"--effect", "treatment=0.25", "--quiet", "--power-csv", "p.csv", "trial.dat"}),
        kExitComplete)
        << m_err.str();
    ASSERT_EQ(command({"--template", "moderator-3", "--set", "icc2=0.1", "--set", "icc3=0.05",
                       "--set", "moderator_level=1", "--set", "sites=20:60", "--set", "groups=4",
                       "--set", "n=20", "--write", "moderator.dat"}),
              kExitComplete)
        << m_err.str();
    EXPECT_NE(test::slurp("moderator.dat").find("sites 20 60 2\r\n"), std::string::npos);
    EXPECT_EQ(command({"--effect", "moderator:treatment=0.1", "moderator.dat"}), kExitComplete)
        << m_err.str();
}

// The example's command in examples/README.md writes its file to the byte.
TEST_F(ThreeLevelTemplateCommand, ReproducesTheExample) {
    ASSERT_EQ(command({"--template", "cluster-trial-3", "--set",   "icc2=0.1",
                       "--set",      "icc3=0.05",       "--set",   "r2_3=0.5",
                       "--set",      "budget=20000",    "--set",   "site_cost=100",
                       "--set",      "group_cost=20",   "--set",   "groups=2:8",
                       "--set",      "n=10:30:5",       "--write", "school-trial-3.dat"}),
              kExitComplete);
    EXPECT_EQ(test::slurp("school-trial-3.dat"),
              test::slurp(TAVI_EXAMPLES_DIR "/school-trial-3.dat"));
}

TEST_F(ThreeLevelTemplateCommand, RefusesBadKeysInOneLineNamingTheKey) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> wrong = {
        {{"multisite-trial-3", "icc2=0.6", "icc3=0.4", "sites=20", "groups=2", "n=5"}, "icc3"},
        {{"moderator-3", "icc2=0.1", "icc3=0.1", "moderator_level=3", "sites=20", "groups=2",
          "n=5"},
         "moderator_level"},
        {{"moderator-3", "icc2=0.1", "icc3=0.1", "moderator_level=2", "omega2=0.1", "sites=20",
          "groups=2", "n=5"},
         "omega2"},
        {{"cluster-trial-3", "icc2=0.1", "icc3=0.1", "budget=1000", "group_cost=5", "groups=2",
          "n=5"},
         "site_cost"},
        {{"cluster-trial-3", "icc2=0.1", "icc3=0.1", "budget=80", "site_cost=50", "group_cost=5",
          "groups=4", "n=5"},
         "budget"},
        {{"cluster-trial-3", "icc2=0.1", "icc3=0.1", "r2_3=0.2", "covariates=0", "sites=20",
          "groups=2", "n=5"},
         "covariates"},
        {{"blocked-cluster-trial-3", "icc2=0.1", "icc3=0.1", "groups=2", "n=5"}, "sites"},
    };
    for (const auto& [keys, key] : wrong) {
        std::vector<std::string> arguments = {"--template", keys[0]};
        for (std::size_t i = 1; i < keys.size(); ++i) {
            arguments.insert(arguments.end(), {"--set", keys[i]});
        }
        arguments.insert(arguments.end(), {"--write", "t.dat"});
        EXPECT_EQ(command(arguments), kExitUsage) << key;
        EXPECT_TRUE(m_err.str().starts_with("tavi-calc: " + key + ": ")) << m_err.str();
    }
    EXPECT_TRUE(filesHere().empty());
}

}  // namespace
}  // namespace tavi
