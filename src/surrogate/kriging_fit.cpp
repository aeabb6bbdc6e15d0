#include "surrogate/kriging_fit.h"

#include <cmath>
#include <limits>

#include "surrogate/fit_points.h"
#include "surrogate/model_lines.h"

namespace varno::surrogate {

namespace {

// Added to the correlation matrix's unit diagonal so that nearby points do
// not make it numerically singular. The likelihood is judged with a fixed
// nugget; the final fit takes the smallest that factorises, since the
// nugget smooths the interpolation by about nugget times the weights.
constexpr double likelihoodNugget = 1e-10;
constexpr double firstNugget = 1e-13;
constexpr double lastNugget = 1e-6;
constexpr int maxLineCount = std::numeric_limits<int>::max() / 2;

const char* const header = "Kriging model";

}  // namespace

struct KrigingFit::Solution {
    Eigen::MatrixXd correlation;
    Eigen::LLT<Eigen::MatrixXd> factor;
    Eigen::VectorXd weights;
    double beta = 0.0;
    double variance = 0.0;
};

KrigingFit::KrigingFit(const Eigen::MatrixXd& points, const Eigen::VectorXd& values,
                       const Eigen::VectorXd& theta) {
    std::optional<FitPoints> merged = mergeDuplicatePoints(points, values);
    if (!merged || theta.size() != points.cols()) return;
    points_ = std::move(merged->columns);
    values_ = std::move(merged->values);
    setTheta(theta);
}

Eigen::MatrixXd KrigingFit::correlation(const Eigen::VectorXd& theta, double nugget) const {
    const Eigen::MatrixXd scaled = theta.cwiseSqrt().asDiagonal() * points_;
    const Eigen::VectorXd norms = scaled.colwise().squaredNorm().transpose();
    Eigen::MatrixXd r = scaled.transpose() * scaled;
    r = (2.0 * r).colwise() - norms;
    r = r.rowwise() - norms.transpose();
    r = r.array().min(0.0).exp().matrix();
    r.diagonal().array() = 1.0 + nugget;
    return r;
}

std::optional<KrigingFit::Solution> KrigingFit::solve(const Eigen::VectorXd& theta,
                                                      double nugget) const {
    if (values_.size() == 0 || theta.size() != points_.rows() || !theta.allFinite() ||
        (theta.array() <= 0.0).any()) {
        return std::nullopt;
    }
    Solution s;
    s.correlation = correlation(theta, nugget);
    s.factor.compute(s.correlation);
    if (s.factor.info() != Eigen::Success) return std::nullopt;
    const Eigen::VectorXd ones = Eigen::VectorXd::Ones(values_.size());
    const Eigen::VectorXd onesSolved = s.factor.solve(ones);
    s.beta = onesSolved.dot(values_) / onesSolved.sum();
    s.weights = s.factor.solve(values_ - s.beta * ones);
    s.variance =
        (values_.array() - s.beta).matrix().dot(s.weights) / static_cast<double>(values_.size());
    if (!std::isfinite(s.beta) || !s.weights.allFinite() || !(s.variance >= 0.0)) {
        return std::nullopt;
    }
    return s;
}

bool KrigingFit::setTheta(const Eigen::VectorXd& theta) {
    for (double nugget = firstNugget; nugget <= lastNugget; nugget *= 10.0) {
        std::optional<Solution> s = solve(theta, nugget);
        if (!s) continue;
        theta_ = theta;
        nugget_ = nugget;
        beta_ = s->beta;
        variance_ = s->variance;
        weights_ = std::move(s->weights);
        return true;
    }
    return false;
}

std::optional<double> KrigingFit::likelihoodCost(const Eigen::VectorXd& theta,
                                                 Eigen::VectorXd* gradientLogTheta) const {
    const std::optional<Solution> s = solve(theta, likelihoodNugget);
    if (!s || !(s->variance > 0.0)) return std::nullopt;
    const Eigen::Index n = values_.size();
    const Eigen::MatrixXd& lower = s->factor.matrixLLT();
    const double logDet = 2.0 * lower.diagonal().array().log().sum();
    const double cost = 0.5 * (static_cast<double>(n) * std::log(s->variance) + logDet);
    if (gradientLogTheta) {
        // d cost / d theta_k = -1/2 sum_ij W_ij (x_ik - x_jk)^2 with
        // W = (R^-1 - a a' / variance) o R, a the weights.
        const Eigen::MatrixXd& r = s->correlation;
        Eigen::MatrixXd w = s->factor.solve(Eigen::MatrixXd::Identity(n, n));
        w.noalias() -= (s->weights / s->variance) * s->weights.transpose();
        w = w.cwiseProduct(r);
        const Eigen::VectorXd rowSums = w.rowwise().sum();
        const Eigen::VectorXd squares = points_.array().square().matrix() * rowSums;
        const Eigen::VectorXd cross = (points_ * w).cwiseProduct(points_).rowwise().sum();
        *gradientLogTheta = -(squares - cross).cwiseProduct(theta);
    }
    return cost;
}

bool KrigingFit::sweepTheta(double low, double high, int steps) {
    std::optional<double> bestCost;
    Eigen::VectorXd best;
    for (int step = 0; step < steps; ++step) {
        const double fraction = steps > 1 ? static_cast<double>(step) / (steps - 1) : 0.0;
        const Eigen::VectorXd theta =
            Eigen::VectorXd::Constant(points_.rows(), low * std::pow(high / low, fraction));
        const std::optional<double> cost = likelihoodCost(theta, nullptr);
        if (cost && (!bestCost || *cost < *bestCost)) {
            bestCost = cost;
            best = theta;
        }
    }
    return bestCost && setTheta(best);
}

Eigen::VectorXd KrigingFit::correlationsTo(const Eigen::VectorXd& x) const {
    return (-(theta_.transpose() * (points_.colwise() - x).array().square().matrix()))
        .array()
        .exp()
        .transpose();
}

double KrigingFit::evaluate(const Eigen::VectorXd& x) const {
    if (!isFitted() || x.size() != points_.rows()) return 0.0;
    return beta_ + correlationsTo(x).dot(weights_);
}

Eigen::VectorXd KrigingFit::gradient(const Eigen::VectorXd& x) const {
    if (!isFitted() || x.size() != points_.rows()) return Eigen::VectorXd::Zero(x.size());
    // d/dx_k sum_i a_i r_i = -2 theta_k sum_i a_i r_i (x_k - p_ik)
    const Eigen::VectorXd weighted = correlationsTo(x).cwiseProduct(weights_);
    return -2.0 * theta_.cwiseProduct(x * weighted.sum() - points_ * weighted);
}

std::vector<std::string> KrigingFit::writeData() const {
    if (!isFitted()) return {};
    std::vector<std::string> lines{
        header,
        "variables: " + std::to_string(points_.rows()),
        "points: " + std::to_string(points_.cols()),
        "nugget: " + exactNumber(nugget_),
        "regression constant: " + exactNumber(beta_),
        "process variance: " + exactNumber(variance_),
        numberLine("theta", theta_),
        "points and weights:",
    };
    appendPointRows(lines, points_, weights_);
    return lines;
}

bool KrigingFit::readData(const std::vector<std::string>& lines) {
    ModelLineReader reader(lines, header);
    const std::optional<int> variables = reader.count("variables", maxLineCount);
    const std::optional<int> points = reader.count("points", maxLineCount);
    if (!variables || !points || *variables == 0 || *points == 0) return false;
    const auto nugget = reader.numbers("nugget", 1);
    const auto beta = reader.numbers("regression constant", 1);
    const auto variance = reader.numbers("process variance", 1);
    const auto theta = reader.numbers("theta", *variables);
    if (!nugget || !beta || !variance || !theta || !reader.heading("points and weights"))
        return false;
    const std::optional<Eigen::MatrixXd> table = reader.table(*variables + 1, *points);
    if (!table) return false;
    points_ = table->topRows(*variables);
    weights_ = table->row(*variables).transpose();
    values_.resize(0);
    theta_ = *theta;
    nugget_ = (*nugget)(0);
    beta_ = (*beta)(0);
    variance_ = (*variance)(0);
    return true;
}

}  // namespace varno::surrogate
