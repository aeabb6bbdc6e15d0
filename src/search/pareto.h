// Pareto ranking of multi-objective designs: objectives oriented so that
// smaller is better, constraint violation, dominance, fronts extracted by
// non-dominated sorting and spread measured by crowding distance.
#pragma once

#include <vector>

#include "design/design.h"
#include "model/project_model.h"
#include "search/random_stream.h"

namespace varno::search {

// The crowding distance of a member at the edge of its front (and of a front
// of one or two members) when the study has fewer than three objectives.
inline constexpr double boundaryCrowding = 1.2345e308;

// The boundary distance B of a study with `objectiveCount` objectives. With
// three or more objectives B is 0, which keeps every crowding distance at 0.
double boundaryDistanceFor(int objectiveCount);

struct ParetoDesign {
    std::vector<int> codes;
    int id = 0;
    double performance = 0.0;  // the scalar performance (raw fitness)
    int generation = 0;
    std::vector<double> objectives;   // -(oriented value) / scale: smaller is better
    std::vector<double> constraints;  // raw constraint responses
    double violation = 0.0;           // 0 feasible, else -sum(excess / |scale|)
    int rank = 0;                     // front number, 1 = non-dominated
    double crowding = 0.0;
    bool failed = false;

    bool feasible() const { return !failed && violation == 0.0; }
};

// The objectives, constraint values and violation of an evaluated design.
// `design.responseValues` holds one array per study response, in study order.
// A design is failed when its performance is the failed value (+-1e99), when
// it was never evaluated, or when it lacks response values; a failed
// evaluation always scores -1e99, so the performance identifies it.
ParetoDesign prepareObjectives(const design::Design& design,
                               const model::PerformanceDefinition& definition);

// 1 when a dominates b, -1 when b dominates a, 0 otherwise. A failed design
// is dominated by anything (a failed a gives -1 even against a failed b); an
// infeasible design never dominates a feasible one, and two infeasible
// designs compare by violation only.
int dominates(const ParetoDesign& a, const ParetoDesign& b);

// Crowding distances of every member of `front`, with boundary distance B.
void crowdingDistance(std::vector<ParetoDesign>& front, double boundary, RandomStream& random);

// Crowding distances of the members `front` (indices into `designs`).
void crowdingDistance(std::vector<ParetoDesign>& designs, const std::vector<int>& front,
                      double boundary, RandomStream& random);

// The `outputSize` best designs of `source` by front and crowding distance,
// each with its rank and distance. Designs with the same codes are placed once
// per front. When fewer distinct designs than places remain after all fronts,
// the output is filled with copies of the members already placed, best first.
// An empty source gives an empty output.
std::vector<ParetoDesign> paretoSelect(const std::vector<ParetoDesign>& source, int outputSize,
                                       double boundary, RandomStream& random);

// Ranks the whole population into fronts (no duplicate removal) and sets the
// crowding distances within each front; a single member left over gets the
// next rank and the distance 1.2345e308.
void assignRanks(std::vector<ParetoDesign>& population, double boundary, RandomStream& random);

// Orders designs front by front, and within a front by crowding distance,
// largest first (stable otherwise).
void sortByRankAndCrowding(std::vector<ParetoDesign>& designs);

}  // namespace varno::search
