// Kriging: the response is modelled as a constant plus a Gaussian process
// with correlation exp(-sum_k theta_k d_k^2) between two points d apart; the
// prediction interpolates the fit points.
#pragma once

#include <Eigen/Dense>
#include <optional>
#include <string>
#include <vector>

#include "surrogate/surrogate_model.h"

namespace varno::surrogate {

class KrigingFit : public SurrogateModel {
public:
    // An empty model, to be filled by readData().
    KrigingFit() = default;
    // Fits `values` at the rows of `points` (normalised) with correlation
    // parameters `theta`; repeated points are merged first. isFitted() is
    // false when the data are unusable or the system cannot be solved.
    KrigingFit(const Eigen::MatrixXd& points, const Eigen::VectorXd& values,
               const Eigen::VectorXd& theta);

    bool isFitted() const { return weights_.size() > 0; }
    const Eigen::VectorXd& theta() const { return theta_; }
    // Refits the data with other correlation parameters; false, and the model
    // unchanged, when that fails.
    bool setTheta(const Eigen::VectorXd& theta);
    // The concentrated negative log-likelihood of the data for `theta`
    // (smaller is more likely) and, when asked, its gradient with respect to
    // log theta; none when the correlation matrix cannot be factorised.
    std::optional<double> likelihoodCost(const Eigen::VectorXd& theta,
                                         Eigen::VectorXd* gradientLogTheta) const;
    // Tries the same theta for every variable at `steps` values spaced
    // geometrically from `low` to `high` and keeps the most likely; false
    // when none gives a fit.
    bool sweepTheta(double low, double high, int steps);

    SurfaceKind kind() const override { return SurfaceKind::kriging; }
    int variableCount() const override { return static_cast<int>(points_.rows()); }
    double evaluate(const Eigen::VectorXd& x) const override;
    Eigen::VectorXd gradient(const Eigen::VectorXd& x) const override;
    std::vector<std::string> writeData() const override;
    bool readData(const std::vector<std::string>& lines) override;

private:
    struct Solution;
    std::optional<Solution> solve(const Eigen::VectorXd& theta, double nugget) const;
    Eigen::MatrixXd correlation(const Eigen::VectorXd& theta, double nugget) const;
    // The correlations between x and every fit point.
    Eigen::VectorXd correlationsTo(const Eigen::VectorXd& x) const;

    Eigen::MatrixXd points_;  // one column per fit point
    Eigen::VectorXd values_;  // kept for refits; empty in a model read from lines
    Eigen::VectorXd theta_;
    Eigen::VectorXd weights_;  // R^-1 (y - beta)
    double beta_ = 0.0;        // the constant regression term
    double variance_ = 0.0;    // the process variance
    double nugget_ = 0.0;
};

}  // namespace varno::surrogate
