#include "files/ParameterFile.h"

#include "files/FileError.h"
#include "files/NumberText.h"
#include "files/TextFileWriter.h"
#include "files/ThreeLevelFile.h"

#include <algorithm>
#include <string_view>

namespace tavi {

namespace {

// Row and value counts are the record's own; a record that is inconsistent beyond the capacity
// must still not make the writer read outside its matrices.
int withinCapacity(std::int64_t count) {
    return static_cast<int>(std::clamp<std::int64_t>(count, 0, dimmax));
}

constexpr std::string_view kLineEnd = "\r\n";

void writeIntegers(std::string& text, std::int64_t a, std::int64_t b) {
    appendInteger(text, a, 6);
    text += ' ';
    appendInteger(text, b, 6);
    text.append(kLineEnd);
}

void writeIntegers(std::string& text, std::int64_t a, std::int64_t b, std::int64_t c) {
    appendInteger(text, a, 6);
    text += ' ';
    writeIntegers(text, b, c);
}

// value right-aligned in width, fixed or shortest.
void writeReal(std::string& text, double value, int width, int decimals, RealForm form) {
    if (form == RealForm::Fixed) {
        appendFixed(text, value, width, decimals);
        return;
    }
    std::string shortest;
    appendShortestReal(shortest, value);
    text.append(shortest.size() < std::size_t(width) ? width - shortest.size() : 0, ' ');
    text.append(shortest);
}

void writeValue(std::string& text, double value, RealForm form) {
    writeReal(text, value, 15, kValueDecimals, form);
    text += ' ';
}

void writeLowerTriangle(std::string& text, const Matrix& m, std::int64_t order, RealForm form) {
    for (int i = 1; i <= withinCapacity(order); ++i) {
        for (int j = 1; j <= i; ++j) {
            writeValue(text, m(i, j), form);
        }
        text.append(kLineEnd);
    }
}

void writeVector(std::string& text, const Vector& v, std::int32_t length, RealForm form) {
    for (int i = 1; i <= withinCapacity(length); ++i) {
        writeValue(text, v(i), form);
    }
    text.append(kLineEnd);
}

// The number of values in a lower triangle with its diagonal of the given order.
std::int64_t triangleSize(std::int64_t order) {
    return order * (order + 1) / 2;
}

// Reads rows 1..order of a lower triangle, each row beginning on a line of its own.
void readLowerTriangleByLines(TextScanner& in, Matrix& m, int order) {
    for (int i = 1; i <= order; ++i) {
        for (int j = 1; j <= i; ++j) {
            m(i, j) = in.readReal();
        }
        in.skipRestOfLine();
    }
}

}  // namespace

std::string parameterFileText(const DesignParameters& p, const std::string& OutFileName,
                              const std::string& CovFileName, RealForm form) {
    std::string out;
    writeIntegers(out, p.k, p.k1, p.kw);
    writeIntegers(out, p.MinGroupSize,
                  p.BudgetMode ? std::int64_t{p.GroupSizeStep} : -std::int64_t{p.GroupSizeStep},
                  p.MaxGroupSize);
    if (p.BudgetMode) {
        writeIntegers(out, p.Budget, p.CostParameter);
    } else {
        writeIntegers(out, p.MinGroups, p.MaxGroups);
    }
    writeReal(out, p.ResidualVariance, 20, kResidualVarianceDecimals, form);
    out.append(kLineEnd);
    // The orders of Tau and BetweenCov follow from the counts, whatever the record's derived
    // fields say.
    writeLowerTriangle(out, p.Tau, std::int64_t{p.k} - p.k1 + 1, form);
    writeLowerTriangle(out, p.WithinCov, p.k, form);
    writeLowerTriangle(out, p.BetweenCov, std::int64_t{p.k1} + p.kw, form);
    writeVector(out, p.Means1, p.k1, form);
    writeVector(out, p.Means2, p.kw, form);
    out.append(kLineEnd);
    out.append("Results written to files " + OutFileName + " and " + CovFileName + ".");
    out.append(kLineEnd);
    return out;
}

void WriteParameterFile(const DesignParameters& p, const std::string& ParFileName,
                        const std::string& OutFileName, const std::string& CovFileName) {
    TextFileWriter out(ParFileName, TextFileWriter::Mode::ReplaceWhenClosed);
    out.write(parameterFileText(p, OutFileName, CovFileName));
    out.close();
}

void ReadParameterFile(TextScanner& in, DesignParameters& p, const ReadingRules& rules) {
    if (isThreeLevelText(in.text())) {
        // Its first word would only be called an invalid number.
        throw FileError(
            "Holds a three-level design, which tavi-calc computes; the windows take "
            "two-level designs",
            in.fileName());
    }
    const auto ended = [&in, &rules] { return rules.stopAtEndOfText && in.atEnd(); };
    // Once a block has asked for a number behind the end of the text, every later block does
    // too, so the first block that does is the one to name.
    const auto complete = [&in, &rules](const char* block, std::int64_t numbers) {
        if (rules.refuseEarlyEnd && in.numbersPastEnd() > 0) {
            throw FileError(
                (in.numbersPastEnd() < numbers ? "File ends within " : "File ends before ") +
                    std::string(block),
                in.fileName());
        }
    };
    p.k = in.readInteger();
    p.k1 = in.readInteger();
    p.kw = in.readInteger();
    complete("the numbers of variables", 3);
    // The matrices and vectors take their sizes from the counts: counts that describe no
    // design, or one beyond the capacity, leave them as they were.
    const bool usable = countsFitCapacity(p.k, p.k1, p.kw);
    if (usable) {
        deriveMatrixOrders(p);
    }
    if (ended() || (!usable && !rules.settingsForUnusableCounts)) {
        return;
    }
    p.MinGroupSize = in.readInteger();
    const std::int32_t step = in.readInteger();
    p.MaxGroupSize = in.readInteger();
    complete("the group sizes", 3);
    if (step < 0) {
        p.MinGroups = in.readInteger();
        p.MaxGroups = in.readInteger();
        p.BudgetMode = false;
        p.GroupSizeStep = stepMagnitude(step);
        complete("the smallest and largest numbers of groups", 2);
    } else {
        p.Budget = in.readInteger();
        p.CostParameter = in.readInteger();
        p.BudgetMode = true;
        p.GroupSizeStep = step;
        complete("the budget and the cost of a group", 2);
    }
    if (ended()) {
        return;
    }
    p.ResidualVariance = in.readReal();
    complete("the residual variance", 1);
    if (!usable) {
        return;
    }
    for (int i = 1; i <= p.nRandom; ++i) {
        for (int j = 1; j <= i; ++j) {
            const double x = in.readReal();
            p.Tau(i, j) = x;
            p.Tau(j, i) = x;
        }
    }
    complete("the random-effects covariance matrix", triangleSize(p.nRandom));
    if (ended()) {
        return;
    }
    readLowerTriangleByLines(in, p.WithinCov, p.k);
    complete("the within-groups covariance matrix", triangleSize(p.k));
    if (ended()) {
        return;
    }
    readLowerTriangleByLines(in, p.BetweenCov, p.nBetween);
    complete("the between-groups covariance matrix", triangleSize(p.nBetween));
    if (ended()) {
        return;
    }
    for (int i = 1; i <= p.k1; ++i) {
        p.Means1(i) = in.readReal();
    }
    complete("the means of the level-1 variables with a fixed effect only", p.k1);
    if (ended()) {
        return;
    }
    for (int i = 1; i <= p.kw; ++i) {
        p.Means2(i) = in.readReal();
    }
    complete("the means of the level-2 variables", p.kw);
}

}  // namespace tavi
