// Time to build an optimised Latin hypercube at the default effort for
// 10 points in 5 dimensions, 40 in 40 and 100 in 10.
#include <benchmark/benchmark.h>

#include <vector>

#include "support/latin_hypercube.h"

namespace {

using varno::support::LatinHypercubeDesign;

void optimisedHypercube(benchmark::State& state) {
    const int samples = static_cast<int>(state.range(0));
    const int variables = static_cast<int>(state.range(1));
    const std::vector<int> levels(variables, samples);
    double distance = 0.0;
    for (auto _ : state) {
        const LatinHypercubeDesign design =
            LatinHypercubeDesign::optimized(samples, variables, levels, true, 1.0, 42);
        benchmark::DoNotOptimize(design.level(0, 0));
        distance = design.minimumDistance();
    }
    state.counters["min_distance"] = distance;
}

BENCHMARK(optimisedHypercube)
    ->Args({10, 5})
    ->Args({40, 40})
    ->Args({100, 10})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
