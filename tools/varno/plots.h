// The two plots of a run: the objective of every evaluated design against the
// evaluations, feasible and infeasible ones marked apart, with the best
// feasible value so far; and for a study with two objectives the evaluated
// designs with the Pareto front. Both take partial records (an interrupted
// run), judging designs the library has not yet scored by their constraints.
#pragma once

#include <filesystem>

#include "results.h"
#include "svg_chart.h"

namespace varno::tool {

// What the progress of a run is measured by: a design's first objective's
// value, or its performance when the study has no objective.
struct ObjectiveMeasure {
    const StudyResponse* objective = nullptr;  // null: the performance
    std::size_t column = 0;

    explicit ObjectiveMeasure(const StudyModel& model);
    double value(const EvaluatedDesign& design) const;
    // Lower is better.
    double cost(const EvaluatedDesign& design) const;
};

Chart progressChart(const StudyModel& model, const RunRecord& record);
Chart paretoChart(const StudyModel& model, const RunRecord& record, const ParetoSet& pareto);
void writeSvg(const std::filesystem::path& path, const Chart& chart);

}  // namespace varno::tool
