#include "engine/run/CovarianceFileWriter.h"

#include "files/NumberText.h"

#include <algorithm>

namespace tavi {

namespace {

constexpr std::size_t kMaxTitleLength = 80;

}  // namespace

void CovarianceFileWriter::WriteCovMatrix(const Matrix& M, std::string_view Title, int Rows,
                                          int Cols) {
    m_cov.endLine();
    m_cov.buffer().append(Title.substr(0, kMaxTitleLength));
    m_cov.endLine();
    m_cov.endLine();
    // The covariance file holds the bulk of a run's output: each row is formatted into one
    // block, from the contiguous elements of the matrix row, and appended at once.
    char row[dimmax * kFixedFieldRoom];
    for (int i = 1; i <= Rows; ++i) {
        char* end = writeFixedFields(row, M.row(i), std::min(Cols, dimmax), 13, 8);
        m_cov.buffer().append(row, end);
        m_cov.endLine();
    }
    m_cov.endLine();
    m_cov.endLine();
}

void CovarianceFileWriter::writeCovHead(std::string_view dateTime) {
    m_cov.line(dateTime);
    m_cov.endLine();
}

void CovarianceFileWriter::writeCovBlock(std::int32_t N, std::int32_t n, const Matrix& CovCoef,
                                         int NumCoef) {
    m_cov.buffer().append("N = ");
    appendInteger(m_cov.buffer(), N);
    m_cov.buffer().append(" ; n     = ");
    appendInteger(m_cov.buffer(), n);
    m_cov.endLine();
    WriteCovMatrix(CovCoef, "Covariance matrix of estimated coefficients       ", NumCoef, NumCoef);
}

}  // namespace tavi
