// The points an interpolating surrogate is fitted to, checked and with
// repeated points merged: two equal points make an interpolation system
// singular, so each distinct point keeps the mean of its responses.
#pragma once

#include <Eigen/Dense>
#include <optional>

namespace varno::surrogate {

struct FitPoints {
    Eigen::MatrixXd columns;  // one column per distinct point
    Eigen::VectorXd values;
};

// None when there are no points or variables, the counts disagree, or a
// coordinate or value is not finite. `points` has one row per point.
std::optional<FitPoints> mergeDuplicatePoints(const Eigen::MatrixXd& points,
                                              const Eigen::VectorXd& values);

}  // namespace varno::surrogate
