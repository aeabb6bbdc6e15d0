// Robustness sampling: Monte Carlo draws follow each parameter's
// distribution, Latin-hypercube draws hit every stratum once, and a failed
// draw keeps the baseline.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>

#include <boost/math/distributions/lognormal.hpp>
#include <boost/math/distributions/normal.hpp>
#include <boost/math/distributions/weibull.hpp>

#include "doe/rr_sampling.h"
#include "test_support.h"

namespace varno::doe {
namespace {

using Cdf = std::function<double(double)>;

std::unique_ptr<support::Distribution> makeDistribution(
    const std::string& type, const std::map<std::string, double>& parameters) {
    const auto lookup = [&parameters](const std::string& key, double& value, std::string&) {
        const auto found = parameters.find(key);
        if (found == parameters.end()) return false;
        value = found->second;
        return true;
    };
    std::string error;
    auto made = support::ExtensionManager::instance()
                    .distributionExtension("Distribution")
                    ->create(type, lookup, error);
    EXPECT_TRUE(made) << error;
    return made;
}

// The Kolmogorov–Smirnov statistic of `values` against `cdf`.
double ksStatistic(std::vector<double> values, const Cdf& cdf) {
    std::sort(values.begin(), values.end());
    const double n = static_cast<double>(values.size());
    double d = 0.0;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const double f = cdf(values[i]);
        d = std::max({d, (static_cast<double>(i) + 1.0) / n - f, f - static_cast<double>(i) / n});
    }
    return d;
}

struct Case {
    const char* type;
    std::map<std::string, double> parameters;
    double baseline;
    Cdf cdf;
};

std::vector<Case> cases() {
    return {
        {"Normal",
         {{"stdDev", 2.0}},
         10.0,
         [](double x) { return cdf(boost::math::normal_distribution<>(10.0, 2.0), x); }},
        {"LogNormal",
         {{"logMean", 1.0}, {"logStdDev", 0.5}},
         3.0,
         [](double x) { return cdf(boost::math::lognormal_distribution<>(1.0, 0.5), x); }},
        {"Weibull",
         {{"shape", 2.0}, {"scale", 3.0}},
         1.0,
         [](double x) { return cdf(boost::math::weibull_distribution<>(2.0, 3.0), x); }},
    };
}

TEST(RRSampling, MonteCarloAndLatinHypercubeFollowTheDistributions) {
    constexpr int n = 2000;
    const double critical = 1.628 / std::sqrt(static_cast<double>(n));  // 1 % level
    for (int kind : {samplingMonteCarlo, samplingLatinHypercube}) {
        std::vector<std::unique_ptr<support::Distribution>> owned;
        std::vector<ScatteredParameter> parameters;
        for (const Case& c : cases()) {
            owned.push_back(makeDistribution(c.type, c.parameters));
            parameters.push_back({c.type, c.baseline, owned.back().get()});
        }
        search::RandomStream random(0.3f);
        const auto samples = sampleParameters(kind, n, parameters, random);
        ASSERT_EQ(samples.size(), static_cast<std::size_t>(n));
        for (std::size_t p = 0; p < parameters.size(); ++p) {
            std::vector<double> values;
            for (const std::vector<double>& sample : samples) values.push_back(sample[p]);
            EXPECT_LT(ksStatistic(values, cases()[p].cdf), critical) << cases()[p].type << kind;
            if (kind != samplingLatinHypercube) continue;
            // Every stratum of probability 1 / n holds one draw.
            std::vector<int> hits(n, 0);
            for (double value : values)
                ++hits.at(static_cast<std::size_t>(cases()[p].cdf(value) * n));
            EXPECT_EQ(std::count(hits.begin(), hits.end(), 1), n) << cases()[p].type;
        }
    }
}

TEST(RRSampling, StratifiedProbabilitiesStayInsideTheirStratum) {
    search::RandomStream random(0.1f);
    for (int i = 0; i < 5000; ++i) {
        const double u = stratifiedProbability(i % 3 == 0 ? 0 : 4, 5, random);
        EXPECT_GT(u, 0.0);
        EXPECT_LT(u, 1.0);
    }
}

TEST(RRSampling, AFailedDrawKeepsTheBaselineWithAnError) {
    testing::resetLibrary();
    // A LogNormal centred on a baseline cannot be centred on -1: every draw fails.
    auto logNormal = makeDistribution("LogNormal", {{"cov", 0.1}});
    std::vector<ScatteredParameter> parameters = {{"p", -1.0, logNormal.get()}};
    search::RandomStream random(0.2f);
    const auto samples = sampleParameters(samplingMonteCarlo, 3, parameters, random);
    for (const std::vector<double>& sample : samples) EXPECT_EQ(sample[0], -1.0);
    const std::vector<std::string> log = testing::logEntries();
    ASSERT_FALSE(log.empty());
    EXPECT_NE(log.back().find("Error in updating the value for parameter p in design 3. Setting "
                              "the value back to baseline."),
              std::string::npos);
    testing::resetLibrary();
}

}  // namespace
}  // namespace varno::doe
