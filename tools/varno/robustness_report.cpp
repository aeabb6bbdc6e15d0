#include "robustness_report.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>

#include "plots.h"
#include "utf8_path.h"

namespace varno::tool {

namespace {

constexpr int histogramBins = 11;

struct ReliabilityLine {
    std::string beta;
    std::string probability;
};

// The reliability figures of an R&R file, as printed there.
std::optional<ReliabilityLine> readReliability(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::string line;
    std::optional<ReliabilityLine> found;
    const std::string betaKey = "Beta: ", probabilityKey = "Probability of failure: ";
    while (std::getline(in, line)) {
        const std::size_t beta = line.find(betaKey);
        const std::size_t probability = line.find(probabilityKey);
        if (beta != std::string::npos) {
            found = ReliabilityLine{line.substr(beta + betaKey.size()), ""};
        } else if (probability != std::string::npos && found) {
            found->probability = line.substr(probability + probabilityKey.size());
        }
    }
    return found;
}

}  // namespace

bool isRobustnessStudy(const StudyModel& model) {
    return model.method == "robustness" || model.method == "reliability";
}

Chart histogramChart(const std::string& response, const std::vector<double>& values) {
    Chart chart;
    chart.title =
        "Distribution of " + response + " over " + std::to_string(values.size()) + " samples";
    chart.xLabel = response;
    chart.yLabel = "fraction of samples";
    ChartSeries bars{"samples", "#1f77b4", {}, true, 0.0};
    if (!values.empty()) {
        const auto [low, high] = std::minmax_element(values.begin(), values.end());
        const double width = (*high - *low) / histogramBins;
        std::vector<double> share(histogramBins, 0.0);
        for (double v : values) {
            const int bin = width > 0.0 ? static_cast<int>((v - *low) / width) : 0;
            share[static_cast<std::size_t>(std::min(bin, histogramBins - 1))] +=
                1.0 / static_cast<double>(values.size());
        }
        for (int b = 0; b < histogramBins; ++b) {
            const double left = *low + b * width, right = left + width;
            const double h = share[static_cast<std::size_t>(b)];
            bars.points.insert(bars.points.end(),
                               {{left, 0.0}, {left, h}, {right, h}, {right, 0.0}});
        }
    }
    chart.series.push_back(bars);
    return chart;
}

std::vector<std::string> writeHistograms(const StudyModel& model, const RunRecord& record,
                                         const std::filesystem::path& directory) {
    std::vector<std::string> names;
    for (std::size_t r = 0; r < model.responses.size(); ++r) {
        std::vector<double> values;
        for (const EvaluatedDesign& design : record.designs) {
            if (!design.failed() && r < design.responses.size()) {
                values.push_back(design.responses[r]);
            }
        }
        const std::string name = "histogram_" + model.responses[r].name + ".svg";
        writeSvg(directory / utf8Path(name), histogramChart(model.responses[r].name, values));
        names.push_back(name);
    }
    return names;
}

void printReliabilityTable(std::ostream& out, const StudyModel& model,
                           const std::filesystem::path& directory) {
    std::ostringstream table;
    for (const StudyResponse& response : model.responses) {
        const auto found =
            readReliability(directory / utf8Path("RandR_0_" + response.name + ".out"));
        if (!found) continue;
        char row[200];
        std::snprintf(row, sizeof row, "  %-20s %14s %14s\n", response.name.c_str(),
                      found->beta.c_str(), found->probability.c_str());
        table << row;
    }
    if (table.str().empty()) return;
    char head[200];
    std::snprintf(head, sizeof head, "  %-20s %14s %14s\n", "constraint", "beta", "P_f");
    out << "\nReliability\n" << head << table.str();
}

}  // namespace varno::tool
