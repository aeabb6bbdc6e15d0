// Radial-basis interpolation: s(x) = sum_i w_i phi(x, p_i) + q(x), with a
// polynomial tail q of degree m - 1 for a kernel of polynomial order m (none
// for m = 0, a constant for m = 1, linear for m >= 2), the weights being
// orthogonal to the tail's terms. That tail is what makes the interpolation
// system of a conditionally positive definite kernel uniquely solvable.
#pragma once

#include <Eigen/Dense>
#include <memory>
#include <string>
#include <vector>

#include "surrogate/kernel_functions.h"
#include "surrogate/surrogate_model.h"

namespace varno::surrogate {

class RadialBasisFunctionFit : public SurrogateModel {
public:
    // An empty model, to be filled by readData().
    RadialBasisFunctionFit() = default;
    // Fits `values` at the rows of `points` (normalised) with `kernel`;
    // repeated points are merged first. isFitted() is false when the data
    // are unusable, the kernel is missing or the system has no solution.
    RadialBasisFunctionFit(const Eigen::MatrixXd& points, const Eigen::VectorXd& values,
                           std::unique_ptr<IRadialBasisFunction> kernel);

    bool isFitted() const { return weights_.size() > 0; }
    const IRadialBasisFunction* kernel() const { return kernel_.get(); }

    SurfaceKind kind() const override { return SurfaceKind::radialBasis; }
    int variableCount() const override { return static_cast<int>(points_.rows()); }
    double evaluate(const Eigen::VectorXd& x) const override;
    Eigen::VectorXd gradient(const Eigen::VectorXd& x) const override;
    std::vector<std::string> writeData() const override;
    bool readData(const std::vector<std::string>& lines) override;

private:
    bool solve(const Eigen::VectorXd& values);

    std::unique_ptr<IRadialBasisFunction> kernel_;
    Eigen::MatrixXd points_;   // one column per fit point
    Eigen::VectorXd weights_;  // one per fit point
    Eigen::VectorXd tail_;     // constant, then one coefficient per variable
};

}  // namespace varno::surrogate
