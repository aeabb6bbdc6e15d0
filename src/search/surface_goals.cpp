#include "search/surface_goals.h"

#include <algorithm>
#include <cmath>

#include "performance/performance.h"

namespace varno::search {

namespace {

// The correlation parameters of a Kriging surface are tuned on at most this
// many of its points (see buildKrigingTunedOnPart): half of the most a
// surrogate step fits, an eighth of the likelihood's cost.
constexpr int krigingTuningPoints = 75;

bool isGoal(int flag) { return flag == model::kindObjective || flag == model::kindConstraint; }

// The performance of response values through the performance function, never
// fixing a baseline factor.
double score(model::PerformanceDefinition& definition, const std::vector<double>& values) {
    design::Design scratch;
    scratch.status.status = design::statusFeasible;
    return performance::computePerformance(scratch, definition, values, {});
}

// Central differences are exact for the terms, which are at most quadratic in
// the value; the step follows the value's magnitude.
double differenceStep(double v) { return 1e-4 * std::max(1.0, std::fabs(v)); }

// Equality constraints measure a distance from their target.
constexpr int equalToTarget = 0;

}  // namespace

Eigen::MatrixXd responseTable(const std::vector<design::Design>& designs, std::size_t responses) {
    Eigen::MatrixXd table = Eigen::MatrixXd::Zero(static_cast<Eigen::Index>(designs.size()),
                                                  static_cast<Eigen::Index>(responses));
    for (std::size_t k = 0; k < designs.size(); ++k) {
        const auto& values = designs[k].responseValues;
        for (std::size_t i = 0; i < responses && i < values.size(); ++i) {
            if (!values[i].empty()) {
                table(static_cast<Eigen::Index>(k), static_cast<Eigen::Index>(i)) =
                    values[i].front().doubleValue;
            }
        }
    }
    return table;
}

SurfaceGoals::SurfaceGoals(model::PerformanceDefinition definition,
                           std::vector<std::shared_ptr<const surrogate::SurrogateModel>> surfaces)
    : definition_(std::move(definition)), objectives_(definition_), surfaces_(std::move(surfaces)) {
    for (model::ResponseGoal& goal : objectives_.goals) {
        if (goal.flag == model::kindConstraint) goal.flag = model::kindPlainResponse;
    }
}

std::optional<SurfaceGoals> SurfaceGoals::fit(const model::PerformanceDefinition& definition,
                                              surrogate::SurfaceKind kind, int order,
                                              const Eigen::MatrixXd& points,
                                              const Eigen::MatrixXd& values) {
    std::vector<std::shared_ptr<const surrogate::SurrogateModel>> surfaces(definition.size());
    bool anyGoal = false;
    for (std::size_t i = 0; i < definition.size(); ++i) {
        if (!isGoal(definition.goals[i].flag)) continue;
        const Eigen::VectorXd column = values.col(static_cast<Eigen::Index>(i));
        if (kind == surrogate::SurfaceKind::leastSquares) {
            surfaces[i] = surrogate::fitPolynomialSurrogate(order, points, column);
        } else if (kind == surrogate::SurfaceKind::kriging) {
            surfaces[i] = surrogate::buildKrigingTunedOnPart(points, column, krigingTuningPoints);
        } else {
            surfaces[i] = surrogate::buildSurrogate(kind, points, column, false);
        }
        if (!surfaces[i]) return std::nullopt;
        anyGoal = true;
    }
    if (!anyGoal) return std::nullopt;
    return SurfaceGoals(definition, std::move(surfaces));
}

std::vector<double> SurfaceGoals::predictions(const Eigen::VectorXd& x) const {
    std::vector<double> values(surfaces_.size(), 0.0);
    for (std::size_t i = 0; i < surfaces_.size(); ++i) {
        if (surfaces_[i]) values[i] = surfaces_[i]->evaluate(x);
    }
    return values;
}

double SurfaceGoals::predictedPerformance(const Eigen::VectorXd& x) const {
    return score(definition_, predictions(x));
}

// The objective part and, through the chain rule, its gradient: the change of
// the score with each objective's value times that surface's gradient.
double SurfaceGoals::objectivePart(const Eigen::VectorXd& x, Eigen::VectorXd* gradient) const {
    std::vector<double> values = predictions(x);
    const double value = score(objectives_, values);
    if (!gradient) return value;
    gradient->setZero(x.size());
    for (std::size_t i = 0; i < surfaces_.size(); ++i) {
        if (!surfaces_[i] || objectives_.goals[i].flag != model::kindObjective) continue;
        const double v = values[i];
        const double h = differenceStep(v);
        values[i] = v + h;
        const double up = score(objectives_, values);
        values[i] = v - h;
        const double down = score(objectives_, values);
        values[i] = v;
        *gradient += (up - down) / (2.0 * h) * surfaces_[i]->gradient(x);
    }
    return value;
}

// A constraint's normalised term, positive when violated; an equality
// constraint gives the signed distance from its target instead.
SmoothFunction SurfaceGoals::constraintFunction(std::size_t response) const {
    return [this, response](const Eigen::VectorXd& x, Eigen::VectorXd* gradient) {
        const model::ResponseGoal& goal = definition_.goals[response];
        const surrogate::SurrogateModel& surface = *surfaces_[response];
        const double scale = 1.0 / std::fabs(goal.norm);
        if (gradient) *gradient = surface.gradient(x);
        const double v = surface.evaluate(x);
        if (goal.opt == equalToTarget) {
            if (gradient) *gradient *= scale;
            return (v - goal.target) * scale;
        }
        const int i = static_cast<int>(response);
        const double h = differenceStep(v);
        if (gradient) {
            const double slope = (performance::responseTerm(definition_, i, v + h) -
                                  performance::responseTerm(definition_, i, v - h)) /
                                 (2.0 * h);
            *gradient *= slope * scale;
        }
        return performance::responseTerm(definition_, i, v) * scale;
    };
}

SmoothProblem SurfaceGoals::problem(const Eigen::VectorXd& lower,
                                    const Eigen::VectorXd& upper) const {
    SmoothProblem problem;
    problem.objective = [this](const Eigen::VectorXd& x, Eigen::VectorXd* gradient) {
        return objectivePart(x, gradient);
    };
    for (std::size_t i = 0; i < surfaces_.size(); ++i) {
        const model::ResponseGoal& goal = definition_.goals[i];
        if (!surfaces_[i] || goal.flag != model::kindConstraint) continue;
        auto& list = goal.opt == equalToTarget ? problem.equalities : problem.inequalities;
        list.push_back(constraintFunction(i));
    }
    problem.lower = lower;
    problem.upper = upper;
    return problem;
}

}  // namespace varno::search
