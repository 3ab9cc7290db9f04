#include "engine/PeriodDesign.h"
#include "files/DesignFile.h"
#include "files/FileError.h"
#include "files/PeriodDesignFile.h"

#include <gtest/gtest.h>
#include <string>

namespace tavi {
namespace {

// An incomplete stepped wedge of unequal sequences in a cohort with decays.
NestedDesign cohortWedge() {
    using C = PeriodCell;
    ClusterPeriods periods;
    periods.sequences = {{C::Control, C::Treated, C::Treated, C::Unobserved},
                         {C::Unobserved, C::Control, C::Treated, C::Treated}};
    periods.clusterShares = {0.3, 0.7};
    periods.correlations = {1.0 / 3.0, 0.8, 0.9, true, 0.45, 0.7};
    return periodDesignOf(periods, {10, 40, 5}, {20, 60, 20});
}

std::string readError(const std::string& text) {
    try {
        readDesignText(text, "sw.dat");
    } catch (const FileError& error) {
        return error.what();
    }
    return "read";
}

std::string edited(std::string text, const std::string& from, const std::string& to) {
    text.replace(text.find(from), from.size(), to);
    return text;
}

TEST(PeriodDesignFile, ReadsBackWhatItWrites) {
    const NestedDesign written = cohortWedge();
    const std::string text = periodFileText(written);
    const NestedDesign read = readDesignText(text, "sw.dat").reading.design;
    ASSERT_TRUE(read.periods);
    EXPECT_EQ(read.periods->sequences, written.periods->sequences);
    EXPECT_EQ(read.periods->clusterShares, written.periods->clusterShares);
    const PeriodCorrelations& c = read.periods->correlations;
    EXPECT_EQ(c.icc, 1.0 / 3.0) << "the shortest form reads back to the same number";
    EXPECT_EQ(std::vector({c.cac, c.decay, c.iac, c.cohortDecay}),
              std::vector({0.8, 0.9, 0.45, 0.7}));
    EXPECT_TRUE(c.cohort);
    EXPECT_EQ(read.sizes.top.step, 5);
    EXPECT_EQ(read.sizes.units.most, 60);
    EXPECT_EQ(periodFileText(read), text);
    EXPECT_EQ(designFileText(read, "", ""), text);
}

TEST(PeriodDesignFile, NamesTheLineOfWhatItCannotRead) {
    const std::string text = periodFileText(cohortWedge());
    EXPECT_EQ(readError(edited(text, "0 1 1 .", "0 1 2 .")),
              "line 4, the sequences: '2' is not a period: 0 control, 1 treated, . not observed");
    EXPECT_EQ(readError(edited(text, ". 0 1 1", ". 0 1")),
              "line 5, the sequences: every sequence needs 4 periods, not 3");
    EXPECT_EQ(readError(edited(text, ". 0 1 1", ". . . .")),
              "line 5, the sequences: a sequence must be observed in some period");
    EXPECT_EQ(readError(edited(text, "shares 0.3 0.7", "shares 0 0")),
              "line 9, the sample sizes: some sequence needs a share above 0");
    EXPECT_EQ(readError(edited(text, "decay 0.9", "decay 0")),
              "line 14, the correlations: decay must lie in (0, 1]");
    EXPECT_EQ(readError(edited(text, "iac 0.45", "iac 1")),
              "line 16, the correlations: iac must lie in [0, 1)");
    EXPECT_EQ(readError(text.substr(0, text.find("icc"))), "File ends before the correlations");
}

}  // namespace
}  // namespace tavi
