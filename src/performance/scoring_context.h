// The context in which the study scores a design: what the performance
// function must know about the agent and the run beyond the design itself.
#pragma once

#include "performance/performance.h"

namespace varno::performance {

// What the study knows of its agent and run.
struct ScoringFacts {
    bool doeAgent = false;       // the agent runs a design of experiments
    bool designFileRun = false;  // run modes that run or write design files
    bool readsFromDisk = false;  // analysis data are read from disk
};

// The context for scoring the design with id `designId`: design 1, design-file
// runs and data read from disk fix the normalisation factors still taken from
// the baseline.
PerformanceContext scoringContext(const ScoringFacts& facts, int designId);

}  // namespace varno::performance
