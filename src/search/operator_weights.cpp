#include "search/operator_weights.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace varno::search {

AdaptiveOperators::AdaptiveOperators(int populationSize)
    : creditRing_(static_cast<std::size_t>(std::max(1, populationSize)), tagUnchanged),
      // Until improving widths are known, the narrowest block counts.
      widthRing_(widthRingSize, 1) {}

int AdaptiveOperators::creditCount(int tag) const {
    return static_cast<int>(std::count(creditRing_.begin(), creditRing_.end(), tag));
}

void AdaptiveOperators::updateWeights(int fieldCount) {
    struct Entry {
        float* weight;
        double count;
    };
    const auto counted = [this](std::initializer_list<int> tags) {
        double sum = 0.5;
        for (int tag : tags) sum += creditCount(tag);
        return sum;
    };
    OperatorWeights& w = weights;
    Entry entries[] = {
        {&w.singleField, counted({tagSingleField})},
        {&w.multiFieldSecond, counted({tagMultiFieldSecond})},
        {&w.multiFieldFirst, counted({tagMultiFieldFirst})},
        {&w.gaussianFields, counted({tagGaussianFields})},
        {&w.twoPoint, counted({tagTwoPoint})},
        {&w.uniform, counted({tagUniform})},
        {&w.blend, counted({tagBlendFallback, tagBlend})},
    };
    double ratioSum = 0.0;
    for (const Entry& e : entries) ratioSum += e.count / *e.weight;
    if (w.exploration != 0.0f) {
        ratioSum += counted({tagLargestLevel, tagKriging, tagRadialBasis}) / w.exploration;
    }
    const double scale = ratioSum / weightSum;
    for (const Entry& e : entries) {
        const double old = *e.weight;
        *e.weight = static_cast<float>(0.2 * (e.count / old) / scale + 0.8 * old);
    }
    crossoverRate = static_cast<double>(w.twoPoint) + w.uniform + w.blend;
    mutationRate = static_cast<double>(w.singleField) + w.multiFieldSecond + w.multiFieldFirst +
                   w.gaussianFields + w.exploration;

    const double meanWidth =
        std::accumulate(widthRing_.begin(), widthRing_.end(), 0.0) / widthRingSize;
    const double rootFields = std::sqrt(static_cast<double>(fieldCount));
    averageMutationWidth = meanWidth < rootFields ? 0.8 * meanWidth + 0.2 * rootFields : meanWidth;
}

void AdaptiveOperators::recordSuccess(int tag) {
    creditRing_[static_cast<std::size_t>(creditCursor_)] = tag;
    creditCursor_ = (creditCursor_ + 1) % static_cast<int>(creditRing_.size());
}

void AdaptiveOperators::recordWidth(int width) {
    widthRing_[static_cast<std::size_t>(widthCursor_)] = width;
    widthCursor_ = (widthCursor_ + 1) % widthRingSize;
}

bool AdaptiveOperators::beatsParents(const PopulationMember& member,
                                     const Population& parents) const {
    const auto beats = [&](int parent) {
        if (parent < 0 || parent >= static_cast<int>(parents.size())) return true;
        return member.rawFitness() > parents[static_cast<std::size_t>(parent)].rawFitness();
    };
    if (member.parent1 < 0) return false;
    const bool bothParents = isCrossoverTag(member.tag) && member.tag != tagBlend;
    return beats(member.parent1) && (!bothParents || beats(member.parent2));
}

void AdaptiveOperators::credit(const Population& bred, const Population& parents,
                               double bestSoFar) {
    for (const PopulationMember& member : bred) {
        const int tag = member.tag;
        if (!isCrossoverTag(tag) && !isMutationTag(tag) && !isExplorationTag(tag)) continue;
        if (!beatsParents(member, parents)) continue;
        const int entries = member.rawFitness() >= bestSoFar ? 3 : 1;
        for (int n = 0; n < entries; ++n) recordSuccess(tag);
        if (tag == tagMultiFieldFirst || tag == tagMultiFieldSecond) {
            recordWidth(member.mutationWidth);
        }
    }
}

}  // namespace varno::search
