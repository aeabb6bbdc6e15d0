// The plots of a designed experiment: the mean response at each level of
// every factor (main effects), the two-factor cell means (interactions), and
// the absolute effects against half-normal quantiles. The level means come
// from the library's DOE queries (they belong to the last study response it
// analysed); the cell means from the run's own results.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "results.h"
#include "svg_chart.h"

namespace varno::tool {

// What the library's DOE queries answer once its analysis has run.
struct DoeLevelMeans {
    std::vector<std::string> columnLabels;   // factor labels, then interaction labels
    std::vector<std::vector<double>> means;  // [level][column]
    int factorCount = 0;
};

// None while the library holds no level means (no analysis ran).
std::optional<DoeLevelMeans> readDoeLevelMeans();

// Φ⁻¹(p) of the standard normal distribution, for 0 < p < 1.
double normalQuantile(double p);

// A column's effect: the mean at the highest level with runs minus the mean
// at the lowest (for five levels, the factorial levels 3 and 1).
double columnEffect(const DoeLevelMeans& levels, std::size_t column);

// A column label with the study's factor names: "M", "M×S".
std::string termName(const std::string& label, const std::vector<std::string>& factors);

// Each panel of a document, titled.
struct DoePlot {
    std::string title;
    std::vector<Chart> panels;
};

DoePlot effectsPlot(const StudyModel& model, const RunRecord& record, const DoeLevelMeans& levels);
// None when a factor does not take exactly two values among the designs.
std::optional<DoePlot> interactionsPlot(const StudyModel& model, const RunRecord& record);
Chart halfNormalChart(const StudyModel& model, const DoeLevelMeans& levels);

}  // namespace varno::tool
