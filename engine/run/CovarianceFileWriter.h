// The layout of the covariance file, which holds the whole covariance matrix of the estimates
// for every sample-size point.
#pragma once

#include "engine/Matrix.h"
#include "files/TextFileWriter.h"

#include <cstdint>
#include <string_view>

namespace tavi {

class CovarianceFileWriter {
public:
    explicit CovarianceFileWriter(TextFileWriter& covFile) : m_cov(covFile) {}

    // An empty line, Title (cut to 80 characters), an empty line, Rows lines of M(i, 1..Cols)
    // as 13.8 reals, two empty lines.
    void WriteCovMatrix(const Matrix& M, std::string_view Title, int Rows, int Cols);

    // The file's date line and an empty line.
    void writeCovHead(std::string_view dateTime);

    // The point's heading and its CovCoef.
    void writeCovBlock(std::int32_t N, std::int32_t n, const Matrix& CovCoef, int NumCoef);

private:
    TextFileWriter& m_cov;
};

}  // namespace tavi
