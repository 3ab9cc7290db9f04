// The cluster trials over periods: a stepped wedge (every sequence starts in control and switches
// to treatment one period after the sequence before it), parallel arms over periods with
// baseline periods before any cluster is treated, and a crossover whose two orders alternate
// control and treatment. The outcome's variance within a period is 1: icc between clusters,
// 1 - icc within them; the coefficients are the intercept, each later period's difference from
// period 1 (period2, ...) and the treatment.

#include "engine/PeriodDesign.h"
#include "engine/templates/TemplateMappings.h"
#include "files/DesignParameters.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>

namespace tavi {

namespace {

constexpr PeriodCell kControl = PeriodCell::Control;
constexpr PeriodCell kTreated = PeriodCell::Treated;

constexpr TemplateKey kClustersKey{
    "clusters", ValueKind::CountsOrRange, Need::Required, "",
    "clusters of each sequence: one number, MIN:MAX to sweep, or C1,C2,... for each sequence"};
constexpr TemplateKey kUnitsKey{"n", ValueKind::SizeRange, Need::Required, "",
                                "units of each cluster-period n to compute"};
constexpr TemplateKey kIccKey{"icc", ValueKind::Share, Need::Required, "",
                              "the clusters' share of the outcome's variance within a period"};
constexpr TemplateKey kCacKey{"cac", ValueKind::UnitInterval, Need::Default, "1",
                              "cluster autocorrelation: the correlation of a cluster's effects "
                              "between two periods"};
constexpr TemplateKey kDecayKey{"decay", ValueKind::Decay, Need::Default, "1",
                                "factor by which the clusters' correlation falls per period apart"};
constexpr TemplateKey kCohortKey{"cohort", ValueKind::YesNo, Need::Default, "no",
                                 "yes: the same units in every period; no: new units"};
constexpr TemplateKey kIacKey{"iac", ValueKind::Share, Need::Default, "0",
                              "with a cohort: the correlation of a unit's effects between periods"};
constexpr TemplateKey kCohortDecayKey{
    "cohort_decay", ValueKind::Decay, Need::Default, "1",
    "with a cohort: factor by which the units' correlation falls per period apart"};

constexpr TemplateKey kSteppedWedgeKeys[] = {
    {"sequences", ValueKind::Amount, Need::Required, "", "number of sequences S"},
    {"periods", ValueKind::Amount, Need::Conditional, "sequences + 1",
     "number of periods; sequence s switches to treatment at period s + 1"},
    {"window", ValueKind::Amount, Need::Conditional, "every period",
     "periods each sequence is observed before and after its switch"},
    kClustersKey,
    kUnitsKey,
    kIccKey,
    kCacKey,
    kDecayKey,
    kCohortKey,
    kIacKey,
    kCohortDecayKey,
};

constexpr TemplateKey kParallelKeys[] = {
    {"periods", ValueKind::Amount, Need::Required, "", "number of periods"},
    {"baseline", ValueKind::Count, Need::Default, "0",
     "periods before any cluster is treated, fewer than periods"},
    {"treated", ValueKind::Proportion, Need::Default, "0.5", "share of the clusters treated"},
    {"clusters", ValueKind::GroupsRange, Need::Required, "",
     "clusters per arm, MIN:MAX to sweep: K = 2 x clusters in all, treated x K of them treated"},
    kUnitsKey,
    kIccKey,
    kCacKey,
    kDecayKey,
    kCohortKey,
    kIacKey,
    kCohortDecayKey,
};

constexpr TemplateKey kCrossoverKeys[] = {
    {"periods", ValueKind::AtLeastTwo, Need::Default, "2",
     "number of periods, control and treatment alternating"},
    kClustersKey,
    kUnitsKey,
    kIccKey,
    kCacKey,
    kDecayKey,
    kCohortKey,
    kIacKey,
    kCohortDecayKey,
};

// Every design here leaves the intercept and the treatment beside the periods' differences.
constexpr int kMostPeriods = dimmax - 1;

// The clusters of all sequences, as the sample sizes count them.
constexpr std::int64_t kMostClusters = std::numeric_limits<std::int32_t>::max();

CountRange clustersInAll(std::int64_t least, std::int64_t most, std::int64_t step) {
    if (most > kMostClusters) {
        throw TemplateError{
            "clusters", "gives more than " + std::to_string(kMostClusters) + " clusters in all"};
    }
    return {static_cast<std::int32_t>(least), static_cast<std::int32_t>(most),
            static_cast<std::int32_t>(step)};
}

std::int32_t periodsIn(std::string_view key, double periods) {
    if (periods > kMostPeriods) {
        throw TemplateError{std::string(key), "gives " + std::to_string(std::int64_t(periods)) +
                                                  " periods; at most " +
                                                  std::to_string(kMostPeriods) + " fit"};
    }
    return static_cast<std::int32_t>(periods);
}

PeriodCorrelations correlationsOf(const TemplateValues& values) {
    PeriodCorrelations c;
    c.icc = values.number("icc");
    c.cac = values.number("cac");
    c.decay = values.number("decay");
    c.cohort = values.number("cohort") == 1.0;
    for (const std::string_view key : {"iac", "cohort_decay"}) {
        if (!c.cohort && values.given(key)) {
            throw TemplateError{std::string(key), "goes with cohort=yes only"};
        }
    }
    c.iac = values.number("iac");
    c.cohortDecay = values.number("cohort_decay");
    return c;
}

// K, the clusters of all sequences, from the clusters of each: a range swept with equal shares,
// or a list of S whole numbers that are the shares.
CountRange clustersOf(const TemplateValues& values, ClusterPeriods& periods) {
    const std::vector<double>& given = values.values("clusters");
    const auto sequences = static_cast<std::int64_t>(periods.sequences.size());
    if (!values.listed("clusters")) {
        periods.clusterShares.assign(periods.sequences.size(), 1.0);
        const auto least = static_cast<std::int64_t>(given[0]);
        const auto most = static_cast<std::int64_t>(given[1]);
        if (least < 1) {
            throw TemplateError{"clusters", "needs at least 1 cluster in each sequence"};
        }
        return clustersInAll(least * sequences, most * sequences,
                             groupsStepFor(most - least) * sequences);
    }
    if (given.size() != periods.sequences.size()) {
        throw TemplateError{"clusters", "lists " + std::to_string(given.size()) + " numbers for " +
                                            std::to_string(sequences) + " sequences"};
    }
    double all = 0.0;
    for (const double count : given) {
        all += count;
    }
    if (all < 1.0) {
        throw TemplateError{"clusters", "needs a cluster in some sequence"};
    }
    periods.clusterShares = given;
    return clustersInAll(std::int64_t(all), std::int64_t(all), 1);
}

CountRange unitsOf(const TemplateValues& values) {
    const std::vector<double>& n = values.values("n");
    return {static_cast<std::int32_t>(n[0]), static_cast<std::int32_t>(n[1]),
            static_cast<std::int32_t>(n[2])};
}

TemplateDesign periodTemplateDesign(ClusterPeriods periods, const CountRange& clusters,
                                    const TemplateValues& values) {
    const std::int32_t count = periods.periods();
    std::vector<std::string> roles = {"the mean outcome of control clusters in period 1"};
    for (std::int32_t t = 2; t <= count; ++t) {
        roles.push_back("period " + std::to_string(t) + " against period 1");
    }
    roles.emplace_back("the treatment");
    return templateDesign(periodDesignOf(std::move(periods), clusters, unitsOf(values)), roles);
}

}  // namespace

std::span<const TemplateKey> steppedWedgeKeys() {
    return kSteppedWedgeKeys;
}

std::span<const TemplateKey> parallelPeriodsKeys() {
    return kParallelKeys;
}

std::span<const TemplateKey> clusterCrossoverKeys() {
    return kCrossoverKeys;
}

TemplateDesign steppedWedgeDesign(const TemplateValues& values) {
    const double sequences = values.number("sequences");
    const double periodCount = values.given("periods") ? values.number("periods") : sequences + 1.0;
    if (periodCount < sequences + 1.0) {
        throw TemplateError{"periods",
                            "must be at least sequences + 1, so that every sequence "
                            "has a period of control and one of treatment"};
    }
    const std::int32_t T =
        periodsIn(values.given("periods") ? "periods" : "sequences", periodCount);
    const auto S = static_cast<std::int32_t>(sequences);
    const std::int32_t window =
        values.given("window") ? static_cast<std::int32_t>(values.number("window")) : T;
    ClusterPeriods periods;
    for (std::int32_t s = 1; s <= S; ++s) {
        std::vector<PeriodCell> cells;
        const std::int32_t start = s + 1;  // the first treated period
        for (std::int32_t t = 1; t <= T; ++t) {
            const bool observed = t >= start - window && t < start + window;
            cells.push_back(!observed ? PeriodCell::Unobserved : t >= start ? kTreated : kControl);
        }
        periods.sequences.push_back(std::move(cells));
    }
    periods.correlations = correlationsOf(values);
    const CountRange clusters = clustersOf(values, periods);
    return periodTemplateDesign(std::move(periods), clusters, values);
}

TemplateDesign parallelPeriodsDesign(const TemplateValues& values) {
    const std::int32_t T = periodsIn("periods", values.number("periods"));
    const double baseline = values.number("baseline");
    if (baseline >= T) {
        throw TemplateError{"baseline", "must leave a period of treatment: fewer than periods"};
    }
    const double treated = values.number("treated");
    ClusterPeriods periods;
    periods.sequences.emplace_back(static_cast<std::size_t>(T), kControl);
    std::vector<PeriodCell> arm(static_cast<std::size_t>(T), kTreated);
    std::fill(arm.begin(), arm.begin() + static_cast<std::ptrdiff_t>(baseline), kControl);
    periods.sequences.push_back(std::move(arm));
    periods.clusterShares = {1.0 - treated, treated};
    periods.correlations = correlationsOf(values);
    const std::vector<double>& given = values.values("clusters");
    const auto least = static_cast<std::int64_t>(given[0]);
    const auto most = static_cast<std::int64_t>(given[1]);
    return periodTemplateDesign(std::move(periods),
                                clustersInAll(2 * least, 2 * most, 2 * groupsStepFor(most - least)),
                                values);
}

TemplateDesign clusterCrossoverDesign(const TemplateValues& values) {
    const std::int32_t T = periodsIn("periods", values.number("periods"));
    ClusterPeriods periods;
    for (const int first : {0, 1}) {
        std::vector<PeriodCell> cells(static_cast<std::size_t>(T));
        for (std::int32_t t = 0; t < T; ++t) {
            cells[t] = (t + first) % 2 == 1 ? kTreated : kControl;
        }
        periods.sequences.push_back(std::move(cells));
    }
    periods.correlations = correlationsOf(values);
    const CountRange clusters = clustersOf(values, periods);
    return periodTemplateDesign(std::move(periods), clusters, values);
}

}  // namespace tavi
