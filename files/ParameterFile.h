// The parameter file: the plain-text form of one DesignParameters record, written on the
// user's final choice and read back at start-up.
//
// Layout, lines ending with CR LF: k, k1, kw; MinGroupSize, the signed step (negative for all
// combinations within ranges), MaxGroupSize; Budget and CostParameter, or MinGroups and
// MaxGroups; ResidualVariance; the lower triangles of Tau, WithinCov and BetweenCov, a row per
// line; Means1; Means2; an empty line; and a line naming the result files.
#pragma once

#include "files/DesignParameters.h"
#include "files/TextScanner.h"

#include <string>

namespace tavi {

// The decimals the file holds of the residual variance, and of every other real.
inline constexpr int kResidualVarianceDecimals = 10;
inline constexpr int kValueDecimals = 7;

// How the file writes its reals: in fixed point with the decimals above, as the entry sequence
// saves them, or in the shortest form that reads back to the same number, as a design made
// elsewhere is saved, so that the file holds it exactly.
enum class RealForm { Fixed, Shortest };

// The text of the parameter file of p, the blocks sized by the counts k, k1 and kw.
std::string parameterFileText(const DesignParameters& p, const std::string& OutFileName,
                              const std::string& CovFileName, RealForm form = RealForm::Fixed);

// Writes p to ParFileName, as parameterFileText gives it. The old file is
// replaced only once the new one is complete.
// Throws FileError when the file cannot be written.
void WriteParameterFile(const DesignParameters& p, const std::string& ParFileName,
                        const std::string& OutFileName, const std::string& CovFileName);

// What the start-up's reading and the run's reading of a parameter file differ in.
struct ReadingRules {
    // The reading ends between two blocks at the end of the text or at an end-of-file mark
    // (code 26), and the fields after it keep their values. Without it the mark is a blank like
    // any other and numbers missing at the end read as 0.
    bool stopAtEndOfText;
    // Counts that describe no design, or one beyond the capacity, still let the amount settings
    // and the residual variance be read; without it the reading ends after the counts.
    bool settingsForUnusableCounts;
    // A file that ends before all the numbers its counts ask for is refused, naming the block
    // that is cut short, instead of reading the missing numbers as 0.
    bool refuseEarlyEnd;
};

// The start-up offers what a file holds as defaults, as far as the file goes.
inline constexpr ReadingRules kStartUpReading{true, true, false};
// The run computes with exactly the design the file describes, or refuses it by its counts.
inline constexpr ReadingRules kRunReading{false, false, true};

// Reads a parameter file into p, block by block: the counts, the amount settings and the
// residual variance, then the matrices and means for a design that fits the capacity, and
// nRandom and nBetween derived from its counts. Tau is mirrored; of WithinCov and BetweenCov
// only the lower triangles are read. Fields the reading does not reach keep their values.
// Throws FileError ("Invalid numeric input") at a token that is not a number, for a three-level
// design (which has a reader of its own), and, when the rules refuse an early end, at the first
// block that the file ends before or within ("File ends before the means of the level-2
// variables"); what was read before it stays in p.
void ReadParameterFile(TextScanner& in, DesignParameters& p,
                       const ReadingRules& rules = kStartUpReading);

}  // namespace tavi
