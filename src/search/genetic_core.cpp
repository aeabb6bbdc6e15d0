#include "search/genetic_core.h"

#include <algorithm>
#include <cmath>

#include "support/latin_hypercube.h"

namespace varno::search {

double guardedSquareRoot(double variance, const SearchMessages& messages) {
    if (variance < 0.0) {
        messages.warn(
            "Internal error 239. Taking square root of a negative number. Returning 0.0 and "
            "continuing if possible.");
        return 0.0;
    }
    return std::sqrt(variance);
}

PopulationStatistics takeStatistics(Population& population, const SearchMessages& messages) {
    PopulationStatistics stats;
    if (population.empty()) return stats;
    double sum = 0.0;
    double squares = 0.0;
    stats.minimum = stats.maximum = population.front().rawFitness();
    for (std::size_t i = 0; i < population.size(); ++i) {
        PopulationMember& member = population[i];
        const double raw = member.rawFitness();
        member.fitness = raw;
        sum += raw;
        squares += raw * raw;
        stats.minimum = std::min(stats.minimum, raw);
        if (raw > stats.maximum) {
            stats.maximum = raw;
            stats.bestIndex = static_cast<int>(i);
        }
    }
    const double n = static_cast<double>(population.size());
    stats.average = sum / n;
    if (population.size() > 1) {
        stats.sigma = guardedSquareRoot((squares - sum * sum / n) / (n - 1.0), messages);
    }
    return stats;
}

int hypercubeCode(int level, int points, int fieldSize) {
    const float width = static_cast<float>(points - 1) / static_cast<float>(fieldSize);
    const int code = static_cast<int>(static_cast<float>(level) / width);
    return std::min(code, fieldSize - 1);
}

PopulationMember randomMember(const std::vector<int>& fieldSizes, int generation,
                              RandomStream& random) {
    std::vector<int> codes;
    codes.reserve(fieldSizes.size());
    for (int size : fieldSizes) codes.push_back(size > 1 ? random.index(size) : 0);
    PopulationMember member = unevaluatedMember(std::move(codes), generation);
    member.changed = true;
    return member;
}

namespace {

PopulationMember seededMember(design::Design design, int generation) {
    PopulationMember member;
    member.design = std::move(design);
    member.fitness = member.design.performance;
    member.generation = generation;
    return member;
}

// Points of an optimised Latin hypercube, one new member each.
void addHypercubeMembers(Population& population, int count, const InitialPopulationRequest& request,
                         RandomStream& random) {
    const int fields = static_cast<int>(request.fieldSizes.size());
    const auto design = support::LatinHypercubeDesign::optimized(count, fields, request.fieldSizes,
                                                                 true, 1.0, random.samplingSeed());
    for (int point = 0; point < count; ++point) {
        std::vector<int> codes(static_cast<std::size_t>(fields));
        for (int j = 0; j < fields; ++j) {
            codes[j] = hypercubeCode(design.level(point, j), count, request.fieldSizes[j]);
        }
        PopulationMember member = unevaluatedMember(std::move(codes), request.generation);
        member.changed = true;
        population.push_back(std::move(member));
    }
}

}  // namespace

Population buildInitialPopulation(std::vector<design::Design> seeded,
                                  const InitialPopulationRequest& request, RandomStream& random) {
    Population population;
    const auto size = static_cast<std::size_t>(request.populationSize);
    for (design::Design& design : seeded) {
        if (population.size() == size) break;
        population.push_back(seededMember(std::move(design), request.generation));
    }
    const int free = request.populationSize - static_cast<int>(population.size());
    // A hypercube of one point has no spacing; that member is drawn at random.
    if (request.structured && free > 1) {
        addHypercubeMembers(population, free, request, random);
    }
    while (population.size() < size) {
        population.push_back(randomMember(request.fieldSizes, request.generation, random));
    }
    return population;
}

void Reinitialization::countGeneration(bool improved) {
    ++generationsSinceRestart_;
    stagnantGenerations_ = improved ? 0 : stagnantGenerations_ + 1;
}

bool Reinitialization::check(Population& population, int& bestIndex, int cycle, int ncycles,
                             const std::vector<int>& fieldSizes, int generation,
                             RandomStream& random) {
    if (generationsSinceRestart_ < interval_ || stagnantGenerations_ < interval_) return false;
    generationsSinceRestart_ = 0;
    const int size = static_cast<int>(population.size());
    int kept = std::max(0, size - static_cast<int>(static_cast<float>(size) * keepFraction_));
    interval_ = std::max(20, (ncycles - cycle) / 3);
    if (keepsBest_) {
        kept = std::max(kept, 1);
        if (bestIndex != 0) population[0] = population[static_cast<std::size_t>(bestIndex)];
        bestIndex = 0;
    }
    // Kept members are carried over, not bred: nothing to evaluate or credit.
    for (PopulationMember& member : population) {
        member.changed = false;
        member.tag = tagUnchanged;
        member.parent1 = member.parent2 = -1;
    }
    for (int i = std::min(kept, size); i < size; ++i) {
        population[static_cast<std::size_t>(i)] = randomMember(fieldSizes, generation, random);
    }
    return true;
}

}  // namespace varno::search
