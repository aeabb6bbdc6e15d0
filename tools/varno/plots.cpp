#include "plots.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>

#include "file_output.h"
#include "library.h"

namespace varno::tool {

ObjectiveMeasure::ObjectiveMeasure(const StudyModel& model) {
    for (std::size_t i = 0; i < model.responses.size(); ++i) {
        if (model.responses[i].kind == BlockKind::objective) {
            objective = &model.responses[i], column = i;
            break;
        }
    }
}

double ObjectiveMeasure::value(const EvaluatedDesign& design) const {
    return objective ? design.responses.at(column) : design.performance;
}

double ObjectiveMeasure::cost(const EvaluatedDesign& design) const {
    return objective ? objective->cost(value(design)) : -design.performance;
}

Chart progressChart(const StudyModel& model, const RunRecord& record) {
    const ObjectiveMeasure measure(model);
    const std::string name = measure.objective ? measure.objective->name : "performance";
    ChartSeries feasible{"feasible", "#1f77b4", {}, false, 2.5};
    ChartSeries infeasible{"infeasible", "#e67e22", {}, false, 3.0, true};
    ChartSeries best{"best feasible", "#2c3e50", {}, true, 0.0};
    const EvaluatedDesign* leader = nullptr;
    for (std::size_t k = 0; k < record.designs.size(); ++k) {
        const EvaluatedDesign& design = record.designs[k];
        const int status = judgedStatus(model, design);
        if (status == 0 || design.failed() || !std::isfinite(measure.value(design))) continue;
        const double x = static_cast<double>(k + 1);
        const bool isFeasible = status == 1 || status == 2;
        (isFeasible ? feasible : infeasible).points.emplace_back(x, measure.value(design));
        if (isFeasible && (leader == nullptr || measure.cost(design) < measure.cost(*leader))) {
            leader = &design;
        }
        if (leader != nullptr) best.points.emplace_back(x, measure.value(*leader));
    }

    Chart chart;
    chart.title = name + " of every evaluated design";
    chart.xLabel = "evaluation";
    chart.yLabel = name;
    chart.wholeX = true;
    // Positive values spread over decades read better on a log scale.
    double low = std::numeric_limits<double>::infinity(), high = 0.0;
    for (const ChartSeries* series : {&feasible, &infeasible}) {
        for (const auto& point : series->points) {
            low = std::min(low, point.second), high = std::max(high, point.second);
        }
    }
    if (low > 0 && std::isfinite(low) && high / low > 1000.0) {
        chart.logY = true;
        chart.yLabel += " (log scale)";
    }
    for (ChartSeries* series : {&feasible, &infeasible, &best}) {
        if (!series->points.empty()) chart.series.push_back(std::move(*series));
    }
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
    ChartSeries feasible{"feasible", "#1f77b4", {}, false, 2.0};
    // Infeasible designs can lie far from the feasible ones: the axes follow
    // the feasible designs, and those outside are cut off.
    ChartSeries infeasible{"infeasible", "#e67e22", {}, false, 2.5, true, false};
    ChartSeries members{"Pareto front", "#d62728", {}, true, 3.5};
    for (const EvaluatedDesign& design : record.designs) {
        const int status = judgedStatus(model, design);
        if (status == 0 || design.failed()) continue;
        const std::pair<double, double> point{design.responses[first], design.responses[second]};
        if (front.count(design.id) != 0) members.points.push_back(point);
        else (status == 3 ? infeasible : feasible).points.push_back(point);
    }
    std::sort(members.points.begin(), members.points.end());
    for (ChartSeries* series : {&feasible, &infeasible, &members}) {
        if (!series->points.empty()) chart.series.push_back(std::move(*series));
    }
    return chart;
}

void writeSvg(const std::filesystem::path& path, const Chart& chart) {
    writeFileReplacing(path, renderSvg(chart));
}

}  // namespace varno::tool
