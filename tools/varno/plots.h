// The two plots of a run: best performance against evaluations, and for a
// study with two objectives the evaluated designs with the Pareto front.
#pragma once

#include <filesystem>

#include "results.h"
#include "svg_chart.h"

namespace varno::tool {

Chart progressChart(const RunRecord& record);
Chart paretoChart(const StudyModel& model, const RunRecord& record, const ParetoSet& pareto);
void writeSvg(const std::filesystem::path& path, const Chart& chart);

}  // namespace varno::tool
