// Kernel functions of radial-basis surrogates: functions of two points, the
// radial ones depending only on their distance r, with gradients and the
// kernel matrix of a point set.
#pragma once

#include <Eigen/Dense>
#include <memory>
#include <string>

namespace varno::surrogate {

// A point passed to a kernel: any contiguous column of doubles, so the
// columns of a point matrix are passed without copying.
using PointRef = Eigen::Ref<const Eigen::VectorXd>;

class IKernelFunction {
public:
    virtual ~IKernelFunction() = default;
    virtual std::string name() const { return {}; }
    virtual double value(const PointRef& /*x*/, const PointRef& /*y*/) const { return 0.0; }
    // g = d value / d x; false when the kernel gives no gradient there.
    virtual bool gradient(const PointRef& /*x*/, const PointRef& /*y*/,
                          Eigen::VectorXd& /*g*/) const {
        return false;
    }
    // g = d value / d y.
    virtual bool gradientSecond(const PointRef& /*x*/, const PointRef& /*y*/,
                                Eigen::VectorXd& /*g*/) const {
        return false;
    }
    // K_ij = value(p_i, p_j) over the rows p of `points`.
    virtual Eigen::MatrixXd matrix(const Eigen::MatrixXd& /*points*/) const { return {}; }
    virtual std::unique_ptr<IKernelFunction> clone() const { return nullptr; }
};

class IRadialBasisFunction : public IKernelFunction {
public:
    virtual bool isPositiveDefinite() const = 0;
    virtual void setShape(double c) = 0;
    virtual double shape() const = 0;
    // The order m of conditional positive definiteness: an interpolant needs
    // a polynomial tail of degree m - 1 (none for m = 0).
    virtual int polynomialOrder() const = 0;
};

// The shape parameter c with its powers, and the polynomial order.
class RadialBasisFunctionBase : public IRadialBasisFunction {
public:
    RadialBasisFunctionBase(double c, int order) : order_(order) { setShape(c); }
    bool gradientSecond(const PointRef& x, const PointRef& y, Eigen::VectorXd& g) const override;
    Eigen::MatrixXd matrix(const Eigen::MatrixXd& points) const override;
    bool isPositiveDefinite() const override { return false; }
    void setShape(double c) override;
    double shape() const override { return c_; }
    int polynomialOrder() const override { return order_; }

protected:
    double c_ = 0.0;
    double c2_ = 0.0;
    double c3_ = 0.0;
    int order_ = 0;
};

class RBFGaussian : public RadialBasisFunctionBase {
public:
    explicit RBFGaussian(double c) : RadialBasisFunctionBase(c, 0) {}
    std::string name() const override { return "RBFGaussian"; }
    double value(const PointRef& x, const PointRef& y) const override;
    bool gradient(const PointRef& x, const PointRef& y, Eigen::VectorXd& g) const override;
    std::unique_ptr<IKernelFunction> clone() const override;
    bool isPositiveDefinite() const override { return true; }
};

class RBFMultiQuadratic : public RadialBasisFunctionBase {
public:
    explicit RBFMultiQuadratic(double c) : RadialBasisFunctionBase(c, 1) {}
    std::string name() const override { return "RBFMultiQuadratic"; }
    double value(const PointRef& x, const PointRef& y) const override;
    bool gradient(const PointRef& x, const PointRef& y, Eigen::VectorXd& g) const override;
    std::unique_ptr<IKernelFunction> clone() const override;
};

class RBFInvMultiQuadratic : public RadialBasisFunctionBase {
public:
    explicit RBFInvMultiQuadratic(double c) : RadialBasisFunctionBase(c, 0) {}
    std::string name() const override { return "RBFInvMultiQuadratic"; }
    double value(const PointRef& x, const PointRef& y) const override;
    bool gradient(const PointRef& x, const PointRef& y, Eigen::VectorXd& g) const override;
    std::unique_ptr<IKernelFunction> clone() const override;
    bool isPositiveDefinite() const override { return true; }
};

class RBFLinear : public RadialBasisFunctionBase {
public:
    explicit RBFLinear(double c) : RadialBasisFunctionBase(c, 1) {}
    std::string name() const override { return "RBFLinear"; }
    double value(const PointRef& x, const PointRef& y) const override;
    // Not differentiable where the points coincide: zero and false there.
    bool gradient(const PointRef& x, const PointRef& y, Eigen::VectorXd& g) const override;
    std::unique_ptr<IKernelFunction> clone() const override;
};

class RBFThinPlateSpline : public RadialBasisFunctionBase {
public:
    explicit RBFThinPlateSpline(double c) : RadialBasisFunctionBase(c, 2) {}
    std::string name() const override { return "RBFThinPlateSpline"; }
    double value(const PointRef& x, const PointRef& y) const override;
    bool gradient(const PointRef& x, const PointRef& y, Eigen::VectorXd& g) const override;
    std::unique_ptr<IKernelFunction> clone() const override;
};

class RBFCubic : public RadialBasisFunctionBase {
public:
    explicit RBFCubic(double c) : RadialBasisFunctionBase(c, 2) {}
    std::string name() const override { return "RBFCubic"; }
    double value(const PointRef& x, const PointRef& y) const override;
    bool gradient(const PointRef& x, const PointRef& y, Eigen::VectorXd& g) const override;
    std::unique_ptr<IKernelFunction> clone() const override;
};

// The kernel whose class name is exactly `name`, with shape c (a shape that
// is not positive becomes 0.001); none for any other name.
std::unique_ptr<IRadialBasisFunction> makeRadialBasisFunction(const std::string& name, double c);

}  // namespace varno::surrogate
