// Maximum-likelihood correlation parameters for a Kriging fit: a bounded
// quasi-Newton search over log theta with the analytic gradient of the
// concentrated likelihood, from one or several starting points.
#pragma once

#include "surrogate/kriging_fit.h"

namespace varno::surrogate {

class KrigingOpt {
public:
    explicit KrigingOpt(KrigingFit& fit) : fit_(fit) {}
    // Searches from the fit's theta or, with `multiStart`, from the most
    // likely of it and a few fixed starting points; `useGradient` false uses
    // a derivative-free search instead. `maxEvaluations` bounds the likelihood evaluations of
    // each start (0 for the default). Refits the model with the most likely
    // theta found; false, the fit unchanged, when no start could be refitted.
    bool optimize(bool multiStart, bool useGradient, int maxEvaluations);

private:
    KrigingFit& fit_;
};

}  // namespace varno::surrogate
