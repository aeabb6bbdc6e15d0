// The DOE set-up of a study: checks the factors against the settings, builds
// the array and turns every run into the values of a design.
#pragma once

#include <string>
#include <vector>

#include "doe/doe_settings.h"
#include "doe/doe_table.h"
#include "model/project_model.h"
#include "search/random_stream.h"

namespace varno::doe {

// Designs are limited per study; a larger array is refused.
inline constexpr int maximumDesignsPerStudy = 10000;

struct DoeContext {
    const model::Representation& variables;
    int agentNumber = 0;
    search::RandomStream& random;
    std::string studyFolder;  // where the user's "Doe_input.in" lies
};

// The distinct designs of an array and which design each run is: runs that
// give equal values share one design, numbered in the order of first runs.
struct DoeRuns {
    std::vector<std::vector<double>> designValues;  // one value per study variable
    std::vector<int> runToDesign;
    std::vector<int> designIds;  // per design, once handed out or found in the store
};

// Refuses settings the study's factors cannot serve: a factor count that is
// not the number of factors added, noise factors, fewer than two factors,
// too many runs, level counts the kind does not take.
void checkDoeFactors(const DoeSettings& settings, const DoeContext& context);

// The array of the settings' kind, with its factor map (variable ids).
DoeTable buildDoeTable(const DoeSettings& settings, const DoeContext& context);

// The user's array file: a "runs factors levels" line, then one line of
// level indices per run.
DoeTable doeFromFile(const std::string& path, int agentNumber);

// The existing-designs array: one run per design (values per study
// variable), each factor's value normalised to [-1, 1] over its range and
// kept as a level of the kind's continuous level count. No design is fatal.
DoeTable existingDesignsTable(const std::vector<std::vector<double>>& designs,
                              const model::Representation& variables);

// The study-variable values of every run, merged into distinct designs.
DoeRuns doeRunValues(const DoeTable& table, const DoeSettings& settings,
                     const model::Representation& variables);

}  // namespace varno::doe
