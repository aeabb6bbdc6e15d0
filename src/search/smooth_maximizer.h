// Sequential quadratic programming over smooth functions of normalised
// variables: the solver of the model-guided steps, which search fitted
// surfaces for their best predicted design.
#pragma once

#include <Eigen/Dense>
#include <functional>
#include <vector>

namespace varno::search {

// A smooth function of x; when `gradient` is given it receives the gradient.
using SmoothFunction = std::function<double(const Eigen::VectorXd& x, Eigen::VectorXd* gradient)>;

struct SmoothProblem {
    SmoothFunction objective;                  // maximised
    std::vector<SmoothFunction> inequalities;  // each kept at or below 0
    std::vector<SmoothFunction> equalities;    // each kept at 0
    Eigen::VectorXd lower;
    Eigen::VectorXd upper;
    // Per variable, a step size below which the search has converged (for
    // example, a fraction of the spacing the answer is rounded to); empty
    // for none.
    Eigen::VectorXd stepTolerance;
};

struct SmoothResult {
    Eigen::VectorXd x;       // always within the bounds
    bool converged = false;  // false when the solver gave up
};

// The `count` points of highest `value`, highest first (all of them when
// fewer): the most promising starts of a multi-start search, each judged by
// one evaluation.
std::vector<Eigen::VectorXd> bestValued(std::vector<Eigen::VectorXd> points,
                                        const std::function<double(const Eigen::VectorXd&)>& value,
                                        std::size_t count);

// SLSQP from `start` with at most `evaluationLimit` evaluations of the
// objective. A solver failure returns the last point reached (or the start),
// moved within the bounds.
SmoothResult maximizeSmooth(const SmoothProblem& problem, const Eigen::VectorXd& start,
                            int evaluationLimit);

}  // namespace varno::search
