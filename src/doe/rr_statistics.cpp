#include "doe/rr_statistics.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "frame/text_format.h"
#include "performance/performance.h"
#include "support/file_io.h"

namespace varno::doe {

namespace {

constexpr double binTolerance = 2.220446049250313e-16;
constexpr double certainBeta = 1e300;
constexpr double quantileCeiling = 4.0;
constexpr double highestProbability = 0.9999999997;

std::vector<double> binProbabilities(const std::vector<double>& sorted) {
    const std::size_t n = sorted.size();
    if (n < 2) return {1.0};
    const double lowest = sorted.front();
    const double width = (sorted.back() - lowest) / distributionBins;
    std::vector<double> counts(distributionBins, 0.0);
    for (double y : sorted) {
        int bin = 0;
        while (bin < distributionBins - 1 && y > lowest + (bin + 1) * width + binTolerance) ++bin;
        counts[static_cast<std::size_t>(bin)] += 1.0;
    }
    for (double& count : counts) count /= static_cast<double>(n);
    return counts;
}

// Acklam's rational approximation of the standard normal quantile.
double acklamQuantile(double p) {
    static constexpr std::array<double, 6> a = {-3.969683028665376e+01, 2.209460984245205e+02,
                                                -2.759285104469687e+02, 1.383577518672690e+02,
                                                -3.066479806614716e+01, 2.506628277459239e+00};
    static constexpr std::array<double, 5> b = {-5.447609879822406e+01, 1.615858368580409e+02,
                                                -1.556989798598866e+02, 6.680131188771972e+01,
                                                -1.328068155288572e+01};
    static constexpr std::array<double, 6> c = {-7.784894002430293e-03, -3.223964580411365e-01,
                                                -2.400758277161838e+00, -2.549732539343734e+00,
                                                4.374664141464968e+00,  2.938163982698783e+00};
    static constexpr std::array<double, 4> d = {7.784695709041462e-03, 3.224671290700398e-01,
                                                2.445134137142996e+00, 3.754408661907416e+00};
    constexpr double low = 0.02425;
    constexpr double high = 0.97575;
    const auto tail = [&](double q) {
        return (((((c[0] * q + c[1]) * q + c[2]) * q + c[3]) * q + c[4]) * q + c[5]) /
               ((((d[0] * q + d[1]) * q + d[2]) * q + d[3]) * q + 1.0);
    };
    if (p < low) return tail(std::sqrt(-2.0 * std::log(p)));
    if (p > high) return -tail(std::sqrt(-2.0 * std::log(1.0 - p)));
    const double q = p - 0.5;
    const double r = q * q;
    return (((((a[0] * r + a[1]) * r + a[2]) * r + a[3]) * r + a[4]) * r + a[5]) * q /
           (((((b[0] * r + b[1]) * r + b[2]) * r + b[3]) * r + b[4]) * r + 1.0);
}

}  // namespace

ResponseStatistics responseStatistics(std::vector<double> values) {
    ResponseStatistics s;
    s.count = static_cast<int>(values.size());
    if (values.empty()) return s;
    double sum = 0.0;
    for (double y : values) {
        sum += y;
        s.sumSquares += y * y;
    }
    s.squareOfSum = sum * sum;
    s.mean = sum / s.count;
    if (s.count >= 2) {
        double deviations = 0.0;
        for (double y : values) deviations += (y - s.mean) * (y - s.mean);
        s.variance = deviations / (s.count - 1);
    }
    s.sigma = s.variance > 0.0 ? std::sqrt(s.variance) : 0.0;
    std::sort(values.begin(), values.end());
    s.sorted = std::move(values);
    s.binProbability = binProbabilities(s.sorted);
    return s;
}

std::string rrStatisticsText(const std::string& response, const ResponseStatistics& s) {
    std::string text = "\n    ****** ANOVA RESULTS FOR R&R AGENT ******";
    if (s.count == 0) return text + "\n\n    #Samples 0\n\n\n";
    text += "\n\n        Response,  #Samples,            Mean,     Sum of squares,      Square of "
            "sum,         Variance,           Sigma";
    text += formatText("\n%16s,%10d,%16f, %18f, %18f, %16f,%16f", response.c_str(), s.count, s.mean,
                       s.sumSquares, s.squareOfSum, s.variance, s.sigma);
    text += "\n\n\n    ****** PROBABILITY DISTRIBUTION RESULTS FOR R&R AGENT ******";
    text += "\n\n    Sorted Response Values";
    for (double y : s.sorted) text += formatText("\n        %18f", y);
    text += "\n\n       Probability";
    for (double p : s.binProbability) text += formatText("\n    %14f", p);
    return text + "\n\n\n";
}

std::string rrFilePath(const std::string& folder, int agentNumber, const std::string& response) {
    return support::joinPath(folder, formatText("RandR_%d_%s.out", agentNumber, response.c_str()));
}

Reliability reliabilityOf(const model::PerformanceDefinition& definition, int goal,
                          const std::vector<double>& values) {
    Reliability r;
    r.samples = static_cast<int>(values.size());
    for (double v : values) {
        if (performance::responseTerm(definition, goal, v) > 0.0) ++r.failures;
    }
    if (r.samples == 0) return r;
    r.probabilityOfFailure = static_cast<double>(r.failures) / r.samples;
    if (r.failures == 0) {
        r.beta = certainBeta;
    } else if (r.failures == r.samples) {
        r.beta = -certainBeta;
    } else {
        r.beta = -std::sqrt(2.0) * approximateErfInverse(2.0 * r.probabilityOfFailure - 1.0);
    }
    return r;
}

std::string reliabilityText(const Reliability& r) {
    return "\n\n\n    ****** RELIABILITY RESULTS FOR R&R AGENT ******\n" +
           formatText("\n    Beta: %g", r.beta) +
           formatText("\n    Probability of failure: %g", r.probabilityOfFailure);
}

double approximateErf(double x) {
    constexpr double p = 0.3275911;
    constexpr std::array<double, 5> a = {0.254829592, -0.284496736, 1.421413741, -1.453152027,
                                         1.061405429};
    const double z = std::fabs(x);
    const double t = 1.0 / (1.0 + p * z);
    const double poly = ((((a[4] * t + a[3]) * t + a[2]) * t + a[1]) * t + a[0]) * t;
    const double value = 1.0 - poly * std::exp(-z * z);
    return x < 0.0 ? -value : value;
}

double approximateNormalQuantile(double p) {
    if (p > highestProbability) return quantileCeiling;
    if (p < 1.0 - highestProbability) return -quantileCeiling;
    const double x = acklamQuantile(p);
    const double e = 0.5 * (1.0 - approximateErf(-x / std::sqrt(2.0))) - p;
    const double u = e * std::sqrt(6.2831853) * std::exp(x * x / 2.0);
    return x - u / (1.0 + x * u / 2.0);
}

double approximateErfInverse(double y) {
    return approximateNormalQuantile((y + 1.0) / 2.0) / std::sqrt(2.0);
}

}  // namespace varno::doe
