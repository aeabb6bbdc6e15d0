// The real-valued step of the multi-objective search: simulated binary
// crossover and polynomial mutation on the codes of each field, read as real
// numbers between the field's first and last code. Large fields (a continuous
// variable at a fine resolution) move by distances that shrink as the parents
// close in, which the adaptive operators' single-field resets and Gaussian
// steps do not.
#include <algorithm>
#include <cmath>

#include "search/motravok_search.h"

namespace varno::search {

namespace {

constexpr double crossoverProbability = 0.9;
constexpr double crossoverIndex = 20.0;
constexpr double mutationIndex = 20.0;
constexpr double closeCodes = 1e-9;

// The spread factor of one side of a bounded simulated binary crossover:
// `room` is the distance from the nearer parent to its bound over the
// parents' distance.
double spreadFactor(double room, double u) {
    const double beta = 1.0 + 2.0 * room;
    const double alpha = 2.0 - std::pow(beta, -(crossoverIndex + 1.0));
    const double exponent = 1.0 / (crossoverIndex + 1.0);
    return u <= 1.0 / alpha ? std::pow(u * alpha, exponent)
                            : std::pow(1.0 / (2.0 - u * alpha), exponent);
}

int nearestCode(double value, int largest) {
    return std::clamp(static_cast<int>(std::lround(value)), 0, largest);
}

}  // namespace

void MotravokSearch::simulatedBinaryCrossover(design::IntegerCodes& first,
                                              design::IntegerCodes& second) {
    for (int field = 0; field < fieldCount(); ++field) {
        const auto f = static_cast<std::size_t>(field);
        const int largest = fieldSizes_[f] - 1;
        if (!random_.flip(0.5)) continue;
        const double low = std::min(first[f], second[f]);
        const double high = std::max(first[f], second[f]);
        if (high - low < closeCodes) continue;
        const double lowChild =
            0.5 * (low + high - spreadFactor(low / (high - low), random_.draw()) * (high - low));
        const double highChild =
            0.5 * (low + high +
                   spreadFactor((largest - high) / (high - low), random_.draw()) * (high - low));
        const bool swapped = random_.flip(0.5);
        first[f] = nearestCode(swapped ? highChild : lowChild, largest);
        second[f] = nearestCode(swapped ? lowChild : highChild, largest);
    }
}

void MotravokSearch::polynomialMutation(design::IntegerCodes& codes) {
    const double probability = 1.0 / std::max(1, fieldCount());
    const double exponent = 1.0 / (mutationIndex + 1.0);
    for (int field = 0; field < fieldCount(); ++field) {
        const auto f = static_cast<std::size_t>(field);
        const int largest = fieldSizes_[f] - 1;
        if (largest < 1 || !random_.flip(probability)) continue;
        const double y = codes[f];
        const double u = random_.draw();
        double shift = 0.0;
        if (u < 0.5) {
            const double reach = std::pow(1.0 - y / largest, mutationIndex + 1.0);
            shift = std::pow(2.0 * u + (1.0 - 2.0 * u) * reach, exponent) - 1.0;
        } else {
            const double reach = std::pow(1.0 - (largest - y) / largest, mutationIndex + 1.0);
            shift = 1.0 - std::pow(2.0 * (1.0 - u) + 2.0 * (u - 0.5) * reach, exponent);
        }
        codes[f] = nearestCode(y + shift * largest, largest);
    }
}

// Both children are copies of their parents, crossed with probability 0.9 and
// then mutated; a child that differs from its parent is flagged changed.
void MotravokSearch::realStepPair(const Population& parents, int mate1, int mate2,
                                  Population& bred) {
    const PopulationMember& parent1 = parents[static_cast<std::size_t>(mate1)];
    const PopulationMember& parent2 = parents[static_cast<std::size_t>(mate2)];
    PopulationMember child1 = parent1;
    PopulationMember child2 = parent2;
    if (random_.flip(crossoverProbability)) {
        simulatedBinaryCrossover(child1.codes(), child2.codes());
    }
    polynomialMutation(child1.codes());
    polynomialMutation(child2.codes());
    for (PopulationMember* child : {&child1, &child2}) {
        child->parent1 = mate1;
        child->parent2 = mate2;
        if (child->codes() != (child == &child1 ? parent1 : parent2).codes()) {
            child->changed = true;
            child->tag = tagUnchanged;
            child->generation = generation() + 1;
        }
        if (static_cast<int>(bred.size()) < breedingSize()) bred.push_back(std::move(*child));
    }
}

}  // namespace varno::search
