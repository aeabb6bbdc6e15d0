// The population searches driven as the engine drives them, over a fake
// store, and the engine itself with a budget that allows no evaluation.
#include <algorithm>
#include <cstdint>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "search/engine_cycle.h"
#include "search_test_support.h"

namespace varno::search {
namespace {

// The designs evaluated so far, by their codes. A design scores
// -sum((c - 3)^2) and has the two conflicting objectives c0 + c1 and
// 5 - c0 + c2 (c2 read as 0 when there is no third field), then c0 as a
// third response.
struct FakeStore : DesignsByCodes {
    std::vector<design::Design> simplex;  // what a simplex lookup returns

    StoreView view() {
        StoreView v = DesignsByCodes::view();
        v.storedDesigns = [this](const design::Design&, int count, bool) {
            std::vector<design::Design> designs = simplex;
            designs.resize(std::min(designs.size(), static_cast<std::size_t>(count)));
            return designs;
        };
        return v;
    }
    // Evaluates the changed members, as the design cycle does, and stores them.
    void evaluate(Population& population) {
        for (PopulationMember& m : population) {
            if (!m.changed) continue;
            design::Design& d = m.design;
            d.performance = 0.0;
            for (int c : d.ints) d.performance -= (c - 3) * (c - 3);
            const double f1 = d.ints[0] + d.ints[1];
            const double f2 = 5 - d.ints[0] + (d.ints.size() > 2 ? d.ints[2] : 0);
            d.responseValues = {{model::makeDoubleValue(f1)},
                                {model::makeDoubleValue(f2)},
                                {model::makeDoubleValue(d.ints[0])}};
            d.id = static_cast<int>(stored.size()) + 1;
            stored[d.ints] = d;
        }
    }
};

using Started = StartedSearch<FakeStore>;

TEST(TravokSearchTest, SeededDesignsStayAndPopulationsGoOutOneAtATime) {
    RandomStream random(0.5f);
    TravokSettings s = travokSettings(6, 1);
    s.agentNumber = 3;
    TravokSearch search(s, {5, 5}, random);
    Population& pending = search.buildInitialPopulation({evaluatedDesign({1, 1}, -8.0)});
    ASSERT_EQ(pending.size(), 6u);
    EXPECT_FALSE(pending[0].changed);
    EXPECT_TRUE(std::all_of(pending.begin() + 1, pending.end(), [](const PopulationMember& m) {
        return m.changed && m.design.agentTag == 3;
    }));
    EXPECT_THROW(search.buildInitialPopulation({}), std::logic_error);
    EXPECT_THROW(search.breed(FakeStore().view(), 0), std::logic_error);
    FakeStore().evaluate(pending);
    search.acceptResults({});
    EXPECT_EQ(search.generation(), 0) << "the initial population is no generation";
    EXPECT_EQ(search.bestMember().rawFitness(), search.bestSoFar());
    EXPECT_THROW(search.acceptResults({}), std::logic_error);
}

// Every generation: codes in range, unchanged members evaluated, changed ones
// new to the store and distinct, in whole batches of simultaneous evaluations.
TEST(TravokSearchTest, EveryCycleHandsOutNewDistinctDesigns) {
    for (const auto& [p, parallel] : {std::pair{10, 1}, std::pair{12, 3}, std::pair{16, 4}}) {
        SCOPED_TRACE(parallel);
        Started started(travokSettings(p, parallel), {8, 8, 8, 1});
        auto& [random, search, store] = started;
        for (int cycle = 0; cycle < 12; ++cycle) {
            const double best = search.bestSoFar();
            Population& pending = search.breed(store.view(), cycle);
            ASSERT_EQ(pending.size(), static_cast<std::size_t>(p));
            std::set<design::IntegerCodes> changed;
            for (const PopulationMember& m : pending) {
                ASSERT_EQ(m.codes()[3], 0);
                ASSERT_TRUE(std::all_of(m.codes().begin(), m.codes().end(),
                                        [](int c) { return c >= 0 && c < 8; }));
                ASSERT_TRUE(m.changed || m.evaluated());
                if (!m.changed) continue;
                ASSERT_EQ(store.stored.count(m.codes()), 0u) << "cycle " << cycle;
                ASSERT_TRUE(changed.insert(m.codes()).second) << "cycle " << cycle;
            }
            EXPECT_GT(changed.size(), 0u);
            EXPECT_EQ(changed.size() % static_cast<std::size_t>(parallel), 0u);
            store.evaluate(pending);
            search.acceptResults({});
            EXPECT_EQ(search.generation(), cycle + 1);
            EXPECT_GE(search.bestSoFar(), best);
        }
    }
}

TEST(TravokSearchTest, CandidatesLargestLevelAndSimplexReflectionTakeUnchangedPlaces) {
    Started started(travokSettings(8, 1), {10, 10});
    auto& [random, search, store] = started;
    // Worst [2, 9]; centroid of the others [3, 2]; reflected [4, -5] -> [4, 0].
    store.simplex = {evaluatedDesign({2, 2}, 5.0), evaluatedDesign({4, 2}, 3.0),
                     evaluatedDesign({2, 9}, 1.0)};
    store.stored.erase({9, 9});
    store.stored.erase({4, 0});
    Population& pending = search.breed(store.view(), 4);
    std::vector<std::pair<int, std::vector<int>>> found;
    for (const Candidate& c : search.candidates()) found.emplace_back(c.tag, c.design.ints);
    ASSERT_EQ(found, (decltype(found){{tagLargestLevel, {9, 9}}, {tagSimplex, {4, 0}}}));
    EXPECT_EQ(search.candidates()[1].reference, search.bestMember().rawFitness());
    EXPECT_GE(findByCodes(pending, {9, 9}), 0);
    EXPECT_GE(findByCodes(pending, {4, 0}), 0);

    store.evaluate(pending);
    search.acceptResults({});
    EXPECT_EQ(search.simplexRecord().found, 1);
    const double reflectedScore = -(1.0 + 9.0);  // [4, 0]
    EXPECT_EQ(search.simplexRecord().successful,
              reflectedScore > search.candidates()[1].reference ? 1 : 0);
    // Both known now: the largest-level design is dropped, the reflection too.
    search.breed(store.view(), 5);
    EXPECT_TRUE(search.candidates().empty());

    TravokSettings alone = travokSettings(8, 1);
    alone.designsFromHost = false;
    Started withoutHost(alone, {10, 10});
    withoutHost.search.breed(withoutHost.store.view(), 6);
    EXPECT_TRUE(withoutHost.search.candidates().empty()) << "no host, no simultaneous runs";
    Population population(4);
    for (std::size_t i = 0; i < 4; ++i) {
        population[i].design.ints = {0};
        population[i].changed = i % 2 == 0;
    }
    std::vector<Candidate> candidates(3);
    for (int k = 0; k < 3; ++k) candidates[static_cast<std::size_t>(k)].design.ints = {k + 1};
    EXPECT_EQ(placeCandidates(population, candidates, 4), 2) << "room for two";
    const std::vector<int> codes[] = {{0}, {1}, {0}, {2}};
    for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(population[i].codes(), codes[i]);
    EXPECT_TRUE(population[3].changed);
    EXPECT_EQ(placeCandidates(population, candidates, 4), 0) << "every child is new";
}

TEST(TravokSearchTest, ReinitializationHandsOutReplacedMembers) {
    TravokSettings s = travokSettings(6, 1);
    s.reinitializeInterval = 0;
    s.reinitializeKeepFraction = 0.5f;
    Started started(s, {8, 8});
    auto& [random, search, store] = started;
    const design::IntegerCodes best = search.bestMember().codes();
    ASSERT_TRUE(search.reinitialize(0, 40));
    EXPECT_FALSE(search.reinitialize(0, 40)) << "a population is out for evaluation";
    Population& pending = search.pending();
    EXPECT_EQ(pending[0].codes(), best);
    const auto changed = std::count_if(pending.begin(), pending.end(),
                                       [](const PopulationMember& m) { return m.changed; });
    EXPECT_EQ(changed, 3);  // half the population kept
    store.evaluate(pending);
    search.acceptResults({});
    EXPECT_EQ(search.generation(), 1);
}

TEST(MotravokSearchTest, FewerThanTwoObjectivesAreFatal) {
    model::PerformanceDefinition def = twoObjectives();
    def.goals[1].flag = model::kindConstraint;
    MotravokSettings s;
    s.performanceNumber = 3;
    RandomStream random(0.5f);
    testing::expectFatal([&] { MotravokSearch(s, {4}, random, def, ""); },
                         "At least 2 objectives must be defined for a multi-objective run. Found "
                         "only 1 in the Performance3.in file.\n\t Exiting.\n");
}

// A MOTRAVOK search over fields of `sizes` codes for the definition `def`,
// with the real-valued step and constraint repair on or off, whose initial
// population has been evaluated and accepted.
struct MotravokRun {
    MotravokRun(bool realStep, std::vector<int> sizes, const std::string& paretoPath = "",
                model::PerformanceDefinition definition = twoObjectives(), bool repair = false)
        : def(std::move(definition)),
          search(settings(realStep, repair), std::move(sizes), random, def, paretoPath) {
        store.evaluate(search.buildInitialPopulation({}));
        search.acceptResults(store.all());
    }
    static MotravokSettings settings(bool realStep, bool repair) {
        MotravokSettings s;
        s.archiveSize = 8;
        s.breedingSize = 6;
        s.realStep = realStep;
        s.constraintRepair = repair;
        return s;
    }
    // The changed children of `cycles` bred generations, in order, each
    // generation evaluated and accepted.
    std::vector<design::IntegerCodes> breed(int cycles) {
        std::vector<design::IntegerCodes> children;
        for (int cycle = 0; cycle < cycles; ++cycle) {
            Population& bred = search.breed(store.view(), cycle);
            for (const PopulationMember& child : bred) {
                if (child.changed) children.push_back(child.codes());
            }
            store.evaluate(bred);
            search.acceptResults(store.all());
        }
        return children;
    }
    const model::PerformanceDefinition def;
    RandomStream random{0.25f};
    MotravokSearch search;
    FakeStore store;
};

// Every child is a design new to the store and to its generation (the store
// gains one design per child) and within its fields, with or without the
// real-valued step and constraint repair; the archive keeps its size, and
// selected over every stored design, no stored design dominates a member of
// its first front. Without the options the search breeds exactly the designs
// it bred before they existed (the digest of this seed's children, recorded
// then); each option changes what is bred, but repair without constraints
// changes nothing.
TEST(MotravokSearchTest, BreedsNewChildrenWithinTheFieldsAndKeepsTheArchive) {
    testing::TempDirectory folder;
    model::PerformanceDefinition constrained = twoObjectives();
    // The third response must stay at most 500.
    constrained.add(testing::goalOf("g", model::kindConstraint, -1, 500.0, 100.0));
    const std::vector<int> wide{1001, 7, 1001};
    const struct {
        bool realStep, repair;
        model::PerformanceDefinition def;
        std::vector<int> sizes;
    } runs[] = {{false, false, twoObjectives(), {6, 6, 6}}, {false, false, twoObjectives(), wide},
                {true, false, twoObjectives(), wide},       {false, true, twoObjectives(), wide},
                {false, false, constrained, wide},          {false, true, constrained, wide}};
    std::vector<std::vector<design::IntegerCodes>> bred;
    for (const auto& [realStep, repair, def, sizes] : runs) {
        SCOPED_TRACE(bred.size());
        const std::string path = folder.file(std::to_string(bred.size()) + ".pto");
        MotravokRun run(realStep, sizes, path, def, repair);
        const auto& children = bred.emplace_back(run.breed(15));
        EXPECT_EQ(run.store.stored.size(), 8u + children.size());
        for (const design::IntegerCodes& codes : children) {
            for (std::size_t f = 0; f < sizes.size(); ++f) {
                ASSERT_TRUE(codes[f] >= 0 && codes[f] < sizes[f]) << f;
            }
        }
        EXPECT_EQ(run.search.archive().size(), 8u);
        EXPECT_EQ(run.search.generation(), 15);
        EXPECT_FALSE(run.search.finished()) << "termination is off";
        for (const ParetoDesign& member : run.search.archive()) {
            if (member.rank != 1) continue;
            for (const auto& entry : run.store.stored) {
                EXPECT_NE(dominates(prepareObjectives(entry.second, run.def), member), 1);
            }
        }
        EXPECT_EQ(lastParetoCycle(path), 16);
    }
    for (std::size_t k = 0; k < 5; ++k) EXPECT_EQ(bred[k].size(), 90u) << k;
    std::uint64_t hash = 1469598103934665603ull;
    for (const design::IntegerCodes& codes : bred[1]) {
        for (int code : codes) hash = (hash ^ static_cast<std::uint64_t>(code)) * 1099511628211ull;
    }
    EXPECT_EQ(hash, 533918970003044386u) << "bred before the options";
    EXPECT_NE(bred[2], bred[1]);
    EXPECT_EQ(bred[3], bred[1]) << "repair without constraints";
    EXPECT_NE(bred[5], bred[4]);
}

// The first set the engine hands out for `method` with a budget of `budget`
// evaluations, over an empty store of three variables of 11 levels.
std::vector<design::Design> firstSet(SearchMethod& method, int budget, EngineState& state) {
    model::ProjectModel project;
    model::StudyVariable variable;
    variable.kindTag = model::continuousKindTag;
    variable.max = 1.0;
    variable.resolution = 11;
    project.dvar.front().data = {variable, variable, variable};
    design::DesignEncoding encoding(project, design::EncodingSettings{});
    design::DesignStore store;
    Agent agent;
    agent.ncycles = 10;
    agent.MAX_EVALUATIONS = budget;
    int cycle = 0;
    EngineRequest request{
        agent, store, encoding, method, state, cycle, {}, [](design::Design&) { return 0.0; }, {}};
    return produceDesigns(request);
}

// Without a budget the engine hands out nothing and never starts the search;
// with one, it hands out the initial population.
TEST(EngineCycleTest, NoBudgetProducesNothing) {
    const std::vector<int> sizes(3, 11);
    RandomStream random(0.5f);
    const TravokSettings travok = travokSettings(8);
    const MotravokSettings motravok = MotravokRun::settings(false, false);
    const model::PerformanceDefinition def = twoObjectives();
    TravokSearch travokIdle(travok, sizes, random);
    TravokSearch travokWithBudget(travok, sizes, random);
    MotravokSearch idle(motravok, sizes, random, def, "");
    MotravokSearch withBudget(motravok, sizes, random, def, "");
    for (const auto& [none, some] :
         {std::pair<SearchMethod*, SearchMethod*>{&travokIdle, &travokWithBudget},
          {&idle, &withBudget}}) {
        EngineState state;
        EXPECT_TRUE(firstSet(*none, 0, state).empty());
        EXPECT_TRUE(state.finished && !state.initialHandedOut);
        EXPECT_TRUE(none->pending().empty());
        state = EngineState{};
        const std::vector<design::Design> designs = firstSet(*some, 30, state);
        ASSERT_EQ(designs.size(), 8u) << "the initial population";
        EXPECT_EQ(designs.back().id, 8);
        EXPECT_FALSE(state.finished);
    }
    EXPECT_TRUE(idle.archive().empty());
}

}  // namespace
}  // namespace varno::search
