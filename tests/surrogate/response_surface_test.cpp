// Polynomial response surfaces: term layout, the least-squares fit, the
// gradient, and the choice of order with its warnings.
#include <gtest/gtest.h>

#include "surrogate/model_order.h"
#include "surrogate/response_surface.h"
#include "surrogate/surface_fitting.h"
#include "surrogate_test_support.h"
#include "test_support.h"

namespace varno::surrogate {
namespace {

using varno::testing::logEntries;

// For every order: the term counts for three variables, worked out by hand
// from the term lists, match the terms generated, and the gradient matches
// central differences.
TEST(ResponseSurface, TermCountsAndGradientOfEveryOrder) {
    const std::vector<std::pair<std::string, int>> orders{
        {"Linear", 4},          {"Quadratic", 10},
        {"SquareTermsOnly", 4}, {"CubicTermsOnly", 4},
        {"Bilinear", 7},        {"LinAndSq", 7},
        {"LinAndCubic", 7},     {"LinWithSqAndCubic", 10},
        {"QuadWithCubic", 13},  {"BilinearWithCubic", 10}};
    const Eigen::MatrixXd x = randomPoints(3, 5, 7);
    for (const auto& [name, terms] : orders) {
        SCOPED_TRACE(name);
        const auto counts = modelOrderFromName(name, 3);
        ASSERT_TRUE(counts);
        EXPECT_EQ(modelOrderName(counts->code), name);
        EXPECT_EQ(counts->terms, terms);
        EXPECT_EQ(termValues(counts->code, x.col(0)).size(), terms);
        EXPECT_EQ(1 + counts->linear + counts->secondOrder + counts->cubic, terms);
        const ResponseSurface surface{counts->code, 3, true, randomPoints(terms, 1, counts->code)};
        for (Eigen::Index at = 0; at < x.cols(); ++at) {
            expectCentralDifferences(
                [&](const Eigen::VectorXd& p) { return evaluateResponseSurface(p, surface); },
                responseSurfaceGradient(x.col(at), surface), x.col(at), 1e-6, 1e-7);
        }
    }
    EXPECT_FALSE(modelOrderFromName("quadratic", 3));
    EXPECT_EQ(modelOrderFromName("QuadWithCubic", 5)->terms, 26);
}

TEST(ResponseSurface, RecoversAQuadraticExactly) {
    Eigen::MatrixXd points(6, 2);
    points << -1, -1, 1, -1, -1, 1, 1, 1, 0, 0, 1, 0;
    Eigen::VectorXd values(6);
    for (int i = 0; i < 6; ++i) values(i) = 1 + points(i, 0) + points(i, 1) * points(i, 1);
    const SurfaceFit fit = fitResponseSurface(quadraticOrder, points, values);
    ASSERT_TRUE(fit.surface.valid);
    Eigen::VectorXd expected(6);
    expected << 1, 1, 0, 0, 0, 1;  // constant, x1, x2, x1x1, x1x2, x2x2
    EXPECT_LT((fit.surface.coefficients - expected).norm(), 1e-12);
    EXPECT_NEAR(fit.surface.rSquared, 1.0, 1e-12);
}

class SurfaceFitting : public varno::testing::WithoutStudy {
protected:
    int fit(const Eigen::MatrixXd& points, bool searchStudy = false) {
        request.points = points;
        request.values = Eigen::MatrixXd(points.rows(), 1);
        for (Eigen::Index i = 0; i < points.rows(); ++i) request.values(i, 0) = points.row(i).sum();
        request.responseNames = {"f"};
        request.searchStudy = searchStudy;
        return fitResponseSurfaces(request, store);
    }
    SurfaceFitRequest request;
    ResponseSurfaceStore store;
};

TEST_F(SurfaceFitting, WarnsAboutTooFewPointsAndASingularSystem) {
    EXPECT_EQ(fit(randomPoints(2, 2, 3)), 0);
    EXPECT_EQ(logEntries(),
              (std::vector<std::string>{
                  "*WARNING\nThe number of points selected for fitting the least squares surface "
                  "(2) is not sufficient. The minimum recommended number is 3.",
                  "*WARNING\nCould not fit a response surface to the data for response: f. The "
                  "X'X matrix is singular. Please choose a different sampling method for fitting "
                  "the surface."}));
    EXPECT_FALSE(store.lsq_coefs[0][linearOrder].valid);
}

TEST_F(SurfaceFitting, ChoosesTheOrderFromThePoints) {
    // The order chosen for `points`, whose surface is fitted without a warning.
    const auto chosen = [this](const Eigen::MatrixXd& points, bool searchStudy) {
        store = {};
        EXPECT_EQ(fit(points, searchStudy), 1);
        EXPECT_TRUE(logEntries().empty());
        const int order = store.lsq_rsm_order_to_use[0];
        EXPECT_TRUE(store.lsq_coefs[0][order].valid);
        return order;
    };
    // Fewer than six points: linear, enough for it; a search: no warning below seven points.
    EXPECT_EQ(chosen(randomPoints(5, 2, 4), false), linearOrder);
    EXPECT_EQ(chosen(randomPoints(6, 2, 4), true), quadraticOrder);
    Eigen::MatrixXd twoLevels = randomPoints(8, 2, 5);
    twoLevels.col(1) = twoLevels.col(1).array().sign();
    EXPECT_EQ(chosen(twoLevels, false), linearOrder);

    request.values.setConstant(4.0);
    EXPECT_EQ(fitResponseSurfaces(request, store), 1);  // equal values: the constant surface
    EXPECT_EQ(store.lsq_coefs[0][linearOrder].coefficients, Eigen::Vector3d(4, 0, 0));
}

}  // namespace
}  // namespace varno::surrogate
