#include "files/PeriodDesignFile.h"

#include "engine/PeriodDesign.h"
#include "files/FileError.h"
#include "files/KeywordLines.h"
#include "files/NumberText.h"

#include <algorithm>
#include <cstdint>

namespace tavi {

namespace {

constexpr std::string_view kSequences = "the sequences";
constexpr std::string_view kSizes = "the sample sizes";
constexpr std::string_view kCorrelations = "the correlations";

// The cells' words: control, treated, not observed.
constexpr char kCellWords[] = {'0', '1', '.'};

bool isCell(std::string_view word) {
    return word == "0" || word == "1" || word == ".";
}

void readSequences(Lines& lines, ClusterPeriods& periods) {
    lines.keywordLine("sequences", kSequences, 1, 1, "sequences");
    while (!lines.atEnd() && isCell(lines.peek().words.front())) {
        const Line& line = lines.next();
        for (const std::string_view word : line.words) {
            if (!isCell(word)) {
                lines.fail(line, kSequences,
                           quoted(word) + " is not a period: 0 control, 1 treated, . not observed");
            }
        }
        if (!periods.sequences.empty() && line.words.size() != periods.sequences.front().size()) {
            lines.fail(line, kSequences,
                       "every sequence needs " + std::to_string(periods.sequences.front().size()) +
                           " periods, not " + std::to_string(line.words.size()));
        }
        if (line.words.size() + 1 > static_cast<std::size_t>(dimmax)) {
            lines.fail(line, kSequences,
                       "at most " + std::to_string(dimmax - 1) +
                           " periods fit, with the intercept and the treatment");
        }
        std::vector<PeriodCell> cells;
        bool observed = false;
        for (const std::string_view word : line.words) {
            cells.push_back(word == "0"   ? PeriodCell::Control
                            : word == "1" ? PeriodCell::Treated
                                          : PeriodCell::Unobserved);
            observed = observed || word != ".";
        }
        if (!observed) {
            lines.fail(line, kSequences, "a sequence must be observed in some period");
        }
        periods.sequences.push_back(std::move(cells));
    }
    if (periods.sequences.empty()) {
        if (lines.atEnd()) {
            lines.endsWithin(kSequences, "it has no row");
        }
        lines.fail(lines.peek(), kSequences,
                   "expected a row of 0, 1 and ., found " + quoted(lines.peek().words.front()));
    }
}

// K, the clusters of all sequences, and each sequence's share of them (equal unless a shares
// line follows).
CountRange readClusters(Lines& lines, ClusterPeriods& periods) {
    const CountRange clusters = readRange(
        lines, lines.keywordLine("clusters", kSizes, 3, 4, "clusters MIN MAX [STEP]"), kSizes);
    const std::size_t sequences = periods.sequences.size();
    periods.clusterShares.assign(sequences, 1.0);
    if (lines.atEnd() || lines.peek().words.front() != "shares") {
        return clusters;
    }
    const Line& line = lines.keywordLine("shares", kSizes, sequences + 1, sequences + 1,
                                         "shares W1 ... W" + std::to_string(sequences));
    double sum = 0.0;
    for (std::size_t s = 0; s < sequences; ++s) {
        const double share = realIn(lines, line, s + 1, kSizes);
        if (share < 0.0) {
            lines.fail(line, kSizes, "a share cannot be negative");
        }
        periods.clusterShares[s] = share;
        sum += share;
    }
    if (!(sum > 0.0)) {
        lines.fail(line, kSizes, "some sequence needs a share above 0");
    }
    return clusters;
}

double correlationIn(Lines& lines, std::string_view keyword, double least, bool leastIncluded,
                     double most, bool mostIncluded) {
    const Line& line =
        lines.keywordLine(keyword, kCorrelations, 2, 2, std::string(keyword) + " VALUE");
    const double value = realIn(lines, line, 1, kCorrelations);
    if (value < least || value > most || (!leastIncluded && value == least) ||
        (!mostIncluded && value == most)) {
        lines.fail(line, kCorrelations,
                   std::string(keyword) + " must lie in " + (leastIncluded ? "[" : "(") +
                       exactNumber(least) + ", " + exactNumber(most) + (mostIncluded ? "]" : ")"));
    }
    return value;
}

void appendValue(std::string& out, std::string_view keyword, double value) {
    out.append(keyword).append(" ");
    appendShortestReal(out, value);
    out.append(kLineEnd);
}

}  // namespace

bool isPeriodText(std::string_view text) {
    return hasFirstLine(text, kPeriodFirstLine);
}

std::string periodFileText(const NestedDesign& d) {
    const ClusterPeriods& periods = *d.periods;
    std::string out(kPeriodFirstLine);
    out.append(kLineEnd);
    out.append("# The sequences: a row of periods each; 0 control, 1 treated, . not observed.");
    out.append(kLineEnd).append("sequences").append(kLineEnd);
    for (const std::vector<PeriodCell>& cells : periods.sequences) {
        for (std::size_t t = 0; t < cells.size(); ++t) {
            out.append(t == 0 ? "" : " ").push_back(kCellWords[static_cast<int>(cells[t])]);
        }
        out.append(kLineEnd);
    }
    out.append(
        "# The clusters of all sequences K, each sequence's share of them, and the units of");
    out.append(kLineEnd).append("# a cluster-period n.").append(kLineEnd);
    appendRange(out, "clusters", d.sizes.top);
    const std::vector<double>& shares = periods.clusterShares;
    if (std::any_of(shares.begin(), shares.end(),
                    [&shares](double share) { return share != shares.front(); })) {
        out.append("shares");
        for (const double share : shares) {
            out += ' ';
            appendShortestReal(out, share);
        }
        out.append(kLineEnd);
    }
    appendRange(out, "n", d.sizes.units);
    const PeriodCorrelations& c = periods.correlations;
    out.append("# The correlations: within a period, between periods of a cluster, their decay.");
    out.append(kLineEnd);
    appendValue(out, "icc", c.icc);
    appendValue(out, "cac", c.cac);
    appendValue(out, "decay", c.decay);
    out.append(c.cohort ? "cohort yes" : "cohort no").append(kLineEnd);
    if (c.cohort) {
        appendValue(out, "iac", c.iac);
        appendValue(out, "cohort-decay", c.cohortDecay);
    }
    return out;
}

DesignReading readPeriodText(std::string_view text, const std::string& fileName) {
    if (!isPeriodText(text)) {
        throw FileError("line 1: a cluster design over periods begins with the line \"" +
                            std::string(kPeriodFirstLine) + "\"",
                        fileName);
    }
    Lines lines(text, fileName);
    ClusterPeriods periods;
    readSequences(lines, periods);
    const CountRange clusters = readClusters(lines, periods);
    const CountRange units =
        readRange(lines, lines.keywordLine("n", kSizes, 3, 4, "n MIN MAX [STEP]"), kSizes);
    PeriodCorrelations& c = periods.correlations;
    c.icc = correlationIn(lines, "icc", 0.0, true, 1.0, false);
    c.cac = correlationIn(lines, "cac", 0.0, true, 1.0, true);
    c.decay = correlationIn(lines, "decay", 0.0, false, 1.0, true);
    const Line& cohort = lines.keywordLine("cohort", kCorrelations, 2, 2, "cohort no|yes");
    if (cohort.words[1] != "no" && cohort.words[1] != "yes") {
        lines.fail(cohort, kCorrelations, "expected 'cohort no' or 'cohort yes'");
    }
    c.cohort = cohort.words[1] == "yes";
    if (c.cohort) {
        c.iac = correlationIn(lines, "iac", 0.0, true, 1.0, false);
        c.cohortDecay = correlationIn(lines, "cohort-decay", 0.0, false, 1.0, true);
    }
    lines.expectEnd(c.cohort ? "nothing may follow the cohort's decay"
                             : "nothing may follow 'cohort no'");
    return {periodDesignOf(std::move(periods), clusters, units), std::nullopt};
}

}  // namespace tavi
