#include "engine/templates/TemplateRecord.h"

#include "engine/Coefficients.h"
#include "files/NumberText.h"
#include "files/ParameterFile.h"

#include <cmath>

namespace tavi {

namespace {

constexpr double kLargestFileChange = 1e-4;

std::string wholeText(std::int64_t value) {
    std::string text;
    appendInteger(text, value);
    return text;
}

}  // namespace

DesignParameters recordWithCounts(std::int32_t k, std::int32_t k1, std::int32_t kw,
                                  std::string_view key) {
    if (!countsFitCapacity(k, k1, kw)) {
        throw TemplateError{std::string(key),
                            "the design would have " + wholeText(coefficientCount(k, k1, kw)) +
                                " coefficients; at most " + wholeText(dimmax) + " fit"};
    }
    DesignParameters p = initialDesignParameters();
    p.k = k;
    p.k1 = k1;
    p.kw = kw;
    deriveMatrixOrders(p);
    return p;
}

double asWritten(double value, double scale, int decimals, std::string_view key,
                 std::string_view what) {
    std::string text;
    appendFixed(text, value, 0, decimals);
    double written = 0.0;
    if (!parseStandardReal(text, written) ||
        std::abs(written - value) > kLargestFileChange * std::abs(scale)) {
        std::string exact;
        appendShortestReal(exact, value);
        throw TemplateError{std::string(key), std::string(what) + " = " + exact +
                                                  " is held by the parameter file's " +
                                                  wholeText(decimals) + " decimals only as " +
                                                  text};
    }
    return written;
}

double residualAsWritten(double variance, std::string_view key, std::string_view what) {
    return asWritten(variance, variance, kResidualVarianceDecimals, key, what);
}

double varianceAsWritten(double variance, std::string_view key, std::string_view what) {
    return asWritten(variance, variance, kValueDecimals, key, what);
}

double binaryVariance(double share, std::string_view key) {
    return varianceAsWritten(share * (1.0 - share), key, "the variance share (1 - share)");
}

void setGroupTreatment(DesignParameters& p, double share, std::string_view key) {
    p.Means2(1) = asWritten(share, share, kValueDecimals, key, "the share");
    p.BetweenCov(1, 1) = binaryVariance(share, key);
}

void applySweep(DesignParameters& p, const TemplateValues& values, std::int32_t fixedGroupSize) {
    const bool budget = values.given(kBudgetKey.name);
    if (budget && values.given(kGroupsKey.name)) {
        throw TemplateError{std::string(kGroupsKey.name), "give either groups or budget"};
    }
    if (budget != values.given(kGroupCostKey.name)) {
        throw TemplateError{
            std::string(kGroupCostKey.name),
            budget ? "missing; a budget needs the cost of a group" : "goes with budget only"};
    }
    if (!budget && !values.given(kGroupsKey.name)) {
        throw TemplateError{std::string(kGroupsKey.name),
                            "missing; give groups=MIN:MAX or budget and group_cost"};
    }
    std::vector<double> sizes = values.values(kGroupSizesKey.name);
    if (fixedGroupSize > 0) {
        if (values.given(kGroupSizesKey.name) &&
            (sizes[0] != fixedGroupSize || sizes[1] != fixedGroupSize)) {
            throw TemplateError{std::string(kGroupSizesKey.name),
                                "must be the number of occasions, " + wholeText(fixedGroupSize)};
        }
        sizes = {double(fixedGroupSize), double(fixedGroupSize), 1.0};
    }
    p.MinGroupSize = static_cast<std::int32_t>(sizes[0]);
    p.MaxGroupSize = static_cast<std::int32_t>(sizes[1]);
    p.GroupSizeStep = static_cast<std::int32_t>(sizes[2]);
    p.BudgetMode = budget;
    if (!budget) {
        const std::vector<double>& groups = values.values(kGroupsKey.name);
        p.MinGroups = static_cast<std::int32_t>(groups[0]);
        p.MaxGroups = static_cast<std::int32_t>(groups[1]);
        return;
    }
    p.Budget = static_cast<std::int32_t>(values.number(kBudgetKey.name));
    p.CostParameter = static_cast<std::int32_t>(values.number(kGroupCostKey.name));
    const std::int64_t smallestGroup = std::int64_t{p.MinGroupSize} + p.CostParameter;
    if (smallestGroup > p.Budget) {
        throw TemplateError{std::string(kBudgetKey.name),
                            "does not pay for one group of the smallest size: n + group_cost = " +
                                wholeText(smallestGroup)};
    }
}

std::vector<CoefficientRole> rolesOf(const DesignParameters& p,
                                     const std::vector<std::string>& roles) {
    std::vector<CoefficientRole> result;
    const std::vector<Coefficient> coefficients = coefficientsOf(p.k1, p.nRandom, p.kw + 1);
    for (std::size_t i = 0; i < coefficients.size() && i < roles.size(); ++i) {
        result.push_back({coefficients[i].name, roles[i]});
    }
    return result;
}

}  // namespace tavi
