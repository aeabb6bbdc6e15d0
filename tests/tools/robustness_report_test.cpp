// The report of a robustness run: the histogram's bars hold every sample, and
// the reliability table takes its figures from the R&R files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "robustness_report.h"

namespace varno::tool {
namespace {

TEST(RobustnessReport, HistogramBarsHoldEverySample) {
    const Chart chart = histogramChart("y", {1.0, 1.2, 1.5, 1.9, 12.0});
    ASSERT_EQ(chart.series.size(), 1u);
    const auto& points = chart.series.front().points;
    ASSERT_EQ(points.size(), 44u);  // four corners per bar
    double total = 0.0;
    for (std::size_t b = 0; b < points.size(); b += 4) total += points[b + 1].second;
    EXPECT_DOUBLE_EQ(total, 1.0);
    EXPECT_DOUBLE_EQ(points[1].second, 0.8) << "all but the largest share the first bar";
    EXPECT_DOUBLE_EQ(points.back().first, 12.0);
}

TEST(RobustnessReport, ReliabilityTableReadsTheFiles) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                      ("varno-rr-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "RandR_0_g.out")
        << "\n    ****** RELIABILITY RESULTS FOR R&R AGENT ******\n\n    Beta: 2.1\n"
           "    Probability of failure: 0.0179";
    StudyModel model;
    for (const char* name : {"g", "h"}) {
        StudyResponse response;
        response.name = name;
        model.responses.push_back(response);
    }
    std::ostringstream out;
    printReliabilityTable(out, model, dir);
    EXPECT_EQ(out.str(), "\nReliability\n  constraint                     beta            P_f\n"
                         "  g                               2.1         0.0179\n");
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace varno::tool
