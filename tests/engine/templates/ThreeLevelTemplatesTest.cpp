#include "engine/DesignInformation.h"
#include "engine/power/DegreesOfFreedom.h"
#include "engine/templates/DesignTemplates.h"
#include "tests/app/CommandFixture.h"
#include "tests/engine/templates/TemplateSettings.h"

#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace tavi {
namespace {

using test::settingsOf;

struct Point {
    double K, J, n;
};

// A template's key coefficient with the literature's closed form of its variance and its df.
struct ClosedForm {
    std::string name;
    std::string settings;
    int coefficient;
    std::function<double(const Point&)> variance;
    std::function<double(const Point&)> df;
};

TEST(ThreeLevelTemplates, GiveTheClosedFormsOfTheLiterature) {
    const double PQ = 0.3 * 0.7;
    const double s2 = (1 - 0.1 - 0.05) * (1 - 0.4);  // the residual variance
    const std::string common = "icc2=0.1 icc3=0.05 treated=0.3 r2_1=0.4 ";
    const std::vector<ClosedForm> cases = {
        {"cluster-trial-3", common + "r2_2=0.5 r2_3=0.6 covariates=2", 1,
         [&](const Point& p) {
             return 0.05 * 0.4 / (PQ * p.K) + 0.1 * 0.5 / (PQ * p.J * p.K) +
                    s2 / (PQ * p.J * p.K * p.n);
         },
         [](const Point& p) { return p.K - 2 - 2; }},
        {"blocked-cluster-trial-3", common + "omega3=0.5 r2_2=0.3", 1,
         [&](const Point& p) {
             return 0.5 * 0.05 / p.K + (0.1 * 0.7 + s2 / p.n) / (PQ * p.J * p.K);
         },
         [](const Point& p) { return p.K - 1; }},
        {"blocked-cluster-trial-3", common, 1,
         [&](const Point& p) { return (0.1 + s2 / p.n) / (PQ * p.J * p.K); },
         [](const Point& p) { return p.J * p.K - p.K - 1; }},
        {"multisite-trial-3", common + "omega2=0.4 omega3=0.3", 1,
         [&](const Point& p) {
             return 0.3 * 0.05 / p.K + 0.4 * 0.1 / (p.J * p.K) + s2 / (PQ * p.J * p.K * p.n);
         },
         [](const Point& p) { return p.K - 1; }},
        {"multisite-trial-3", common, 1,
         [&](const Point& p) { return s2 / (PQ * p.J * p.K * p.n); },
         [](const Point& p) { return p.J * p.K * p.n - p.J * p.K - 1; }},
        // A unit-level moderator of share 0.2 (variance 0.16): the interaction, and the
        // treatment at the moderator's mean.
        {"moderator-3",
         common + "moderator_level=1 omega2=0.5 omega3=0.4 moderator_share=0.2 r2_2=0.2", 3,
         [&](const Point& p) {
             return (0.4 * 0.05 + (0.5 * 0.1 + s2 / (p.n * 0.16)) / p.J) / (p.K * PQ);
         },
         [](const Point& p) { return p.K - 2; }},
        {"moderator-3", common + "moderator_level=1 omega2=0.5 r2_2=0.2", 2,
         [&](const Point& p) { return (0.05 + 0.1 * 0.8 / p.J + s2 / (p.J * p.n)) / (p.K * PQ); },
         [](const Point& p) { return p.K - 2; }},
        {"moderator-3", common + "moderator_level=1 omega2=0.5", 3,
         [&](const Point& p) { return (0.5 * 0.1 + s2 / p.n) / (p.J * p.K * PQ); },
         [](const Point& p) { return p.J * p.K - p.K - 2; }},
        // A continuous group-level moderator, whose slope varies between sites only.
        {"moderator-3", common + "moderator_level=2 omega3=0.4 r2_2=0.2", 3,
         [&](const Point& p) { return (0.4 * 0.05 + (0.1 * 0.8 + s2 / p.n) / p.J) / (p.K * PQ); },
         [](const Point& p) { return p.K - 2; }},
    };
    for (const ClosedForm& form : cases) {
        SCOPED_TRACE(form.name + " " + form.settings);
        const TemplateDesign made = makeDesign(
            *findTemplate(form.name), settingsOf(form.settings + " sites=20 groups=3 n=10"));
        ASSERT_EQ(made.design.levels(), 3);
        const auto design = prepareDesign(made.design);
        const auto work = design->information->newWork();
        const DegreesOfFreedom df(made.design.model);
        for (const Point p : {Point{20, 3, 10}, Point{31, 5, 7}, Point{9, 12, 40}}) {
            const SweepPoint at{int(p.K), int(p.n), 0, int(p.J)};
            const PointCovariance covariance = design->information->compute(*work, at);
            const int c = form.coefficient + 1;
            EXPECT_NEAR(covariance.CovCoef(c, c) / form.variance(p), 1.0, 1e-10);
            EXPECT_EQ(df.at(form.coefficient, at), form.df(p));
        }
    }
}

class ThreeLevelTemplateCommand : public test::CommandFixture {
protected:
    // tavi-calc with the words of arguments; of a template, each KEY=VALUE after --set.
    int command(const std::string& arguments) {
        std::vector<std::string> words;
        std::istringstream text(arguments);
        const bool keys = arguments.starts_with("--template");
        for (std::string word; text >> word;) {
            if (keys && word.find('=') != std::string::npos) {
                words.emplace_back("--set");
            }
            words.push_back(word);
        }
        std::vector<const char*> argv;
        argv.reserve(words.size());
        for (const std::string& word : words) {
            argv.push_back(word.c_str());
        }
        return CommandFixture::command(argv);
    }
};

// The example's command in examples/README.md writes its file to the byte, which the
// calculation takes with the treatment's name.
TEST_F(ThreeLevelTemplateCommand, WritesTheExampleThatTheCalculationNamesTheTreatmentIn) {
    ASSERT_EQ(command("--template cluster-trial-3 icc2=0.1 icc3=0.05 r2_3=0.5 budget=20000 "
                      "site_cost=100 group_cost=20 groups=2:8 n=10:30:5 --write school.dat"),
              kExitComplete)
        << m_err.str();
    EXPECT_EQ(m_out.str(),
              "intercept: the control sites' mean outcome\ntreatment: the treatment\n"
              "covariate1: site-level covariate 1\n");
    EXPECT_EQ(test::slurp("school.dat"), test::slurp(TAVI_EXAMPLES_DIR "/school-trial-3.dat"));
    EXPECT_EQ(command("--effect treatment=0.25 --quiet school.dat"), kExitComplete) << m_err.str();
}

TEST_F(ThreeLevelTemplateCommand, RefusesBadKeysInOneLineNamingTheKey) {
    const std::vector<std::pair<std::string, std::string>> wrong = {
        {"multisite-trial-3 icc2=0.6 icc3=0.4 sites=20", "icc3"},
        {"moderator-3 icc2=0.1 icc3=0.1 moderator_level=2 omega2=0.1 sites=20", "omega2"},
        {"cluster-trial-3 icc2=0.1 icc3=0.1 budget=80 site_cost=50 group_cost=5", "budget"},
    };
    for (const auto& [keys, key] : wrong) {
        EXPECT_EQ(command("--template " + keys + " groups=4 n=5 --write t.dat"), kExitUsage);
        EXPECT_TRUE(m_err.str().starts_with("tavi-calc: " + key + ": ")) << m_err.str();
    }
    // Sample sizes that the run would refuse are refused here, for the run's reason.
    EXPECT_EQ(command("--template cluster-trial-3 icc2=0.1 icc3=0.1 sites=1:2147483647 groups=4 "
                      "n=5 --write t.dat"),
              kExitUsage);
    EXPECT_EQ(m_err.str(),
              "tavi-calc: --template cluster-trial-3: The sample sizes ask for 214748365 points; "
              "at most 1000000 are computed.\n");
    EXPECT_TRUE(filesHere().empty());
}

}  // namespace
}  // namespace tavi
