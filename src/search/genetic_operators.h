// The genetic operators of the hybrid searches: tournament selection,
// adaptive crossover (two-point over differing loci, uniform, blend) and
// adaptive mutation (single-field reset, multi-field Gaussian block, Gaussian
// step in every field), each kind chosen by the adaptive operator weights.
#pragma once

#include <functional>
#include <vector>

#include "search/operator_weights.h"
#include "search/population.h"
#include "search/random_stream.h"

namespace varno::search {

// The model-guided child step offered before a blend: fills both children and
// returns true, or returns false when it cannot make them.
using BlendModelStep =
    std::function<bool(const PopulationMember& parent1, const PopulationMember& parent2,
                       PopulationMember& child1, PopulationMember& child2)>;

class GeneticOperators {
public:
    GeneticOperators(std::vector<int> fieldSizes, RandomStream& random,
                     AdaptiveOperators& adaptive);

    // Tournament winner: the fittest of `tournamentSize` random draws (the
    // first draw wins ties).
    int select(const Population& population, int tournamentSize);

    // Breeds two children from two parents. Returns the tag of the kind used,
    // or 0 when the parents differ in fewer than two fields (the children are
    // then plain copies).
    int crossover(const PopulationMember& parent1, const PopulationMember& parent2,
                  PopulationMember& child1, PopulationMember& child2);

    // Mutates `child`, drawing field spreads from `population`. Returns the
    // tag of the kind used when a field changed, else 0.
    int mutate(PopulationMember& child, const Population& population);

    // The step that may replace the blend; unavailable while empty.
    void setBlendModelStep(BlendModelStep step) { blendModelStep_ = std::move(step); }
    // A multi-objective search exploring always takes the second multi-field kind.
    void setExploring(bool exploring) { exploring_ = exploring; }

    long crossovers() const { return crossovers_; }
    long mutations() const { return mutations_; }
    void setCounters(long crossovers, long mutations) {
        crossovers_ = crossovers;
        mutations_ = mutations;
    }
    const std::vector<int>& fieldSizes() const { return fieldSizes_; }

private:
    int fieldCount() const { return static_cast<int>(fieldSizes_.size()); }
    int twoPoint(const std::vector<int>& differing, const PopulationMember& p1,
                 const PopulationMember& p2, PopulationMember& c1, PopulationMember& c2);
    int uniform(const PopulationMember& p1, const PopulationMember& p2, PopulationMember& c1,
                PopulationMember& c2);
    int blend(const PopulationMember& p1, const PopulationMember& p2, PopulationMember& c1,
              PopulationMember& c2);

    int resetSingleField(PopulationMember& child);
    int mutateBlock(PopulationMember& child, const Population& population);
    int mutateEveryField(PopulationMember& child, const Population& population);
    int blockWidth();
    double fieldSpread(const Population& population, int field);
    int gaussianStep(int code, int field, double scale);

    std::vector<int> fieldSizes_;
    RandomStream& random_;
    AdaptiveOperators& adaptive_;
    BlendModelStep blendModelStep_;
    bool exploring_ = false;
    long crossovers_ = 0;
    long mutations_ = 0;
};

// A blend value turned into a code of a field whose largest code is
// `largest`: rounded (halves away from zero), negatives mirrored at 0, values
// beyond the largest code mirrored at it.
int mirroredCode(double value, int largest);

}  // namespace varno::search
