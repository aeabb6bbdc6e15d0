// Space-filling sampling designs: the optimised Latin hypercube. The caller
// passes the seed of the sampling generator, so equal seeds give equal designs
// and no generator state outlives a call.
#pragma once

#include <cstdint>
#include <vector>

namespace varno::support {

// A Latin hypercube of `samples` points over `variables` dimensions: in every
// column each of the `samples` levels 0 .. samples-1 appears exactly once.
class LatinHypercubeDesign {
public:
    // An optimised design for space filling (maximin distance between the
    // points). `levels` gives the number of levels per variable as the caller
    // sees them (kept for the caller; the design's own levels are
    // 0 .. samples-1); `optimize` false returns a plain random hypercube;
    // `tuning` scales the optimisation's iteration budget (1.0 is the default
    // effort, 0 the least); `seed` seeds the sampling generator, and equal
    // arguments give equal designs on every platform. A negative count or
    // tuning, or a NaN tuning, gives an empty design (0 samples, 0 variables).
    static LatinHypercubeDesign optimized(int samples, int variables,
                                          const std::vector<int>& levels, bool optimize,
                                          double tuning, std::uint32_t seed);

    int samples() const { return samples_; }
    int variables() const { return variables_; }
    // Level of point `sample` in dimension `variable`; throws
    // std::out_of_range outside the design.
    int level(int sample, int variable) const;
    // The smallest distance between two points (Euclidean, in levels); 0 for
    // fewer than two points.
    double minimumDistance() const;

private:
    int samples_ = 0;
    int variables_ = 0;
    std::vector<int> levels_;  // row-major: samples x variables
};

}  // namespace varno::support
