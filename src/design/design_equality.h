// The one rule by which two real-valued designs are the same design, used by
// the design store's duplicate detection and wherever designs are compared.
#pragma once

#include <cmath>
#include <cstddef>
#include <span>

#include "design/design.h"

namespace varno::design {

// Whether `candidate` is the same value as `reference`: within 1e-8 of it,
// relative to the reference, |reference - candidate| <= |reference| / 1e8.
// The tolerance is the reference's, so the rule is not symmetric and a
// reference 0 (of either sign) matches only 0. Values that are not finite
// match only when identical: an infinity matches the same infinity, and a
// NaN, on either side, matches nothing, not even a NaN. A repeated design is
// handed the saved results of the one it matches, so a value that cannot be
// compared must never make two designs the same; at worst such a design is
// evaluated again.
inline bool sameRealValue(double reference, double candidate) {
    return reference == candidate ||
           (std::isfinite(reference) &&
            std::fabs(reference - candidate) <= std::fabs(reference) / 1e8);
}

// Whether two real vectors are the same design: the same length, and every
// value of `candidate` the same (sameRealValue) as the value at its place in
// `reference`.
inline bool sameRealValues(std::span<const double> reference, std::span<const double> candidate) {
    if (reference.size() != candidate.size()) return false;
    for (std::size_t i = 0; i < reference.size(); ++i) {
        if (!sameRealValue(reference[i], candidate[i])) return false;
    }
    return true;
}

// Whether two designs are the same design: the same evaluation kind, and the
// same integer codes or, for real-valued designs, the same values by
// sameRealValues with `reference` as the reference.
inline bool sameDesign(const Design& reference, const Design& candidate) {
    if (reference.evaluationKind != candidate.evaluationKind) return false;
    if (reference.evaluationKind == integerCoded) return reference.ints == candidate.ints;
    return sameRealValues(reference.reals, candidate.reals);
}

}  // namespace varno::design
