#include "search/smooth_maximizer.h"

#include <nlopt.hpp>

#include <algorithm>
#include <cmath>
#include <exception>

namespace varno::search {

namespace {

constexpr double constraintTolerance = 1e-8;
constexpr double relativeTolerance = 1e-10;

// Adapts a SmoothFunction to NLopt's callback and remembers the last point
// the objective saw, the answer when the solver gives up.
struct Callback {
    const SmoothFunction* function;
    Eigen::VectorXd* lastPoint;  // set for the objective only

    static double call(unsigned n, const double* x, double* gradient, void* data) {
        const auto* self = static_cast<const Callback*>(data);
        const Eigen::Map<const Eigen::VectorXd> point(x, n);
        if (self->lastPoint) *self->lastPoint = point;
        if (!gradient) return (*self->function)(point, nullptr);
        Eigen::VectorXd g(static_cast<Eigen::Index>(n));
        const double value = (*self->function)(point, &g);
        Eigen::Map<Eigen::VectorXd>(gradient, n) = g;
        return value;
    }
};

std::vector<double> toStd(const Eigen::VectorXd& v) { return {v.data(), v.data() + v.size()}; }

}  // namespace

std::vector<Eigen::VectorXd> bestValued(std::vector<Eigen::VectorXd> points,
                                        const std::function<double(const Eigen::VectorXd&)>& value,
                                        std::size_t count) {
    std::vector<std::pair<double, std::size_t>> ranked;
    for (std::size_t k = 0; k < points.size(); ++k) ranked.emplace_back(value(points[k]), k);
    const std::size_t kept = std::min(count, ranked.size());
    std::partial_sort(ranked.begin(), ranked.begin() + static_cast<std::ptrdiff_t>(kept),
                      ranked.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<Eigen::VectorXd> best;
    for (std::size_t k = 0; k < kept; ++k) best.push_back(std::move(points[ranked[k].second]));
    return best;
}

SmoothResult maximizeSmooth(const SmoothProblem& problem, const Eigen::VectorXd& start,
                            int evaluationLimit) {
    const auto n = static_cast<unsigned>(start.size());
    Eigen::VectorXd last = start.cwiseMax(problem.lower).cwiseMin(problem.upper);
    std::vector<Callback> callbacks;
    callbacks.reserve(1 + problem.inequalities.size() + problem.equalities.size());
    callbacks.push_back({&problem.objective, &last});
    nlopt::opt solver(nlopt::LD_SLSQP, n);
    solver.set_lower_bounds(toStd(problem.lower));
    solver.set_upper_bounds(toStd(problem.upper));
    solver.set_max_objective(Callback::call, &callbacks.back());
    for (const SmoothFunction& c : problem.inequalities) {
        callbacks.push_back({&c, nullptr});
        solver.add_inequality_constraint(Callback::call, &callbacks.back(), constraintTolerance);
    }
    for (const SmoothFunction& c : problem.equalities) {
        callbacks.push_back({&c, nullptr});
        solver.add_equality_constraint(Callback::call, &callbacks.back(), constraintTolerance);
    }
    solver.set_maxeval(evaluationLimit);
    solver.set_ftol_rel(relativeTolerance);
    solver.set_xtol_rel(relativeTolerance);
    if (problem.stepTolerance.size() == start.size()) {
        solver.set_xtol_abs(toStd(problem.stepTolerance));
    }

    SmoothResult result;
    std::vector<double> x = toStd(last);
    double value = 0.0;
    try {
        solver.optimize(x, value);
        result.x = Eigen::Map<const Eigen::VectorXd>(x.data(), start.size());
        result.converged = result.x.allFinite();
    } catch (const std::exception&) {
        // Round-off limits and solver failures end the search where it got to.
        result.x = last;
    }
    if (!result.x.allFinite()) result.x = start;
    result.x = result.x.cwiseMax(problem.lower).cwiseMin(problem.upper);
    return result;
}

}  // namespace varno::search
