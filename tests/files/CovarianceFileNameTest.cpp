#include "files/CovarianceFileName.h"

#include <gtest/gtest.h>
#include <set>

namespace tavi {
namespace {

CovarianceFileChoice chooseAmong(const std::set<std::string>& taken) {
    return chooseCovarianceFileName(
        "/data/", "base", [&taken](const std::string& name) { return taken.count(name) > 0; });
}

TEST(CovarianceFileName, TakesTheFirstFreeNumberedName) {
    EXPECT_EQ(chooseAmong({}).name, "/data/base.cov");
    const CovarianceFileChoice second = chooseAmong({"/data/base.cov", "/data/base.co1"});
    EXPECT_EQ(second.name, "/data/base.co2");
    EXPECT_FALSE(second.overwriteQuestion);

    std::set<std::string> taken = {"/data/base.cov"};
    for (int m = 1; m <= 8; ++m) {
        taken.insert("/data/base.co" + std::to_string(m));
    }
    const CovarianceFileChoice ninth = chooseAmong(taken);
    EXPECT_EQ(ninth.name, "/data/base.co9");
    EXPECT_FALSE(ninth.overwriteQuestion);

    taken.insert("/data/base.co9");
    const CovarianceFileChoice full = chooseAmong(taken);
    EXPECT_EQ(full.name, "/data/base.co9");
    EXPECT_TRUE(full.overwriteQuestion);
}

TEST(CovarianceFileName, AGapIsUsedWhateverComesAfterIt) {
    EXPECT_EQ(chooseAmong({"/data/base.cov", "/data/base.co2"}).name, "/data/base.co1");
}

TEST(CovarianceFileName, EmptyBaseNameGivesTheBareExtension) {
    EXPECT_EQ(chooseCovarianceFileName("/d/", "", [](const std::string&) { return false; }).name,
              "/d/.cov");
}

}  // namespace
}  // namespace tavi
