// The analysis of a DOE study once its last result is in: every scalar
// response over the study's array, each with its report file, then the
// response surfaces; and the DOE queries that read what the analysis left.
#pragma once

#include <string>
#include <vector>

#include "doe/doe_table.h"
#include "model/data_value.h"

namespace varno {

struct Study;

// The response values of each run of the array (study-response order), as
// the run's design holds them.
using DoeRunValues = std::vector<std::vector<model::DataValueArray>>;

// Analyses every scalar response named in `responseNames` over `table`,
// writing "DOE_<agent>_<response>.out" into `folder`; a vector-valued
// response is skipped with a warning. True when a response was analysed:
// the table then holds the last one's level means.
bool analyseDoeResponses(doe::DoeTable& table, const DoeRunValues& runs,
                         const std::vector<std::string>& responseNames, const std::string& folder,
                         int agentNumber);

// The analysis of the study's array and the response surfaces after it.
// Arrays with failed designs, the Latin-hypercube family and existing
// designs get no analysis.
void finishDoeStudy(Study& study);

// The DOE queries: null with counts 0 while no level means exist.
double** doeEffectsData(Study* study, int* nLevels, int* nTerms);
double* doePercentContribution(Study* study, int* count);
char** doeInteractionNames(Study* study, int* count);

}  // namespace varno
