#include "engine/MatrixRoutines.h"

#include <cmath>
#include <utility>

namespace tavi {

namespace {

constexpr double kRowScaleFloor = 1.0e-6;
constexpr double kTinyPivot = 1.0e-20;

// Inputs are read as they were on entry. When the output is the very same matrix as an input,
// the rectangle r1..r2 x c1..c2 that the routine reads is copied to `copy` first; otherwise the
// input is read in place, so the common case copies nothing.
const Matrix& unaliasedInput(const Matrix& input, const Matrix& output, Matrix& copy, int r1,
                             int r2, int c1, int c2) {
    if (&input != &output) {
        return input;
    }
    for (int i = r1; i <= r2; ++i) {
        for (int j = c1; j <= c2; ++j) {
            copy(i, j) = input(i, j);
        }
    }
    return copy;
}

}  // namespace

void LUDCMP(Matrix& a, int n, PermutationRecord& perm, double& parity) {
    Vector scale;
    parity = 1.0;
    for (int i = 1; i <= n; ++i) {
        double big = kRowScaleFloor;
        for (int j = 1; j <= n; ++j) {
            if (std::fabs(a(i, j)) > big) {
                big = std::fabs(a(i, j));
            }
        }
        scale(i) = 1.0 / big;
    }

    // The updates run right-looking: once column j is final, its multipliers are subtracted
    // from the whole trailing block at once, along contiguous rows. Every element still receives
    // exactly the subtractions of Crout's column sweep, one by one in ascending k, and a row
    // interchange carries the row's partial results with it, so the factors are bit for bit
    // those of the column sweep.
    for (int j = 1; j <= n; ++j) {
        double big = 0.0;
        int pivot = j;
        for (int i = j; i <= n; ++i) {
            const double merit = scale(i) * std::fabs(a(i, j));
            if (merit > big) {
                big = merit;
                pivot = i;
            }
        }
        if (pivot != j) {
            double* pivotRow = a.row(pivot);
            double* rowJ = a.row(j);
            for (int c = 0; c < n; ++c) {
                std::swap(pivotRow[c], rowJ[c]);
            }
            parity = -parity;
            scale(pivot) = scale(j);
        }
        perm(j) = pivot;
        if (a(j, j) == 0.0) {
            a(j, j) = kTinyPivot;
        }
        if (j < n) {
            const double r = 1.0 / a(j, j);
            const double* upperRow = a.row(j);
            for (int i = j + 1; i <= n; ++i) {
                double* row = a.row(i);
                row[j - 1] *= r;
                const double multiplier = row[j - 1];
                for (int c = j; c < n; ++c) {
                    row[c] -= multiplier * upperRow[c];
                }
            }
        }
    }
}

void LUSolve(const Matrix& a, int n, const PermutationRecord& perm, Vector& b) {
    int first = 0;
    for (int i = 1; i <= n; ++i) {
        const int ip = perm(i);
        double sum = b(ip);
        b(ip) = b(i);
        if (first != 0) {
            for (int j = first; j <= i - 1; ++j) {
                sum -= a(i, j) * b(j);
            }
        } else if (sum != 0.0) {
            first = i;
        }
        b(i) = sum;
    }
    for (int i = n; i >= 1; --i) {
        double sum = b(i);
        for (int j = i + 1; j <= n; ++j) {
            sum -= a(i, j) * b(j);
        }
        b(i) = sum / a(i, i);
    }
}

void InvertMatrix(Matrix& result, const Matrix& a, int n) {
    if (n < 1) {
        return;
    }
    if (n == 1) {
        result(1, 1) = a(1, 1) == 0.0 ? 1.0 : 1.0 / a(1, 1);
        return;
    }
    Matrix lu;
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) {
            lu(i, j) = a(i, j);
        }
    }
    // Call-local, like all of an inversion's storage, so that threads invert side by side.
    PermutationRecord perm;
    double parity = 1.0;
    LUDCMP(lu, n, perm, parity);

    // All n unit vectors are solved together, one row of solutions at a time, so that the inner
    // loops run along contiguous rows. Each column's own sums still subtract in ascending order,
    // so every element equals what LUSolve gives for that unit vector alone.
    //
    // Solution column q belongs to the unit vector e_source[q], the one whose single 1.0 the
    // row interchanges move to row q. LUSolve's forward substitution skips the leading zeros of
    // the permuted vector, so column q starts its subtractions at row q: below the diagonal it
    // subtracts the terms q..i-1, on and above it nothing.
    int source[dimmax + 1];
    for (int q = 1; q <= n; ++q) {
        source[q] = q;
    }
    for (int i = 1; i <= n; ++i) {
        std::swap(source[i], source[perm(i)]);
    }

    Matrix x;
    for (int i = 1; i <= n; ++i) {
        double* row = x.row(i);
        for (int q = 0; q < n; ++q) {
            row[q] = 0.0;
        }
        row[i - 1] = 1.0;
        for (int j = 1; j <= i - 1; ++j) {
            const double factor = lu(i, j);
            const double* solved = x.row(j);
            for (int q = 0; q < j; ++q) {
                row[q] -= factor * solved[q];
            }
        }
    }
    for (int i = n; i >= 1; --i) {
        double* row = x.row(i);
        for (int j = i + 1; j <= n; ++j) {
            const double factor = lu(i, j);
            const double* solved = x.row(j);
            for (int q = 0; q < n; ++q) {
                row[q] -= factor * solved[q];
            }
        }
        const double pivot = lu(i, i);
        for (int q = 0; q < n; ++q) {
            row[q] /= pivot;
        }
    }

    for (int i = 1; i <= n; ++i) {
        const double* row = x.row(i);
        double* out = result.row(i);
        for (int q = 1; q <= n; ++q) {
            out[source[q] - 1] = row[q - 1];
        }
    }
}

void KroneckerProduct(Matrix& c, const Matrix& left, const Matrix& right, int rowsLeft,
                      int colsLeft, int rowsRight, int colsRight) {
    Matrix leftCopy;
    Matrix rightCopy;
    const Matrix& l = unaliasedInput(left, c, leftCopy, 1, rowsLeft, 1, colsLeft);
    const Matrix& r = unaliasedInput(right, c, rightCopy, 1, rowsRight, 1, colsRight);
    for (int i = 1; i <= rowsLeft; ++i) {
        for (int j = 1; j <= colsLeft; ++j) {
            const double factor = l(i, j);
            for (int rr = 1; rr <= rowsRight; ++rr) {
                double* out = c.row((i - 1) * rowsRight + rr) + (j - 1) * colsRight;
                const double* in = r.row(rr);
                for (int s = 0; s < colsRight; ++s) {
                    out[s] = factor * in[s];
                }
            }
        }
    }
}

void MatMult(Matrix& c, const Matrix& a, const Matrix& b, int m, int p, int q) {
    Matrix aCopy;
    Matrix bCopy;
    const Matrix& x = unaliasedInput(a, c, aCopy, 1, m, 1, p);
    const Matrix& y = unaliasedInput(b, c, bCopy, 1, p, 1, q);
    // Row i of the product is built as a running sum of scaled rows of y: every element still
    // starts at 0.0 and adds its terms in ascending k.
    for (int i = 1; i <= m; ++i) {
        double* out = c.row(i);
        for (int j = 0; j < q; ++j) {
            out[j] = 0.0;
        }
        for (int k = 1; k <= p; ++k) {
            const double factor = x(i, k);
            const double* in = y.row(k);
            for (int j = 0; j < q; ++j) {
                out[j] += factor * in[j];
            }
        }
    }
}

void MatAdd(Matrix& c, const Matrix& a, const Matrix& b, int rows, int cols) {
    // Each element depends only on the same element of a and b, so writing c in place is safe
    // even when it is a or b.
    for (int i = 1; i <= rows; ++i) {
        for (int j = 1; j <= cols; ++j) {
            c(i, j) = a(i, j) + b(i, j);
        }
    }
}

void Transpose(Matrix& c, const Matrix& a, int rows, int cols) {
    Matrix aCopy;
    const Matrix& x = unaliasedInput(a, c, aCopy, 1, rows, 1, cols);
    for (int i = 1; i <= rows; ++i) {
        for (int j = 1; j <= cols; ++j) {
            c(j, i) = x(i, j);
        }
    }
}

void SubMatrix(Matrix& c, const Matrix& a, int r1, int r2, int c1, int c2) {
    Matrix aCopy;
    const Matrix& x = unaliasedInput(a, c, aCopy, r1, r2, c1, c2);
    for (int i = r1; i <= r2; ++i) {
        for (int j = c1; j <= c2; ++j) {
            c(i - r1 + 1, j - c1 + 1) = x(i, j);
        }
    }
}

}  // namespace tavi
