#include "problems.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <random>

#include "varno/problems.h"

namespace bench {

namespace {

using varno::tool::ProblemValues;

constexpr double pi = std::numbers::pi;

// --- analytic problems the tool does not carry ---

constexpr int griewankDimension = 10;

// Minimum 0 at z = 0.
void griewank(const double* z, ProblemValues& out) {
    double squares = 0.0, product = 1.0;
    for (int i = 0; i < griewankDimension; ++i) {
        squares += z[i] * z[i];
        product *= std::cos(z[i] / std::sqrt(i + 1.0));
    }
    out.objectives = {1.0 + squares / 4000.0 - product};
}

// Three global minima of 5/(4 pi) (0.397887...), e.g. at (pi, 2.275).
void branin(const double* x, ProblemValues& out) {
    const double b = 5.1 / (4.0 * pi * pi), c = 5.0 / pi, t = 1.0 / (8.0 * pi);
    const double valley = x[1] - b * x[0] * x[0] + c * x[0] - 6.0;
    out.objectives = {valley * valley + 10.0 * (1.0 - t) * std::cos(x[0]) + 10.0};
}

constexpr int hartmannDimension = 6;
constexpr double hartmannAlpha[4] = {1.0, 1.2, 3.0, 3.2};
constexpr double hartmannA[4][hartmannDimension] = {{10, 3, 17, 3.5, 1.7, 8},
                                                    {0.05, 10, 17, 0.1, 8, 14},
                                                    {3, 3.5, 1.7, 10, 17, 8},
                                                    {17, 8, 0.05, 10, 0.1, 14}};
constexpr double hartmannP[4][hartmannDimension] = {
    {0.1312, 0.1696, 0.5569, 0.0124, 0.8283, 0.5886},
    {0.2329, 0.4135, 0.8307, 0.3736, 0.1004, 0.9991},
    {0.2348, 0.1451, 0.3522, 0.2883, 0.3047, 0.6650},
    {0.4047, 0.8828, 0.8732, 0.5743, 0.1091, 0.0381}};

// Minimum -3.32237 near (0.20169, 0.15001, 0.47687, 0.27533, 0.31165, 0.65730).
void hartmann6(const double* x, ProblemValues& out) {
    double f = 0.0;
    for (int i = 0; i < 4; ++i) {
        double exponent = 0.0;
        for (int j = 0; j < hartmannDimension; ++j) {
            const double d = x[j] - hartmannP[i][j];
            exponent += hartmannA[i][j] * d * d;
        }
        f -= hartmannAlpha[i] * std::exp(-exponent);
    }
    out.objectives = {f};
}

varno::tool::Problem analytic(const char* name, std::vector<double> lower,
                              std::vector<double> upper, double best,
                              void (*f)(const double*, ProblemValues&)) {
    varno::tool::Problem p;
    p.name = name;
    p.lower = std::move(lower);
    p.upper = std::move(upper);
    p.bestKnown = best;
    p.evaluate = f;
    return p;
}

const std::vector<varno::tool::Problem>& benchOnlyProblems() {
    static const std::vector<varno::tool::Problem> problems = {
        analytic("griewank", std::vector<double>(griewankDimension, -600.0),
                 std::vector<double>(griewankDimension, 600.0), 0.0, griewank),
        analytic("branin", {-5.0, 0.0}, {10.0, 15.0}, 5.0 / (4.0 * pi), branin),
        analytic("hartmann6", std::vector<double>(hartmannDimension, 0.0),
                 std::vector<double>(hartmannDimension, 1.0), -3.3223680114155147, hartmann6),
    };
    return problems;
}

const varno::tool::Problem& findSource(const char* name) {
    for (const auto& problem : benchOnlyProblems()) {
        if (problem.name == name) return problem;
    }
    return *varno::tool::findProblem(name);
}

// A built-in (or bench-only) problem under the benchmark's name; the analytic ones have their
// optimum moved by a random offset per seed.
Problem fromBuiltIn(const char* name, const char* builtIn, bool shifted) {
    const varno::tool::Problem& source = findSource(builtIn);
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
        fromBuiltIn("Griewank-10", "griewank", true),
        fromBuiltIn("Branin", "branin", false),
        fromBuiltIn("Hartmann-6", "hartmann6", false),
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
