// The distribution extension: creation checks, sample moments, CDF values
// and round trips, baseline centring, seeding and properties of every kind.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <map>
#include <memory>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "support/distribution.h"

namespace varno::support {
namespace {

constexpr double infinity = std::numeric_limits<double>::infinity();

// Definition keys and their value texts.
using Definition = std::map<std::string, std::string>;

// Reads a definition the way the engine's reader does: absent keys give false
// with no reason, texts that are not numbers give false with one.
NumberLookup lookupIn(const Definition& definition) {
    return [&definition](const std::string& key, double& value, std::string& error) {
        const auto found = definition.find(key);
        if (found == definition.end()) return false;
        char* end = nullptr;
        value = std::strtod(found->second.c_str(), &end);
        if (end == found->second.c_str() || *end != '\0') {
            error = "the text \"" + found->second + "\" is not a number.";
            return false;
        }
        return true;
    };
}

const DistributionExtension& extension() {
    return *ExtensionManager::instance().distributionExtension("Distribution");
}

std::unique_ptr<Distribution> create(const std::string& type, const Definition& definition,
                                     std::string& error) {
    return extension().create(type, lookupIn(definition), error);
}

// A distribution that must be created; a failure reports the reason.
std::unique_ptr<Distribution> make(const std::string& type, const Definition& definition) {
    std::string error;
    auto distribution = create(type, definition, error);
    EXPECT_TRUE(distribution) << type << ": " << error;
    EXPECT_EQ(error, "");
    return distribution;
}

std::unique_ptr<Distribution> makeAt(const std::string& type, const Definition& definition,
                                     const std::string& baseline) {
    auto distribution = make(type, definition);
    if (distribution) {
        EXPECT_TRUE(distribution->setProperty("baseline", baseline));
    }
    return distribution;
}

// The standard normal CDF and density, from the C library.
double phi(double z) { return 0.5 * std::erfc(-z / std::numbers::sqrt2); }
double density(double z) {
    return std::isinf(z) ? 0.0 : std::exp(-z * z / 2.0) / std::sqrt(2.0 * std::numbers::pi);
}

std::vector<double> firstDraws(Distribution& distribution, int count = 10) {
    std::vector<double> draws;
    for (int i = 0; i < count; ++i) draws.push_back(distribution.sample());
    return draws;
}

// ---- Creation ----

TEST(DistributionExtension, OnlyTheDistributionCategoryIsServed) {
    ExtensionManager& manager = ExtensionManager::instance();
    EXPECT_EQ(&manager, &ExtensionManager::instance());
    EXPECT_NE(manager.distributionExtension("Distribution"), nullptr);
    EXPECT_EQ(manager.distributionExtension("Portal"), nullptr);
    EXPECT_EQ(manager.distributionExtension(""), nullptr);
}

TEST(DistributionExtension, TypeNamesMatchWithoutRegardToCase) {
    auto distribution = make("truncatednormal", {{"stdDev", "1"}, {"lower", "0"}});
    ASSERT_TRUE(distribution);
    std::string type;
    ASSERT_TRUE(distribution->property("type", type));
    EXPECT_EQ(type, "TruncatedNormal");
}

TEST(DistributionCreation, FailsWithTheReason) {
    const struct {
        std::string type;
        Definition definition;
        std::string reason;
    } failures[] = {
        {"Cauchy", {{"stdDev", "1"}},
         "Unknown distribution type \"Cauchy\"; the known types are Normal, LogNormal, Uniform, "
         "Triangular, Weibull, Gumbel, Exponential and TruncatedNormal."},
        {"Normal", {}, "A Normal distribution needs \"stdDev\" or \"cov\"."},
        {"Normal", {{"mean", "2"}}, "A Normal distribution needs \"stdDev\" or \"cov\"."},
        {"Normal", {{"stdDev", "1"}, {"cov", "0.1"}},
         "A Normal distribution takes \"stdDev\" or \"cov\", not both."},
        {"Normal", {{"stdDev", "-1"}},
         "The parameter \"stdDev\" of a Normal distribution must be positive, not -1."},
        {"Normal", {{"stdDev", "0"}},
         "The parameter \"stdDev\" of a Normal distribution must be positive, not 0."},
        {"Normal", {{"cov", "-0.25"}},
         "The parameter \"cov\" of a Normal distribution must be positive, not -0.25."},
        {"Normal", {{"stdDev", "abc"}},
         "The parameter \"stdDev\" of a Normal distribution cannot be read: the text \"abc\" is "
         "not a number."},
        {"Normal", {{"stdDev", "inf"}},
         "The parameter \"stdDev\" of a Normal distribution must be a finite number, not inf."},
        {"Normal", {{"mean", "nan"}, {"stdDev", "1"}},
         "The parameter \"mean\" of a Normal distribution must be a finite number, not nan."},
        {"Normal", {{"mean", "0"}, {"cov", "0.1"}},
         "The parameter \"cov\" of a Normal distribution needs a non-zero \"mean\"."},
        {"LogNormal", {}, "A LogNormal distribution needs \"stdDev\" or \"cov\"."},
        {"LogNormal", {{"logMean", "1"}},
         "A LogNormal distribution needs the parameter \"logStdDev\"."},
        {"LogNormal", {{"logStdDev", "1"}},
         "A LogNormal distribution needs the parameter \"logMean\"."},
        {"LogNormal", {{"logMean", "1"}, {"logStdDev", "0"}},
         "The parameter \"logStdDev\" of a LogNormal distribution must be positive, not 0."},
        {"LogNormal", {{"logMean", "1"}, {"logStdDev", "1"}, {"cov", "0.1"}},
         "A LogNormal distribution takes \"logMean\" or \"cov\", not both."},
        {"LogNormal", {{"mean", "-2"}, {"stdDev", "1"}},
         "The parameter \"mean\" of a LogNormal distribution must be positive, not -2."},
        {"Uniform", {{"lower", "2"}, {"upper", "1"}},
         "The parameter \"lower\" (2) of a Uniform distribution must be less than \"upper\" (1)."},
        {"Uniform", {{"lower", "1"}, {"upper", "1"}},
         "The parameter \"lower\" (1) of a Uniform distribution must be less than \"upper\" (1)."},
        {"Uniform", {{"lower", "1"}}, "A Uniform distribution needs the parameter \"upper\"."},
        {"Uniform", {{"upper", "1"}, {"halfWidth", "1"}},
         "A Uniform distribution takes \"upper\" or \"halfWidth\", not both."},
        {"Uniform", {}, "A Uniform distribution needs \"halfWidth\" or \"cov\"."},
        {"Uniform", {{"halfWidth", "-3"}},
         "The parameter \"halfWidth\" of a Uniform distribution must be positive, not -3."},
        {"Uniform", {{"mean", "1e20"}, {"halfWidth", "1"}},
         "The spread of a Uniform distribution is too small to be told apart from its \"mean\" "
         "(1e+20)."},
        {"Triangular", {{"lower", "0"}, {"mode", "5"}, {"upper", "1"}},
         "The parameter \"mode\" (5) of a Triangular distribution must lie between \"lower\" (0) "
         "and \"upper\" (1)."},
        {"Triangular", {{"lower", "0"}, {"mode", "-1"}, {"upper", "1"}},
         "The parameter \"mode\" (-1) of a Triangular distribution must lie between \"lower\" "
         "(0) and \"upper\" (1)."},
        {"Triangular", {{"lower", "3"}, {"mode", "3"}, {"upper", "3"}},
         "The parameter \"lower\" (3) of a Triangular distribution must be less than \"upper\" "
         "(3)."},
        {"Triangular", {{"lower", "0"}, {"upper", "1"}},
         "A Triangular distribution needs the parameter \"mode\"."},
        {"Triangular", {{"cov", "0"}},
         "The parameter \"cov\" of a Triangular distribution must be positive, not 0."},
        {"Weibull", {{"scale", "1"}}, "A Weibull distribution needs the parameter \"shape\"."},
        {"Weibull", {{"shape", "2"}}, "A Weibull distribution needs the parameter \"scale\"."},
        {"Weibull", {{"shape", "0"}, {"scale", "1"}},
         "The parameter \"shape\" of a Weibull distribution must be positive, not 0."},
        {"Weibull", {{"shape", "2"}, {"scale", "-1.5"}},
         "The parameter \"scale\" of a Weibull distribution must be positive, not -1.5."},
        {"Weibull", {{"shape", "2"}, {"scale", "1"}, {"shift", "x"}},
         "The parameter \"shift\" of a Weibull distribution cannot be read: the text \"x\" is "
         "not a number."},
        {"Gumbel", {{"scale", "1"}}, "A Gumbel distribution needs the parameter \"location\"."},
        {"Gumbel", {{"location", "0"}, {"scale", "0"}},
         "The parameter \"scale\" of a Gumbel distribution must be positive, not 0."},
        {"Exponential", {}, "An Exponential distribution needs the parameter \"rate\"."},
        {"Exponential", {{"rate", "-2"}},
         "The parameter \"rate\" of an Exponential distribution must be positive, not -2."},
        {"Exponential", {{"rate", "1"}, {"shift", "-inf"}},
         "The parameter \"shift\" of an Exponential distribution must be a finite number, not "
         "-inf."},
        {"TruncatedNormal", {{"stdDev", "1"}},
         "A TruncatedNormal distribution needs \"lower\", \"upper\" or both."},
        {"TruncatedNormal", {{"lower", "0"}},
         "A TruncatedNormal distribution needs \"stdDev\" or \"cov\"."},
        {"TruncatedNormal", {{"stdDev", "1"}, {"lower", "1"}, {"upper", "0"}},
         "The parameter \"lower\" (1) of a TruncatedNormal distribution must be less than "
         "\"upper\" (0)."},
        {"TruncatedNormal", {{"mean", "0"}, {"stdDev", "1"}, {"lower", "50"}, {"upper", "60"}},
         "A TruncatedNormal distribution has no probability between \"lower\" (50) and \"upper\" "
         "(60) around its \"mean\" (0)."},
    };
    for (const auto& failure : failures) {
        SCOPED_TRACE(failure.reason);
        std::string error;
        EXPECT_EQ(create(failure.type, failure.definition, error), nullptr);
        EXPECT_EQ(error, failure.reason);
    }
}

// ---- Moments ----

struct MomentCase {
    std::string label;
    std::string type;
    Definition definition;
    std::string baseline;
    double mean;
    double stdDev;
    double kurtosis;  // fourth standardised moment, for the spread's standard error
};

// Fourth standardised moment of a Weibull distribution of shape k.
double weibullKurtosis(double k) {
    const auto g = [k](double i) { return std::tgamma(1.0 + i / k); };
    const double variance = g(2) - g(1) * g(1);
    return (g(4) - 4 * g(1) * g(3) + 6 * g(1) * g(1) * g(2) - 3 * std::pow(g(1), 4)) /
           (variance * variance);
}

// Fourth standardised moment of a log-normal distribution with log-variance s2.
double logNormalKurtosis(double s2) {
    const double w = std::exp(s2);
    return std::pow(w, 4) + 2 * std::pow(w, 3) + 3 * w * w - 3;
}

MomentCase logNormalFromLogs(double logMean, double logStdDev) {
    const double s2 = logStdDev * logStdDev;
    const double mean = std::exp(logMean + s2 / 2);
    return {"LogNormalFromLogs", "LogNormal",
            {{"logMean", std::to_string(logMean)}, {"logStdDev", std::to_string(logStdDev)}},
            "0", mean, mean * std::sqrt(std::expm1(s2)), logNormalKurtosis(s2)};
}

MomentCase weibull(double shape, double scale, double shift) {
    const double g1 = std::tgamma(1 + 1 / shape);
    const double g2 = std::tgamma(1 + 2 / shape);
    return {"WeibullShape" + std::to_string(int(shape * 10)), "Weibull",
            {{"shape", std::to_string(shape)}, {"scale", std::to_string(scale)},
             {"shift", std::to_string(shift)}},
            "0", shift + scale * g1, scale * std::sqrt(g2 - g1 * g1), weibullKurtosis(shape)};
}

// Mean and standard deviation of a normal (mean m, deviation s) cut to [a, b].
// Truncated normals are flatter than the half-normal (kurtosis 3.87), so 4
// bounds the kurtosis.
MomentCase truncatedNormal(std::string label, Definition definition, std::string baseline,
                           double m, double s, double a, double b) {
    const double alpha = (a - m) / s;
    const double beta = (b - m) / s;
    const double mass = phi(beta) - phi(alpha);
    const double shift = (density(alpha) - density(beta)) / mass;
    const auto weighted = [](double z) { return std::isinf(z) ? 0.0 : z * density(z); };
    const double variance = 1 + (weighted(alpha) - weighted(beta)) / mass - shift * shift;
    return {std::move(label), "TruncatedNormal", std::move(definition), std::move(baseline),
            m + s * shift, s * std::sqrt(variance), 4.0};
}

// 100,000 draws: the sample mean and standard deviation must lie within five
// standard errors of the analytic values (standard error of the deviation:
// s * sqrt((kurtosis - 1) / 4n)). The seed is fixed, so the outcome is too.
TEST(DistributionMoments, MatchTheAnalyticValues) {
    const MomentCase cases[] = {
        {"NormalAbsolute", "Normal", {{"mean", "10"}, {"stdDev", "2"}}, "0", 10, 2, 3},
        {"NormalCentredByCov", "Normal", {{"cov", "0.05"}}, "-40", -40, 2, 3},
        {"LogNormalAbsolute", "LogNormal", {{"mean", "5"}, {"cov", "0.2"}}, "0", 5, 1,
         logNormalKurtosis(std::log(1.04))},
        {"LogNormalCentred", "LogNormal", {{"stdDev", "3"}}, "12", 12, 3,
         logNormalKurtosis(std::log(1.0625))},
        logNormalFromLogs(0.5, 0.4),
        {"UniformAbsolute", "Uniform", {{"lower", "2"}, {"upper", "5"}}, "0", 3.5, 3 / std::sqrt(12.0),
         1.8},
        {"UniformCentredByCov", "Uniform", {{"cov", "0.1"}}, "20", 20, 2, 1.8},
        {"TriangularAbsolute", "Triangular", {{"lower", "1"}, {"mode", "2"}, {"upper", "6"}}, "0", 3,
         std::sqrt((1 + 4 + 36 - 2 - 6 - 12) / 18.0), 2.4},
        {"TriangularCentred", "Triangular", {{"halfWidth", "3"}}, "-4", -4, 3 / std::sqrt(6.0), 2.4},
        weibull(2.0, 3.0, 1.0), weibull(0.8, 1.0, 0.0),
        {"Gumbel", "Gumbel", {{"location", "2"}, {"scale", "0.5"}}, "0",
         2 + 0.5 * std::numbers::egamma, 0.5 * std::numbers::pi / std::sqrt(6.0), 5.4},
        {"Exponential", "Exponential", {{"rate", "4"}, {"shift", "1"}}, "0", 1.25, 0.25, 9},
        truncatedNormal("TruncatedNormalTwoSided",
                        {{"mean", "1"}, {"stdDev", "2"}, {"lower", "0"}, {"upper", "5"}}, "0", 1,
                        2, 0, 5),
        truncatedNormal("TruncatedNormalHalf", {{"stdDev", "1"}, {"lower", "3"}}, "3", 3, 1, 3,
                        infinity)};
    for (const MomentCase& c : cases) {
        SCOPED_TRACE(c.label);
        auto distribution = makeAt(c.type, c.definition, c.baseline);
        ASSERT_TRUE(distribution);
        ASSERT_TRUE(distribution->setProperty("randomSeed", "4711"));
        constexpr int n = 100000;
        double mean = 0.0;
        double squares = 0.0;
        for (int i = 1; i <= n; ++i) {  // Welford's running mean and squared deviations
            const double x = distribution->sample();
            const double delta = x - mean;
            mean += delta / i;
            squares += delta * (x - mean);
        }
        const double stdDev = std::sqrt(squares / (n - 1));
        EXPECT_NEAR(mean, c.mean, 5.0 * c.stdDev / std::sqrt(double(n)));
        EXPECT_NEAR(stdDev, c.stdDev, 5.0 * c.stdDev * std::sqrt((c.kurtosis - 1) / (4.0 * n)));
    }
}

// ---- CDF and inverse CDF ----

struct Kind {
    std::string type;
    Definition definition;
};

// One of each kind in both styles where there are two, all usable at
// baseline 1.5.
std::vector<Kind> everyKind() {
    return {{"Normal", {{"mean", "1"}, {"stdDev", "2"}}},
            {"Normal", {{"cov", "0.3"}}},
            {"LogNormal", {{"mean", "3"}, {"stdDev", "1"}}},
            {"LogNormal", {{"logMean", "0"}, {"logStdDev", "1.2"}}},
            {"Uniform", {{"lower", "-1"}, {"upper", "4"}}},
            {"Uniform", {{"halfWidth", "0.5"}}},
            {"Triangular", {{"lower", "0"}, {"mode", "1"}, {"upper", "5"}}},
            {"Triangular", {{"cov", "0.2"}}},
            {"Weibull", {{"shape", "1.5"}, {"scale", "2"}, {"shift", "-1"}}},
            {"Gumbel", {{"location", "-3"}, {"scale", "2"}}},
            {"Exponential", {{"rate", "0.5"}}},
            {"TruncatedNormal", {{"stdDev", "1"}, {"lower", "0"}, {"upper", "2"}}},
            {"TruncatedNormal", {{"mean", "0"}, {"stdDev", "1"}, {"lower", "8"}, {"upper", "9"}}}};
}

TEST(DistributionCdf, InverseCdfRoundTripsForEveryKind) {
    for (const Kind& kind : everyKind()) {
        auto distribution = makeAt(kind.type, kind.definition, "1.5");
        ASSERT_TRUE(distribution);
        double previous = -infinity;
        for (const double p : {1e-9, 0.001, 0.1, 0.25, 0.5, 0.77, 0.9, 0.999, 1 - 1e-9}) {
            const double x = distribution->inverseCdf(p);
            EXPECT_GT(x, previous) << kind.type << " p=" << p;
            EXPECT_NEAR(distribution->cdf(x), p, 1e-12 + 1e-9 * p) << kind.type << " p=" << p;
            previous = x;
        }
    }
}

TEST(DistributionCdf, MatchesClosedForms) {
    EXPECT_NEAR(make("Normal", {{"mean", "0"}, {"stdDev", "1"}})->cdf(1.959963984540054), 0.975,
                1e-15);
    EXPECT_NEAR(make("Normal", {{"mean", "3"}, {"stdDev", "2"}})->inverseCdf(0.975),
                3 + 2 * 1.959963984540054, 1e-12);
    EXPECT_NEAR(make("LogNormal", {{"logMean", "1"}, {"logStdDev", "0.5"}})->cdf(std::exp(1.5)),
                phi(1.0), 1e-15);
    EXPECT_NEAR(make("Uniform", {{"lower", "2"}, {"upper", "6"}})->cdf(3), 0.25, 1e-15);
    EXPECT_NEAR(make("Triangular", {{"lower", "0"}, {"mode", "1"}, {"upper", "4"}})->cdf(3),
                1 - 1.0 / 12, 1e-15);
    EXPECT_NEAR(make("Weibull", {{"shape", "2"}, {"scale", "3"}, {"shift", "1"}})->cdf(4),
                1 - std::exp(-1.0), 1e-15);
    EXPECT_NEAR(make("Gumbel", {{"location", "2"}, {"scale", "0.5"}})->cdf(2.5),
                std::exp(-std::exp(-1.0)), 1e-15);
    EXPECT_NEAR(make("Exponential", {{"rate", "2"}, {"shift", "1"}})->cdf(1 + std::log(2.0) / 2),
                0.5, 1e-15);
    EXPECT_NEAR(make("TruncatedNormal", {{"mean", "0"}, {"stdDev", "1"}, {"lower", "-1"},
                                         {"upper", "2"}})
                    ->cdf(0.5),
                (phi(0.5) - phi(-1)) / (phi(2) - phi(-1)), 1e-15);
}

TEST(DistributionCdf, KeepsPrecisionFarInTheUpperTail) {
    // Probabilities above z from the complementary error function, which has
    // full relative precision out there.
    const auto above = [](double z) { return 0.5 * std::erfc(z / std::numbers::sqrt2); };
    auto distribution =
        make("TruncatedNormal", {{"mean", "0"}, {"stdDev", "1"}, {"lower", "8"}, {"upper", "9"}});
    const double mass = above(8) - above(9);
    EXPECT_NEAR(distribution->cdf(8.05), (above(8) - above(8.05)) / mass, 1e-12);
    EXPECT_NEAR(above(distribution->inverseCdf(0.5)), above(8) - 0.5 * mass, 1e-12 * above(8));
}

TEST(DistributionCdf, OutsideTheSupportGivesItsEnds) {
    auto normal = make("Normal", {{"mean", "0"}, {"stdDev", "1"}});
    EXPECT_EQ(normal->inverseCdf(0.0), -infinity);
    EXPECT_EQ(normal->inverseCdf(1.0), infinity);
    EXPECT_EQ(normal->inverseCdf(-0.5), -infinity);
    EXPECT_EQ(normal->cdf(-infinity), 0.0);
    EXPECT_EQ(normal->cdf(infinity), 1.0);
    EXPECT_TRUE(std::isnan(normal->inverseCdf(std::nan(""))));
    EXPECT_TRUE(std::isnan(normal->cdf(std::nan(""))));

    auto weibull = make("Weibull", {{"shape", "2"}, {"scale", "1"}, {"shift", "1"}});
    EXPECT_EQ(weibull->inverseCdf(0.0), 1.0);
    EXPECT_EQ(weibull->inverseCdf(2.0), infinity);
    EXPECT_EQ(weibull->cdf(0.5), 0.0);

    auto uniform = make("Uniform", {{"lower", "2"}, {"upper", "3"}});
    EXPECT_EQ(uniform->inverseCdf(-1.0), 2.0);
    EXPECT_EQ(uniform->inverseCdf(1.5), 3.0);
    EXPECT_EQ(uniform->cdf(1.0), 0.0);
    EXPECT_EQ(uniform->cdf(4.0), 1.0);

    auto truncated = make("TruncatedNormal", {{"stdDev", "1"}, {"upper", "0.5"}});
    EXPECT_EQ(truncated->inverseCdf(0.0), -infinity);
    EXPECT_EQ(truncated->inverseCdf(1.0), 0.5);
}

// ---- Baseline ----

TEST(DistributionBaseline, CentredKindsFollowTheBaseline) {
    auto normal = makeAt("Normal", {{"stdDev", "0.5"}}, "7");
    EXPECT_NEAR(normal->inverseCdf(0.5), 7.0, 1e-12);
    EXPECT_NEAR(normal->cdf(7.5), phi(1.0), 1e-15);

    auto byCov = makeAt("Normal", {{"cov", "0.1"}}, "-20");  // deviation 0.1 x |-20|
    EXPECT_NEAR(byCov->cdf(-18), phi(1.0), 1e-15);

    auto logNormal = makeAt("LogNormal", {{"cov", "0.2"}}, "10");  // median: mean / sqrt(1 + cov^2)
    EXPECT_NEAR(logNormal->cdf(10 / std::sqrt(1.04)), 0.5, 1e-15);

    auto uniform = makeAt("Uniform", {{"halfWidth", "1"}}, "3");
    EXPECT_EQ(uniform->inverseCdf(0.0), 2.0);
    EXPECT_NEAR(uniform->cdf(3.5), 0.75, 1e-15);
    auto uniformByCov = makeAt("Uniform", {{"cov", "0.1"}}, "10");  // half-width sqrt(3) x 1
    EXPECT_NEAR(uniformByCov->inverseCdf(1.0), 10 + std::sqrt(3.0), 1e-14);

    auto triangular = makeAt("Triangular", {{"halfWidth", "2"}}, "5");
    EXPECT_NEAR(triangular->cdf(4), 0.125, 1e-15);
    auto triangularByCov = makeAt("Triangular", {{"cov", "0.5"}}, "2");  // half-width sqrt(6)
    EXPECT_NEAR(triangularByCov->inverseCdf(0.0), 2 - std::sqrt(6.0), 1e-14);

    auto truncated = makeAt("TruncatedNormal", {{"stdDev", "1"}, {"lower", "0"}}, "1");
    EXPECT_NEAR(truncated->cdf(1), (phi(0) - phi(-1)) / (1 - phi(-1)), 1e-15);
}

TEST(DistributionBaseline, AbsoluteKindsIgnoreTheBaseline) {
    const std::vector<Kind> absolute = {
        {"Normal", {{"mean", "1"}, {"stdDev", "2"}}},
        {"LogNormal", {{"logMean", "0"}, {"logStdDev", "1"}}},
        {"Uniform", {{"lower", "-1"}, {"upper", "4"}}},
        {"Triangular", {{"lower", "0"}, {"mode", "1"}, {"upper", "5"}}},
        {"Weibull", {{"shape", "1.5"}, {"scale", "2"}}},
        {"Gumbel", {{"location", "-3"}, {"scale", "2"}}},
        {"Exponential", {{"rate", "0.5"}}},
        {"TruncatedNormal", {{"mean", "0"}, {"stdDev", "1"}, {"lower", "0"}}}};
    for (const Kind& kind : absolute) {
        auto distribution = make(kind.type, kind.definition);
        ASSERT_TRUE(distribution);
        const double before = distribution->inverseCdf(0.3);
        EXPECT_TRUE(distribution->setProperty("baseline", "250"));
        EXPECT_EQ(distribution->inverseCdf(0.3), before) << kind.type;
    }
}

TEST(DistributionBaseline, StartsAtZero) {
    EXPECT_NEAR(make("Normal", {{"stdDev", "2"}})->inverseCdf(0.5), 0.0, 1e-15);
    EXPECT_TRUE(std::isnan(make("Normal", {{"cov", "0.1"}})->sample()));
}

TEST(DistributionBaseline, AnUnusableBaselineIsKeptButRefused) {
    auto normal = makeAt("Normal", {{"cov", "0.1"}}, "5");
    EXPECT_FALSE(normal->setProperty("baseline", "0"));  // spread 0.1 x 0
    std::string baseline;
    ASSERT_TRUE(normal->property("baseline", baseline));
    EXPECT_EQ(baseline, "0");
    EXPECT_TRUE(std::isnan(normal->sample()));
    EXPECT_TRUE(std::isnan(normal->cdf(1.0)));
    EXPECT_TRUE(std::isnan(normal->inverseCdf(0.5)));
    EXPECT_TRUE(normal->setProperty("baseline", "5"));
    EXPECT_NEAR(normal->inverseCdf(0.5), 5.0, 1e-12);

    EXPECT_FALSE(make("LogNormal", {{"stdDev", "1"}})->setProperty("baseline", "-1"));
    EXPECT_FALSE(make("TruncatedNormal", {{"stdDev", "0.01"}, {"lower", "0"}, {"upper", "1"}})
                     ->setProperty("baseline", "100"));
}

TEST(DistributionBaseline, UnreadableBaselinesLeaveItUnchanged) {
    auto normal = makeAt("Normal", {{"stdDev", "1"}}, "2.5");
    for (const char* text : {"abc", "", "1.5x", "inf", "nan"}) {
        EXPECT_FALSE(normal->setProperty("baseline", text)) << text;
    }
    EXPECT_NEAR(normal->inverseCdf(0.5), 2.5, 1e-15);
}

// ---- Seeds ----

TEST(DistributionSeed, EqualSeedsGiveEqualDrawsForEveryKind) {
    for (const Kind& kind : everyKind()) {
        auto first = makeAt(kind.type, kind.definition, "1.5");
        auto second = makeAt(kind.type, kind.definition, "1.5");
        ASSERT_TRUE(first && second);
        ASSERT_TRUE(first->setProperty("randomSeed", "1234"));
        ASSERT_TRUE(second->setProperty("randomSeed", "1234"));
        const std::vector<double> draws = firstDraws(*first);
        EXPECT_EQ(firstDraws(*second), draws) << kind.type;

        ASSERT_TRUE(second->setProperty("randomSeed", "1235"));
        const std::vector<double> other = firstDraws(*second);
        for (std::size_t i = 0; i < draws.size(); ++i) {
            EXPECT_NE(other[i], draws[i]) << kind.type << " draw " << i;
        }

        ASSERT_TRUE(first->setProperty("randomSeed", "1234"));
        EXPECT_EQ(firstDraws(*first), draws) << kind.type << " after re-seeding";
    }
}

TEST(DistributionSeed, DrawsComeFromTheStandardMersenneTwister) {
    // The generator's output is fixed by the C++ standard; 52 bits of two
    // outputs make one uniform number strictly inside (0, 1).
    std::mt19937 generator(99);
    auto uniform = make("Uniform", {{"lower", "0"}, {"upper", "1"}});
    ASSERT_TRUE(uniform->setProperty("randomSeed", "99"));
    for (int i = 0; i < 3; ++i) {
        const std::uint64_t high = generator() >> 6;
        const std::uint64_t low = generator() >> 6;
        EXPECT_EQ(uniform->sample(), (double((high << 26) | low) + 0.5) / std::ldexp(1.0, 52));
    }
}

TEST(DistributionSeed, TheDefaultSeedIsZero) {
    auto unseeded = make("Normal", {{"stdDev", "1"}});
    auto seeded = make("Normal", {{"stdDev", "1"}});
    ASSERT_TRUE(seeded->setProperty("randomSeed", "0"));
    EXPECT_EQ(firstDraws(*unseeded), firstDraws(*seeded));
}

TEST(DistributionSeed, OnlyIntegersFromZeroToAMillionAreSeeds) {
    auto normal = make("Normal", {{"stdDev", "1"}});
    for (const char* text : {"-1", "1000001", "1.5", "abc", "", "4294967296"}) {
        EXPECT_FALSE(normal->setProperty("randomSeed", text)) << text;
    }
    std::string seed;
    ASSERT_TRUE(normal->property("randomSeed", seed));
    EXPECT_EQ(seed, "0");
    EXPECT_TRUE(normal->setProperty("randomSeed", "1000000"));
    ASSERT_TRUE(normal->property("randomSeed", seed));
    EXPECT_EQ(seed, "1000000");
}

// ---- Properties ----

TEST(DistributionProperties, AnswerTheTypeBaselineSeedAndGivenParameters) {
    auto normal = makeAt("normal", {{"mean", "0.1"}, {"stdDev", "2"}}, "-3.25");
    ASSERT_TRUE(normal->setProperty("randomSeed", "77"));
    const std::map<std::string, std::string> expected = {{"type", "Normal"},
                                                         {"baseline", "-3.25"},
                                                         {"randomSeed", "77"},
                                                         {"mean", "0.10000000000000001"},
                                                         {"stdDev", "2"}};
    for (const auto& [name, text] : expected) {
        std::string value;
        EXPECT_TRUE(normal->property(name, value)) << name;
        EXPECT_EQ(value, text) << name;
    }
    std::string value = "untouched";
    EXPECT_FALSE(normal->property("cov", value));
    EXPECT_FALSE(normal->property("lower", value));
    EXPECT_EQ(value, "untouched");
}

TEST(DistributionProperties, OnlyBaselineAndSeedCanBeSet) {
    auto normal = make("Normal", {{"stdDev", "1"}});
    EXPECT_FALSE(normal->setProperty("type", "Uniform"));
    EXPECT_FALSE(normal->setProperty("stdDev", "3"));
    std::string value;
    ASSERT_TRUE(normal->property("stdDev", value));
    EXPECT_EQ(value, "1");
}

}  // namespace
}  // namespace varno::support
