// The layout of the covariance file, which holds the whole covariance matrix of the estimates
// for every sample-size point. A point's block is formatted on its own, so that points computed
// side by side are formatted side by side and only written in order.
#pragma once

#include "engine/Matrix.h"
#include "files/TextFileWriter.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tavi {

// An empty line, Title (cut to 80 characters), an empty line, Rows lines of M(i, 1..Cols) as
// 13.8 reals, two empty lines; appended to out.
void WriteCovMatrix(std::string& out, const Matrix& M, std::string_view Title, int Rows, int Cols);

// The point's heading and its CovCoef, appended to out.
void appendCovBlock(std::string& out, std::int32_t N, std::int32_t n, const Matrix& CovCoef,
                    int NumCoef);

// The file's date line and an empty line.
void writeCovHead(TextFileWriter& covFile, std::string_view dateTime);

}  // namespace tavi
