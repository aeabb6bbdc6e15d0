#include "surrogate/radial_basis_fit.h"

#include <limits>

#include "surrogate/fit_points.h"
#include "surrogate/model_lines.h"

namespace varno::surrogate {

namespace {

const char* const header = "Radial Basis Function model data";
constexpr int maxLineCount = std::numeric_limits<int>::max() / 2;
// A solution whose residual is larger than this share of the right-hand
// side does not interpolate: the system had no solution.
constexpr double residualTolerance = 1e-6;

// Terms of the polynomial tail: degree m - 1 for polynomial order m, at
// most linear since no kernel here has an order above 2.
Eigen::Index tailSize(int polynomialOrder, Eigen::Index variables) {
    if (polynomialOrder <= 0) return 0;
    return polynomialOrder == 1 ? 1 : variables + 1;
}

}  // namespace

RadialBasisFunctionFit::RadialBasisFunctionFit(const Eigen::MatrixXd& points,
                                               const Eigen::VectorXd& values,
                                               std::unique_ptr<IRadialBasisFunction> kernel)
    : kernel_(std::move(kernel)) {
    std::optional<FitPoints> merged = mergeDuplicatePoints(points, values);
    if (!merged || !kernel_) return;
    points_ = std::move(merged->columns);
    solve(merged->values);
}

// The saddle system [K P; P' 0] [w; a] = [y; 0], P the tail's terms at the
// points, solved with column pivoting since it is indefinite.
bool RadialBasisFunctionFit::solve(const Eigen::VectorXd& values) {
    const Eigen::Index n = points_.cols();
    const Eigen::Index m = tailSize(kernel_->polynomialOrder(), points_.rows());
    Eigen::MatrixXd system = Eigen::MatrixXd::Zero(n + m, n + m);
    system.topLeftCorner(n, n) = kernel_->matrix(points_.transpose());
    if (m > 0) {
        Eigen::MatrixXd terms(n, m);
        terms.col(0).setOnes();
        if (m > 1) terms.rightCols(m - 1) = points_.transpose();
        system.topRightCorner(n, m) = terms;
        system.bottomLeftCorner(m, n) = terms.transpose();
    }
    Eigen::VectorXd rhs = Eigen::VectorXd::Zero(n + m);
    rhs.head(n) = values;
    const Eigen::VectorXd solution = system.colPivHouseholderQr().solve(rhs);
    if (!solution.allFinite() ||
        (system * solution - rhs).norm() > residualTolerance * rhs.norm()) {
        return false;
    }
    weights_ = solution.head(n);
    tail_ = solution.tail(m);
    return true;
}

double RadialBasisFunctionFit::evaluate(const Eigen::VectorXd& x) const {
    if (!isFitted() || x.size() != points_.rows()) return 0.0;
    double sum = tail_.size() > 0 ? tail_(0) : 0.0;
    if (tail_.size() > 1) sum += tail_.tail(x.size()).dot(x);
    for (Eigen::Index i = 0; i < points_.cols(); ++i) {
        sum += weights_(i) * kernel_->value(x, points_.col(i));
    }
    return sum;
}

Eigen::VectorXd RadialBasisFunctionFit::gradient(const Eigen::VectorXd& x) const {
    Eigen::VectorXd sum = Eigen::VectorXd::Zero(x.size());
    if (!isFitted() || x.size() != points_.rows()) return sum;
    if (tail_.size() > 1) sum = tail_.tail(x.size());
    Eigen::VectorXd term(x.size());
    for (Eigen::Index i = 0; i < points_.cols(); ++i) {
        // A kernel without a gradient at x (a fit point) contributes zero.
        kernel_->gradient(x, points_.col(i), term);
        sum += weights_(i) * term;
    }
    return sum;
}

std::vector<std::string> RadialBasisFunctionFit::writeData() const {
    if (!isFitted()) return {};
    std::vector<std::string> lines{
        header,
        "kernel: " + kernel_->name(),
        "shape: " + exactNumber(kernel_->shape()),
        "variables: " + std::to_string(points_.rows()),
        "points: " + std::to_string(points_.cols()),
        numberLine("tail", tail_),
        "points and weights:",
    };
    appendPointRows(lines, points_, weights_);
    return lines;
}

bool RadialBasisFunctionFit::readData(const std::vector<std::string>& lines) {
    ModelLineReader reader(lines, header);
    const std::optional<std::string> name = reader.text("kernel");
    const std::optional<Eigen::VectorXd> shape = reader.numbers("shape", 1);
    if (!name || !shape) return false;
    std::unique_ptr<IRadialBasisFunction> kernel = makeRadialBasisFunction(*name, (*shape)(0));
    const std::optional<int> variables = reader.count("variables", maxLineCount);
    const std::optional<int> points = reader.count("points", maxLineCount);
    if (!kernel || !variables || !points || *variables == 0 || *points == 0) return false;
    const auto tail = reader.numbers("tail", tailSize(kernel->polynomialOrder(), *variables));
    if (!tail || !reader.heading("points and weights")) return false;
    const std::optional<Eigen::MatrixXd> table = reader.table(*variables + 1, *points);
    if (!table) return false;
    kernel_ = std::move(kernel);
    points_ = table->topRows(*variables);
    weights_ = table->row(*variables).transpose();
    tail_ = *tail;
    return true;
}

}  // namespace varno::surrogate
