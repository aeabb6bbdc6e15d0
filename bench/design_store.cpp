// Speed and size of the design store for designs of 10 variables and 5
// responses: adding a new design, finding a stored one and the saved-
// performance lookup, with integer-coded and real-valued designs, at store
// sizes of 1,000, 10,000 and 100,000 designs; and finding real-valued designs
// equal to stored ones within the tolerance but not identical to them. The
// saved-performance lookup is measured twice: over designs of their own far
// apart in memory, and as the search engine asks, with a probe design just
// made from the codes. Beside them, what the first of these waits for: three
// reads that each wait for the one before, in as much memory.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "design/design.h"
#include "design/design_store.h"
#include "model/data_value.h"
#include "model/project_model.h"
#include "performance/performance.h"

namespace {

using varno::design::Design;
using varno::design::DesignStore;

constexpr int variableCount = 10;
constexpr int responseCount = 5;
constexpr std::size_t storeSizes[] = {1000, 10000, 100000};

// Design number `n` of a kind; distinct numbers give distinct designs.
Design makeDesign(int kind, int n, std::mt19937& random) {
    std::uniform_int_distribution<int> level(0, 99);
    std::uniform_real_distribution<double> value(0.0, 1.0);
    Design design;
    design.evaluationKind = kind;
    design.id = n + 1;
    design.name = "Design" + std::to_string(n + 1);
    design.performance = value(random);
    design.status.status = varno::design::statusFeasible;
    design.status.responseStates.assign(responseCount, 1);
    for (int i = 0; i < variableCount; ++i) design.ints.push_back(level(random));
    design.ints[0] = n % 1000;  // the first two levels make the design unique
    design.ints[1] = n / 1000;
    for (int i = 0; i < variableCount; ++i) {
        design.reals.push_back(kind == varno::design::integerCoded ? design.ints[i] / 99.0
                                                                   : value(random));
    }
    design.responseValues.assign(responseCount, {varno::model::makeDoubleValue(value(random)),
                                                 varno::model::endOfListValue()});
    return design;
}

struct Filled {
    DesignStore store;
    std::vector<Design> designs;  // the stored designs, in store order
};

// A store of `size` designs of `kind`, built once per kind and size.
const Filled& filledStore(int kind, std::size_t size) {
    static std::map<std::pair<int, std::size_t>, Filled> cache;
    auto [entry, added] = cache.try_emplace({kind, size});
    if (added) {
        std::mt19937 random(12345);
        for (std::size_t n = 0; n < size; ++n) {
            entry->second.designs.push_back(makeDesign(kind, static_cast<int>(n), random));
            entry->second.store.addDesign(entry->second.designs.back());
        }
    }
    return entry->second;
}

void reportSize(benchmark::State& state, const DesignStore& store) {
    state.counters["bytes_per_design"] =
        static_cast<double>(store.bytesHeld()) / static_cast<double>(store.size());
}

// New designs go into a copy of the filled store; the run is limited to a
// tenth of the store size so that the store grows by at most 10%.
void addNewDesign(benchmark::State& state, int kind) {
    const auto size = static_cast<std::size_t>(state.range(0));
    DesignStore store = filledStore(kind, size).store;
    std::mt19937 random(777);
    std::vector<Design> fresh;
    for (std::int64_t i = 0; i < state.max_iterations; ++i) {
        fresh.push_back(makeDesign(kind, static_cast<int>(size + i), random));
    }
    std::size_t next = 0;
    for (auto _ : state) benchmark::DoNotOptimize(store.addDesign(fresh[next++]));
    reportSize(state, store);
}

void findStoredDesign(benchmark::State& state, int kind) {
    const Filled& filled = filledStore(kind, static_cast<std::size_t>(state.range(0)));
    std::size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(filled.store.findDesign(filled.designs[next]));
        next = (next + 7919) % filled.designs.size();  // spread over the store
    }
    reportSize(state, filled.store);
}

// Each value moved by 1e-10 of itself: still equal to the stored design, but
// the design's hash has to be computed from its printed values.
void findNearStoredDesign(benchmark::State& state) {
    const Filled& filled =
        filledStore(varno::design::realValued, static_cast<std::size_t>(state.range(0)));
    std::vector<Design> near(filled.designs.begin(), filled.designs.end());
    for (Design& design : near) {
        for (double& value : design.reals) value *= 1 + 1e-10;
    }
    std::size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(filled.store.findDesign(near[next]));
        next = (next + 7919) % near.size();
    }
    reportSize(state, filled.store);
}

void lookupSavedPerformance(benchmark::State& state, int kind) {
    const auto size = static_cast<std::size_t>(state.range(0));
    const Filled& filled = filledStore(kind, size);
    std::vector<Design> repeats(filled.designs.begin(), filled.designs.end());
    const DesignStore::PerformanceFunction score = [](Design& d) {
        return varno::model::doubleValueOf(d.responseValues[0][0]);
    };
    std::size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(filled.store.lookupSavedPerformance(repeats[next], score, false));
        next = (next + 7919) % repeats.size();
    }
    reportSize(state, filled.store);
}

// Probes reused in turn, so in cache as a freshly made probe is; the numbers
// of the designs looked up lie in lookup order, as the engine's codes would.
void lookupFromFreshProbe(benchmark::State& state, int kind) {
    const auto size = static_cast<std::size_t>(state.range(0));
    const Filled& filled = filledStore(kind, size);
    std::vector<Design> probes(filled.designs.begin(), filled.designs.begin() + 16);
    std::vector<int> ints;
    std::vector<double> reals;
    for (std::size_t i = 0, next = 0; i < size; ++i, next = (next + 7919) % size) {
        ints.insert(ints.end(), filled.designs[next].ints.begin(), filled.designs[next].ints.end());
        reals.insert(reals.end(), filled.designs[next].reals.begin(),
                     filled.designs[next].reals.end());
    }
    const DesignStore::PerformanceFunction score = [](Design& d) {
        return varno::model::doubleValueOf(d.responseValues[0][0]);
    };
    std::size_t at = 0;
    for (auto _ : state) {
        Design& probe = probes[at % probes.size()];
        std::copy_n(ints.begin() + static_cast<std::ptrdiff_t>(at * variableCount), variableCount,
                    probe.ints.begin());
        std::copy_n(reals.begin() + static_cast<std::ptrdiff_t>(at * variableCount), variableCount,
                    probe.reals.begin());
        benchmark::DoNotOptimize(filled.store.lookupSavedPerformance(probe, score, false));
        at = (at + 1) % size;
    }
    reportSize(state, filled.store);
}

// Three reads, each at an address the one before gives, at random places in
// about as much memory as the store and the probe designs of
// LookupSavedPerformance hold (2 KB per design): what a lookup of a probe far
// from the cache waits for, reading in that order the probe design with its
// codes, the key entry and the record. Consecutive lookups may overlap a
// little where their work is short; these reads never do.
void threeDependentReads(benchmark::State& state) {
    struct alignas(64) Line {
        std::size_t next = 0;
    };
    const auto lineCount = static_cast<std::size_t>(state.range(0)) * 2048 / sizeof(Line);
    std::vector<std::size_t> order(lineCount);
    for (std::size_t i = 0; i < lineCount; ++i) order[i] = i;
    std::shuffle(order.begin(), order.end(), std::mt19937(7));
    std::vector<Line> lines(lineCount);  // one random cycle through every line
    for (std::size_t i = 0; i < lineCount; ++i) lines[order[i]].next = order[(i + 1) % lineCount];
    std::size_t at = order[0];
    for (auto _ : state) {
        for (int read = 0; read < 3; ++read) at = lines[at].next;
        benchmark::DoNotOptimize(at);
    }
}

bool registerStoreBenchmarks() {
    for (const auto& [kind, label] : {std::pair{varno::design::integerCoded, "Integer"},
                                      std::pair{varno::design::realValued, "Real"}}) {
        for (std::size_t size : storeSizes) {
            const auto arg = static_cast<std::int64_t>(size);
            const std::string suffix = label;
            benchmark::RegisterBenchmark(("AddNewDesign" + suffix).c_str(), addNewDesign, kind)
                ->Arg(arg)
                ->Iterations(arg / 10);
            benchmark::RegisterBenchmark(("FindStoredDesign" + suffix).c_str(), findStoredDesign,
                                         kind)
                ->Arg(arg);
            benchmark::RegisterBenchmark(("LookupSavedPerformance" + suffix).c_str(),
                                         lookupSavedPerformance, kind)
                ->Arg(arg);
            benchmark::RegisterBenchmark(("LookupSavedPerformanceFreshProbe" + suffix).c_str(),
                                         lookupFromFreshProbe, kind)
                ->Arg(arg);
        }
    }
    for (std::size_t size : storeSizes) {
        benchmark::RegisterBenchmark("FindNearStoredDesignReal", findNearStoredDesign)
            ->Arg(static_cast<std::int64_t>(size));
        benchmark::RegisterBenchmark("ThreeDependentReads", threeDependentReads)
            ->Arg(static_cast<std::int64_t>(size));
    }
    return true;
}

const bool storeBenchmarksRegistered = registerStoreBenchmarks();

}  // namespace

// ------------------------------------------------------ performance function
// One design scored against 10 responses: four objectives (one per option),
// five constraints (three of them violated) and one plain response, with fixed
// factors.

namespace {

varno::model::PerformanceDefinition mixedDefinition() {
    struct Goal {
        int flag, opt;
        double target, norm, quadWt, linearWt;
    };
    const Goal goals[] = {
        {0, -1, 0.0, 2.0, 0.0, 1.0}, {0, 1, 0.0, 3.0, 1.0, 1.0},   {0, 0, 5.0, 1.5, 1.0, 0.5},
        {0, 2, 4.0, 2.5, 0.0, 1.0},  {1, -1, 10.0, 1.0, 1.0, 0.0}, {1, 1, 2.0, 2.0, 1.0, 1.0},
        {1, 0, 7.0, 1.0, 0.5, 1.0},  {1, -1, 8.0, 4.0, 1.0, 1.0},  {1, 1, 0.5, 1.0, 2.0, 0.0},
        {3, 0, 0.0, 1.0, 0.0, 0.0},
    };
    varno::model::PerformanceDefinition definition;
    for (const Goal& goal : goals) {
        varno::model::ResponseGoal entry;
        entry.name = "response";
        entry.flag = goal.flag;
        entry.opt = goal.opt;
        entry.target = goal.target;
        entry.norm = goal.norm;
        entry.coef = goal.quadWt;
        entry.offset = goal.linearWt;
        definition.add(entry);
    }
    return definition;
}

void computePerformanceTenResponses(benchmark::State& state) {
    varno::model::PerformanceDefinition definition = mixedDefinition();
    const std::vector<double> values = {3.0, 4.0, 6.0, 1.0, 12.0, 3.0, 7.0, 9.5, 0.1, 42.0};
    const varno::performance::PerformanceContext context;
    Design design;
    design.status.status = varno::design::statusNoGoals;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            varno::performance::computePerformance(design, definition, values, context));
    }
}
BENCHMARK(computePerformanceTenResponses);

}  // namespace

BENCHMARK_MAIN();
