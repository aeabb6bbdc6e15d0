// R&R statistics and reliability: the file text, the variance of values far
// from zero, the edge cases, β and P_f against the closed form of a linear
// limit state, and the signal-to-noise ratios of robust parameter design.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>

#include <boost/math/distributions/normal.hpp>

#include "doe/robust_design.h"
#include "doe/rr_statistics.h"
#include "test_support.h"

namespace varno::doe {
namespace {

TEST(RRStatistics, FileTextAsLaidOutAndSpreadEdgeCases) {
    const std::string text = rrStatisticsText("f", responseStatistics({3.0, 1.0, 2.0}));
    const std::string expected =
        "\n    ****** ANOVA RESULTS FOR R&R AGENT ******"
        "\n\n        Response,  #Samples,            Mean,     Sum of squares,      Square of sum,"
        "         Variance,           Sigma"
        "\n               f,         3,        2.000000,          14.000000,          36.000000,"
        "         1.000000,        1.000000"
        "\n\n\n    ****** PROBABILITY DISTRIBUTION RESULTS FOR R&R AGENT ******"
        "\n\n    Sorted Response Values"
        "\n                  1.000000\n                  2.000000\n                  3.000000"
        "\n\n       Probability"
        "\n          0.333333\n          0.000000\n          0.000000\n          0.000000"
        "\n          0.000000\n          0.333333\n          0.000000\n          0.000000"
        "\n          0.000000\n          0.000000\n          0.333333\n\n\n";
    EXPECT_EQ(text, expected);
    EXPECT_EQ(rrStatisticsText("f", responseStatistics({})),
              "\n    ****** ANOVA RESULTS FOR R&R AGENT ******\n\n    #Samples 0\n\n\n");
    const ResponseStatistics same = responseStatistics({4.0, 4.0, 4.0, 4.0});
    EXPECT_EQ(same.variance, 0.0);
    EXPECT_EQ(same.sigma, 0.0);
    EXPECT_EQ(same.binProbability.front(), 1.0);
    const ResponseStatistics far = responseStatistics({1e8 - 1.0, 1e8 + 1.0, 1e8 - 1.0, 1e8 + 1.0});
    EXPECT_DOUBLE_EQ(far.variance, 4.0 / 3.0);
    const ResponseStatistics one = responseStatistics({7.0});
    EXPECT_EQ(one.variance, 0.0);
    EXPECT_EQ(one.binProbability, std::vector<double>{1.0});
}

TEST(RRStatistics, ApproximationsAgreeWithTheLibrary) {
    for (double x = -3.0; x <= 3.0; x += 0.25) EXPECT_NEAR(approximateErf(x), std::erf(x), 2e-7);
    const boost::math::normal_distribution<> standard;
    // The error function's absolute error of 1.5e-7 limits the refined
    // quantile far out in the tails.
    for (double p : {0.02, 0.3, 0.5, 0.9, 0.97}) {
        EXPECT_NEAR(approximateNormalQuantile(p), quantile(standard, p), 5e-6) << p;
    }
    for (double p : {1e-6, 0.001, 0.999}) {
        EXPECT_NEAR(approximateNormalQuantile(p), quantile(standard, p), 3e-4) << p;
    }
    EXPECT_EQ(approximateNormalQuantile(0.99999999999), 4.0);
}

model::PerformanceDefinition atLeastZero() {
    model::PerformanceDefinition definition;
    definition.add(testing::goalOf("g", model::kindConstraint, 1, 0.0, 1.0));
    return definition;
}

TEST(RRReliability, CertainOutcomesPrintTheSentinelsAndALinearLimitStateItsClosedForm) {
    const model::PerformanceDefinition definition = atLeastZero();
    EXPECT_EQ(reliabilityText(reliabilityOf(definition, 0, {1.0, 2.0})),
              "\n\n\n    ****** RELIABILITY RESULTS FOR R&R AGENT ******\n"
              "\n    Beta: 1e+300\n    Probability of failure: 0");
    EXPECT_EQ(reliabilityText(reliabilityOf(definition, 0, {-1.0, -2.0})),
              "\n\n\n    ****** RELIABILITY RESULTS FOR R&R AGENT ******\n"
              "\n    Beta: -1e+300\n    Probability of failure: 1");

    // g = R - S with R ~ N(10, 1) and S ~ N(7, 1): β = 3 / √2, P_f = Φ(-β).
    std::mt19937 engine(4);
    std::normal_distribution<double> limitState(10.0 - 7.0, std::sqrt(2.0));
    constexpr int n = 100000;
    std::vector<double> g;
    for (int i = 0; i < n; ++i) g.push_back(limitState(engine));
    const Reliability found = reliabilityOf(atLeastZero(), 0, g);
    const double beta = 3.0 / std::sqrt(2.0);
    const double pf = cdf(boost::math::normal_distribution<>(), -beta);
    const double pfError = std::sqrt(pf * (1.0 - pf) / n);
    EXPECT_NEAR(found.probabilityOfFailure, pf, 4.0 * pfError);
    EXPECT_NEAR(found.beta, beta, 4.0 * pfError / pdf(boost::math::normal_distribution<>(), beta));
}

// Control run 1 of three is the robust one: the same mean as the others but
// the smallest scatter over the noise runs.
TEST(RobustDesign, TheLeastScatteredRunHasTheBestRatioAndIncompleteRunsAreLeftOut) {
    const std::vector<std::optional<double>> runs = {9.0, 11.0, 8.0, 12.0,  // control run 0
                                                     9.9, 10.1, 9.8, 10.2,  // control run 1
                                                     7.0, 13.0, 6.0, 14.0};
    const ControlRunSummary summary = summariseControlRuns("y", snNominalIsBest, runs, 4);
    ASSERT_EQ(summary.snRatios.size(), 3u);
    EXPECT_EQ(std::max_element(summary.snRatios.begin(), summary.snRatios.end()) -
                  summary.snRatios.begin(),
              1);
    for (double mean : summary.means) EXPECT_DOUBLE_EQ(mean, 10.0);
    const ControlRunSummary smaller = summariseControlRuns("y", snSmallerIsBetter, runs, 4);
    EXPECT_NEAR(smaller.snRatios[1],
                -10.0 * std::log10((9.9 * 9.9 + 10.1 * 10.1 + 9.8 * 9.8 + 10.2 * 10.2) / 4.0),
                1e-12);
    testing::resetLibrary();
    const std::vector<std::optional<double>> some = {1.0, 2.0, std::nullopt, 4.0, 5.0, 5.0};
    const ControlRunSummary partial = summariseControlRuns("y", snNominalIsBest, some, 2);
    EXPECT_EQ(partial.controlRuns, (std::vector<int>{0, 2}));
    EXPECT_EQ(partial.means, (std::vector<double>{1.5, 5.0}));
    EXPECT_TRUE(partial.snRatios.empty());
    EXPECT_NE(library().messageLog.back().find("Error in calculating the SN ratio for the response "
                                               "(y). Standard Deviation is 0.0"),
              std::string::npos);
    testing::resetLibrary();
}

}  // namespace
}  // namespace varno::doe
