#include "plots.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>
#include <set>

#include "library.h"

namespace varno::tool {

namespace {

// Performance of a failed design.
constexpr double failedPerformance = -1e99;

// The running best performance after each evaluation (failed designs skipped).
std::vector<std::pair<double, double>> bestSoFar(const RunRecord& record) {
    std::vector<std::pair<double, double>> points;
    double best = -std::numeric_limits<double>::infinity();
    for (std::size_t k = 0; k < record.designs.size(); ++k) {
        const double p = record.designs[k].performance;
        if (p > failedPerformance && std::isfinite(p)) best = std::max(best, p);
        if (std::isfinite(best)) points.emplace_back(static_cast<double>(k + 1), best);
    }
    return points;
}

}  // namespace

Chart progressChart(const RunRecord& record) {
    Chart chart;
    chart.title = "Best performance against evaluations";
    chart.xLabel = "evaluations";
    std::vector<std::pair<double, double>> points = bestSoFar(record);
    // A minimisation whose best spans decades reads better as a cost on a log scale.
    const bool allNegative = !points.empty() && points.back().second < 0;
    if (allNegative && points.front().second / points.back().second > 100.0) {
        for (auto& point : points) point.second = -point.second;
        chart.logY = true;
        chart.yLabel = "best cost (-performance, log scale)";
    } else {
        chart.yLabel = "best performance";
    }
    chart.series.push_back(
        {chart.logY ? "best cost" : "best performance", "#1f77b4", std::move(points), true, 0.0});
    return chart;
}

Chart paretoChart(const StudyModel& model, const RunRecord& record, const ParetoSet& pareto) {
    const auto objectives = model.objectives();
    std::size_t first = 0, second = 0;
    for (std::size_t i = 0; i < model.responses.size(); ++i) {
        if (&model.responses[i] == objectives.at(0)) first = i;
        if (&model.responses[i] == objectives.at(1)) second = i;
    }
    Chart chart;
    chart.title = "Evaluated designs and the Pareto front";
    chart.xLabel = objectives[0]->name;
    chart.yLabel = objectives[1]->name;
    const std::set<int> front(pareto.ids.begin(), pareto.ids.end());
    ChartSeries feasible{"evaluated", "#9a9a9a", {}, false, 2.0};
    ChartSeries infeasible{"infeasible", "#f0b27a", {}, false, 2.0};
    ChartSeries members{"Pareto front", "#d62728", {}, true, 3.5};
    for (const EvaluatedDesign& design : record.designs) {
        if (design.status == 0 || design.failed()) continue;
        const std::pair<double, double> point{design.responses[first], design.responses[second]};
        if (front.count(design.id) != 0) members.points.push_back(point);
        else (design.status == 3 ? infeasible : feasible).points.push_back(point);
    }
    std::sort(members.points.begin(), members.points.end());
    for (ChartSeries* series : {&feasible, &infeasible, &members}) {
        if (!series->points.empty()) chart.series.push_back(std::move(*series));
    }
    return chart;
}

void writeSvg(const std::filesystem::path& path, const Chart& chart) {
    std::ofstream out(path, std::ios::binary);
    out << renderSvg(chart);
    if (!out) throw RunError("cannot write " + path.string());
}

}  // namespace varno::tool
