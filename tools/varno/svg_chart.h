// A small, self-contained SVG chart: axes with ticks, point and line series.
#pragma once

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
};

struct Chart {
    std::string title, xLabel, yLabel;
    bool logY = false;    // y on a decimal log scale (points with y <= 0 are left out)
    bool wholeX = false;  // x counts something: ticks at whole numbers only
    std::vector<ChartSeries> series;
};

std::string renderSvg(const Chart& chart);

}  // namespace varno::tool
