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

// Writes p to ParFileName. The old file is replaced only once the new one is complete.
// Throws FileError when the file cannot be written.
void WriteParameterFile(const DesignParameters& p, const std::string& ParFileName,
                        const std::string& OutFileName, const std::string& CovFileName);

// Reads a parameter file into p as the start-up does, block by block as long as the file goes
// on: the counts, the amount settings and the residual variance always; the matrices and means
// only for a design that fits the capacity. Fields the file does not reach keep their values.
// Throws FileError ("Invalid numeric input") at a token that is not a number; what was read before
// it stays in p.
void ReadParameterFile(TextScanner& in, DesignParameters& p);

}  // namespace tavi
