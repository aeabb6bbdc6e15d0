// Recording the results of designs: the host's values are checked and scored,
// the design is stored and counted against the budget. Shared by the design
// cycle and the sharing of host designs.
#pragma once

#include <string>
#include <vector>

#include "design/design.h"
#include "study/design_cycle.h"

namespace varno {

struct Study;

// The host's name for design `i`, or `fallback` when it gives none; long
// names are cut.
std::string designName(char** names, int i, const std::string& fallback);

// The shared designs still without results.
int waitingCount(const std::vector<SharedDesign>& shared);

// The response values of a scored design, in study-response order.
std::vector<double> studyOrderValues(const design::Design& design);

// Scores a design from its response values in study order.
double scoreDesign(Study& study, design::Design& design, const std::vector<double>& values);

// Checks and scores the host's results of `design`. A failed evaluation
// (error flag 1) or a rejected value makes an error design.
void recordResults(Study& study, design::Design& design, const std::vector<double>& hostValues,
                   int errorFlag);

// Puts an evaluated design in the store and counts it against the budget.
void storeEvaluated(Study& study, design::Design& design);

// Every shared design with results goes into the store; the list empties.
void mergeSharedDesigns(Study& study);

}  // namespace varno
