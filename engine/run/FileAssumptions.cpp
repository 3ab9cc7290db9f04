#include "engine/run/FileAssumptions.h"

#include "files/FileNames.h"
#include "files/NumberText.h"
#include "files/ParameterDesign.h"
#include "files/TypedNumbers.h"

#include <cmath>
#include <limits>

namespace tavi {

namespace {

constexpr double kNoBound = std::numeric_limits<double>::infinity();
constexpr double kLargestWhole = std::numeric_limits<std::int32_t>::max();

using Row = FileAssumptions::Row;

Row varianceRow(std::string key, std::string label, std::string help, bool positive,
                std::function<double(const DesignParameters&)> get,
                std::function<void(DesignParameters&, double)> set) {
    return {{std::move(key), std::move(label), std::move(help), {}, {}},
            0.0,
            positive,
            kNoBound,
            false,
            false,
            std::move(get),
            std::move(set)};
}

// A whole-number setting of the sweep, at least least.
Row amountRow(std::string key, std::string label, std::string help, double least,
              std::int32_t DesignParameters::*field) {
    return {{std::move(key), std::move(label), std::move(help), {}, {}},
            least,
            false,
            kNoBound,
            true,
            false,
            [field](const DesignParameters& p) { return double(p.*field); },
            [field](DesignParameters& p, double value) {
                p.*field = static_cast<std::int32_t>(value);
            }};
}

// The rows of design p, in the order the panel shows them.
std::vector<Row> rowsOf(const DesignParameters& p) {
    std::vector<Row> rows;
    rows.push_back(varianceRow(
        "tau00", "Intercept variance τ00",
        "The variance of the groups' true means: the outcome's variance between the groups.", false,
        [](const DesignParameters& d) { return d.Tau(1, 1); },
        [](DesignParameters& d, double v) { d.Tau(1, 1) = v; }));
    rows.push_back(varianceRow(
        "sigma2", "Level-1 residual variance σ²",
        "The outcome's variance within the groups that the level-1 variables leave unexplained.",
        true, [](const DesignParameters& d) { return d.ResidualVariance; },
        [](DesignParameters& d, double v) { d.ResidualVariance = v; }));
    rows.push_back({{"icc",
                     "Intraclass correlation τ00 / (τ00 + σ²)",
                     "The groups' share of the two variances. A new value shares their sum "
                     "anew between τ00 and σ².",
                     {},
                     {}},
                    0.0,
                    false,
                    1.0,
                    false,
                    true,
                    [](const DesignParameters& d) {
                        const double total = d.Tau(1, 1) + d.ResidualVariance;
                        return total > 0.0 ? d.Tau(1, 1) / total : 0.0;
                    },
                    [](DesignParameters& d, double icc) {
                        const double total = d.Tau(1, 1) + d.ResidualVariance;
                        d.Tau(1, 1) = icc * total;
                        d.ResidualVariance = total - d.Tau(1, 1);
                    }});
    for (std::int32_t j = 1; j <= p.k - p.k1; ++j) {
        std::string variable = "x";
        variable += std::to_string(p.k1 + j);
        // Its place in Tau, as τ11 or, beyond 9, as τ10,10.
        std::string tau = "τ";
        tau += std::to_string(j);
        tau += j > 9 ? "," : "";
        tau += std::to_string(j);
        const int i = j + 1;
        std::string label = "Variance of the slope of ";
        label.append(variable).append(", ").append(tau);
        rows.push_back(varianceRow(
            "slope" + std::to_string(j), label,
            "How much the effect of " + variable + " varies between the groups.", false,
            [i](const DesignParameters& d) { return d.Tau(i, i); },
            [i](DesignParameters& d, double v) { d.Tau(i, i) = v; }));
    }
    if (p.BudgetMode) {
        rows.push_back(amountRow("budget", "Budget c·N + n·N at most",
                                 "The total budget, counted in level-1 units.", 1,
                                 &DesignParameters::Budget));
        rows.push_back(amountRow("group_cost", "Cost of a group c",
                                 "The cost of one more group relative to one more level-1 unit.", 0,
                                 &DesignParameters::CostParameter));
    } else {
        rows.push_back(amountRow("groups_min", "Smallest number of groups N", "", 1,
                                 &DesignParameters::MinGroups));
        rows.push_back(amountRow("groups_max", "Largest number of groups N",
                                 "The table steps N by 1, 2, 5 or 10 as the range is wider.", 1,
                                 &DesignParameters::MaxGroups));
    }
    rows.push_back(
        amountRow("n_min", "Smallest group size n", "", 1, &DesignParameters::MinGroupSize));
    rows.push_back(
        amountRow("n_max", "Largest group size n", "", 1, &DesignParameters::MaxGroupSize));
    rows.push_back(amountRow("n_step", "Step of n", "The step between the table's group sizes.", 1,
                             &DesignParameters::GroupSizeStep));
    return rows;
}

std::string valueText(const Row& row, double value) {
    if (!row.derived) {
        return exactNumber(value);
    }
    return significantNumber(value, 4);
}

// Why text cannot be row's value, or empty when value holds it.
std::string problemOf(const Row& row, const std::string& text, double& value) {
    const std::string least = exactNumber(row.least);
    std::string rule = row.whole   ? "a whole number of at least " + least
                       : row.above ? "a number above " + least
                                   : "a number of at least " + least;
    if (std::isfinite(row.below)) {
        rule += " and below " + exactNumber(row.below);
    }
    const bool usable = TextToReal(text, value) && std::isfinite(value) &&
                        (row.above ? value > row.least : value >= row.least) && value < row.below &&
                        (!row.whole || (value == std::floor(value) && value <= kLargestWhole));
    return usable ? std::string() : row.field.label + " must be " + rule + ".";
}

}  // namespace

FileAssumptions::FileAssumptions(const DesignParameters& p, std::string fileName)
    : m_fileName(std::move(fileName)),
      m_saved(std::make_unique<DesignParameters>(p)),
      m_edited(std::make_unique<DesignParameters>(p)),
      m_rows(rowsOf(p)),
      m_problems(m_rows.size()) {
    for (const Row& row : m_rows) {
        m_fields.push_back(row.field);
    }
    addGroupSizeFields(2);
    showValues(std::nullopt);
}

std::string FileAssumptions::title() const {
    return "Design of " + fileNamePartOf(m_fileName);
}

void FileAssumptions::showValues(std::optional<std::size_t> typed) {
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        if (i != typed && m_problems[i].empty()) {
            m_fields[i].text = valueText(m_rows[i], m_rows[i].get(*m_edited));
        }
    }
}

void FileAssumptions::setText(std::size_t i, const std::string& text) {
    if (setGroupSizeText(i, text)) {
        return;
    }
    m_fields[i].text = text;
    double value = 0.0;
    m_problems[i] = problemOf(m_rows[i], text, value);
    if (m_problems[i].empty()) {
        m_rows[i].set(*m_edited, value);
        showValues(i);
    }
}

AssumedDesign FileAssumptions::design() const {
    for (std::size_t i = 0; i < m_problems.size(); ++i) {
        if (!m_problems[i].empty()) {
            return {std::nullopt, {i, m_problems[i]}};
        }
    }
    const auto fieldOf = [this](const char* key) {
        for (std::size_t i = 0; i < m_fields.size(); ++i) {
            if (m_fields[i].key == key) {
                return i;
            }
        }
        return AssumptionProblem::kWholeDesign;
    };
    const DesignParameters& p = *m_edited;
    if (p.MaxGroupSize < p.MinGroupSize) {
        return {std::nullopt,
                {fieldOf("n_max"), "The largest group size must be at least the smallest."}};
    }
    if (!p.BudgetMode && p.MaxGroups < p.MinGroups) {
        return {
            std::nullopt,
            {fieldOf("groups_max"), "The largest number of groups must be at least the smallest."}};
    }
    AssumedDesign assumed{asFileHoldsIt(designOf(p).design), {}};
    assumeGroupSizes(assumed);
    return assumed;
}

void FileAssumptions::revert() {
    *m_edited = *m_saved;
    std::fill(m_problems.begin(), m_problems.end(), std::string());
    revertGroupSizes();
    showValues(std::nullopt);
}

void FileAssumptions::markSaved(const std::string& fileName) {
    *m_saved = *m_edited;
    m_fileName = fileName;
    markGroupSizesSaved();
}

bool FileAssumptions::edited() const {
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        if (!m_problems[i].empty() || m_rows[i].get(*m_edited) != m_rows[i].get(*m_saved)) {
            return true;
        }
    }
    return groupSizesEdited();
}

}  // namespace tavi
