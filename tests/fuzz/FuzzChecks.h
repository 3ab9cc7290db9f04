// What the fuzz targets check of what a reader left behind.
#pragma once

#include "engine/Matrix.h"

#include <cstdio>
#include <cstdlib>

namespace tavi::fuzz {

// Aborts, naming what does not hold, so that the fuzzer keeps the input.
inline void require(bool holds, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "fuzz check failed: %s\n", what);
        std::abort();
    }
}

// Symmetric over the whole capacity.
inline bool symmetric(const Matrix& m) {
    for (int i = 1; i <= dimmax; ++i) {
        for (int j = 1; j < i; ++j) {
            if (m(i, j) != m(j, i)) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace tavi::fuzz
