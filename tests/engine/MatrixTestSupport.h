// Building, filling and comparing fixed-capacity matrices in tests.
#pragma once

#include "engine/Matrix.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <random>

namespace tavi::test {

// A matrix whose leading rows are the given ones; every other element is 0.0.
inline Matrix fromRows(std::initializer_list<std::initializer_list<double>> rows) {
    Matrix m{};
    int i = 1;
    for (const auto& row : rows) {
        int j = 1;
        for (double value : row) {
            m(i, j++) = value;
        }
        ++i;
    }
    return m;
}

inline Matrix identity(int n) {
    Matrix m{};
    for (int i = 1; i <= n; ++i) {
        m(i, i) = 1.0;
    }
    return m;
}

// Every element distinct and recognisable, so a stray write anywhere shows.
inline Matrix sentinels() {
    Matrix m;
    for (int i = 1; i <= dimmax; ++i) {
        for (int j = 1; j <= dimmax; ++j) {
            m(i, j) = -1.0e6 - 1000.0 * i - j;
        }
    }
    return m;
}

// Bit-for-bit equality of two numbers, any NaN matching any other: which NaN an operation with
// NaN operands returns depends on the order in which the compiler passes commuted operands.
inline bool sameBits(double x, double y) {
    return std::bit_cast<std::uint64_t>(x) == std::bit_cast<std::uint64_t>(y) ||
           (std::isnan(x) && std::isnan(y));
}

inline bool sameBits(const Matrix& a, const Matrix& b, int rows, int cols) {
    for (int i = 1; i <= rows; ++i) {
        for (int j = 1; j <= cols; ++j) {
            if (!sameBits(a(i, j), b(i, j))) {
                return false;
            }
        }
    }
    return true;
}

// True when a and b agree bit for bit everywhere outside their leading rows x cols rectangle.
inline bool sameOutside(const Matrix& a, const Matrix& b, int rows, int cols) {
    for (int i = 1; i <= dimmax; ++i) {
        for (int j = 1; j <= dimmax; ++j) {
            if ((i > rows || j > cols) && !sameBits(a(i, j), b(i, j))) {
                return false;
            }
        }
    }
    return true;
}

inline Matrix uniformMatrix(std::mt19937_64& rng, double low = -1.0, double high = 1.0) {
    std::uniform_real_distribution<double> value(low, high);
    Matrix m;
    for (double& element : m.data) {
        element = value(rng);
    }
    return m;
}

// A random n x n matrix made well conditioned by a dominant diagonal.
inline Matrix wellConditioned(std::mt19937_64& rng, int n) {
    Matrix m = uniformMatrix(rng);
    for (int i = 1; i <= n; ++i) {
        m(i, i) += (m(i, i) < 0 ? -1.0 : 1.0) * n;
    }
    return m;
}

}  // namespace tavi::test
