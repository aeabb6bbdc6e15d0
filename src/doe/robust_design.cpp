#include "doe/robust_design.h"

#include <cmath>

#include "frame/fatal_error.h"
#include "frame/message_writer.h"
#include "frame/text_format.h"

namespace varno::doe {

namespace {

constexpr double zeroReplacement = 2.220446049250313e-16;

double average(const std::vector<double>& values) {
    double sum = 0.0;
    for (double y : values) sum += y;
    return sum / static_cast<double>(values.size());
}

double sampleVariance(const std::vector<double>& values) {
    if (values.size() < 2) return 0.0;
    const double mean = average(values);
    double sum = 0.0;
    for (double y : values) sum += (y - mean) * (y - mean);
    return sum / static_cast<double>(values.size() - 1);
}

// The quantity whose logarithm the ratio takes.
double accumulator(int snKind, const std::vector<double>& values) {
    const double n = static_cast<double>(values.size());
    double sum = 0.0;
    switch (snKind) {
        case snSmallerIsBetter:
            for (double y : values) sum += y * y / n;
            return sum;
        case snVarianceOnly: return sampleVariance(values);
        case snNominalIsBest: {
            const double mean = average(values);
            return mean * mean / sampleVariance(values);
        }
        case snLargerIsBetter:
            for (double y : values) {
                const double z = y == 0.0 ? y + zeroReplacement : y;
                sum += 1.0 / (n * z * z);
            }
            return sum;
        default:
            fatalError("Internal error number 324. Please contact technical support by sending an "
                       "email to");
    }
}

void warnRatio(const char* format, const std::string& response) {
    writeMessage("outptr", "warning", formatText(format, response.c_str()));
}

}  // namespace

std::optional<double> signalToNoise(const std::string& response, int snKind,
                                    const std::vector<double>& values) {
    if (snKind == snNominalIsBest && sampleVariance(values) == 0.0) {
        warnRatio("Error in calculating the SN ratio for the response (%s). Standard Deviation is "
                  "0.0",
                  response);
        return std::nullopt;
    }
    const double a = accumulator(snKind, values);
    if (a == 0.0) {
        warnRatio("Error in calculating the SN ratio for the response (%s). Cannot take log of 0.0",
                  response);
        return std::nullopt;
    }
    const double ratio = 10.0 * std::log10(a);
    if (!std::isfinite(ratio)) return std::nullopt;
    return snKind == snNominalIsBest ? ratio : -ratio;
}

ControlRunSummary summariseControlRuns(const std::string& response, int snKind,
                                       const std::vector<std::optional<double>>& runValues,
                                       int noiseRuns) {
    ControlRunSummary summary;
    if (snKind == snNone || noiseRuns < 1) return summary;
    bool ratiosUsable = true;
    const std::size_t n = static_cast<std::size_t>(noiseRuns);
    for (std::size_t first = 0; first + n <= runValues.size(); first += n) {
        std::vector<double> values;
        for (std::size_t r = first; r < first + n && runValues[r]; ++r)
            values.push_back(*runValues[r]);
        if (values.size() < n) continue;
        summary.controlRuns.push_back(static_cast<int>(first / n));
        summary.means.push_back(average(values));
        const std::optional<double> ratio = ratiosUsable ? signalToNoise(response, snKind, values)
                                                         : std::nullopt;
        if (ratio) summary.snRatios.push_back(*ratio);
        ratiosUsable = ratiosUsable && ratio.has_value();
    }
    if (!ratiosUsable) summary.snRatios.clear();
    return summary;
}

}  // namespace varno::doe
