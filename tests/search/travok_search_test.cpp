#include "search/travok_search.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "design/design_store.h"
#include "search/scripted_random.h"

namespace varno::search {
namespace {

using testing::scripted;

TravokSettings settings(int populationSize, int parallel) {
    TravokSettings s;
    s.populationSize = populationSize;
    s.parallelEvaluations = parallel;
    s.crowdingFactor = 2;
    s.reinitializeInterval = 1000;
    return s;
}

int cycleSize(int p, int parallel, int candidates, RandomStream random = RandomStream(0.5f)) {
    TravokSearch search(settings(p, parallel), {4}, random);
    return search.cycleSize(candidates);
}

TEST(TravokCycleSizeTest, SingleEvaluations) {
    EXPECT_EQ(cycleSize(10, 1, 2), 5);                     // trunc(7.5) - 2
    EXPECT_EQ(cycleSize(4, 1, 1, scripted({0.75})), 3);   // the flip fails: trunc(3)
    EXPECT_EQ(cycleSize(4, 1, 1, scripted({0.25})), 2);   // 3 - 1
}

TEST(TravokCycleSizeTest, SimultaneousEvaluations) {
    EXPECT_EQ(cycleSize(8, 2, 1), 5);    // n = 6 a whole number of batches
    EXPECT_EQ(cycleSize(4, 5, 0), 5);    // n = 3 below one batch
    EXPECT_EQ(cycleSize(10, 4, 0), 4);   // n = 7: one batch; (4 - 3) / 10 is not below 0.1
    EXPECT_EQ(cycleSize(6, 3, 0), 6);    // n = 4: a small population takes a second batch
    EXPECT_EQ(cycleSize(40, 4, 0), 32);  // n = 30: (4 - 2) / 40 < 0.1
    EXPECT_EQ(cycleSize(40, 7, 0), 28);  // n = 30: (7 - 2) / 40 >= 0.1
    EXPECT_EQ(cycleSize(4, 5, 6), -1);   // t - c <= 0 and p - c < P
    EXPECT_EQ(cycleSize(20, 2, 16), 2);  // t = 16; t - c = 0 and p - c >= P: one batch more
}

// The design store of the tests: evaluated designs by their codes.
struct FakeStore {
    std::map<std::vector<int>, double> known;
    std::vector<design::Design> simplex;

    StoreView view() {
        StoreView v;
        v.savedPerformance = [this](const design::Design& d) {
            const auto found = known.find(d.ints);
            return found == known.end() ? design::NEW_DESIGN_MARK : found->second;
        };
        v.storedDesigns = [this](const design::Design&, int count, bool) {
            std::vector<design::Design> designs = simplex;
            if (static_cast<int>(designs.size()) > count) designs.resize(count);
            return designs;
        };
        return v;
    }
};

double score(const std::vector<int>& codes) {
    double sum = 0.0;
    for (int c : codes) sum -= (c - 3) * (c - 3);
    return sum;
}

// Evaluates the changed members, as the design cycle does, and stores them.
void evaluate(Population& pending, FakeStore& store) {
    for (PopulationMember& m : pending) {
        if (!m.changed) continue;
        m.design.performance = score(m.codes());
        store.known[m.codes()] = m.design.performance;
    }
}

// A search whose random initial population has been evaluated and accepted.
struct Started {
    Started(const TravokSettings& s, std::vector<int> sizes) : search(s, std::move(sizes), random) {
        evaluate(search.buildInitialPopulation({}), store);
        search.acceptResults({});
    }
    RandomStream random{0.5f};
    TravokSearch search;
    FakeStore store;
};

TEST(TravokSearchTest, InitialPopulationKeepsSeededDesigns) {
    RandomStream random(0.5f);
    TravokSettings s = settings(6, 1);
    s.agentNumber = 3;
    TravokSearch search(s, {5, 5}, random);
    design::Design stored;
    stored.ints = {1, 1};
    stored.performance = -8.0;
    Population& pending = search.buildInitialPopulation({stored});
    ASSERT_EQ(pending.size(), 6u);
    EXPECT_FALSE(pending[0].changed);
    EXPECT_EQ(pending[0].rawFitness(), -8.0);
    for (std::size_t i = 1; i < 6; ++i) {
        EXPECT_TRUE(pending[i].changed);
        EXPECT_EQ(pending[i].design.tag1, 1);
        EXPECT_EQ(pending[i].design.tag2, 3);
        EXPECT_EQ(pending[i].design.agentTag, 3);
    }
    FakeStore store;
    evaluate(pending, store);
    search.acceptResults({});
    EXPECT_EQ(search.generation(), 0);
    EXPECT_EQ(search.bestMember().rawFitness(), search.statistics().maximum);
    EXPECT_TRUE(search.pending().empty());
}

// Breeds `cycles` generations and checks each: codes in range, unchanged
// members evaluated, changed ones new to the store and distinct, and exactly
// `handedOut` of them (the cycle's target with its candidates placed).
void breedAndCheck(int p, int parallel, int cycles, std::size_t handedOut) {
    const std::vector<int> sizes{8, 8, 8, 1};
    TravokSettings s = settings(p, parallel);
    s.designsFromHost = parallel == 1;
    Started started(s, sizes);
    auto [search, store] = std::tie(started.search, started.store);
    double best = search.bestSoFar();
    for (int cycle = 0; cycle < cycles; ++cycle) {
        Population& pending = search.breed(store.view(), cycle);
        ASSERT_EQ(pending.size(), static_cast<std::size_t>(p));
        std::set<std::vector<int>> changed;
        for (const PopulationMember& m : pending) {
            ASSERT_EQ(m.codes()[3], 0);
            ASSERT_TRUE(std::all_of(m.codes().begin(), m.codes().end(),
                                    [](int c) { return c >= 0 && c < 8; }));
            if (!m.changed) {
                ASSERT_TRUE(m.evaluated());
                continue;
            }
            ASSERT_EQ(store.known.count(m.codes()), 0u) << "cycle " << cycle;
            ASSERT_TRUE(changed.insert(m.codes()).second) << "cycle " << cycle;
        }
        EXPECT_EQ(changed.size(), handedOut);
        evaluate(pending, store);
        search.acceptResults({});
        EXPECT_EQ(search.generation(), cycle + 1);
        EXPECT_GE(search.bestSoFar(), best);
        best = search.bestSoFar();
    }
    EXPECT_EQ(store.known.size(), static_cast<std::size_t>(p) + cycles * handedOut);
}

TEST(TravokSearchTest, EveryCycleHandsOutNewDistinctDesigns) {
    breedAndCheck(10, 1, 15, 7);  // trunc(0.75 * 10)
    breedAndCheck(12, 3, 10, 9);  // trunc(0.75 * 12), three whole batches
}

TEST(TravokSearchTest, ThresholdsOfTheFirstCycle) {
    TravokSettings s = settings(8, 1);
    s.designsFromHost = false;
    Started started(s, {8, 8});
    auto [search, store] = std::tie(started.search, started.store);
    std::vector<double> raw;
    for (const PopulationMember& m : search.current()) raw.push_back(m.rawFitness());
    std::sort(raw.begin(), raw.end());
    search.breed(store.view(), 0);
    EXPECT_EQ(search.lowerThreshold(), raw[2]);  // trunc(8 / 3 - 0.333)
    EXPECT_EQ(search.upperThreshold(), raw[7]);  // 8 - trunc(0.8) - 1
}

TEST(TravokSearchTest, CandidatesLargestLevelAndSimplexReflection) {
    Started started(settings(8, 1), {10, 10});
    auto [search, store] = std::tie(started.search, started.store);
    // Worst [2, 9]; centroid of the others [3, 2]; reflected [4, -5] -> [4, 0].
    for (auto [codes, raw] : {std::pair{std::vector<int>{2, 2}, 5.0},
                              std::pair{std::vector<int>{4, 2}, 3.0},
                              std::pair{std::vector<int>{2, 9}, 1.0}}) {
        design::Design d;
        d.ints = codes;
        d.performance = raw;
        store.simplex.push_back(d);
    }
    store.known.erase({9, 9});
    store.known.erase({4, 0});
    search.breed(store.view(), 4);
    ASSERT_EQ(search.candidates().size(), 2u);
    EXPECT_EQ(search.candidates()[0].tag, tagLargestLevel);
    EXPECT_EQ(search.candidates()[0].design.ints, (std::vector<int>{9, 9}));
    EXPECT_EQ(search.candidates()[1].tag, tagSimplex);
    EXPECT_EQ(search.candidates()[1].design.ints, (std::vector<int>{4, 0}));
    EXPECT_EQ(search.candidates()[1].reference, search.bestMember().rawFitness());
    EXPECT_EQ(search.placedCandidates(), 2);

    evaluate(search.pending(), store);
    search.acceptResults({});
    // score([4, 0]) = -10 against the best initial member
    EXPECT_EQ(search.simplexRecord().found, 1);
    EXPECT_EQ(search.simplexRecord().successful,
              score({4, 0}) > search.candidates()[1].reference ? 1 : 0);

    // Both known now: the largest-level design is dropped, the reflection too.
    search.breed(store.view(), 5);
    EXPECT_TRUE(search.candidates().empty());
}

TEST(TravokSearchTest, NoCandidatesWithoutHostDesignsOrParallelRuns) {
    TravokSettings s = settings(8, 1);
    s.designsFromHost = false;
    Started started(s, {10, 10});
    started.search.breed(started.store.view(), 6);
    EXPECT_TRUE(started.search.candidates().empty());
}

TEST(CandidatePlacementTest, OnlyUnchangedChildrenAreOverwritten) {
    const auto population = [](std::vector<bool> changed) {
        Population p;
        for (bool c : changed) {
            PopulationMember m;
            m.design.ints = {0};
            m.changed = c;
            m.parent1 = 7;
            p.push_back(m);
        }
        return p;
    };
    std::vector<Candidate> candidates(3);
    for (int k = 0; k < 3; ++k) {
        candidates[static_cast<std::size_t>(k)].design.ints = {k + 1};
        candidates[static_cast<std::size_t>(k)].tag = 90 + k;
    }
    Population mixed = population({true, false, true, false, false});
    EXPECT_EQ(placeCandidates(mixed, candidates, 4), 3);
    EXPECT_EQ(mixed[1].codes(), std::vector<int>{1});
    EXPECT_EQ(mixed[3].codes(), std::vector<int>{2});
    EXPECT_EQ(mixed[4].codes(), std::vector<int>{3});
    EXPECT_EQ(mixed[4].tag, 92);
    EXPECT_EQ(mixed[4].parent1, 7);
    EXPECT_EQ(mixed[0].codes(), std::vector<int>{0});
    EXPECT_TRUE(mixed[4].changed);

    Population roomForOne = population({true, false, true});
    EXPECT_EQ(placeCandidates(roomForOne, candidates, 4), 1);
    // When every child differs from its parents no candidate is placed.
    Population allChanged = population({true, true, true});
    EXPECT_EQ(placeCandidates(allChanged, candidates, 4), 0);
    EXPECT_EQ(allChanged[2].codes(), std::vector<int>{0});
}

TEST(TravokSearchTest, ReinitializationHandsOutReplacedMembers) {
    TravokSettings s = settings(6, 1);
    s.reinitializeInterval = 0;
    s.reinitializeKeepFraction = 0.5f;
    Started started(s, {8, 8});
    auto [search, store] = std::tie(started.search, started.store);
    const std::vector<int> best = search.bestMember().codes();
    ASSERT_TRUE(search.reinitialize(0, 40));
    Population& pending = search.pending();
    EXPECT_EQ(pending[0].codes(), best);
    const auto changed = std::count_if(pending.begin(), pending.end(),
                                       [](const PopulationMember& m) { return m.changed; });
    EXPECT_EQ(changed, 3);  // 6 - trunc(6 * 0.5) kept
    evaluate(pending, store);
    search.acceptResults({});
    EXPECT_EQ(search.generation(), 1);
    EXPECT_EQ(search.reinitialization().interval(), 20);
}

}  // namespace
}  // namespace varno::search
