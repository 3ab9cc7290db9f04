// Random valid two-level designs, held as the parameter file holds them (file order, no
// constants), and loaded into the engine state through the run's own mapping.
#pragma once

#include "engine/DesignInformation.h"
#include "engine/EngineLayout.h"
#include "engine/EngineState.h"
#include "files/DesignParameters.h"
#include "files/ParameterDesign.h"

#include <memory>
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

// A cluster-randomised trial: a random intercept with ICC 0.1 of a total variance of 1, and a
// level-2 treatment coded 0/1 with half of the groups treated.
inline FileDesign clusterTrial() {
    FileDesign d;
    d.kw = 1;
    d.sigma2 = 0.9;
    d.tau = {{0.1}};
    d.between = {{0.25}};
    d.means2 = {0.5};
    return d;
}

// The design as the parameter file's record holds it, with the start-up's amount settings.
inline DesignParameters asRecord(const FileDesign& d) {
    DesignParameters p = initialDesignParameters();
    p.k = d.k;
    p.k1 = d.k1;
    p.kw = d.kw;
    deriveMatrixOrders(p);
    p.ResidualVariance = d.sigma2;
    const auto fill = [](Matrix& m, const Dense& values) {
        for (std::size_t i = 0; i < values.size(); ++i) {
            for (std::size_t j = 0; j < values.size(); ++j) {
                m(int(i) + 1, int(j) + 1) = values[i][j];
            }
        }
    };
    fill(p.Tau, d.tau);
    fill(p.WithinCov, d.within);
    fill(p.BetweenCov, d.between);
    for (int i = 0; i < d.k1; ++i) {
        p.Means1(i + 1) = d.means1[i];
    }
    for (int i = 0; i < d.kw; ++i) {
        p.Means2(i + 1) = d.means2[i];
    }
    return p;
}

// The engine state that tests and benchmarks compute with, one for the process.
inline EngineState& engineUnderTest() {
    static const auto state = std::make_unique<EngineState>();
    return *state;
}

// The design as the model holds it, read from its record as the run reads it.
inline NestedDesign asDesign(const FileDesign& d) {
    return designOf(asRecord(d)).design;
}

// The design prepared for computing, with the group sizes given.
inline std::shared_ptr<const PreparedDesign> preparedOf(const FileDesign& d,
                                                        const GroupSizeSettings& sizes = {}) {
    NestedDesign design = asDesign(d);
    design.unequal = sizes;
    return prepareDesign(std::move(design));
}

// The design last loaded into the engine under test.
inline NestedDesign& designUnderTest() {
    static NestedDesign design;
    return design;
}

// Fills the engine's design in its layout, as the run does from a parameter file.
inline void loadIntoEngine(const FileDesign& d) {
    designUnderTest() = asDesign(d);
    loadEngineDesign(designUnderTest(), engineUnderTest());
}

}  // namespace tavi::test
