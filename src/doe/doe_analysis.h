// The analysis of one response over a DOE array: the mean response at every
// level of every labelled column, then a report file: the analysis of
// variance for a regular unreplicated two-level fraction, the level means
// otherwise. Callable on any vector of run responses (a robust design passes
// its run means or signal-to-noise ratios).
#pragma once

#include <string>
#include <vector>

#include "doe/doe_table.h"

namespace varno::doe {

enum class DoeReport { headOnly, shortReport, fullReport };

// Fills `lev_count` and `effects` ([level][column]) from `response` for the
// factor columns and the labelled interaction columns; other entries stay 0.
void computeLevelMeans(DoeTable& table);

// True when every pair of consecutive runs differs by at most 0.0001 times
// the smaller magnitude of the two.
bool isConstantResponse(const std::vector<double>& response);

// Takes `response` (one value per run) into the table, computes its level
// means, and for a full report the per-column sums of squares and percent
// contributions (`sum_squares`, `contrib`, by the column's label), then
// writes the report to `path`. Returns which report was written.
DoeReport analyseDoeResponse(DoeTable& table, const std::vector<double>& response,
                             const std::string& path);

}  // namespace varno::doe
