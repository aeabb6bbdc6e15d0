#include "surrogate/kernel_functions.h"

#include <cmath>

namespace varno::surrogate {

namespace {

constexpr double smallestShape = 0.001;
// Below this squared distance the linear kernel has no gradient.
constexpr double coincidentDistance2 = 1e-8;

double distance2(const PointRef& x, const PointRef& y) { return (x - y).squaredNorm(); }

// Every kernel gradient is a multiple of 2(x - y).
void setGradient(const PointRef& x, const PointRef& y, double factor, Eigen::VectorXd& g) {
    g = (2.0 * factor) * (x - y);
}

template <class Kernel>
std::unique_ptr<IKernelFunction> copyOf(const Kernel& kernel) {
    return std::make_unique<Kernel>(kernel);
}

}  // namespace

bool RadialBasisFunctionBase::gradientSecond(const PointRef& x, const PointRef& y,
                                             Eigen::VectorXd& g) const {
    const bool defined = gradient(x, y, g);
    g = -g;
    return defined;
}

Eigen::MatrixXd RadialBasisFunctionBase::matrix(const Eigen::MatrixXd& points) const {
    const Eigen::MatrixXd columns = points.transpose();
    const Eigen::Index n = columns.cols();
    Eigen::MatrixXd k(n, n);
    for (Eigen::Index i = 0; i < n; ++i) {
        for (Eigen::Index j = i; j < n; ++j) {
            k(i, j) = k(j, i) = value(columns.col(i), columns.col(j));
        }
    }
    return k;
}

void RadialBasisFunctionBase::setShape(double c) {
    c_ = c;
    c2_ = c * c;
    c3_ = c2_ * c;
}

double RBFGaussian::value(const PointRef& x, const PointRef& y) const {
    return std::exp(-c2_ * distance2(x, y));
}

bool RBFGaussian::gradient(const PointRef& x, const PointRef& y, Eigen::VectorXd& g) const {
    setGradient(x, y, -c2_ * value(x, y), g);
    return true;
}

std::unique_ptr<IKernelFunction> RBFGaussian::clone() const { return copyOf(*this); }

double RBFMultiQuadratic::value(const PointRef& x, const PointRef& y) const {
    return std::sqrt(c2_ * distance2(x, y) + 1.0);
}

bool RBFMultiQuadratic::gradient(const PointRef& x, const PointRef& y, Eigen::VectorXd& g) const {
    setGradient(x, y, c2_ / (2.0 * value(x, y)), g);
    return true;
}

std::unique_ptr<IKernelFunction> RBFMultiQuadratic::clone() const { return copyOf(*this); }

double RBFInvMultiQuadratic::value(const PointRef& x, const PointRef& y) const {
    return 1.0 / std::sqrt(c2_ * distance2(x, y) + 1.0);
}

bool RBFInvMultiQuadratic::gradient(const PointRef& x, const PointRef& y,
                                    Eigen::VectorXd& g) const {
    const double base = c2_ * distance2(x, y) + 1.0;
    setGradient(x, y, -c2_ / (2.0 * base * std::sqrt(base)), g);
    return true;
}

std::unique_ptr<IKernelFunction> RBFInvMultiQuadratic::clone() const { return copyOf(*this); }

double RBFLinear::value(const PointRef& x, const PointRef& y) const {
    return c_ * std::sqrt(distance2(x, y));
}

bool RBFLinear::gradient(const PointRef& x, const PointRef& y, Eigen::VectorXd& g) const {
    const double r2 = distance2(x, y);
    if (r2 < coincidentDistance2) {
        g = Eigen::VectorXd::Zero(x.size());
        return false;
    }
    setGradient(x, y, c_ / (2.0 * std::sqrt(r2)), g);
    return true;
}

std::unique_ptr<IKernelFunction> RBFLinear::clone() const { return copyOf(*this); }

double RBFThinPlateSpline::value(const PointRef& x, const PointRef& y) const {
    const double r2 = distance2(x, y);
    return r2 > 0.0 ? c2_ * r2 * std::log(c_ * std::sqrt(r2)) : 0.0;
}

bool RBFThinPlateSpline::gradient(const PointRef& x, const PointRef& y, Eigen::VectorXd& g) const {
    const double r2 = distance2(x, y);
    const double factor = r2 > 0.0 ? c2_ * std::log(c_ * std::sqrt(r2)) + c2_ / 2.0 : 0.0;
    setGradient(x, y, factor, g);
    return true;
}

std::unique_ptr<IKernelFunction> RBFThinPlateSpline::clone() const { return copyOf(*this); }

double RBFCubic::value(const PointRef& x, const PointRef& y) const {
    const double r = std::sqrt(distance2(x, y));
    return c3_ * r * r * r;
}

bool RBFCubic::gradient(const PointRef& x, const PointRef& y, Eigen::VectorXd& g) const {
    setGradient(x, y, 1.5 * c3_ * std::sqrt(distance2(x, y)), g);
    return true;
}

std::unique_ptr<IKernelFunction> RBFCubic::clone() const { return copyOf(*this); }

std::unique_ptr<IRadialBasisFunction> makeRadialBasisFunction(const std::string& name, double c) {
    const double shape = c > 0.0 ? c : smallestShape;
    if (name == "RBFGaussian") return std::make_unique<RBFGaussian>(shape);
    if (name == "RBFMultiQuadratic") return std::make_unique<RBFMultiQuadratic>(shape);
    if (name == "RBFInvMultiQuadratic") return std::make_unique<RBFInvMultiQuadratic>(shape);
    if (name == "RBFLinear") return std::make_unique<RBFLinear>(shape);
    if (name == "RBFThinPlateSpline") return std::make_unique<RBFThinPlateSpline>(shape);
    if (name == "RBFCubic") return std::make_unique<RBFCubic>(shape);
    return nullptr;
}

}  // namespace varno::surrogate
