#include "surrogate/response_surface.h"

#include <cmath>

#include "surrogate/model_order.h"

namespace varno::surrogate {

namespace {

// Pivots below this fraction of the largest one count as zero: X'X squares the
// conditioning of X, so a surface through nearly dependent terms is refused
// rather than returned with huge, meaningless coefficients.
constexpr double rankThreshold = 1e-12;

Eigen::MatrixXd designMatrix(int order, const Eigen::MatrixXd& points) {
    const int terms = modelOrderCounts(order, static_cast<int>(points.cols()))->terms;
    Eigen::MatrixXd matrix(points.rows(), terms);
    for (Eigen::Index row = 0; row < points.rows(); ++row) {
        matrix.row(row) = termValues(order, points.row(row).transpose()).transpose();
    }
    return matrix;
}

bool allEqual(const Eigen::VectorXd& values) {
    return values.size() > 0 && (values.array() == values(0)).all();
}

}  // namespace

SurfaceFit fitResponseSurface(int order, const Eigen::MatrixXd& points,
                              const Eigen::VectorXd& values) {
    SurfaceFit fit;
    ResponseSurface& surface = fit.surface;
    surface.order = order;
    surface.variableCount = static_cast<int>(points.cols());
    const Eigen::MatrixXd x = designMatrix(order, points);
    surface.coefficients = Eigen::VectorXd::Zero(x.cols());
    if (allEqual(values)) {
        surface.coefficients(0) = values(0);
        surface.valid = std::isfinite(values(0));
        return fit;
    }
    Eigen::ColPivHouseholderQR<Eigen::MatrixXd> normal(x.transpose() * x);
    normal.setThreshold(rankThreshold);
    if (x.rows() == 0 || normal.rank() < x.cols()) {
        fit.singular = true;
        return fit;
    }
    surface.coefficients = normal.solve(x.transpose() * values);
    surface.valid = surface.coefficients.allFinite();
    if (surface.valid) surface.rSquared = fitStatistics(surface, points, values).rSquared;
    return fit;
}

double evaluateResponseSurface(const Eigen::VectorXd& x, const ResponseSurface& surface) {
    return termValues(surface.order, x).dot(surface.coefficients);
}

Eigen::VectorXd responseSurfaceGradient(const Eigen::VectorXd& x, const ResponseSurface& surface) {
    return termDerivatives(surface.order, x).transpose() * surface.coefficients;
}

FitStatistics fitStatistics(const ResponseSurface& surface, const Eigen::MatrixXd& points,
                            const Eigen::VectorXd& values) {
    FitStatistics stats;
    const Eigen::Index count = values.size();
    stats.predicted.resize(count);
    for (Eigen::Index row = 0; row < count; ++row) {
        stats.predicted(row) = evaluateResponseSurface(points.row(row).transpose(), surface);
    }
    stats.residuals = values - stats.predicted;
    if (count == 0) return stats;
    const double mean = values.mean();
    stats.maxResidual = stats.residuals.cwiseAbs().maxCoeff();
    stats.errorSumOfSquares = stats.residuals.squaredNorm();
    stats.regressionSumOfSquares = (stats.predicted.array() - mean).square().sum();
    stats.totalSumOfSquares = (values.array() - mean).square().sum();
    stats.rmsError = std::sqrt(stats.errorSumOfSquares / static_cast<double>(count));
    if (stats.totalSumOfSquares != 0.0) {
        stats.rSquared =
            (stats.totalSumOfSquares - stats.errorSumOfSquares) / stats.totalSumOfSquares;
    }
    const Eigen::Index terms = surface.coefficients.size();
    if (count > terms) {
        stats.adjustedRSquared = 1.0 - static_cast<double>(count - 1) /
                                           static_cast<double>(count - terms) *
                                           (1.0 - stats.rSquared);
    }
    return stats;
}

}  // namespace varno::surrogate
