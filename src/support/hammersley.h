// The Hammersley point set: n points in k dimensions, the first coordinate
// i / n and the others the radical inverses of i in the first primes.
#pragma once

#include <vector>

namespace varno::support {

class HammersleyDesign {
public:
    // `samples` points over `variables` dimensions with `levels` levels per
    // dimension; a coordinate u in [0, 1) falls in level floor(u * levels).
    HammersleyDesign(int samples, int variables, int levels);

    int samples() const { return samples_; }
    int variables() const { return variables_; }
    double coordinate(int sample, int variable) const;
    int level(int sample, int variable) const;

    // The radical inverse of i in `base`: its digits mirrored behind the point.
    static double radicalInverse(int i, int base);

private:
    int samples_;
    int variables_;
    int levels_;
};

}  // namespace varno::support
