// The statistics of a robustness or reliability study: per response the
// sample statistics and distribution written to its R&R file, and per
// constraint the reliability index and probability of failure.
#pragma once

#include <string>
#include <vector>

#include "model/project_model.h"

namespace varno::doe {

inline constexpr int distributionBins = 11;

struct ResponseStatistics {
    int count = 0;
    double mean = 0.0;
    double sumSquares = 0.0;   // Σy²
    double squareOfSum = 0.0;  // (Σy)²
    double variance = 0.0;     // from the deviations about the mean
    double sigma = 0.0;
    std::vector<double> sorted;
    std::vector<double> binProbability;  // 11 equal-width bins, or one for n < 2
};

ResponseStatistics responseStatistics(std::vector<double> values);

// The text of one response in its R&R file; a response without samples
// writes only the head and "#Samples 0".
std::string rrStatisticsText(const std::string& response, const ResponseStatistics& statistics);

// The R&R file of a response: "RandR_<agent>_<response>.out" in `folder`.
std::string rrFilePath(const std::string& folder, int agentNumber, const std::string& response);

struct Reliability {
    int samples = 0;   // successfully evaluated samples
    int failures = 0;  // of those, the ones that violate the constraint
    double probabilityOfFailure = 0.0;
    double beta = 0.0;
};

// β and P_f of constraint `goal` of `definition` over the values of the
// successfully evaluated samples; P_f 0 gives β 1e300 and P_f 1 β -1e300.
Reliability reliabilityOf(const model::PerformanceDefinition& definition, int goal,
                          const std::vector<double>& values);

// The reliability section appended to the constraint's R&R file.
std::string reliabilityText(const Reliability& reliability);

// The error function by the rational approximation 7.1.26 of Abramowitz and
// Stegun, and its inverse from Acklam's normal quantile refined by one Halley
// step that uses that error function.
double approximateErf(double x);
double approximateNormalQuantile(double p);
double approximateErfInverse(double y);

}  // namespace varno::doe
