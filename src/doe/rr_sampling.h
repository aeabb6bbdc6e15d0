// Robustness and reliability sampling: the settings of an R&R method and the
// Monte Carlo and Latin-hypercube samples of the parameters that carry a
// probability distribution around their baselines.
#pragma once

#include <string>
#include <vector>

#include "doe/doe_settings.h"
#include "model/block_reader.h"
#include "search/random_stream.h"
#include "support/distribution.h"

namespace varno::doe {

enum SamplingKind : int {
    samplingLatinHypercube = 0,
    samplingMonteCarlo = 1,
    samplingFirstOrder = 2,
};

// Reads `numEvals` (at least 2) and `sampleMethod` into the settings' numRuns
// and kind, then `genRSMAfterStudy`. The first-order method is refused.
DoeSettings readRRSettings(const model::BlockReader& reader);

// A parameter (fixed variable) that carries a distribution.
struct ScatteredParameter {
    std::string name;
    double baseline = 0.0;
    support::Distribution* distribution = nullptr;
};

// `samples` value vectors, one value per parameter in the given order. Monte
// Carlo draws each value from the parameter's distribution, centred on its
// baseline and seeded once from `random`; the Latin hypercube draws one value
// from each of `samples` equal-probability strata and spreads them over the
// samples by a random permutation. Other kinds keep every baseline. A draw
// that fails keeps the baseline in that sample, with an error message.
std::vector<std::vector<double>> sampleParameters(int kind, int samples,
                                                  const std::vector<ScatteredParameter>& parameters,
                                                  search::RandomStream& random);

// A probability strictly inside stratum `stratum` of `strata` equal ones:
// never 0 or 1, so that no inverse CDF gives an infinite value.
double stratifiedProbability(int stratum, int strata, search::RandomStream& random);

}  // namespace varno::doe
