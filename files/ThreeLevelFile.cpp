#include "files/ThreeLevelFile.h"

#include "files/FileError.h"
#include "files/KeywordLines.h"
#include "files/NumberText.h"

#include <algorithm>
#include <cstdint>

namespace tavi {

namespace {

constexpr std::size_t kLongestName = 32;

struct SlopeWord {
    std::string_view word;
    int level;
    SlopeVariation slope;
};

constexpr SlopeWord kSlopeWords[] = {
    {"fixed", 1, SlopeVariation::None},      {"random-2", 1, SlopeVariation::Level2},
    {"random-3", 1, SlopeVariation::Level3}, {"random-2-3", 1, SlopeVariation::Levels2And3},
    {"fixed", 2, SlopeVariation::None},      {"random-3", 2, SlopeVariation::Level3},
    {"", 3, SlopeVariation::None},
};

constexpr std::string_view kLevelWords[] = {"level-1", "level-2", "level-3"};

std::int32_t withinIndex(const NestedModel& m, std::int32_t v) {
    return v < m.p1 ? v + 1 : 0;
}

std::int32_t level1Count(const NestedModel& m) {
    return m.p1;
}

// The matrices in the order of the file: the keyword heading the block, what messages call it,
// the variables of its rows (the random effects' first row being the intercept's).
struct MatrixBlock {
    std::string_view keyword;
    std::string_view what;
    Matrix NestedModel::*matrix;
    std::int32_t (*order)(const NestedModel&);
    std::int32_t (*indexOf)(const NestedModel&, std::int32_t v);
    bool intercept;
};

constexpr MatrixBlock kMatrixBlocks[] = {
    {"level-2-random-effects", "the level-2 random effects", &NestedModel::Tau2, level2Effects,
     level2EffectIndex, true},
    {"level-3-random-effects", "the level-3 random effects", &NestedModel::Tau3, level3Effects,
     level3EffectIndex, true},
    {"within-groups", "the within-groups matrix", &NestedModel::WithinCov, level1Count, withinIndex,
     false},
    {"between-groups", "the between-groups matrix", &NestedModel::BetweenCov, betweenGroupsOrder,
     betweenGroupsIndex, false},
    {"between-sites", "the between-sites matrix", &NestedModel::SiteCov, betweenSitesOrder,
     betweenSitesIndex, false},
};

bool validName(std::string_view name) {
    const auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    const auto other = [&letter](char c) {
        return letter(c) || (c >= '0' && c <= '9') || c == '_' || c == '.';
    };
    return !name.empty() && name.size() <= kLongestName && letter(name.front()) &&
           std::all_of(name.begin(), name.end(), other);
}

void readVariables(Lines& lines, NestedDesign& p) {
    constexpr std::string_view what = "the variables";
    while (!lines.atEnd()) {
        const auto level =
            std::find(std::begin(kLevelWords), std::end(kLevelWords), lines.peek().words.front());
        if (level == std::end(kLevelWords)) {
            return;
        }
        const Line& line = lines.next();
        const int number = static_cast<int>(level - std::begin(kLevelWords)) + 1;
        const std::size_t words = number == 3 ? 2 : 3;
        if (line.words.size() != words) {
            lines.fail(line, what,
                       number == 3 ? "expected 'level-3 NAME'"
                                   : "expected " + quoted(std::string(*level) + " NAME SLOPE"));
        }
        if (!p.variables.empty() && p.variables.back().level > number) {
            lines.fail(line, what,
                       "the level-" + std::to_string(number) +
                           " variables must come before those of higher levels");
        }
        const std::string_view name = line.words[1];
        if (!validName(name) || name == "intercept") {
            lines.fail(line, what,
                       quoted(name) +
                           " is no name: a letter, then letters, digits, '_' or '.', at most " +
                           std::to_string(kLongestName) + " in all, and not 'intercept'");
        }
        for (const DesignVariable& variable : p.variables) {
            if (variable.name == name) {
                lines.fail(line, what, "a second variable named " + quoted(name));
            }
        }
        const std::string_view slope = number == 3 ? "" : line.words[2];
        const auto word =
            std::find_if(std::begin(kSlopeWords), std::end(kSlopeWords),
                         [&](const SlopeWord& w) { return w.level == number && w.word == slope; });
        if (word == std::end(kSlopeWords)) {
            lines.fail(line, what,
                       quoted(slope) + " is not a slope of a level-" + std::to_string(number) +
                           " variable: " +
                           (number == 1 ? "fixed, random-2, random-3 or random-2-3"
                                        : "fixed or random-3"));
        }
        p.variables.push_back({std::string(name), number, word->slope});
    }
}

void readSweep(Lines& lines, SampleSizes& sweep) {
    constexpr std::string_view sizes = "the sample sizes";
    if (lines.atEnd()) {
        lines.endsBefore(sizes);
    }
    const std::string_view first = lines.peek().words.front();
    if (first == "budget") {
        const Line& line =
            lines.keywordLine("budget", sizes, 4, 4, "budget B SITE_COST GROUP_COST");
        sweep.BudgetMode = true;
        sweep.Budget = integerIn(lines, line, 1, sizes);
        sweep.SiteCost = integerIn(lines, line, 2, sizes);
        sweep.GroupCost = integerIn(lines, line, 3, sizes);
    } else {
        const Line& line = lines.keywordLine(
            "sites", sizes, 3, 4, "sites MIN MAX [STEP]' or 'budget B SITE_COST GROUP_COST");
        sweep.BudgetMode = false;
        sweep.top = readRange(lines, line, sizes);
    }
    sweep.groups =
        readRange(lines, lines.keywordLine("groups", sizes, 3, 4, "groups MIN MAX [STEP]"), sizes);
    sweep.units = readRange(lines, lines.keywordLine("n", sizes, 3, 4, "n MIN MAX [STEP]"), sizes);
}

void readTriangle(Lines& lines, const MatrixBlock& block, NestedModel& m) {
    lines.keywordLine(block.keyword, block.what, 1, 1, block.keyword);
    Matrix& matrix = m.*block.matrix;
    const int order = block.order(m);
    for (int i = 1; i <= order; ++i) {
        if (lines.atEnd()) {
            lines.endsWithin(block.what, "it has " + std::to_string(i - 1) + " of its " +
                                             std::to_string(order) + " rows");
        }
        const Line& line = lines.next();
        if (line.words.size() != static_cast<std::size_t>(i)) {
            lines.fail(line, block.what,
                       "row " + std::to_string(i) + " of " + std::to_string(order) + " needs " +
                           std::to_string(i) + (i == 1 ? " number" : " numbers") + ", not " +
                           std::to_string(line.words.size()));
        }
        for (int j = 1; j <= i; ++j) {
            matrix(i, j) = realIn(lines, line, j - 1, block.what);
            matrix(j, i) = matrix(i, j);
        }
    }
}

void appendRow(std::string& out, const double* values, int count) {
    for (int j = 0; j < count; ++j) {
        out.append(j == 0 ? "" : " ");
        appendShortestReal(out, values[j]);
    }
    out.append(kLineEnd);
}

std::string_view slopeWord(const DesignVariable& variable) {
    for (const SlopeWord& word : kSlopeWords) {
        if (word.level == variable.level && word.slope == variable.slope) {
            return word.word;
        }
    }
    return "";
}

// "# intercept, ses": the variables of a block's rows.
void appendRowNames(std::string& out, const MatrixBlock& block, const NestedDesign& p) {
    const NestedModel& m = p.model;
    std::vector<std::string> names(static_cast<std::size_t>(block.order(m)));
    if (block.intercept) {
        names.front() = "intercept";
    }
    for (std::int32_t v = 0; v < static_cast<std::int32_t>(p.variables.size()); ++v) {
        if (const std::int32_t index = block.indexOf(m, v); index > 0) {
            names[index - 1] = p.variables[v].name;
        }
    }
    out.append("# ").append(block.what).append(":");
    for (const std::string& name : names) {
        out.append(" ").append(name);
    }
    out.append(names.empty() ? " none" : "").append(kLineEnd);
}

}  // namespace

bool isThreeLevelText(std::string_view text) {
    return hasFirstLine(text, kThreeLevelFirstLine);
}

std::string threeLevelFileText(const NestedDesign& p) {
    std::string out(kThreeLevelFirstLine);
    out.append(kLineEnd);
    out.append("# The variables: level, name and where the slope varies.");
    out.append(kLineEnd);
    for (const DesignVariable& variable : p.variables) {
        out.append(kLevelWords[variable.level - 1]).append(" ").append(variable.name);
        if (variable.level < 3) {
            out.append(" ").append(slopeWord(variable));
        }
        out.append(kLineEnd);
    }
    if (termCount(p.variables) > dimmax) {
        return out;
    }
    const SampleSizes& s = p.sizes;
    out.append("# The sample sizes: sites K, groups per site J, units per group n.");
    out.append(kLineEnd);
    if (s.BudgetMode) {
        out.append("budget ");
        appendInteger(out, s.Budget);
        out += ' ';
        appendInteger(out, s.SiteCost);
        out += ' ';
        appendInteger(out, s.GroupCost);
        out.append(kLineEnd);
    } else {
        appendRange(out, "sites", s.top);
    }
    appendRange(out, "groups", s.groups);
    appendRange(out, "n", s.units);
    out.append("residual-variance ");
    appendShortestReal(out, p.model.Sigma2);
    out.append(kLineEnd);
    for (const MatrixBlock& block : kMatrixBlocks) {
        appendRowNames(out, block, p);
        out.append(block.keyword).append(kLineEnd);
        const Matrix& matrix = p.model.*block.matrix;
        for (int i = 1; i <= block.order(p.model); ++i) {
            appendRow(out, matrix.row(i), i);
        }
    }
    // A design without between-sites variables has no means to give.
    if (betweenSitesOrder(p.model) == 0) {
        return out;
    }
    out.append("means");
    for (int i = 1; i <= betweenSitesOrder(p.model); ++i) {
        out += ' ';
        appendShortestReal(out, p.model.Means(i));
    }
    out.append(kLineEnd);
    return out;
}

DesignReading readThreeLevelText(std::string_view text, const std::string& fileName) {
    if (!isThreeLevelText(text)) {
        throw FileError("line 1: a three-level design begins with the line \"" +
                            std::string(kThreeLevelFirstLine) + "\"",
                        fileName);
    }
    Lines lines(text, fileName);
    DesignReading reading;
    NestedDesign& p = reading.design;
    p.model.levels = 3;
    readVariables(lines, p);
    if (termCount(p.variables) > dimmax) {
        reading.unheld = Unheld{"", termCount(p.variables)};
        return reading;
    }
    setModelVariables(p);
    readSweep(lines, p.sizes);
    constexpr std::string_view residual = "the residual variance";
    p.model.Sigma2 = realIn(
        lines, lines.keywordLine("residual-variance", residual, 2, 2, "residual-variance VALUE"), 1,
        residual);
    for (const MatrixBlock& block : kMatrixBlocks) {
        readTriangle(lines, block, p.model);
    }
    constexpr std::string_view means = "the means";
    const std::size_t count = static_cast<std::size_t>(betweenSitesOrder(p.model));
    if (count == 0 && (lines.atEnd() || lines.peek().words.front() != "means")) {
        lines.expectEnd("nothing may follow the between-sites matrix");
        return reading;
    }
    const Line& line = lines.keywordLine("means", means, 1, SIZE_MAX, "means VALUE...");
    if (line.words.size() != count + 1) {
        lines.fail(line, means,
                   "the between-sites variables need " + std::to_string(count) + " means, not " +
                       std::to_string(line.words.size() - 1));
    }
    for (std::size_t i = 1; i <= count; ++i) {
        p.model.Means(static_cast<int>(i)) = realIn(lines, line, i, means);
    }
    lines.expectEnd("nothing may follow the means");
    return reading;
}

}  // namespace tavi
