#include "doe_plots.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "library.h"
#include "varno.h"

namespace varno::tool {

namespace {

constexpr int lettersPerRound = 25;  // factor labels run A to Z without I
constexpr std::size_t mostInteractionPanels = 12;
const char* const lineColours[] = {"#1f77b4", "#d62728", "#2ca02c", "#9467bd", "#8c564b"};

// The study response the library analysed last: the last study response.
std::size_t analysedResponse(const StudyModel& model) { return model.responses.size() - 1; }

std::size_t variableIndex(const StudyModel& model, const std::string& name) {
    for (std::size_t i = 0; i < model.variables.size(); ++i) {
        if (model.variables[i].name == name) return i;
    }
    throw RunError("the DOE factor " + name + " is not a study variable");
}

std::vector<const EvaluatedDesign*> usableDesigns(const StudyModel& model,
                                                  const RunRecord& record) {
    std::vector<const EvaluatedDesign*> designs;
    const std::size_t response = analysedResponse(model);
    for (const EvaluatedDesign& design : record.designs) {
        if (!design.failed() && response < design.responses.size()) designs.push_back(&design);
    }
    return designs;
}

// The values a factor takes among the designs, ascending.
std::vector<double> factorValues(const std::vector<const EvaluatedDesign*>& designs,
                                 std::size_t variable) {
    std::set<double> values;
    for (const EvaluatedDesign* design : designs) values.insert(design->values.at(variable));
    return {values.begin(), values.end()};
}

// Factor indices of a label: a letter (those after I one lower), each
// apostrophe after it adding a round of 25.
std::vector<int> labelFactors(const std::string& label) {
    std::vector<int> factors;
    for (char c : label) {
        if (c == '\'' && !factors.empty()) factors.back() += lettersPerRound;
        if (c >= 'A' && c <= 'Z') factors.push_back(c > 'I' ? c - 'A' - 1 : c - 'A');
    }
    return factors;
}

// The levels with runs: those the factor's column reaches (level means of
// levels no run sits at are 0 and not shown).
int levelsShown(const DoeLevelMeans& levels, std::size_t distinctValues) {
    return static_cast<int>(std::min(levels.means.size(), distinctValues));
}

Chart interactionPanel(const StudyModel& model, const std::vector<const EvaluatedDesign*>& designs,
                       std::size_t first, std::size_t second,
                       const std::vector<std::vector<double>>& cells) {
    const std::string& a = model.factors[first];
    const std::string& b = model.factors[second];
    const std::size_t va = variableIndex(model, a);
    const std::vector<double> aValues = factorValues(designs, va);
    Chart chart;
    chart.title = a + " × " + b;
    chart.xLabel = a;
    chart.yLabel = "mean " + model.responses[analysedResponse(model)].name;
    const char* const names[] = {" low", " high"};
    for (int level = 0; level < 2; ++level) {
        ChartSeries series{b + names[level], lineColours[level], {}, true, 3.0};
        for (int x = 0; x < 2; ++x) series.points.emplace_back(aValues[x], cells[x][level]);
        chart.series.push_back(std::move(series));
    }
    return chart;
}

// The panels share one response range, so that their slopes compare.
void shareResponseRange(DoePlot& plot) {
    double low = HUGE_VAL, high = -HUGE_VAL;
    for (const Chart& chart : plot.panels) {
        for (const ChartSeries& series : chart.series) {
            for (const auto& point : series.points) {
                low = std::min(low, point.second);
                high = std::max(high, point.second);
            }
        }
    }
    if (low > high) return;
    for (Chart& chart : plot.panels) chart.yRange = std::make_pair(low, high);
}

}  // namespace

std::optional<DoeLevelMeans> readDoeLevelMeans() {
    int levels = 0, columns = 0, factors = 0, interactions = 0;
    double** means = VARNO_getDOEEffectsData(&levels, &columns);
    char** factorLabels = VARNO_getFactorNames(&factors);
    char** interactionLabels = VARNO_getInteractionNames(&interactions);
    if (means == nullptr || factorLabels == nullptr || factors + interactions != columns) {
        return std::nullopt;
    }
    DoeLevelMeans result;
    result.factorCount = factors;
    for (int f = 0; f < factors; ++f) result.columnLabels.emplace_back(factorLabels[f]);
    for (int i = 0; i < interactions; ++i) result.columnLabels.emplace_back(interactionLabels[i]);
    for (int l = 0; l < levels; ++l) result.means.emplace_back(means[l], means[l] + columns);
    return result;
}

double normalQuantile(double p) {
    double low = -40.0, high = 40.0;
    for (int i = 0; i < 200; ++i) {
        const double middle = 0.5 * (low + high);
        (0.5 * std::erfc(-middle / std::sqrt(2.0)) < p ? low : high) = middle;
    }
    return 0.5 * (low + high);
}

double columnEffect(const DoeLevelMeans& levels, std::size_t column) {
    const std::size_t count = levels.means.size();
    if (count == 5) return levels.means[3][column] - levels.means[1][column];
    return levels.means[count - 1][column] - levels.means[0][column];
}

std::string termName(const std::string& label, const std::vector<std::string>& factors) {
    std::string name;
    for (int f : labelFactors(label)) {
        if (!name.empty()) name += "×";
        name += f < static_cast<int>(factors.size()) ? factors[static_cast<std::size_t>(f)] : "?";
    }
    return name;
}

DoePlot effectsPlot(const StudyModel& model, const RunRecord& record, const DoeLevelMeans& levels) {
    const std::vector<const EvaluatedDesign*> designs = usableDesigns(model, record);
    DoePlot plot;
    const std::string response = model.responses[analysedResponse(model)].name;
    plot.title = "Main effects: mean " + response + " at each level of every factor";
    const auto factors =
        std::min<std::size_t>(model.factors.size(), static_cast<std::size_t>(levels.factorCount));
    for (std::size_t f = 0; f < factors; ++f) {
        std::vector<double> values = factorValues(designs, variableIndex(model, model.factors[f]));
        const int shown = levelsShown(levels, values.size());
        Chart chart;
        chart.title = model.factors[f];
        chart.xLabel = model.factors[f];
        chart.yLabel = "mean " + response;
        ChartSeries means{"level mean", lineColours[0], {}, true, 3.5};
        for (int l = 0; l < shown; ++l) {
            means.points.emplace_back(values[static_cast<std::size_t>(l)], levels.means[l][f]);
        }
        chart.series.push_back(std::move(means));
        plot.panels.push_back(std::move(chart));
    }
    shareResponseRange(plot);
    return plot;
}

std::optional<DoePlot> interactionsPlot(const StudyModel& model, const RunRecord& record) {
    const std::vector<const EvaluatedDesign*> designs = usableDesigns(model, record);
    const std::size_t response = analysedResponse(model);
    std::vector<std::size_t> variables;
    std::vector<std::vector<double>> values;
    for (const std::string& factor : model.factors) {
        variables.push_back(variableIndex(model, factor));
        values.push_back(factorValues(designs, variables.back()));
        if (values.back().size() != 2) return std::nullopt;
    }
    struct Pair {
        std::size_t first, second;
        std::vector<std::vector<double>> cells;  // [first high][second high]
        double strength;
    };
    std::vector<Pair> pairs;
    for (std::size_t a = 0; a < variables.size(); ++a) {
        for (std::size_t b = a + 1; b < variables.size(); ++b) {
            double sum[2][2] = {}, count[2][2] = {};
            for (const EvaluatedDesign* d : designs) {
                const int x = d->values[variables[a]] == values[a][1] ? 1 : 0;
                const int y = d->values[variables[b]] == values[b][1] ? 1 : 0;
                sum[x][y] += d->responses[response];
                count[x][y] += 1;
            }
            if (count[0][0] * count[0][1] * count[1][0] * count[1][1] == 0) continue;
            std::vector<std::vector<double>> cells(2, std::vector<double>(2));
            for (int x = 0; x < 2; ++x)
                for (int y = 0; y < 2; ++y) cells[x][y] = sum[x][y] / count[x][y];
            const double strength =
                std::fabs(cells[1][1] - cells[0][1] - cells[1][0] + cells[0][0]);
            pairs.push_back({a, b, cells, strength});
        }
    }
    // The strongest interactions first when there are more pairs than panels.
    std::stable_sort(pairs.begin(), pairs.end(),
                     [](const Pair& p, const Pair& q) { return p.strength > q.strength; });
    if (pairs.size() > mostInteractionPanels) pairs.resize(mostInteractionPanels);
    DoePlot plot;
    plot.title = "Two-factor interactions: mean " + model.responses[response].name +
                 " in each cell (parallel lines: no interaction; in a fraction, aliased pairs "
                 "show the same interaction)";
    for (const Pair& pair : pairs) {
        plot.panels.push_back(
            interactionPanel(model, designs, pair.first, pair.second, pair.cells));
    }
    if (plot.panels.empty()) return std::nullopt;
    shareResponseRange(plot);
    return plot;
}

Chart halfNormalChart(const StudyModel& model, const DoeLevelMeans& levels) {
    struct Term {
        std::string name;
        double size;
    };
    std::vector<Term> terms;
    std::set<std::vector<double>> seen;  // an aliased column repeats an earlier one's means
    for (std::size_t c = 0; c < levels.columnLabels.size(); ++c) {
        if (levels.columnLabels[c].empty()) continue;
        std::vector<double> means;
        for (const auto& row : levels.means) means.push_back(row[c]);
        if (!seen.insert(means).second) continue;
        terms.push_back(
            {termName(levels.columnLabels[c], model.factors), std::fabs(columnEffect(levels, c))});
    }
    std::stable_sort(terms.begin(), terms.end(),
                     [](const Term& a, const Term& b) { return a.size < b.size; });
    ChartSeries points{"|effect|", lineColours[0], {}, false, 4.0};
    const double n = static_cast<double>(terms.size());
    for (std::size_t i = 0; i < terms.size(); ++i) {
        const double p = 0.5 + 0.5 * (static_cast<double>(i) + 0.5) / n;
        points.points.emplace_back(normalQuantile(p), terms[i].size);
        points.pointLabels.push_back(terms[i].name);
    }
    Chart chart;
    chart.title =
        "Half-normal plot of the effects on " + model.responses[analysedResponse(model)].name;
    chart.xLabel = "half-normal quantile";
    chart.yLabel = "|effect| (mean at high level − mean at low level)";
    // Effects that are noise lie near the line through the origin and the
    // median effect; the active ones stand above it. The axes start at 0.
    if (!terms.empty()) {
        const auto& median = points.points[terms.size() / 2];
        const double slope = median.first > 0 ? median.second / median.first : 0.0;
        const double end = points.points.back().first;
        chart.series.push_back(ChartSeries{
            "noise line", "#999999", {{0.0, 0.0}, {end, slope * end}}, true, 0.0, false, true});
    }
    chart.series.insert(chart.series.begin(), std::move(points));
    return chart;
}

}  // namespace varno::tool
