#include "svg_chart.h"

#include <algorithm>
#include <cmath>
#include <charconv>
#include <limits>
#include <sstream>

#include "number_text.h"

namespace varno::tool {

namespace {

constexpr double width = 720, height = 450;
constexpr double left = 90, right = 170, top = 45, bottom = 60;  // plot margins

struct Range {
    double low = std::numeric_limits<double>::max();
    double high = std::numeric_limits<double>::lowest();

    void add(double v) {
        low = std::min(low, v);
        high = std::max(high, v);
    }
    bool empty() const { return low > high; }
    // Widens a degenerate range so that it has a length.
    void open() {
        if (empty()) low = 0, high = 1;
        if (high - low < 1e-300 + 1e-12 * std::fabs(high)) {
            const double pad = std::max(1e-9, 0.1 * std::fabs(high));
            low -= pad, high += pad;
        }
    }
};

std::string escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '&') out += "&amp;";
        else if (c == '<') out += "&lt;";
        else if (c == '>') out += "&gt;";
        else if (c == '"') out += "&quot;";
        else out += c;
    }
    return out;
}

// The distance between ticks: 1, 2 or 5 times a power of ten, about five
// ticks over the range; at least 1 when only whole numbers are wanted.
double tickStep(const Range& range, bool whole) {
    const double raw = (range.high - range.low) / 5.0;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    const double step = power * (raw / power < 1.5   ? 1
                                 : raw / power < 3.5 ? 2
                                 : raw / power < 7.5 ? 5
                                                     : 10);
    return whole ? std::max(1.0, std::round(step)) : step;
}

// Whole multiples of the step within the range (computed, not summed, so
// that no rounding error accumulates).
std::vector<double> ticks(const Range& range, double step) {
    std::vector<double> positions;
    const double first = std::ceil(range.low / step - 1e-9);
    for (double k = first; k * step <= range.high + step * 1e-9; k += 1.0) {
        positions.push_back(k == 0.0 ? 0.0 : k * step);
    }
    return positions;
}

// A tick label with as many decimals as the step needs: "0.25", "1500",
// "-20"; scientific notation only for very large or small magnitudes.
std::string tickLabel(double value, double step) {
    const double magnitude = std::max(std::fabs(value), step);
    if (magnitude >= 1e6 || step < 1e-4) return shortNumberText(value, 3);
    const int decimals = std::max(0, static_cast<int>(-std::floor(std::log10(step) + 1e-9)));
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    const std::string text(buffer, result.ptr);
    return text == "-0" ? "0" : text;
}

class Canvas {
public:
    Canvas(const Chart& chart) : chart_(chart) {
        // The range of the series that set the axes; of all when those are empty.
        for (bool all : {false, true}) {
            for (const ChartSeries& s : chart.series) {
                if (!all && !s.setsAxes) continue;
                for (const auto& [x, y] : s.points) {
                    if (!visible(y)) continue;
                    x_.add(x);
                    y_.add(transform(y));
                }
            }
            if (!x_.empty()) break;
        }
        if (chart.yRange) {
            y_.add(transform(chart.yRange->first));
            y_.add(transform(chart.yRange->second));
        }
        x_.open();
        y_.open();
        // A margin inside the frame, so that markers at the extremes show whole.
        for (Range* range : {&x_, &y_}) {
            const double margin = 0.03 * (range->high - range->low);
            range->low -= margin, range->high += margin;
        }
        xStep_ = tickStep(x_, chart.wholeX);
        yStep_ = tickStep(y_, chart.logY);
    }

    std::string render() {
        out_ << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << width << "\" height=\""
             << height << "\" viewBox=\"0 0 " << width << ' ' << height
             << "\" font-family=\"sans-serif\" font-size=\"12\">\n"
             << "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n"
             << "<text x=\"" << width / 2 << "\" y=\"24\" text-anchor=\"middle\" font-size=\"15\">"
             << escape(chart_.title) << "</text>\n";
        axes();
        out_ << "<clipPath id=\"" << chart_.clipId << "\"><rect x=\"" << left << "\" y=\"" << top
             << "\" width=\"" << width - left - right << "\" height=\"" << height - top - bottom
             << "\"/></clipPath>\n";
        for (std::size_t k = 0; k < chart_.series.size(); ++k) series(chart_.series[k], k);
        out_ << "</svg>\n";
        return out_.str();
    }

private:
    bool visible(double y) const { return std::isfinite(y) && (!chart_.logY || y > 0); }
    double transform(double y) const { return chart_.logY ? std::log10(y) : y; }
    double px(double x) const {
        return left + (x - x_.low) / (x_.high - x_.low) * (width - left - right);
    }
    double py(double y) const {
        return height - bottom -
               (transform(y) - y_.low) / (y_.high - y_.low) * (height - top - bottom);
    }

    void axes() {
        const double x0 = left, x1 = width - right, y0 = height - bottom, y1 = top;
        out_ << "<g stroke=\"#ddd\">\n";
        for (double t : ticks(x_, xStep_)) {
            out_ << "<line x1=\"" << px(t) << "\" y1=\"" << y0 << "\" x2=\"" << px(t) << "\" y2=\""
                 << y1 << "\"/>\n";
        }
        for (double t : ticks(y_, yStep_)) {
            const double y =
                height - bottom - (t - y_.low) / (y_.high - y_.low) * (height - top - bottom);
            out_ << "<line x1=\"" << x0 << "\" y1=\"" << y << "\" x2=\"" << x1 << "\" y2=\"" << y
                 << "\"/>\n";
        }
        out_ << "</g>\n<rect x=\"" << x0 << "\" y=\"" << y1 << "\" width=\"" << x1 - x0
             << "\" height=\"" << y0 - y1 << "\" fill=\"none\" stroke=\"black\"/>\n";
        for (double t : ticks(x_, xStep_)) {
            out_ << "<text x=\"" << px(t) << "\" y=\"" << y0 + 16 << "\" text-anchor=\"middle\">"
                 << tickLabel(t, xStep_) << "</text>\n";
        }
        for (double t : ticks(y_, yStep_)) {
            const double y =
                height - bottom - (t - y_.low) / (y_.high - y_.low) * (height - top - bottom);
            // A log scale is labelled with the values of its decades: 0.01, 1, 100.
            const double value = chart_.logY ? std::pow(10.0, t) : t;
            const std::string label = tickLabel(value, chart_.logY ? std::min(value, 1.0) : yStep_);
            out_ << "<text x=\"" << x0 - 6 << "\" y=\"" << y + 4 << "\" text-anchor=\"end\">"
                 << label << "</text>\n";
        }
        out_ << "<text x=\"" << (x0 + x1) / 2 << "\" y=\"" << height - 18
             << "\" text-anchor=\"middle\">" << escape(chart_.xLabel) << "</text>\n"
             << "<text transform=\"translate(18," << (y0 + y1) / 2
             << ") rotate(-90)\" text-anchor=\"middle\">" << escape(chart_.yLabel) << "</text>\n";
    }

    void series(const ChartSeries& s, std::size_t index) {
        std::vector<std::pair<double, double>> shown;
        for (const auto& point : s.points) {
            if (visible(point.second)) shown.emplace_back(px(point.first), py(point.second));
        }
        out_ << "<g clip-path=\"url(#" << chart_.clipId << ")\">\n";
        if (s.line && shown.size() > 1) {
            out_ << "<polyline fill=\"none\" stroke=\"" << s.colour
                 << "\" stroke-width=\"2\" points=\"";
            for (const auto& [x, y] : shown) {
                out_ << shortNumberText(x, 6) << ',' << shortNumberText(y, 6) << ' ';
            }
            out_ << "\"/>\n";
        }
        if (s.radius > 0) {
            if (s.hollow) {
                out_ << "<g fill=\"none\" stroke=\"" << s.colour << "\" stroke-width=\"1.5\">\n";
            } else {
                out_ << "<g fill=\"" << s.colour << "\">\n";
            }
            for (const auto& [x, y] : shown) {
                out_ << "<circle cx=\"" << shortNumberText(x, 6) << "\" cy=\""
                     << shortNumberText(y, 6) << "\" r=\"" << s.radius << "\"/>\n";
            }
            out_ << "</g>\n";
        }
        labels(s);
        out_ << "</g>\n";
        const double ly = top + 14 + 20 * static_cast<double>(index);
        out_ << "<rect x=\"" << width - right + 12 << "\" y=\"" << ly - 9
             << "\" width=\"12\" height=\"10\" "
             << (s.hollow ? "fill=\"none\" stroke=\"" : "fill=\"") << s.colour << "\"/>\n<text x=\""
             << width - right + 30 << "\" y=\"" << ly << "\">" << escape(s.label) << "</text>\n";
    }

    void labels(const ChartSeries& s) {
        for (std::size_t i = 0; i < s.points.size() && i < s.pointLabels.size(); ++i) {
            const auto& [x, y] = s.points[i];
            if (!visible(y) || s.pointLabels[i].empty()) continue;
            // Left of the point, or right of it near the left edge.
            const bool atLeft = px(x) - left < 60;
            out_ << "<text x=\"" << shortNumberText(px(x) + (atLeft ? 6 : -6), 6) << "\" y=\""
                 << shortNumberText(py(y) + 4, 6) << "\" text-anchor=\""
                 << (atLeft ? "start" : "end") << "\" fill=\"" << s.colour << "\">"
                 << escape(s.pointLabels[i]) << "</text>\n";
        }
    }

    const Chart& chart_;
    Range x_, y_;
    double xStep_ = 1.0, yStep_ = 1.0;
    std::ostringstream out_;
};

}  // namespace

std::string renderSvg(const Chart& chart) { return Canvas(chart).render(); }

std::string renderPanels(const std::string& title, std::vector<Chart> panels, int columns) {
    constexpr double titleHeight = 40;
    const int count = static_cast<int>(panels.size());
    columns = std::max(1, std::min(columns, count));
    const int rows = (count + columns - 1) / columns;
    const double totalWidth = width * columns;
    const double totalHeight = titleHeight + height * rows;
    std::ostringstream out;
    out << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << totalWidth << "\" height=\""
        << totalHeight << "\" viewBox=\"0 0 " << totalWidth << ' ' << totalHeight
        << "\" font-family=\"sans-serif\" font-size=\"12\">\n"
        << "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n"
        << "<text x=\"" << totalWidth / 2 << "\" y=\"26\" text-anchor=\"middle\" font-size=\"17\">"
        << escape(title) << "</text>\n";
    for (int k = 0; k < count; ++k) {
        panels[k].clipId = "plot" + std::to_string(k);
        std::string panel = renderSvg(panels[k]);
        // The panel's own <svg> element, placed at its cell of the grid.
        panel.insert(4, " x=\"" + shortNumberText(width * (k % columns), 6) + "\" y=\"" +
                            shortNumberText(titleHeight + height * (k / columns), 6) + "\"");
        out << panel;
    }
    out << "</svg>\n";
    return out.str();
}

}  // namespace varno::tool
