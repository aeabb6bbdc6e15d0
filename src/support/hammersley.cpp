#include "support/hammersley.h"

#include <algorithm>

namespace varno::support {

namespace {

int nthPrime(int n) {
    int found = 0;
    for (int candidate = 2;; ++candidate) {
        bool prime = true;
        for (int d = 2; d * d <= candidate && prime; ++d) prime = candidate % d != 0;
        if (prime && found++ == n) return candidate;
    }
}

}  // namespace

HammersleyDesign::HammersleyDesign(int samples, int variables, int levels)
    : samples_(std::max(samples, 0)), variables_(std::max(variables, 0)),
      levels_(std::max(levels, 1)) {}

double HammersleyDesign::radicalInverse(int i, int base) {
    double value = 0.0;
    double scale = 1.0 / base;
    for (; i > 0; i /= base, scale /= base) value += (i % base) * scale;
    return value;
}

double HammersleyDesign::coordinate(int sample, int variable) const {
    if (variable == 0) return static_cast<double>(sample) / samples_;
    return radicalInverse(sample, nthPrime(variable - 1));
}

int HammersleyDesign::level(int sample, int variable) const {
    const int level = static_cast<int>(coordinate(sample, variable) * levels_);
    return std::min(level, levels_ - 1);
}

}  // namespace varno::support
