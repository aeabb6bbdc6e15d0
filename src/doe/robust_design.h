// Robust parameter design: per response, the mean and the signal-to-noise
// ratio of every control run over its noise runs.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace varno::doe {

// Signal-to-noise kinds of a response (its goal).
enum SignalToNoiseKind : int {
    snNone = -2,
    snSmallerIsBetter = -1,
    snVarianceOnly = 0,
    snNominalIsBest = 1,
    snLargerIsBetter = 2,
};

struct ControlRunSummary {
    std::vector<int> controlRuns;  // the complete control runs, in order
    std::vector<double> means;     // one per complete control run
    std::vector<double> snRatios;  // empty when a ratio would be infinite
};

// `runValues` holds the response of every run of the crossed array, control
// run by control run, each followed by its `noiseRuns` noise runs; a failed
// run holds nothing and leaves its control run out. A ratio that would be
// infinite writes its warning and leaves the ratios empty.
ControlRunSummary summariseControlRuns(const std::string& response, int snKind,
                                       const std::vector<std::optional<double>>& runValues,
                                       int noiseRuns);

// The signal-to-noise ratio of one control run's values; nothing (after the
// warning) when it would be infinite.
std::optional<double> signalToNoise(const std::string& response, int snKind,
                                    const std::vector<double>& values);

}  // namespace varno::doe
