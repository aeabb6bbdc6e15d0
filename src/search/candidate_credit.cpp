#include "search/candidate_credit.h"

#include <algorithm>
#include <cmath>

namespace varno::search {

int SurrogateChoice::draw(RandomStream& random) const {
    if (random.flip(kriging)) return tagKriging;
    return random.draw() <= leastSquares / (leastSquares + radialBasis) ? tagLargestLevel
                                                                        : tagRadialBasis;
}

namespace {

constexpr double radiusGrowth = 2.0;
constexpr double radiusShrink = 0.5;

}  // namespace

std::size_t SurrogateChoice::indexOf(int tag) {
    if (tag == tagKriging) return 0;
    if (tag == tagRadialBasis) return 2;
    return 1;
}

double SurrogateChoice::smallestRadius(int tag) {
    return tag == tagLargestLevel ? smallestLocalRadius : firstRadius;
}

SourceRecord& SurrogateChoice::recordOf(int tag) {
    if (tag == tagKriging) return krigingRecord;
    if (tag == tagRadialBasis) return radialBasisRecord;
    return leastSquaresRecord;
}

void SurrogateChoice::credit(int tag, double recorded, double rawFitness) {
    SourceRecord& record = recordOf(tag);
    ++record.trials;
    double& radius = radii_[indexOf(tag)];
    radius = rawFitness > recorded ? std::min(largestRadius, radius * radiusGrowth)
                                   : std::max(smallestRadius(tag), radius * radiusShrink);
    if (rawFitness > recorded) {
        ++record.successes;
        if (recorded != 0.0 && std::fabs((rawFitness - recorded) / recorded) >= 0.5) {
            ++record.successes;
            ++record.trials;
        }
    }
    const double total =
        krigingRecord.trials + leastSquaresRecord.trials + radialBasisRecord.trials;
    const auto weight = [total](const SourceRecord& r) {
        return std::clamp(static_cast<float>(r.successes / total), lowestWeight, highestWeight);
    };
    kriging = weight(krigingRecord);
    radialBasis = weight(radialBasisRecord);
    leastSquares = weight(leastSquaresRecord);
}

LocalMethod LocalMethodChoice::draw(RandomStream& random, int fieldCount,
                                    int evaluationsDone) const {
    if (fieldCount + 1 >= evaluationsDone) return LocalMethod::pattern;
    const std::array<double, 3> shares = {
        records_[0].successes / (records_[0].trials + 1.0),
        records_[1].successes / (records_[1].trials + 1.0),
        records_[2].successes / (records_[2].trials + 2.0),
    };
    const double sum = shares[0] + shares[1] + shares[2];
    const double u = random.draw();
    double reached = 0.0;
    for (std::size_t m = 0; m < shares.size(); ++m) {
        reached += sum > 0.0 ? shares[m] / sum : 1.0 / 3.0;
        if (u <= reached) return static_cast<LocalMethod>(m);
    }
    return LocalMethod::pattern;
}

}  // namespace varno::search
