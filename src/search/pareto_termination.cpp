#include "search/pareto_termination.h"

#include <algorithm>
#include <cmath>

namespace varno::search {

ParetoTermination::ParetoTermination(int shutOff, int archiveSize, int breedingSize,
                                     int maxEvaluations)
    : shutOff_(shutOff), archiveSize_(archiveSize), breedingSize_(breedingSize),
      maxEvaluations_(maxEvaluations) {}

double ParetoTermination::spreadRatio(const std::vector<ParetoDesign>& archive) {
    double largest = 0.0;
    double sum = 0.0;
    for (const ParetoDesign& member : archive) {
        if (member.crowding == boundaryCrowding) continue;
        largest = std::max(largest, member.crowding);
        sum += member.crowding;
    }
    return sum > 0.0 ? largest / sum : 0.0;
}

double ParetoTermination::limit() const {
    const double a = archiveSize_;
    const double base = 0.0025 * std::sqrt(breedingSize_ / a) / std::sqrt(a);
    return shutOff_ == 2 ? 10.0 * base : base;
}

// Sample standard deviation of the ring; 0 when rounding leaves the variance
// at or below 0.
double ParetoTermination::ringDeviation() const {
    double sum = 0.0;
    double squares = 0.0;
    for (double q : ring_) {
        sum += q;
        squares += q * q;
    }
    const double n = ringSize;
    const double variance = (squares - sum * sum / n) / (n - 1.0);
    return variance > 0.0 ? std::sqrt(variance) : 0.0;
}

bool ParetoTermination::criteria(int cycle, int lastRank) const {
    if (cycle < firstTestCycle || lastRank != 1) return false;
    if (deviation_ > 0.0) return deviation_ < limit();
    const bool loose = shutOff_ == 2;
    const long stalledEvaluations = static_cast<long>(breedingSize_) * stallCount_;
    return stalledEvaluations > (loose ? 1000 : 2000) ||
           stalledEvaluations > maxEvaluations_ / (loose ? 20 : 10);
}

void ParetoTermination::update(const std::vector<ParetoDesign>& archive, int cycle) {
    if (shutOff_ == 0 || archive.empty()) return;
    const double q = spreadRatio(archive);
    const int lastRank = archive.back().rank;
    if (std::fabs(q - previous_) < q * 1e-10) {
        if (stallCount_ == 0) stallStartRank_ = lastRank;
        ++stallCount_;
    } else {
        stallCount_ = 0;
    }
    previous_ = q;
    ring_[static_cast<std::size_t>(ringCursor_)] = q;
    ringCursor_ = (ringCursor_ + 1) % ringSize;
    if (cycle >= firstTestCycle) deviation_ = ringDeviation();
    met_ = criteria(cycle, lastRank);
}

}  // namespace varno::search
