// What the tests share about their power as a function of the noncentrality: evaluating it where
// the distribution may fail, and finding where it reaches a target.
#pragma once

#include <functional>

namespace tavi {

// powerOrThrow(noncentrality), or NaN when it throws.
double powerOrNaN(const std::function<double(double)>& powerOrThrow, double noncentrality);

// The noncentrality at which powerOrThrow, which rises with it from alpha below the target,
// reaches target: bracketed from guess outwards in steps of 0.01%, 0.1%, 1%, ... of it, which
// soon grow large when the guess is poor, up to largest, then solved to about 13 digits. NaN when
// the target lies beyond largest or the power cannot be evaluated.
double noncentralityReaching(const std::function<double(double)>& powerOrThrow, double target,
                             double guess, double largest);

}  // namespace tavi
