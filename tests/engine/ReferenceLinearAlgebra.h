// Straightforward transcriptions of the decomposition and inversion, one element and one unit
// vector at a time, as the algorithms read. The engine's faster versions must agree with them
// bit for bit.
#pragma once

#include "engine/Matrix.h"

#include <cmath>
#include <utility>

namespace tavi::reference {

inline void luDecompose(Matrix& a, int n, PermutationRecord& perm, double& parity) {
    Vector scale;
    parity = 1.0;
    for (int i = 1; i <= n; ++i) {
        double big = 1.0e-6;
        for (int j = 1; j <= n; ++j) {
            if (std::fabs(a(i, j)) > big) {
                big = std::fabs(a(i, j));
            }
        }
        scale(i) = 1.0 / big;
    }
    for (int j = 1; j <= n; ++j) {
        for (int i = 1; i <= j - 1; ++i) {
            double sum = a(i, j);
            for (int k = 1; k <= i - 1; ++k) {
                sum -= a(i, k) * a(k, j);
            }
            a(i, j) = sum;
        }
        double big = 0.0;
        int pivot = j;
        for (int i = j; i <= n; ++i) {
            double sum = a(i, j);
            for (int k = 1; k <= j - 1; ++k) {
                sum -= a(i, k) * a(k, j);
            }
            a(i, j) = sum;
            const double merit = scale(i) * std::fabs(sum);
            if (merit > big) {
                big = merit;
                pivot = i;
            }
        }
        if (pivot != j) {
            for (int k = 1; k <= n; ++k) {
                std::swap(a(pivot, k), a(j, k));
            }
            parity = -parity;
            scale(pivot) = scale(j);
        }
        perm(j) = pivot;
        if (a(j, j) == 0.0) {
            a(j, j) = 1.0e-20;
        }
        if (j < n) {
            const double r = 1.0 / a(j, j);
            for (int i = j + 1; i <= n; ++i) {
                a(i, j) *= r;
            }
        }
    }
}

inline void solve(const Matrix& a, int n, const PermutationRecord& perm, Vector& b) {
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

inline void invert(Matrix& result, Matrix a, int n) {
    if (n == 1) {
        result(1, 1) = a(1, 1) == 0.0 ? 1.0 : 1.0 / a(1, 1);
        return;
    }
    PermutationRecord perm;
    double parity = 0.0;
    luDecompose(a, n, perm, parity);
    for (int j = 1; j <= n; ++j) {
        Vector col;
        for (int i = 1; i <= n; ++i) {
            col(i) = 0.0;
        }
        col(j) = 1.0;
        solve(a, n, perm, col);
        for (int i = 1; i <= n; ++i) {
            result(i, j) = col(i);
        }
    }
}

}  // namespace tavi::reference
