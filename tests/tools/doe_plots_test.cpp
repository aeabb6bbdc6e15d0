// The plots of a designed experiment, from level means and results made up
// here: the half-normal positions, the term names, aliased columns shown
// once, and the two-factor cell means.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

#include "doe_plots.h"

namespace varno::tool {
namespace {

using ::testing::ElementsAre;
using ::testing::Pair;

StudyModel twoFactors() {
    StudyModel model;
    model.variables = {{"x", {}}, {"y", {}}};
    model.factors = {"x", "y"};
    model.responses = {{"f", BlockKind::studyResponse, "", 0}};
    return model;
}

TEST(ToolDoePlots, QuantilesAndNames) {
    EXPECT_NEAR(normalQuantile(0.975), 1.959963984540054, 1e-9);
    EXPECT_NEAR(normalQuantile(0.5), 0.0, 1e-12);
    EXPECT_EQ(termName("AB", {"M", "S"}), "M×S");
    EXPECT_EQ(termName("J", std::vector<std::string>(9, "z")), "z") << "J is the ninth factor";
}

TEST(ToolDoePlots, HalfNormalShowsEachColumnOnceInAscendingOrder) {
    DoeLevelMeans levels;
    levels.factorCount = 2;
    levels.columnLabels = {"A", "B", "AB", ""};
    // B's column repeats A's means, as an aliased column would; the unlabelled
    // column carries no term.
    levels.means = {{1.0, 1.0, 4.0, 0.0}, {5.0, 5.0, 3.5, 0.0}};
    const Chart chart = halfNormalChart(twoFactors(), levels);
    ASSERT_FALSE(chart.series.empty());
    const ChartSeries& points = chart.series.front();
    EXPECT_THAT(points.pointLabels, ElementsAre("x×y", "x"));
    ASSERT_EQ(points.points.size(), 2u);
    EXPECT_NEAR(points.points[0].first, normalQuantile(0.625), 1e-12);
    EXPECT_NEAR(points.points[1].first, normalQuantile(0.875), 1e-12);
    EXPECT_EQ(points.points[0].second, 0.5);
    EXPECT_EQ(points.points[1].second, 4.0);
}

TEST(ToolDoePlots, InteractionCellsAreMeansOfTheirDesigns) {
    RunRecord record;
    const double y[2][2] = {{1.0, 2.0}, {3.0, 10.0}};
    int id = 0;
    for (int a = 0; a < 2; ++a) {
        for (int b = 0; b < 2; ++b) {
            for (double noise : {-0.5, 0.5}) {
                record.designs.push_back({++id, {a * 5.0, b * 2.0}, {y[a][b] + noise}, "", 1, 1.0});
            }
        }
    }
    const std::optional<DoePlot> plot = interactionsPlot(twoFactors(), record);
    ASSERT_TRUE(plot);
    ASSERT_EQ(plot->panels.size(), 1u);
    const Chart& panel = plot->panels.front();
    ASSERT_EQ(panel.series.size(), 2u);
    EXPECT_THAT(panel.series[0].points, ElementsAre(Pair(0.0, 1.0), Pair(5.0, 3.0)));
    EXPECT_THAT(panel.series[1].points, ElementsAre(Pair(0.0, 2.0), Pair(5.0, 10.0)));
    record.designs.push_back({++id, {2.5, 0.0}, {0.0}, "", 1, 1.0});
    EXPECT_FALSE(interactionsPlot(twoFactors(), record)) << "x now takes three values";
}

}  // namespace
}  // namespace varno::tool
