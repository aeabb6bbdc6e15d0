#include "problems.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

#include "varno/problems.h"

namespace bench {

namespace {

// A built-in problem under the benchmark's name; the analytic ones have their
// optimum moved by a random offset per seed.
Problem fromBuiltIn(const char* name, const char* builtIn, bool shifted) {
    const varno::tool::Problem& source = *varno::tool::findProblem(builtIn);
    Problem p;
    p.name = name;
    p.lower = source.lower;
    p.upper = source.upper;
    p.optimum = source.bestKnown;
    p.shifted = shifted;
    p.scales = source.constraintScales;
    p.penaltyWeight = source.penaltyWeight;
    p.source = &source;
    return p;
}

std::vector<Problem> makeSuite() {
    return {
        fromBuiltIn("Rosenbrock-10", "rosenbrock", true),
        fromBuiltIn("Rastrigin-10", "rastrigin", true),
        fromBuiltIn("Ackley-10", "ackley", true),
        fromBuiltIn("pressure vessel", "pressure-vessel", false),
        fromBuiltIn("welded beam", "welded-beam", false),
        fromBuiltIn("tension spring", "tension-spring", false),
    };
}

}  // namespace

// The offset moves the optimum by up to 40 % of the half-width of the box.
Instance::Instance(const Problem& problem, unsigned seed) : problem_(&problem) {
    offset_.assign(problem.lower.size(), 0.0);
    if (!problem.shifted) return;
    std::mt19937 random(seed * 7919u + 17u);
    for (std::size_t i = 0; i < offset_.size(); ++i) {
        const double half = 0.5 * (problem.upper[i] - problem.lower[i]);
        offset_[i] = std::uniform_real_distribution<double>(-0.4 * half, 0.4 * half)(random);
    }
}

Evaluation Instance::evaluate(const double* x) const {
    std::vector<double> z(x, x + offset_.size());
    for (std::size_t i = 0; i < z.size(); ++i) z[i] -= offset_[i];
    varno::tool::ProblemValues values;
    problem_->source->evaluate(z.data(), values);
    Evaluation e;
    e.objective = values.objectives.front();
    e.constraints = std::move(values.constraints);
    return e;
}

double Instance::penalised(const Evaluation& e) const {
    double penalty = 0.0;
    for (std::size_t i = 0; i < e.constraints.size(); ++i) {
        const double violation = std::max(0.0, e.constraints[i] / problem_->scales[i]);
        penalty += violation * violation;
    }
    const double value = e.objective + problem_->penaltyWeight * penalty;
    return std::isfinite(value) ? value : std::numeric_limits<double>::max();
}

bool Instance::feasible(const Evaluation& e) {
    return std::isfinite(e.objective) && std::all_of(e.constraints.begin(), e.constraints.end(),
                                                     [](double g) { return g <= 0.0; });
}

const std::vector<Problem>& problemSuite() {
    static const std::vector<Problem> suite = makeSuite();
    return suite;
}

}  // namespace bench
