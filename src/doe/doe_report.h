// The texts of a DOE report file: the run table every report starts with,
// the short report of level means, and the full analysis of variance.
#pragma once

#include <string>
#include <vector>

#include "doe/anova.h"
#include "doe/doe_table.h"

namespace varno::doe {

// Factor and run counts, then one line per run: its level indices and response.
std::string reportHead(const DoeTable& table);

// The level means of every factor: levels 0 and 1 (two levels), 0 to 2
// (three levels), or the factorial levels 1 and 3 (five levels, the central
// composite design).
std::string shortReport(const DoeTable& table);

// Identity report, alias table, the result terms and the half-normal plot data.
std::string fullReport(const AnovaResult& anova);

}  // namespace varno::doe
