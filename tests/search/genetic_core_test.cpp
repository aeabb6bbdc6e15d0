#include "search/genetic_core.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "search/genetic_operators.h"
#include "search/operator_weights.h"
#include "search/scripted_random.h"

namespace varno::search {
namespace {

using testing::scripted;

PopulationMember member(std::vector<int> codes, double raw = 0.0) {
    PopulationMember m;
    m.design.ints = std::move(codes);
    m.design.performance = raw;
    m.fitness = raw;
    return m;
}

Population withCodes(const std::vector<std::vector<int>>& codes) {
    Population population;
    for (const auto& c : codes) population.push_back(member(c));
    return population;
}

bool inRange(const std::vector<int>& codes, const std::vector<int>& sizes) {
    for (std::size_t j = 0; j < sizes.size(); ++j) {
        if (codes[j] < 0 || codes[j] >= sizes[j]) return false;
    }
    return true;
}

struct OperatorsFixture {
    OperatorsFixture(std::vector<int> sizes, RandomStream stream)
        : random(stream), adaptive(4), operators(std::move(sizes), random, adaptive) {}
    RandomStream random;
    AdaptiveOperators adaptive;
    GeneticOperators operators;
};

TEST(TournamentSelectionTest, FittestOfTheDrawsWinsAndTheFirstKeepsTies) {
    Population population;
    for (double f : {1.0, 5.0, 3.0, 5.0}) population.push_back(member({0}, f));
    OperatorsFixture f({2}, scripted({0.1, 0.3, 0.3, 0.6, 0.3, 0.9, 0.6, 0.1, 0.3}));
    EXPECT_EQ(f.operators.select(population, 2), 1);
    EXPECT_EQ(f.operators.select(population, 2), 1);
    EXPECT_EQ(f.operators.select(population, 2), 1);  // member 3 ties
    EXPECT_EQ(f.operators.select(population, 3), 1);  // 2, then 0, then 1
    Population single{member({0}, 1.0)};
    EXPECT_EQ(f.operators.select(single, 2), 0);
    EXPECT_EQ(f.random.state().cursor, 9);
}

TEST(CrossoverTest, TwoPointSwapsBetweenTwoDifferingLoci) {
    const PopulationMember p1 = member({0, 0, 0, 0, 0});
    const PopulationMember p2 = member({1, 1, 1, 1, 1});
    PopulationMember c1, c2;
    // kind 0.5 <= 0.24/0.36; loci draws 0.25 -> 1, 0.3 -> 1 again, 0.9 -> 4
    OperatorsFixture f({4, 4, 4, 4, 4}, scripted({0.5, 0.25, 0.3, 0.9}));
    EXPECT_EQ(f.operators.crossover(p1, p2, c1, c2), tagTwoPoint);
    EXPECT_EQ(c1.codes(), (std::vector<int>{0, 1, 1, 1, 0}));
    EXPECT_EQ(c2.codes(), (std::vector<int>{1, 0, 0, 0, 1}));
    EXPECT_EQ(c1.tag, tagTwoPoint);
    EXPECT_EQ(f.operators.crossovers(), 1);
}

TEST(CrossoverTest, ParentsDifferingInOneFieldGiveCopies) {
    PopulationMember p1 = member({0, 2, 3});
    PopulationMember p2 = member({0, 2, 1});
    p1.generation = 3;
    PopulationMember c1, c2;
    OperatorsFixture f({4, 4, 4}, RandomStream(0.5f));
    EXPECT_EQ(f.operators.crossover(p1, p2, c1, c2), tagUnchanged);
    EXPECT_EQ(c1.codes(), p1.codes());
    EXPECT_EQ(c2.codes(), p2.codes());
    EXPECT_EQ(c1.generation, 3);
    EXPECT_EQ(f.operators.crossovers(), 0);
    EXPECT_EQ(f.random.state().cursor, 0);
}

TEST(CrossoverTest, UniformTakesEachLocusFromEitherParent) {
    PopulationMember p1 = member({0, 0, 0, 0, 0});
    PopulationMember p2 = member({1, 1, 1, 1, 1});
    p1.generation = 2;
    p2.generation = 5;
    PopulationMember c1, c2;
    // kind 0.9 > 2/3, then 0.5 <= 0.06/0.12; loci 0.25 0.75 0.5 0.9 0.1
    OperatorsFixture f({4, 4, 4, 4, 4}, scripted({0.9, 0.5, 0.25, 0.75, 0.5, 0.9, 0.1}));
    EXPECT_EQ(f.operators.crossover(p1, p2, c1, c2), tagUniform);
    EXPECT_EQ(c1.codes(), (std::vector<int>{0, 1, 0, 1, 0}));
    EXPECT_EQ(c2.codes(), (std::vector<int>{1, 0, 1, 0, 1}));
    EXPECT_EQ(c1.generation, 3);  // trunc((2 + 5) / 2)
}

TEST(CrossoverTest, BlendMixesAndMirrorsCodes) {
    const PopulationMember p1 = member({0, 2, 0});
    const PopulationMember p2 = member({1, 6, 4});
    PopulationMember c1, c2;
    // kind 0.9, 0.75 -> blend; size-2 field 0.25 -> c1 1; r = 0.5; r = -0.25
    OperatorsFixture f({2, 10, 5}, scripted({0.9, 0.75, 0.25, 0.5, 0.0}));
    EXPECT_EQ(f.operators.crossover(p1, p2, c1, c2), tagBlendFallback);
    // field 2: x1 = -0.25*4 = -1 -> 1; x2 = 1.25*4 = 5 -> 2*4 - 5 = 3
    EXPECT_EQ(c1.codes(), (std::vector<int>{1, 4, 1}));
    EXPECT_EQ(c2.codes(), (std::vector<int>{0, 4, 3}));

    EXPECT_EQ(mirroredCode(-0.7, 5), 1);
    EXPECT_EQ(mirroredCode(7.0, 5), 3);
    EXPECT_EQ(mirroredCode(2.5, 5), 3);
    EXPECT_EQ(mirroredCode(-2.5, 5), 3);
}

TEST(CrossoverTest, EveryKindKeepsCodesInRange) {
    const std::vector<int> sizes{3, 7, 1, 12, 2};
    OperatorsFixture f(sizes, RandomStream(0.25f));
    f.adaptive.weights.twoPoint = f.adaptive.weights.uniform = f.adaptive.weights.blend = 0.1f;
    std::set<int> tags;
    for (int n = 0; n < 3000; ++n) {
        PopulationMember p1 = member({f.random.index(3), f.random.index(7), 0,
                                      f.random.index(12), f.random.index(2)});
        PopulationMember p2 = member({f.random.index(3), f.random.index(7), 0,
                                      f.random.index(12), f.random.index(2)});
        PopulationMember c1, c2;
        tags.insert(f.operators.crossover(p1, p2, c1, c2));
        ASSERT_TRUE(inRange(c1.codes(), sizes) && inRange(c2.codes(), sizes));
    }
    EXPECT_EQ(tags, (std::set<int>{0, 60, 70, 80}));
}

TEST(MutationTest, SingleFieldResetSkipsFieldsOfOneLevel) {
    PopulationMember child = member({0, 0, 2});
    const Population population{child};
    // kind 0.1 <= 0.4; the one mutable field; codes 0.6 -> 2 (same), 0.1 -> 0
    OperatorsFixture f({1, 1, 4}, scripted({0.1, 0.7, 0.6, 0.1}));
    EXPECT_EQ(f.operators.mutate(child, population), tagSingleField);
    EXPECT_EQ(child.codes(), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(f.random.state().cursor, 4);
    EXPECT_EQ(f.operators.mutations(), 1);
}

TEST(MutationTest, FieldsOfOneLevelNeverChange) {
    OperatorsFixture f({1, 1}, RandomStream(0.5f));
    PopulationMember child = member({0, 0});
    const Population population{child, child, child};
    for (int n = 0; n < 300; ++n) {
        EXPECT_EQ(f.operators.mutate(child, population), tagUnchanged);
        EXPECT_EQ(child.codes(), (std::vector<int>{0, 0}));
    }
    EXPECT_EQ(f.operators.mutations(), 0);
}

TEST(MutationTest, MultiFieldBlockOfOneTakesAGaussianStep) {
    PopulationMember child = member({5, 5, 5, 5});
    const Population population{child, child, child};
    // kinds 0.9, 0.5; width 1 (q = 0); start 0.5 -> field 2; 0.25 -> tag 8;
    // members 0 0 0 (no spread: sigma 5, scale 1.5); g = 1.6651092 -> step 2
    OperatorsFixture f({10, 10, 10, 10},
                       scripted({0.9, 0.5, 0.5, 0.5, 0.25, 0.1, 0.2, 0.3, 0.25, 0.0}));
    f.adaptive.averageMutationWidth = 1.0;
    EXPECT_EQ(f.operators.mutate(child, population), tagMultiFieldFirst);
    EXPECT_EQ(child.codes(), (std::vector<int>{5, 5, 7, 5}));
    EXPECT_EQ(child.mutationWidth, 1);
}

TEST(MutationTest, GaussianStepShrinksNearTheLargestCode) {
    PopulationMember child = member({96});
    const Population population = withCodes({{0}, {50}, {99}});
    // kinds 0.9, 0.9 -> every field; members 0, 1, 2: sigma 40.417, scale
    // 10.104; g = 0.5 -> step 5 crosses 99, shrunk to trunc(3 / 10.104 * 5) = 1
    OperatorsFixture f({100}, scripted({0.9, 0.9, 0.1, 0.5, 0.9, std::exp(-0.125), 0.0}));
    EXPECT_EQ(f.operators.mutate(child, population), tagGaussianFields);
    EXPECT_EQ(child.codes(), (std::vector<int>{97}));
}

TEST(MutationTest, EveryKindKeepsCodesInRange) {
    const std::vector<int> sizes{1, 2, 5, 30};
    OperatorsFixture f(sizes, RandomStream(0.75f));
    f.adaptive.averageMutationWidth = 3.0;
    const Population population = withCodes({{0, 1, 4, 29}, {0, 0, 0, 0}, {0, 1, 2, 15}});
    std::set<int> tags;
    for (int n = 0; n < 3000; ++n) {
        PopulationMember child = population[static_cast<std::size_t>(n % 3)];
        tags.insert(f.operators.mutate(child, population));
        ASSERT_TRUE(inRange(child.codes(), sizes));
    }
    EXPECT_TRUE(tags.count(6) && tags.count(7) && tags.count(8) && tags.count(9));
}

TEST(OperatorWeightTest, UpdateWithoutCreditMovesTowardsEqualRatios) {
    AdaptiveOperators adaptive(4);
    adaptive.updateWeights(4);
    // sum of 0.5 / w = 0.5/0.12 + 5 * 0.5/0.06 + 0.5/0.24 = 47.91667; S = 72.60101
    EXPECT_NEAR(adaptive.weights.singleField, 0.107478, 1e-5);
    EXPECT_NEAR(adaptive.weights.uniform, 0.070957, 1e-5);
    EXPECT_NEAR(adaptive.weights.twoPoint, 0.197739, 1e-5);
    EXPECT_NEAR(adaptive.crossoverRate, 0.339652, 1e-5);
    EXPECT_NEAR(adaptive.mutationRate, 0.320348, 1e-5);
    EXPECT_NEAR(adaptive.averageMutationWidth, 1.2, 1e-12);  // 0.8 * 1 + 0.2 * 2
}

TEST(OperatorWeightTest, CreditedOperatorsGainAndTheSumStays) {
    AdaptiveOperators adaptive(6);
    for (int tag : {60, 60, 85, 80, 6, 9}) adaptive.recordSuccess(tag);
    for (int round = 0; round < 5; ++round) {
        adaptive.updateWeights(4);
        const OperatorWeights& w = adaptive.weights;
        EXPECT_NEAR(w.twoPoint + w.uniform + w.blend + w.singleField + w.multiFieldFirst +
                        w.multiFieldSecond + w.gaussianFields,
                    0.66, 1e-5);
    }
    EXPECT_GT(adaptive.weights.blend, adaptive.weights.uniform);
    EXPECT_LT(adaptive.weights.multiFieldFirst, 0.06f);

    AdaptiveOperators exploring(6);
    exploring.weights.startMultiObjective();
    exploring.updateWeights(1);
    EXPECT_FLOAT_EQ(exploring.weights.exploration, 0.1f);
    EXPECT_NEAR(exploring.mutationRate - exploring.weights.exploration +
                    exploring.crossoverRate, 0.66 * 0.8 + 0.2 * 0.66 * 47.91667 / 52.91667,
                1e-5);
    EXPECT_NEAR(exploring.averageMutationWidth, 1.0, 1e-12);  // mean 1 is not below sqrt(1)
}

TEST(OperatorCreditTest, BetterChildrenWriteTheirTags) {
    const Population parents{member({0}, 1.0), member({1}, 2.0)};
    const auto bred = [](int tag, int p1, int p2, double raw, int width = 0) {
        PopulationMember m = member({0}, raw);
        m.tag = tag;
        m.parent1 = p1;
        m.parent2 = p2;
        m.mutationWidth = width;
        return m;
    };
    const Population generation{
        bred(60, 0, 1, 1.5),      // beats one parent only
        bred(85, 0, 1, 1.5),      // a blend needs to beat its first parent
        bred(6, 1, -1, 3.0),      // reaches the best so far: three entries
        bred(8, 0, -1, 1.2, 3),   // records its width
        bred(0, 0, -1, 10.0),     // unchanged
        bred(91, 0, -1, 10.0),    // credited as a candidate, not here
        bred(90, 0, -1, 1.1),
        bred(7, 1, -1, 2.0),      // equal is not better
    };
    AdaptiveOperators adaptive(8);
    adaptive.credit(generation, parents, 2.5);
    EXPECT_EQ(adaptive.creditRing(), (std::vector<int>{85, 6, 6, 6, 8, 90, 0, 0}));
    EXPECT_EQ(adaptive.creditCursor(), 6);
    EXPECT_EQ(adaptive.widthRing()[0], 3);
    EXPECT_EQ(adaptive.widthCursor(), 1);

    AdaptiveOperators small(2);
    for (int tag : {6, 7, 8}) small.recordSuccess(tag);
    EXPECT_EQ(small.creditRing(), (std::vector<int>{8, 7}));
}

TEST(StatisticsTest, RawFitnessSummary) {
    Population population;
    for (double raw : {1.0, 4.0, 2.0, 5.0}) population.push_back(member({0}, raw));
    population[2].fitness = 99.0;
    const PopulationStatistics stats = takeStatistics(population, {});
    EXPECT_EQ(stats.minimum, 1.0);
    EXPECT_EQ(stats.maximum, 5.0);
    EXPECT_EQ(stats.average, 3.0);
    EXPECT_NEAR(stats.sigma, std::sqrt(10.0 / 3.0), 1e-12);
    EXPECT_EQ(stats.bestIndex, 3);
    EXPECT_EQ(population[2].fitness, 2.0);

    std::string warned;
    SearchMessages messages;
    messages.warning = [&](const std::string& text) { warned = text; };
    EXPECT_EQ(guardedSquareRoot(-1e-9, messages), 0.0);
    EXPECT_EQ(warned, "Internal error 239. Taking square root of a negative number. Returning "
                      "0.0 and continuing if possible.");
    EXPECT_EQ(guardedSquareRoot(6.25, messages), 2.5);
}

TEST(InitialPopulationTest, HypercubeLevelsBecomeFieldCodes) {
    // 5 points, width 4/2 = 2: levels 0..4 -> 0 0 1 1 (2 lowered to) 1
    std::vector<int> codes;
    for (int level = 0; level < 5; ++level) codes.push_back(hypercubeCode(level, 5, 2));
    EXPECT_EQ(codes, (std::vector<int>{0, 0, 1, 1, 1}));
    EXPECT_EQ(hypercubeCode(4, 5, 1), 0);
    EXPECT_EQ(hypercubeCode(4, 10, 3), 1);  // 4 / 3
    EXPECT_EQ(hypercubeCode(9, 10, 3), 2);
}

TEST(InitialPopulationTest, SeededDesignsComeFirstAndTheRestFormAHypercube) {
    design::Design stored;
    stored.ints = {3, 0, 1};
    stored.performance = 7.5;
    RandomStream random(0.5f);
    const InitialPopulationRequest request{6, {4, 1, 4}, true, 0};
    const Population population = buildInitialPopulation({stored, stored}, request, random);
    ASSERT_EQ(population.size(), 6u);
    EXPECT_FALSE(population[0].changed);
    EXPECT_EQ(population[1].rawFitness(), 7.5);
    std::set<int> first, last;
    for (std::size_t i = 2; i < 6; ++i) {
        EXPECT_TRUE(population[i].changed);
        EXPECT_EQ(population[i].rawFitness(), UNSET_PERFORMANCE);
        EXPECT_EQ(population[i].codes()[1], 0);
        first.insert(population[i].codes()[0]);
        last.insert(population[i].codes()[2]);
    }
    // 4 points over 4 codes: width 0.75, every code once per field
    EXPECT_EQ(first, (std::set<int>{0, 1, 2, 3}));
    EXPECT_EQ(last, (std::set<int>{0, 1, 2, 3}));

    const Population one = buildInitialPopulation({stored, stored, stored}, {4, {4, 1, 4}, true, 0},
                                                  random);
    EXPECT_TRUE(one[3].changed);
    EXPECT_TRUE(inRange(one[3].codes(), {4, 1, 4}));
    const Population full = buildInitialPopulation({stored, stored, stored}, {2, {4, 1, 4}, true, 0},
                                                   random);
    EXPECT_EQ(full.size(), 2u);
    EXPECT_FALSE(full[1].changed);
}

TEST(ReinitializationTest, BothCountersMustReachTheInterval) {
    Reinitialization reinit(2, 0.5f, true);
    Population population = withCodes({{1}, {2}, {3}, {4}});
    int best = 2;
    RandomStream random(0.5f);
    reinit.countGeneration(true);
    reinit.countGeneration(true);
    EXPECT_FALSE(reinit.check(population, best, 10, 100, {9}, 5, random));  // not stagnant
    reinit.countGeneration(false);
    reinit.countGeneration(false);
    EXPECT_TRUE(reinit.check(population, best, 10, 100, {9}, 5, random));
    // kept 4 - trunc(4 * 0.5) = 2, the best first; next interval max(20, 90 / 3)
    EXPECT_EQ(best, 0);
    EXPECT_EQ(population[0].codes(), std::vector<int>{3});
    EXPECT_EQ(population[1].codes(), std::vector<int>{2});
    EXPECT_FALSE(population[1].changed);
    EXPECT_TRUE(population[2].changed && population[3].changed);
    EXPECT_EQ(population[3].rawFitness(), UNSET_PERFORMANCE);
    EXPECT_EQ(reinit.interval(), 30);
    EXPECT_EQ(reinit.generationsSinceRestart(), 0);
    EXPECT_EQ(reinit.stagnantGenerations(), 2);

    Reinitialization replaceAll(0, 1.0f, false);
    EXPECT_TRUE(replaceAll.check(population, best, 95, 100, {9}, 5, random));
    EXPECT_EQ(replaceAll.interval(), 20);
    EXPECT_TRUE(std::all_of(population.begin(), population.end(),
                            [](const PopulationMember& m) { return m.changed; }));
    Reinitialization keepBest(0, 1.0f, true);
    EXPECT_TRUE(keepBest.check(population, best, 0, 100, {9}, 5, random));
    EXPECT_FALSE(population[0].changed);
    EXPECT_TRUE(population[1].changed);
}

}  // namespace
}  // namespace varno::search
