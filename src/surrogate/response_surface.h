// Least-squares polynomial response surfaces: the fit of one model order to
// points over normalised variables, its evaluation and gradient, and the
// residual statistics of a fit.
#pragma once

#include <Eigen/Dense>
#include <optional>

namespace varno::surrogate {

// One fitted surface: a record of the coefficient store.
struct ResponseSurface {
    int order = -1;
    int variableCount = 0;
    bool valid = false;
    Eigen::VectorXd coefficients;
    double rSquared = 0.0;

    int termCount() const { return static_cast<int>(coefficients.size()); }
};

struct SurfaceFit {
    ResponseSurface surface;
    bool singular = false;  // X'X could not be inverted
};

// Fits order `order` to `values` at `points` (one row per point) through the
// normal equations X'X c = X'y. Equal values give the constant surface; a
// singular X'X or a coefficient that is not finite leaves the record invalid.
SurfaceFit fitResponseSurface(int order, const Eigen::MatrixXd& points,
                              const Eigen::VectorXd& values);

double evaluateResponseSurface(const Eigen::VectorXd& x, const ResponseSurface& surface);
Eigen::VectorXd responseSurfaceGradient(const Eigen::VectorXd& x, const ResponseSurface& surface);

// How well a surface reproduces the values it was fitted to.
struct FitStatistics {
    Eigen::VectorXd predicted;
    Eigen::VectorXd residuals;  // actual - predicted
    double maxResidual = 0.0;
    double errorSumOfSquares = 0.0;
    double regressionSumOfSquares = 0.0;
    double totalSumOfSquares = 0.0;
    double rmsError = 0.0;
    double rSquared = 0.0;
    std::optional<double> adjustedRSquared;  // only with more points than terms
};

FitStatistics fitStatistics(const ResponseSurface& surface, const Eigen::MatrixXd& points,
                            const Eigen::VectorXd& values);

}  // namespace varno::surrogate
