// Kriging and radial-basis surrogates: interpolation, gradients, the
// likelihood search, model files and corrupt model data.
#include <gtest/gtest.h>

#include <cmath>

#include "frame/message_log.h"
#include "surrogate/kriging_fit.h"
#include "surrogate/kriging_opt.h"
#include "surrogate/surrogate_build.h"
#include "surrogate_test_support.h"
#include "test_support.h"

namespace varno::surrogate {
namespace {

const SurfaceKind interpolatingKinds[] = {SurfaceKind::kriging, SurfaceKind::radialBasis};

double response(const Eigen::VectorXd& x) { return std::sin(2.0 * x(0)) + x(1) * x(2) - x(1); }

// Points spread over [-1, 1]^3 by a fixed low-discrepancy rule.
Eigen::MatrixXd spreadPoints(int count) {
    Eigen::MatrixXd points(count, 3);
    const double roots[] = {std::sqrt(2.0), std::sqrt(3.0), std::sqrt(5.0)};
    for (int i = 0; i < count; ++i) {
        for (int k = 0; k < 3; ++k) {
            points(i, k) = 2.0 * std::fmod((i + 0.5) * roots[k], 1.0) - 1.0;
        }
    }
    return points;
}

Eigen::VectorXd responses(const Eigen::MatrixXd& points) {
    Eigen::VectorXd values(points.rows());
    for (Eigen::Index i = 0; i < points.rows(); ++i)
        values(i) = response(points.row(i).transpose());
    return values;
}

TEST(InterpolatingSurrogates, InterpolateAndGiveTheirGradient) {
    const Eigen::MatrixXd points = spreadPoints(40);
    const Eigen::VectorXd values = responses(points);
    const Eigen::Vector3d probe(0.15, -0.35, 0.55);
    for (const SurfaceKind kind : interpolatingKinds) {
        SCOPED_TRACE(static_cast<int>(kind));
        const auto model = buildSurrogate(kind, points, values, false);
        ASSERT_TRUE(model);
        for (Eigen::Index i = 0; i < points.rows(); ++i) {
            EXPECT_NEAR(model->evaluate(points.row(i).transpose()), values(i), 1e-6);
        }
        EXPECT_NEAR(model->evaluate(probe), response(probe), 0.1);
        expectCentralDifferences([&](const Eigen::VectorXd& x) { return model->evaluate(x); },
                                 model->gradient(probe), probe, 1e-4, 1e-4);
    }
    EXPECT_TRUE(buildSurrogate(SurfaceKind::kriging, points, values, true));
    EXPECT_FALSE(buildSurrogate(SurfaceKind::leastSquares, points, values, false));
    EXPECT_FALSE(buildSurrogate(SurfaceKind::kriging, Eigen::MatrixXd(0, 3), {}, false));

    // Repeated points predict their mean.
    Eigen::MatrixXd repeated = spreadPoints(12);
    Eigen::VectorXd repeatedValues = responses(repeated);
    repeated.row(5) = repeated.row(9) = repeated.row(2);
    repeatedValues(2) = 1.0, repeatedValues(5) = 2.0, repeatedValues(9) = 6.0;
    for (const SurfaceKind kind : interpolatingKinds) {
        const auto model = buildSurrogate(kind, repeated, repeatedValues, false);
        ASSERT_TRUE(model);
        EXPECT_NEAR(model->evaluate(repeated.row(2).transpose()), 3.0, 1e-6);
    }
}

TEST(InterpolatingSurrogates, LikelihoodGradientIsExactAndTheSearchImprovesTheLikelihood) {
    const Eigen::MatrixXd points = spreadPoints(25);
    KrigingFit fit(points, responses(points), Eigen::Vector3d::Constant(0.5));
    const Eigen::Vector3d theta(0.4, 1.7, 0.9);
    Eigen::VectorXd g;
    ASSERT_TRUE(fit.likelihoodCost(theta, &g));
    // The gradient is taken with respect to the logarithms of theta.
    const auto cost = [&](const Eigen::VectorXd& logTheta) {
        return *fit.likelihoodCost(logTheta.array().exp().matrix(), nullptr);
    };
    expectCentralDifferences(cost, g, theta.array().log().matrix(), 1e-5,
                             1e-5 * (1.0 + g.cwiseAbs().maxCoeff()));
    const double before = *fit.likelihoodCost(fit.theta(), nullptr);
    ASSERT_TRUE(KrigingOpt(fit).optimize(true, true, 0));
    EXPECT_LT(*fit.likelihoodCost(fit.theta(), nullptr), before - 1.0);
}

// A Kriging fit tuned on part of its points takes the correlation
// parameters most likely for every third point and interpolates all of them.
TEST(InterpolatingSurrogates, KrigingTunedOnPartInterpolatesAllPoints) {
    const Eigen::MatrixXd points = spreadPoints(36);
    const Eigen::VectorXd values = responses(points);
    const auto model = buildKrigingTunedOnPart(points, values, 12);
    ASSERT_TRUE(model);
    for (Eigen::Index i = 0; i < points.rows(); ++i) {
        EXPECT_NEAR(model->evaluate(points.row(i).transpose()), values(i), 1e-6);
    }
    Eigen::MatrixXd part(12, 3);
    for (Eigen::Index i = 0; i < 12; ++i) part.row(i) = points.row(3 * i);
    KrigingFit tuned(part, responses(part), Eigen::Vector3d::Constant(0.5));
    ASSERT_TRUE(KrigingOpt(tuned).optimize(true, true, 0));
    const auto* kriging = dynamic_cast<const KrigingFit*>(model.get());
    ASSERT_TRUE(kriging);
    EXPECT_EQ(kriging->theta(), tuned.theta());

    // Tuned on no fewer points than it has, it is the fully tuned fit.
    const Eigen::Vector3d probe(0.15, -0.35, 0.55);
    EXPECT_EQ(buildKrigingTunedOnPart(points, values, 36)->evaluate(probe),
              buildSurrogate(SurfaceKind::kriging, points, values, false)->evaluate(probe));
}

// Model files read back to the same predictions; cut or damaged model data
// gives no model.
TEST(InterpolatingSurrogates, ModelFilesReadBackAndCorruptDataGivesNoModel) {
    testing::TempDirectory folder;
    const Eigen::MatrixXd points = spreadPoints(20);
    const std::vector<VariableRange> ranges{{"x1", 0, 1}, {"x2", -5, 5}, {"x3", 1, 1.0 / 3.0}};
    const std::string path = folder.file("model.mdl");
    for (const SurfaceKind kind : interpolatingKinds) {
        const auto model = buildSurrogate(kind, points, responses(points), false);
        ASSERT_TRUE(writeSurrogateFile(path, *model, {"x1", "x2", "x3"}, ranges));
        const std::string text = testing::readWholeFile(path);
        EXPECT_NE(text.find("\nList of variables in order\nx1 x2 x3 \n\n\nVARIABLES USED"),
                  std::string::npos);
        const auto read = readSurrogateFile(path);
        ASSERT_TRUE(read);
        EXPECT_EQ(read->model->kind(), kind);
        EXPECT_EQ(read->ranges[2].max, 1.0 / 3.0);
        for (const Eigen::Index i : {0, 7, 13}) {
            const Eigen::VectorXd x =
                points.row(i).transpose() * 0.9 + Eigen::Vector3d(0.01, 0.02, -0.03);
            EXPECT_EQ(read->model->evaluate(x), model->evaluate(x));
            EXPECT_EQ(read->model->gradient(x), model->gradient(x));
        }
        const std::vector<std::string> data = model->writeData();
        for (std::size_t keep = 0; keep < data.size(); ++keep) {
            EXPECT_FALSE(makeEmptySurrogate(kind)->readData({data.begin(), data.begin() + keep}));
        }
        const std::vector<std::string> lines = linesOf(text);
        ASSERT_TRUE(readSurrogateLines(lines));
        for (const char* bad : {"nan", "1e999", "1 2", "", "x"}) {
            for (std::size_t at = 1; at < 10; ++at) {
                std::vector<std::string> damaged = lines;
                damaged[at] = damaged[at].substr(0, damaged[at].find(' ') + 1) + bad;
                EXPECT_FALSE(readSurrogateLines(damaged)) << at << " " << bad;
            }
        }
    }
    EXPECT_EQ(testing::readWholeFile(path).rfind("Radial Basis Function model data\n", 0), 0u);
    const auto model = buildSurrogate(SurfaceKind::kriging, points, responses(points), false);
    std::vector<std::string> huge = model->writeData();
    huge[1] = "variables: 2000000000";
    EXPECT_FALSE(model->readData(huge));
    huge[1] = "variables: 3";
    huge[2] = "points: 2000000000";
    EXPECT_FALSE(model->readData(huge));
    EXPECT_FALSE(readSurrogateFile(folder.file("missing.mdl")));

    EXPECT_FALSE(writeSurrogateFile(folder.file("empty.mdl"), KrigingFit(), {}, {}));
    EXPECT_EQ(std::string(lastLogMessage())
                  .find("Kriging model is not properly initialized and cannot be written."),
              std::string("*ERROR\n").size());
    EXPECT_FALSE(support::fileExists(folder.file("empty.mdl")));
}

}  // namespace
}  // namespace varno::surrogate
