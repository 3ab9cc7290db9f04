#include "engine/run/CovarianceFileWriter.h"

#include "files/NumberText.h"

#include <algorithm>

namespace tavi {

namespace {

constexpr std::size_t kMaxTitleLength = 80;
constexpr std::string_view kLineEnd = "\r\n";

}  // namespace

void WriteCovMatrix(std::string& out, const Matrix& M, std::string_view Title, int Rows, int Cols) {
    out.append(kLineEnd);
    out.append(Title.substr(0, kMaxTitleLength));
    out.append(kLineEnd);
    out.append(kLineEnd);
    // The covariance file holds the bulk of a run's output: each row is formatted into one
    // block, from the contiguous elements of the matrix row, and appended at once.
    char row[dimmax * kFixedFieldRoom];
    for (int i = 1; i <= Rows; ++i) {
        char* end = writeFixedFields(row, M.row(i), std::min(Cols, dimmax), 13, 8);
        out.append(row, end);
        out.append(kLineEnd);
    }
    out.append(kLineEnd);
    out.append(kLineEnd);
}

void appendCovBlock(std::string& out, std::int32_t N, std::int32_t n, const Matrix& CovCoef,
                    int NumCoef) {
    out.append("N = ");
    appendInteger(out, N);
    out.append(" ; n     = ");
    appendInteger(out, n);
    out.append(kLineEnd);
    WriteCovMatrix(out, CovCoef, "Covariance matrix of estimated coefficients       ", NumCoef,
                   NumCoef);
}

void writeCovHead(TextFileWriter& covFile, std::string_view dateTime) {
    covFile.line(dateTime);
    covFile.endLine();
}

}  // namespace tavi
