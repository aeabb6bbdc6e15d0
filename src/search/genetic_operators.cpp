#include "search/genetic_operators.h"

#include <algorithm>
#include <cmath>

namespace varno::search {

GeneticOperators::GeneticOperators(std::vector<int> fieldSizes, RandomStream& random,
                                   AdaptiveOperators& adaptive)
    : fieldSizes_(std::move(fieldSizes)), random_(random), adaptive_(adaptive) {}

int GeneticOperators::select(const Population& population, int tournamentSize) {
    const int size = static_cast<int>(population.size());
    if (size <= 1) return 0;
    int winner = random_.index(size);
    for (int round = 1; round < tournamentSize; ++round) {
        const int rival = random_.index(size);
        if (population[static_cast<std::size_t>(rival)].fitness >
            population[static_cast<std::size_t>(winner)].fitness) {
            winner = rival;
        }
    }
    return winner;
}

int mirroredCode(double value, int largest) {
    int code = static_cast<int>(std::round(value));
    if (code < 0) code = -code;
    if (code > largest) code = 2 * largest - code;
    return code;
}

int GeneticOperators::crossover(const PopulationMember& p1, const PopulationMember& p2,
                                PopulationMember& c1, PopulationMember& c2) {
    c1 = p1;
    c2 = p2;
    c1.tag = c2.tag = tagUnchanged;
    std::vector<int> differing;
    for (int j = 0; j < fieldCount(); ++j) {
        if (p1.codes()[j] != p2.codes()[j]) differing.push_back(j);
    }
    if (differing.size() < 2) return tagUnchanged;
    c1.generation = static_cast<int>((p1.generation + p2.generation) * 0.5);

    const OperatorWeights& w = adaptive_.weights;
    const double twoPointShare =
        static_cast<double>(w.twoPoint) / (static_cast<double>(w.twoPoint) + w.uniform + w.blend);
    int tag = tagUnchanged;
    if (random_.flip(twoPointShare)) {
        tag = twoPoint(differing, p1, p2, c1, c2);
    } else if (random_.flip(static_cast<double>(w.uniform) /
                            (static_cast<double>(w.uniform) + w.blend))) {
        tag = uniform(p1, p2, c1, c2);
    } else {
        tag = blend(p1, p2, c1, c2);
    }
    c1.tag = tag;
    c2.tag = tag;
    return tag;
}

int GeneticOperators::twoPoint(const std::vector<int>& differing, const PopulationMember& p1,
                               const PopulationMember& p2, PopulationMember& c1,
                               PopulationMember& c2) {
    const int count = static_cast<int>(differing.size());
    const int first = random_.index(count);
    int second = random_.index(count);
    while (second == first) second = random_.index(count);
    const int low = std::min(differing[first], differing[second]);
    const int high = std::max(differing[first], differing[second]);
    ++crossovers_;
    for (int j = low; j < high; ++j) {
        c1.codes()[j] = p2.codes()[j];
        c2.codes()[j] = p1.codes()[j];
    }
    return tagTwoPoint;
}

int GeneticOperators::uniform(const PopulationMember& p1, const PopulationMember& p2,
                              PopulationMember& c1, PopulationMember& c2) {
    ++crossovers_;
    for (int j = 0; j < fieldCount(); ++j) {
        const bool keep = random_.draw() <= 0.5f;
        c1.codes()[j] = keep ? p1.codes()[j] : p2.codes()[j];
        c2.codes()[j] = keep ? p2.codes()[j] : p1.codes()[j];
    }
    return tagUniform;
}

int GeneticOperators::blend(const PopulationMember& p1, const PopulationMember& p2,
                            PopulationMember& c1, PopulationMember& c2) {
    if (blendModelStep_ && blendModelStep_(p1, p2, c1, c2)) {
        ++crossovers_;
        return tagBlend;
    }
    for (int j = 0; j < fieldCount(); ++j) {
        const int a = p1.codes()[j];
        const int b = p2.codes()[j];
        if (fieldSizes_[j] == 2) {
            if (a == b) continue;
            c1.codes()[j] = random_.draw() <= 0.5f ? 1 : 0;
            c2.codes()[j] = 1 - c1.codes()[j];
            continue;
        }
        const double r = 1.5 * random_.draw() - 0.25;
        const int largest = fieldSizes_[j] - 1;
        c1.codes()[j] = mirroredCode(r * b + (1.0 - r) * a, largest);
        c2.codes()[j] = mirroredCode((1.0 - r) * b + r * a, largest);
    }
    if (c1.codes() != p1.codes() || c2.codes() != p2.codes()) ++crossovers_;
    return tagBlendFallback;
}

}  // namespace varno::search
