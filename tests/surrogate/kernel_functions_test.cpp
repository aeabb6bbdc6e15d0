// Radial-basis kernels: gradients against finite differences, the kernels'
// definiteness against their matrices, and the factory's edge cases.
#include <gtest/gtest.h>

#include <cmath>

#include "surrogate/kernel_functions.h"
#include "surrogate_test_support.h"

namespace varno::surrogate {
namespace {

const char* const kernelNames[] = {"RBFGaussian", "RBFMultiQuadratic",  "RBFInvMultiQuadratic",
                                   "RBFLinear",   "RBFThinPlateSpline", "RBFCubic"};

// Gradients match central differences, a clone keeps the shape, and only
// the positive definite kernels give positive definite matrices.
TEST(KernelFunctions, GradientsClonesAndDefiniteness) {
    const Eigen::Vector3d x(0.3, -0.7, 0.2), y(-0.1, 0.4, 0.5);
    Eigen::MatrixXd points(6, 2);
    points << -1, -1, 1, -0.5, 0, 0, 0.3, 0.9, -0.6, 0.4, 0.8, 0.7;
    for (const char* name : kernelNames) {
        SCOPED_TRACE(name);
        const auto kernel = makeRadialBasisFunction(name, 1.3);
        ASSERT_TRUE(kernel);
        EXPECT_EQ(kernel->name(), name);
        Eigen::VectorXd g, second;
        EXPECT_TRUE(kernel->gradient(x, y, g));
        EXPECT_TRUE(kernel->gradientSecond(x, y, second));
        EXPECT_EQ(second, -g);
        expectCentralDifferences([&](const Eigen::VectorXd& at) { return kernel->value(at, y); }, g,
                                 x, 1e-6, 1e-7);
        const auto copy = kernel->clone();
        EXPECT_EQ(copy->name(), name);
        EXPECT_EQ(copy->value(x, y), kernel->value(x, y));
        const Eigen::MatrixXd k = kernel->matrix(points);
        EXPECT_EQ(k(4, 1), kernel->value(points.row(4).transpose(), points.row(1).transpose()));
        const double smallest = Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd>(k).eigenvalues()(0);
        EXPECT_EQ(kernel->isPositiveDefinite(), smallest > 0.0);
    }
    const Eigen::Vector2d origin(0.0, 0.0), point(0.6, 0.8);
    Eigen::VectorXd g = Eigen::VectorXd::Ones(2);

    const auto flat = makeRadialBasisFunction("RBFGaussian", 0.0);
    EXPECT_EQ(flat->shape(), 0.001);
    EXPECT_DOUBLE_EQ(flat->value(origin, point), std::exp(-1e-6));  // r = 1, c^2 = 1e-6
    EXPECT_EQ(makeRadialBasisFunction("RBFCubic", -2.0)->shape(), 0.001);

    // At a coincident pair the gradient is zero; the linear kernel has none.
    const auto spline = makeRadialBasisFunction("RBFThinPlateSpline", 1.0);
    const auto linear = makeRadialBasisFunction("RBFLinear", 1.0);
    EXPECT_EQ(flat->value(point, point), 1.0);
    EXPECT_EQ(spline->value(point, point), 0.0);
    for (const auto* kernel : {flat.get(), spline.get(), linear.get()}) {
        g.setOnes();
        EXPECT_EQ(kernel->gradient(point, point, g), kernel != linear.get());
        EXPECT_EQ(g, Eigen::Vector2d::Zero());
    }
    EXPECT_FALSE(linear->gradientSecond(point, point, g));

    EXPECT_FALSE(makeRadialBasisFunction("rbfgaussian", 1.0));
    EXPECT_FALSE(makeRadialBasisFunction("", 1.0));
}

}  // namespace
}  // namespace varno::surrogate
