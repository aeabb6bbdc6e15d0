// The study's objectives and constraints over fitted surfaces: one surrogate
// per goal response predicts its value, and the performance function scores
// the predictions, so a surface search judges designs as the study does.
#pragma once

#include <Eigen/Dense>
#include <memory>
#include <optional>
#include <vector>

#include "design/design.h"
#include "model/project_model.h"
#include "search/smooth_maximizer.h"
#include "surrogate/surrogate_model.h"

namespace varno::search {

// The response values of `designs` as fit data: one column per study
// response, one row per design.
Eigen::MatrixXd responseTable(const std::vector<design::Design>& designs, std::size_t responses);

class SurfaceGoals {
public:
    // Fits one surface per objective and constraint of `definition` to the
    // `points` (normalised, one row per design) and the responses of `values`
    // (responseTable rows): polynomial of model `order` for least squares, else
    // the surrogate of `kind`. None when there are no goals or a fit fails.
    static std::optional<SurfaceGoals> fit(const model::PerformanceDefinition& definition,
                                           surrogate::SurfaceKind kind, int order,
                                           const Eigen::MatrixXd& points,
                                           const Eigen::MatrixXd& values);

    // The performance the study would give the predicted response values at x.
    double predictedPerformance(const Eigen::VectorXd& x) const;

    // The objective part of the performance as the function to maximise, the
    // constraints as inequalities (equality constraints as equalities), over
    // the box [lower, upper].
    SmoothProblem problem(const Eigen::VectorXd& lower, const Eigen::VectorXd& upper) const;

private:
    SurfaceGoals(model::PerformanceDefinition definition,
                 std::vector<std::shared_ptr<const surrogate::SurrogateModel>> surfaces);
    std::vector<double> predictions(const Eigen::VectorXd& x) const;
    double objectivePart(const Eigen::VectorXd& x, Eigen::VectorXd* gradient) const;
    SmoothFunction constraintFunction(std::size_t response) const;

    // Scoring copies: `definition_` in full, `objectives_` with its
    // constraints made plain responses. Both are mutable because the
    // performance function takes them by reference; neither fixes a factor.
    mutable model::PerformanceDefinition definition_;
    mutable model::PerformanceDefinition objectives_;
    std::vector<std::shared_ptr<const surrogate::SurrogateModel>> surfaces_;  // null: plain
};

}  // namespace varno::search
