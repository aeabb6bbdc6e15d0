// A small, self-contained SVG chart: axes with ticks, point and line series.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace varno::tool {

struct ChartSeries {
    std::string label;
    std::string colour;
    std::vector<std::pair<double, double>> points;
    bool line = false;     // joined by a line
    double radius = 0.0;   // > 0: a marker at every point
    bool hollow = false;   // the marker is a ring rather than a dot
    bool setsAxes = true;  // false: drawn only where it falls inside the others' range
    std::vector<std::string> pointLabels = {};  // when given, one text beside each point
};

struct Chart {
    std::string title, xLabel, yLabel;
    bool logY = false;    // y on a decimal log scale (points with y <= 0 are left out)
    bool wholeX = false;  // x counts something: ticks at whole numbers only
    std::vector<ChartSeries> series;
    std::string clipId = "plot";                      // unique among the charts of one document
    std::optional<std::pair<double, double>> yRange;  // shown whatever the series hold
};

std::string renderSvg(const Chart& chart);

// Several charts in one document under a common title, `columns` to a row.
std::string renderPanels(const std::string& title, std::vector<Chart> panels, int columns);

}  // namespace varno::tool
