// The performance function: turns the response values of an evaluated design
// into one scalar (larger is better), classifies the design (error, no goals,
// feasible, infeasible), sums its constraint violations and fixes the
// normalisation factors that are taken from the baseline design.
#pragma once

#include <vector>

#include "design/design.h"
#include "model/project_model.h"

namespace varno::performance {

// One statistical term of a robustness study; its statistic is computed by
// the robustness analysis before the design is scored.
struct RobustTerm {
    double statistic = 0.0;  // the statistic of the response for this design
    double target = 0.0;
    double normalisation = 1.0;  // divides the distance from the target
    int sense = 0;               // constraints: 1 flips g; objectives: -1 flips g
    double weight = 0.0;         // weight of the squared violation (constraints only)
};

// What the caller knows about the agent and the design being scored.
struct PerformanceContext {
    // The agent runs a design of experiments: every design scores 1.0 and
    // nothing else is touched.
    bool doeAgent = false;
    // This design fixes the factors still marked for the baseline: the first
    // design of the study, run modes 5 and 6, or data read from disk.
    bool fixesNormalisation = false;
    // Analysis data are read from disk; a design other than design 1 that
    // fixes factors is then announced with a note.
    bool readsFromDisk = false;
    // Sequence number of the design, quoted by that note.
    int designNumber = 1;
    // The study keeps no violation sum: the design's violation is left alone.
    bool violationBookkeepingOff = false;
    // Robust constraints and objectives, empty unless the agent's robustness
    // mode is 1 or 2.
    std::vector<RobustTerm> robustConstraints;
    std::vector<RobustTerm> robustObjectives;
};

// The signed term of response i for value v: positive exactly when a
// constraint is violated; 0 for plain responses and unknown kinds or options.
// Target-based objectives divide by |norm|, so the -1.0 marker of a factor not
// yet fixed acts as 1.0 and never flips the term's sign.
double responseTerm(const model::PerformanceDefinition& definition, int i, double v);

// Scores `design` from `values` (one per study response, in study order) and
// returns the performance, which the caller stores as the design's performance.
// Sets the design's status, raw performance and violation as described at each
// step; fixes baseline factors in `definition` when the context says so (fatal
// if one comes out 0.0).
//
// Values arrive checked: NaN, infinite and out-of-range values make the design
// an error design (status 0), which is scored before any value is read. A
// user-given factor of 0.0 is refused when it is read, and a baseline factor
// of 0.0 is fatal here, so no term is ever divided by zero. Arithmetic on
// values that nevertheless are not finite follows IEEE rules and yields NaN or
// infinity, never undefined behaviour.
double computePerformance(design::Design& design, model::PerformanceDefinition& definition,
                          const std::vector<double>& values, const PerformanceContext& context);

}  // namespace varno::performance
