#include "search/genetic_core.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <set>
#include <span>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "search/genetic_operators.h"
#include "search/operator_weights.h"
#include "search_test_support.h"

namespace varno::search {
namespace {

PopulationMember member(std::vector<int> codes, double raw = 0.0) {
    PopulationMember m;
    m.design.ints = std::move(codes);
    m.design.performance = raw;
    m.fitness = raw;
    return m;
}

bool inRange(std::span<const int> codes, const std::vector<int>& sizes) {
    for (std::size_t j = 0; j < sizes.size(); ++j) {
        if (codes[j] < 0 || codes[j] >= sizes[j]) return false;
    }
    return true;
}

std::vector<int> randomCodes(RandomStream& random, const std::vector<int>& sizes) {
    std::vector<int> codes;
    for (int size : sizes) codes.push_back(random.index(size));
    return codes;
}

struct Operators {
    explicit Operators(std::vector<int> sizes, float seed = 0.5f)
        : random(seed), adaptive(4), operators(std::move(sizes), random, adaptive) {}
    // Only the given crossover kind is ever chosen.
    void onlyCrossover(float twoPoint, float uniform, float blend) {
        adaptive.weights.twoPoint = twoPoint;
        adaptive.weights.uniform = uniform;
        adaptive.weights.blend = blend;
    }
    // Only the given mutation kind is ever chosen.
    void onlyMutation(float single, float block, float everyField) {
        adaptive.weights.singleField = single;
        adaptive.weights.multiFieldFirst = adaptive.weights.multiFieldSecond = block;
        adaptive.weights.gaussianFields = everyField;
    }
    RandomStream random;
    AdaptiveOperators adaptive;
    GeneticOperators operators;
};

// Parents differing in one field give copies. Two-point crossover exchanges
// the stretch from one differing locus up to, not including, the other, so
// parents differing in two fields give children unlike either parent.
TEST(CrossoverTest, TwoPointNeedsTwoDifferingFieldsAndGivesNewChildren) {
    PopulationMember p1 = member({0, 5, 5, 0});
    const PopulationMember p2 = member({1, 5, 5, 1});
    PopulationMember c1, c2;
    Operators f({4, 8, 8, 4});
    f.onlyCrossover(1.0f, 0.0f, 0.0f);
    const PopulationMember copy = member({0, 5, 5, 1});
    p1.generation = 3;
    EXPECT_EQ(f.operators.crossover(p1, copy, c1, c2), tagUnchanged);
    EXPECT_EQ(c1.codes(), p1.codes());
    EXPECT_EQ(c2.codes(), copy.codes());
    EXPECT_EQ(c1.generation, 3);
    EXPECT_EQ(f.operators.crossovers(), 0);
    for (int n = 0; n < 20; ++n) {
        ASSERT_EQ(f.operators.crossover(p1, p2, c1, c2), tagTwoPoint);
        EXPECT_EQ(c1.codes(), (std::vector<int>{1, 5, 5, 0}));
        EXPECT_EQ(c2.codes(), (std::vector<int>{0, 5, 5, 1}));
        EXPECT_EQ(c1.tag, tagTwoPoint);
    }
    EXPECT_EQ(f.operators.crossovers(), 20);
}

// Each locus of the two children holds the two parents' codes, one each.
TEST(CrossoverTest, TwoPointAndUniformShareEveryLocusBetweenTheChildren) {
    const std::vector<int> sizes{3, 7, 12, 5, 9, 2};
    for (const bool twoPoint : {true, false}) {
        SCOPED_TRACE(twoPoint ? "two-point" : "uniform");
        Operators f(sizes, 0.3f);
        f.onlyCrossover(twoPoint ? 1.0f : 0.0f, twoPoint ? 0.0f : 1.0f, 0.0f);
        int swapped = 0;
        for (int n = 0; n < 500; ++n) {
            PopulationMember p1 = member(randomCodes(f.random, sizes));
            PopulationMember p2 = member(randomCodes(f.random, sizes));
            PopulationMember c1, c2;
            if (f.operators.crossover(p1, p2, c1, c2) == tagUnchanged) continue;
            ASSERT_TRUE(inRange(c1.codes(), sizes) && inRange(c2.codes(), sizes));
            for (std::size_t j = 0; j < sizes.size(); ++j) {
                ASSERT_EQ(std::multiset<int>({c1.codes()[j], c2.codes()[j]}),
                          std::multiset<int>({p1.codes()[j], p2.codes()[j]}));
                swapped += c1.codes()[j] != p1.codes()[j];
            }
        }
        EXPECT_GT(swapped, 0);
    }
}

// A blend child lies on the line through its parents, up to a quarter of
// their distance beyond either of them.
TEST(CrossoverTest, BlendReachesAQuarterBeyondTheParents) {
    const PopulationMember p1 = member({2, 1});
    const PopulationMember p2 = member({6, 0});
    Operators f({10, 2}, 0.6f);
    f.onlyCrossover(0.0f, 0.0f, 1.0f);
    std::set<int> codes;
    for (int n = 0; n < 400; ++n) {
        PopulationMember c1, c2;
        ASSERT_EQ(f.operators.crossover(p1, p2, c1, c2), tagBlendFallback);
        codes.insert({c1.codes()[0], c2.codes()[0]});
        // A field of two levels gives one child each code.
        ASSERT_EQ(c1.codes()[1] + c2.codes()[1], 1);
    }
    EXPECT_EQ(std::pair(*codes.begin(), *codes.rbegin()), std::pair(1, 7));
    // Blend values beyond the codes are mirrored back; halves round away from zero.
    for (const auto& [value, code] : {std::pair{-0.7, 1}, {-2.5, 3}, {2.5, 3}, {7.0, 3}, {5.4, 5}})
        EXPECT_EQ(mirroredCode(value, 5), code) << value;
}

// Whatever the kind, a mutation keeps the codes in range, changes the child
// exactly when it reports a kind, and never touches a field of one level.
TEST(MutationTest, EveryKindKeepsCodesInRangeAndReportsWhetherItChanged) {
    const std::vector<int> sizes{1, 2, 5, 30};
    Operators f(sizes, 0.75f);
    f.adaptive.averageMutationWidth = 3.0;
    const Population population{member({0, 1, 4, 29}), member({0, 0, 0, 0}), member({0, 1, 2, 28})};
    std::set<int> tags;
    for (int n = 0; n < 3000; ++n) {
        PopulationMember child = population[static_cast<std::size_t>(n % 3)];
        const int tag = f.operators.mutate(child, population);
        tags.insert(tag);
        ASSERT_TRUE(inRange(child.codes(), sizes)) << "tag " << tag;
        ASSERT_EQ(tag != tagUnchanged, child.codes() != population[n % 3].codes()) << "tag " << tag;
    }
    EXPECT_EQ(tags, (std::set<int>{tagUnchanged, tagSingleField, tagMultiFieldSecond,
                                   tagMultiFieldFirst, tagGaussianFields}));

    Operators fixed({1, 1});
    PopulationMember child = member({0, 0});
    for (int n = 0; n < 300; ++n) ASSERT_EQ(fixed.operators.mutate(child, population), 0);
    EXPECT_EQ(child.codes(), (std::vector<int>{0, 0}));
    EXPECT_EQ(fixed.operators.mutations(), 0);
}

// The codes of 2000 mutations of the one-field member `start`, in a
// population whose codes do not spread, by blocks or by every field.
std::vector<int> mutatedCodes(int start, bool block) {
    Operators f({100}, block ? 0.4f : 0.8f);
    f.onlyMutation(0.0f, block ? 1.0f : 0.0f, block ? 0.0f : 1.0f);
    const Population population(3, member({start}));  // codes that do not spread
    std::vector<int> codes;
    for (int n = 0; n < 2000; ++n) {
        PopulationMember child = population.front();
        f.operators.mutate(child, population);
        codes.push_back(child.codes()[0]);
    }
    return codes;
}

// Codes that do not spread across the population make the step scale half
// the field, so an undiverse population still mutates far. A step past
// either end of the field is shrunk in proportion to the room left, so codes
// near an end do not pile up on it.
TEST(MutationTest, AnUndiversePopulationTakesLargeStepsShrunkAtTheEnds) {
    for (const bool block : {true, false}) {
        double moved = 0.0;
        for (const int code : mutatedCodes(50, block)) moved += std::abs(code - 50);
        // Steps of a normal spread of 12.5 codes move about 9.5 codes on average.
        EXPECT_GT(moved / 2000, 7.0) << block;
    }
    for (const int start : {96, 3}) {
        const std::vector<int> codes = mutatedCodes(start, false);
        // With the spread 12.5 a step lands on the end about one time in
        // five; clipping would put two in five there.
        const auto atTheEnd = std::count(codes.begin(), codes.end(), start > 50 ? 99 : 0);
        EXPECT_LT(atTheEnd, 600) << start;
        EXPECT_GT(atTheEnd, 200) << start;
    }
}

TEST(OperatorWeightTest, SuccessfulOperatorsAreCreditedAndGainWeight) {
    AdaptiveOperators adaptive(6);
    for (int tag : {60, 60, 85, 80, 6, 9}) adaptive.recordSuccess(tag);
    for (int round = 0; round < 5; ++round) {
        adaptive.updateWeights(4);
        EXPECT_NEAR(adaptive.crossoverRate + adaptive.mutationRate, 0.66, 1e-5);
    }
    EXPECT_GT(adaptive.weights.blend, adaptive.weights.uniform);
    EXPECT_LT(adaptive.weights.multiFieldFirst, 0.06f);

    // A child that beats its parents (a blend: its first parent) credits its
    // operator, three times when it reaches the best so far; candidates other
    // than the exploration kinds are credited elsewhere.
    const Population parents{member({0}, 1.0), member({1}, 2.0)};
    const auto bred = [](int tag, int p1, int p2, double raw) {
        PopulationMember m = member({0}, raw);
        m.tag = tag;
        m.parent1 = p1;
        m.parent2 = p2;
        m.mutationWidth = 3;
        return m;
    };
    adaptive = AdaptiveOperators(8);
    adaptive.credit({bred(tagTwoPoint, 0, 1, 1.5), bred(tagBlend, 0, 1, 1.5),
                     bred(tagSingleField, 1, -1, 3.0), bred(tagMultiFieldFirst, 0, -1, 1.2),
                     bred(tagSimplex, 0, -1, 10.0), bred(tagLargestLevel, 0, -1, 1.1),
                     bred(tagMultiFieldSecond, 1, -1, 2.0)},
                    parents, 2.5);
    const int expected[][2] = {{tagTwoPoint, 0},        {tagBlend, 1},   {tagSingleField, 3},
                               {tagMultiFieldFirst, 1}, {tagSimplex, 0}, {tagLargestLevel, 1},
                               {tagMultiFieldSecond, 0}};
    for (const auto& [tag, count] : expected) EXPECT_EQ(adaptive.creditCount(tag), count) << tag;
    EXPECT_EQ(adaptive.widthRing()[0], 3);
}

TEST(StatisticsTest, RawFitnessSummary) {
    Population population;
    for (double raw : {1.0, 5.0, 2.0, 5.0}) population.push_back(member({0}, raw));
    population[2].fitness = 99.0;
    const PopulationStatistics s = takeStatistics(population, {});
    EXPECT_EQ((std::vector<double>{s.minimum, s.maximum, s.average, double(s.bestIndex)}),
              (std::vector<double>{1.0, 5.0, 3.25, 1.0}));
    EXPECT_NEAR(s.sigma, std::sqrt(12.75 / 3.0), 1e-12);
    EXPECT_EQ(population[2].fitness, 2.0) << "selection compares the raw fitness";
}

TEST(InitialPopulationTest, SeededDesignsComeFirstAndTheRestFormAHypercube) {
    const design::Design stored = evaluatedDesign({3, 0, 1}, 7.5);
    RandomStream random(0.5f);
    const Population population = buildInitialPopulation({stored, stored}, {6, {4, 1, 4}}, random);
    ASSERT_EQ(population.size(), 6u);
    EXPECT_FALSE(population[0].changed || population[1].changed);
    EXPECT_EQ(population[1].rawFitness(), 7.5);
    std::set<design::IntegerCodes> hypercube;
    for (std::size_t i = 2; i < 6; ++i) {
        EXPECT_TRUE(population[i].changed && !population[i].evaluated());
        hypercube.insert(population[i].codes());
    }
    // 4 points over 4 codes: every code once per field
    for (std::size_t j : {0u, 2u}) {
        std::set<int> codes;
        for (const auto& c : hypercube) codes.insert(c[j]);
        EXPECT_EQ(codes, (std::set<int>{0, 1, 2, 3}));
    }
    const Population full =
        buildInitialPopulation({stored, stored, stored}, {2, {4, 1, 4}}, random);
    EXPECT_EQ(full.size(), 2u);
}

TEST(ReinitializationTest, BothCountersMustReachTheInterval) {
    Reinitialization reinit(2, 0.5f, true);
    Population population{member({1}), member({2}), member({3}), member({4})};
    int best = 2;
    RandomStream random(0.5f);
    reinit.countGeneration(true);
    reinit.countGeneration(true);
    EXPECT_FALSE(reinit.check(population, best, 10, 100, {9}, 5, random));  // not stagnant
    reinit.countGeneration(false);
    reinit.countGeneration(false);
    EXPECT_TRUE(reinit.check(population, best, 10, 100, {9}, 5, random));
    // Half kept, the best first; the next interval is a third of the cycles left.
    EXPECT_EQ(best, 0);
    EXPECT_EQ(std::pair(population[0].codes()[0], population[1].codes()[0]), std::pair(3, 2));
    EXPECT_TRUE(!population[1].changed && population[2].changed && !population[3].evaluated());
    EXPECT_EQ(reinit.interval(), 30);
    EXPECT_FALSE(reinit.check(population, best, 10, 100, {9}, 5, random)) << "counted afresh";
}

}  // namespace
}  // namespace varno::search
