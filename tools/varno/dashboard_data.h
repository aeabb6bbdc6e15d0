// What the dashboard shows of a run, as one JSON document built from the
// results database alone: the study's settings, every evaluated design with
// its judged status and rank, the convergence of the best feasible value,
// the non-dominated designs, the main effects of a designed experiment and
// the failures with their messages.
#pragma once

#include <nlohmann/json.hpp>

#include "results_store.h"

namespace varno::tool {

// Throws RunError (the database) or StudyFileError (its study text).
nlohmann::json dashboardData(const ResultsStore& store);

}  // namespace varno::tool
