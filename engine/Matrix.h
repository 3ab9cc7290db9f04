// The fixed-capacity matrix and vector types that the whole engine and the parameter file
// share: 1-based, stored row by row, never allocated on the heap.
#pragma once

#include <cassert>
#include <cstdint>

namespace tavi {

// Capacity of every matrix and vector, and the largest number of regression coefficients.
inline constexpr int dimmax = 40;

// dimmax x dimmax doubles; element (i, j) is row i, column j, both counted from 1. Only the
// leading rectangle that the caller's dimensions address is meaningful. A column vector of
// length m is column 1, a row vector row 1.
struct Matrix {
    double data[dimmax * dimmax];

    double& operator()(int i, int j) {
        assert(i >= 1 && i <= dimmax && j >= 1 && j <= dimmax);
        return data[(i - 1) * dimmax + (j - 1)];
    }
    double operator()(int i, int j) const {
        assert(i >= 1 && i <= dimmax && j >= 1 && j <= dimmax);
        return data[(i - 1) * dimmax + (j - 1)];
    }
    // The dimmax contiguous elements of row i, element (i, 1) first.
    double* row(int i) {
        assert(i >= 1 && i <= dimmax);
        return data + (i - 1) * dimmax;
    }
    const double* row(int i) const {
        assert(i >= 1 && i <= dimmax);
        return data + (i - 1) * dimmax;
    }
};

// dimmax doubles, element i counted from 1.
struct Vector {
    double data[dimmax];

    double& operator()(int i) {
        assert(i >= 1 && i <= dimmax);
        return data[i - 1];
    }
    double operator()(int i) const {
        assert(i >= 1 && i <= dimmax);
        return data[i - 1];
    }
};

// Row interchanges of an LU decomposition: entry j is the row swapped with row j at step j
// (j itself when none was). Replaying them in ascending j reproduces the row order.
struct PermutationRecord {
    std::int32_t data[dimmax];

    std::int32_t& operator()(int j) {
        assert(j >= 1 && j <= dimmax);
        return data[j - 1];
    }
    std::int32_t operator()(int j) const {
        assert(j >= 1 && j <= dimmax);
        return data[j - 1];
    }
};

}  // namespace tavi
