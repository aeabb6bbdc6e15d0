// Adaptive operator choice: the weights of the crossover and mutation kinds,
// the ring of tags of members that improved on their parents, and the update
// that moves the weights towards the kinds that succeed.
#pragma once

#include <vector>

#include "search/population.h"
#include "support/binary_io.h"

namespace varno::search {

// Operator weights (float32). The seven genetic weights sum to 0.66 and keep
// that sum through every update; the exploration weight stays as set.
struct OperatorWeights {
    float twoPoint = 0.24f;
    float uniform = 0.06f;
    float blend = 0.06f;             // tags 85 and 80
    float singleField = 0.12f;       // tag 6
    float multiFieldFirst = 0.06f;   // tag 8
    float multiFieldSecond = 0.06f;  // tag 7
    float gaussianFields = 0.06f;    // tag 9
    float exploration = 0.0f;        // candidate tags 90, 94, 95

    // The multi-objective search favours the blend and adds exploration.
    void startMultiObjective() {
        twoPoint = 0.06f;
        blend = 0.24f;
        exploration = 0.1f;
    }
};

// The operator statistics of one search.
class AdaptiveOperators {
public:
    static constexpr int widthRingSize = 10;
    static constexpr double weightSum = 0.66;

    explicit AdaptiveOperators(int populationSize);

    // Moves the weights towards the credited operators and derives the
    // crossover and mutation rates and the average mutation width for
    // `fieldCount` fields.
    void updateWeights(int fieldCount);

    // Credits the operators of the bred members of `bred` whose raw fitness
    // beats their parents in `parents`; a member reaching `bestSoFar` earns
    // two more entries.
    void credit(const Population& bred, const Population& parents, double bestSoFar);

    // Writes `tag` into the credit ring at its cursor.
    void recordSuccess(int tag);
    void recordWidth(int width);
    // Entries of `tag` in the credit ring.
    int creditCount(int tag) const;

    OperatorWeights weights;
    double crossoverRate = 0.36;
    double mutationRate = 0.30;
    double averageMutationWidth = 1.0;

    const std::vector<int>& creditRing() const { return creditRing_; }
    int creditCursor() const { return creditCursor_; }
    const std::vector<int>& widthRing() const { return widthRing_; }
    int widthCursor() const { return widthCursor_; }

    // Weights, rates and both rings, for checkpoints.
    void write(support::ByteWriter& out) const;
    bool read(support::ByteReader& in);

private:
    bool beatsParents(const PopulationMember& member, const Population& parents) const;

    std::vector<int> creditRing_;  // one tag per population slot, 0 when empty
    int creditCursor_ = 0;
    std::vector<int> widthRing_;  // widths of improving multi-field mutations
    int widthCursor_ = 0;
};

}  // namespace varno::search
