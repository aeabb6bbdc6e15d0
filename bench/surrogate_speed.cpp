// Time of a Kriging build with its likelihood search, and of one prediction
// with its gradient, for 50, 150 and 300 points in 20 variables.
#include <benchmark/benchmark.h>

#include "surrogate/surrogate_model.h"
#include "surrogate_problems.h"

namespace {

using namespace varno;

constexpr int variables = 20;

struct Sample {
    Eigen::MatrixXd points;
    Eigen::VectorXd values;
};

Sample sampleOf(int count) {
    const bench::SurrogateProblem problem = bench::quadraticSine(variables);
    Sample sample{bench::hypercubePoints(count, variables, 3), {}};
    sample.values = bench::responsesAt(problem, sample.points);
    return sample;
}

void krigingBuild(benchmark::State& state) {
    const Sample sample = sampleOf(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        auto model = surrogate::buildSurrogate(surrogate::SurfaceKind::kriging, sample.points,
                                               sample.values, false);
        benchmark::DoNotOptimize(model.get());
    }
}

void krigingEvaluateWithGradient(benchmark::State& state) {
    const Sample sample = sampleOf(static_cast<int>(state.range(0)));
    const auto model = surrogate::buildSurrogate(surrogate::SurfaceKind::kriging, sample.points,
                                                 sample.values, false);
    const Eigen::MatrixXd probes = bench::randomPoints(64, variables, 5);
    Eigen::Index at = 0;
    for (auto _ : state) {
        const Eigen::VectorXd x = probes.row(at++ % probes.rows()).transpose();
        benchmark::DoNotOptimize(model->evaluate(x));
        benchmark::DoNotOptimize(model->gradient(x));
    }
}

BENCHMARK(krigingBuild)->Arg(50)->Arg(150)->Arg(300)->Unit(benchmark::kMillisecond);
BENCHMARK(krigingEvaluateWithGradient)->Arg(50)->Arg(150)->Arg(300)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
