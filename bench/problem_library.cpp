// The benchmark problems as a plain C library, so that tools outside C++ (the
// scipy script) evaluate exactly the same code, offsets and penalty.
#include <cstring>
#include <limits>
#include <memory>

#include "problems.h"

namespace {

const bench::Problem* problemAt(int id) {
    const auto& suite = bench::problemSuite();
    if (id < 0 || id >= static_cast<int>(suite.size())) return nullptr;
    return &suite[static_cast<std::size_t>(id)];
}

// The instance of the last (problem, seed) asked for: building one per call
// would cost more than many evaluations.
const bench::Instance& instanceFor(const bench::Problem& problem, unsigned seed) {
    static std::unique_ptr<bench::Instance> cached;
    static unsigned cachedSeed = 0;
    if (!cached || &cached->problem() != &problem || cachedSeed != seed) {
        cached = std::make_unique<bench::Instance>(problem, seed);
        cachedSeed = seed;
    }
    return *cached;
}

}  // namespace

extern "C" {

int bench_problem_count(void) { return static_cast<int>(bench::problemSuite().size()); }

const char* bench_problem_name(int id) {
    const bench::Problem* problem = problemAt(id);
    return problem != nullptr ? problem->name.c_str() : nullptr;
}

int bench_problem_dimension(int id) {
    const bench::Problem* problem = problemAt(id);
    return problem != nullptr ? problem->dimension() : 0;
}

double bench_problem_optimum(int id) {
    const bench::Problem* problem = problemAt(id);
    return problem != nullptr ? problem->optimum : std::numeric_limits<double>::quiet_NaN();
}

// Copies the box into `lower` and `upper` (dimension values each).
void bench_problem_bounds(int id, double* lower, double* upper) {
    const bench::Problem* problem = problemAt(id);
    if (problem == nullptr) return;
    std::memcpy(lower, problem->lower.data(), problem->lower.size() * sizeof(double));
    std::memcpy(upper, problem->upper.data(), problem->upper.size() * sizeof(double));
}

// Evaluates `x` (n values) on problem `id` as seed `seed` sees it. Returns the
// penalised objective the optimisers minimise; `*feasibleObjective` gets the
// objective when `x` is feasible and +infinity otherwise.
double bench_problem(int id, unsigned seed, const double* x, int n, double* feasibleObjective) {
    const double none = std::numeric_limits<double>::infinity();
    *feasibleObjective = none;
    const bench::Problem* problem = problemAt(id);
    if (problem == nullptr || n != problem->dimension()) return none;
    const bench::Instance& instance = instanceFor(*problem, seed);
    const bench::Evaluation e = instance.evaluate(x);
    if (bench::Instance::feasible(e)) *feasibleObjective = e.objective;
    return instance.penalised(e);
}

}  // extern "C"
