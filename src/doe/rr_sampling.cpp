#include "doe/rr_sampling.h"

#include <algorithm>
#include <cmath>

#include "doe/doe_settings.h"
#include "doe/space_filling.h"
#include "frame/fatal_error.h"
#include "frame/message_writer.h"
#include "frame/text_format.h"

namespace varno::doe {

namespace {

constexpr int fewestSamples = 2;
constexpr int largestDistributionSeed = 1000000;

// Centres the distribution on the parameter's baseline and gives it a fresh
// seed from the engine's stream.
void prepareDistribution(const ScatteredParameter& parameter, search::RandomStream& random) {
    const double u = random.draw();
    const int seed =
        std::min(static_cast<int>(u * (largestDistributionSeed + 1)), largestDistributionSeed);
    parameter.distribution->setProperty("baseline", formatText("%.17g", parameter.baseline));
    parameter.distribution->setProperty("randomSeed", formatText("%d", seed));
}

// A drawn value, or the baseline with the error message when the draw failed.
double drawnOrBaseline(double value, const ScatteredParameter& parameter, int design) {
    if (std::isfinite(value)) return value;
    const std::string first = formatText("Error in updating the value for parameter %s in design "
                                         "%d.",
                                         parameter.name.c_str(), design);
    writeMessage("outptr", "error",
                 formatText("%s Setting the value back to baseline.", first.c_str()));
    return parameter.baseline;
}

void sampleMonteCarlo(std::vector<std::vector<double>>& samples,
                      const std::vector<ScatteredParameter>& parameters,
                      search::RandomStream& random) {
    for (const ScatteredParameter& parameter : parameters) prepareDistribution(parameter, random);
    for (std::size_t s = 0; s < samples.size(); ++s) {
        for (std::size_t p = 0; p < parameters.size(); ++p) {
            const double value = parameters[p].distribution->sample();
            samples[s][p] = drawnOrBaseline(value, parameters[p], static_cast<int>(s) + 1);
        }
    }
}

void sampleLatinHypercube(std::vector<std::vector<double>>& samples,
                          const std::vector<ScatteredParameter>& parameters,
                          search::RandomStream& random) {
    writeMessage("stdout", "none", "\nGenerating the Latin Hypercube based design array...\n");
    writeMessage("outptr", "note", "Generating the Latin Hypercube based design array...");
    const int n = static_cast<int>(samples.size());
    for (std::size_t p = 0; p < parameters.size(); ++p) {
        prepareDistribution(parameters[p], random);
        const std::vector<int> permutation = randomPermutation(n, random);
        for (int stratum = 0; stratum < n; ++stratum) {
            const double u = stratifiedProbability(stratum, n, random);
            const int design = permutation[static_cast<std::size_t>(stratum)];
            const double value = parameters[p].distribution->inverseCdf(u);
            samples[static_cast<std::size_t>(design)][p] =
                drawnOrBaseline(value, parameters[p], design + 1);
        }
    }
}

}  // namespace

DoeSettings readRRSettings(const model::BlockReader& reader) {
    DoeSettings settings;
    settings.numRuns = reader.requiredInt("numEvals");
    if (settings.numRuns < fewestSamples) {
        fatalError(formatText("Error in the definition of the method details. The number of "
                              "evaluations for the reliability and robustness method must be at "
                              "least 2. Found %d.",
                              settings.numRuns));
    }
    settings.kind = doeKindFromText(reader.requiredText("sampleMethod"), KindContext::sampling);
    if (settings.kind == samplingFirstOrder) {
        fatalError("Error in the definition of the method details. The FORM based reliability "
                   "analysis is not currently supported via the API.");
    }
    settings.genRSMAfterStudy = readSurfaceChoice(reader, "RR");
    return settings;
}

double stratifiedProbability(int stratum, int strata, search::RandomStream& random) {
    for (;;) {
        const double within = random.draw();
        const double u = (stratum + within) / strata;
        if (within < 1.0 && u > 0.0 && u < 1.0) return u;
    }
}

std::vector<std::vector<double>> sampleParameters(int kind, int samples,
                                                  const std::vector<ScatteredParameter>& parameters,
                                                  search::RandomStream& random) {
    std::vector<double> baselines;
    for (const ScatteredParameter& parameter : parameters) baselines.push_back(parameter.baseline);
    std::vector<std::vector<double>> values(static_cast<std::size_t>(std::max(samples, 0)),
                                            baselines);
    if (kind == samplingMonteCarlo) sampleMonteCarlo(values, parameters, random);
    if (kind == samplingLatinHypercube) sampleLatinHypercube(values, parameters, random);
    return values;
}

}  // namespace varno::doe
