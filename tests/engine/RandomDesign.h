// Random valid two-level designs, held as the parameter file holds them (file order, no
// constants), and loaded into the engine state in the engine's own layout.
#pragma once

#include "engine/EngineState.h"

#include <random>
#include <vector>

namespace tavi::test {

using Dense = std::vector<std::vector<double>>;

struct FileDesign {
    int k = 0;  // level-1 variables: k1 fixed-only, then k - k1 with a random slope
    int k1 = 0;
    int kw = 0;  // level-2 variables
    double sigma2 = 1.0;
    Dense within;   // k square
    Dense between;  // kw + k1 square: level-2 variables, then group means of the fixed-only
    Dense tau;      // k - k1 + 1 square: intercept first
    std::vector<double> means1;  // k1
    std::vector<double> means2;  // kw
};

// A random symmetric positive definite matrix with sizeable correlations.
inline Dense randomCovariance(std::mt19937_64& rng, int m) {
    std::uniform_real_distribution<double> value(-1.0, 1.0);
    Dense a(m, std::vector<double>(m));
    for (auto& row : a) {
        for (double& element : row) {
            element = value(rng);
        }
    }
    Dense s(m, std::vector<double>(m, 0.0));
    for (int i = 0; i < m; ++i) {
        for (int j = 0; j < m; ++j) {
            for (int l = 0; l < m; ++l) {
                s[i][j] += a[i][l] * a[j][l];
            }
            s[i][j] /= m;
        }
        s[i][i] += 0.2;
    }
    return s;
}

inline FileDesign randomDesign(std::mt19937_64& rng, int k, int k1, int kw) {
    std::uniform_real_distribution<double> mean(-3.0, 3.0);
    std::uniform_real_distribution<double> variance(0.3, 2.0);
    FileDesign d;
    d.k = k;
    d.k1 = k1;
    d.kw = kw;
    d.sigma2 = variance(rng);
    d.within = randomCovariance(rng, k);
    d.between = randomCovariance(rng, kw + k1);
    d.tau = randomCovariance(rng, k - k1 + 1);
    for (auto& row : d.tau) {
        for (double& element : row) {
            element *= 0.3;
        }
    }
    for (int i = 0; i < k1; ++i) {
        d.means1.push_back(mean(rng));
    }
    for (int i = 0; i < kw; ++i) {
        d.means2.push_back(mean(rng));
    }
    return d;
}

// Fills the engine's design in its layout: the constant inserted into both covariance
// matrices with a zero row and column, Mu2 = e, Mu3 = (1, means of the level-2 variables).
inline void loadIntoEngine(const FileDesign& d) {
    EngineState& e = TaviCalcs;
    e.k1 = d.k1;
    e.nRandom = d.k - d.k1 + 1;
    e.LenW3 = d.kw + 1;
    e.NumCoef = e.k1 + e.nRandom * e.LenW3;
    e.Sigma2 = d.sigma2;
    e.Tau2 = Matrix{};
    e.SigmaW = Matrix{};
    e.SigmaB = Matrix{};
    e.Mu1 = Matrix{};
    e.Mu2 = Matrix{};
    e.Mu3 = Matrix{};
    for (int i = 0; i < e.nRandom; ++i) {
        for (int j = 0; j < e.nRandom; ++j) {
            e.Tau2(i + 1, j + 1) = d.tau[i][j];
        }
    }
    const auto withinPosition = [&](int i) { return i < d.k1 ? i + 1 : i + 2; };
    for (int i = 0; i < d.k; ++i) {
        for (int j = 0; j < d.k; ++j) {
            e.SigmaW(withinPosition(i), withinPosition(j)) = d.within[i][j];
        }
    }
    for (int i = 0; i < d.kw + d.k1; ++i) {
        for (int j = 0; j < d.kw + d.k1; ++j) {
            e.SigmaB(i + 2, j + 2) = d.between[i][j];
        }
    }
    for (int i = 0; i < d.k1; ++i) {
        e.Mu1(i + 1, 1) = d.means1[i];
    }
    e.Mu2(1, 1) = 1.0;
    e.Mu3(1, 1) = 1.0;
    for (int i = 0; i < d.kw; ++i) {
        e.Mu3(i + 2, 1) = d.means2[i];
    }
}

}  // namespace tavi::test
