// Results of a run without the library: the non-dominated set, results.csv,
// the SVG charts and the progress line.
#include <gtest/gtest.h>

#include "plots.h"
#include "progress.h"
#include "results.h"
#include "tool_test_support.h"

namespace varno::tool {
namespace {

StudyModel twoObjectives() {
    StudyModel model;
    model.variables = {{"x", {}}, {"kind", {"steel", "wood"}}};
    model.responses = {{"cost", BlockKind::objective, "min_value", 0},
                       {"strength", BlockKind::objective, "max_value", 0},
                       {"stress", BlockKind::constraint, "less_equal", 1}};
    return model;
}

EvaluatedDesign design(int id, double cost, double strength, int status, double performance = -1.0) {
    EvaluatedDesign d;
    d.id = id;
    d.values = {0.5 * id, static_cast<double>(id % 2)};
    d.responses = {cost, strength, 0.0};
    d.status = status;
    d.performance = performance;
    return d;
}

RunRecord sampleRecord() {
    RunRecord record;
    record.designs = {design(1, 1.0, 1.0, 2), design(2, 2.0, 3.0, 2), design(3, 2.0, 2.0, 2),
                      design(4, 0.5, 9.0, 3), design(5, 3.0, 3.0, 2), design(6, 0.1, 9.0, 0, -1e99)};
    record.designs[5].error = "exited with status 1";
    return record;
}

TEST(ToolResults, NonDominatedDesignsOrientEachObjective) {
    // 3 is dominated by 2 (cheaper is not, stronger is), 5 by 2; 4 is infeasible, 6 failed.
    EXPECT_EQ(nonDominatedIds(twoObjectives(), sampleRecord()), (std::vector<int>{1, 2}));
}

TEST(ToolResults, InfeasibleDesignsFormTheFrontOnlyWhenNoneIsFeasible) {
    RunRecord record;
    record.designs = {design(1, 1.0, 1.0, 3), design(2, 2.0, 0.5, 3)};
    EXPECT_EQ(nonDominatedIds(twoObjectives(), record), (std::vector<int>{1}));
}

TEST(ToolResults, CsvHasOneRowPerDesign) {
    testing::ScratchFolder folder;
    writeResultsCsv(folder / "results.csv", twoObjectives(), sampleRecord());
    const std::string csv = testing::readText(folder / "results.csv");
    EXPECT_EQ(csv.substr(0, csv.find('\n')), "id,status,performance,x,kind,cost,strength,stress,error");
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 7);
    EXPECT_NE(csv.find("\n2,feasible,-1,1,steel,2,3,0,\n"), std::string::npos) << csv;
    EXPECT_NE(csv.find("\n6,error,-1e+99,3,steel,,,,exited with status 1\n"), std::string::npos) << csv;
}

void expectSvg(const std::string& svg) {
    EXPECT_EQ(svg.rfind("<svg xmlns=\"http://www.w3.org/2000/svg\"", 0), 0u);
    EXPECT_EQ(svg.substr(svg.size() - 7), "</svg>\n");
    EXPECT_EQ(std::count(svg.begin(), svg.end(), '<'), std::count(svg.begin(), svg.end(), '>'));
}

TEST(ToolResults, ParetoChartHighlightsTheFront) {
    const std::string svg = renderSvg(paretoChart(twoObjectives(), sampleRecord(), {{1, 2}, ""}));
    expectSvg(svg);
    EXPECT_NE(svg.find("Pareto front"), std::string::npos);
    // 2 front members, 2 other feasible designs, 1 infeasible; the failed design is left out.
    std::size_t circles = 0;
    for (std::size_t at = svg.find("<circle"); at != std::string::npos; at = svg.find("<circle", at + 1)) ++circles;
    EXPECT_EQ(circles, 5u);
    EXPECT_NE(svg.find("<polyline"), std::string::npos) << "the front is joined by a line";
}

TEST(ToolResults, ProgressChartTracksTheBestSoFar) {
    RunRecord record;
    for (double p : {-5e4, -1e99, -300.0, -900.0, -2.0}) {
        record.designs.push_back(design(static_cast<int>(record.designs.size()) + 1, 0, 0, 2, p));
    }
    const Chart chart = progressChart(record);
    ASSERT_EQ(chart.series.size(), 1u);
    EXPECT_TRUE(chart.logY) << "a minimisation over decades is drawn as a cost on a log scale";
    const std::vector<std::pair<double, double>> expected = {{1, 5e4}, {2, 5e4}, {3, 300}, {4, 300}, {5, 2}};
    EXPECT_EQ(chart.series[0].points, expected);
    expectSvg(renderSvg(chart));
}

TEST(ToolResults, ChartsEscapeTextAndSurviveASinglePoint) {
    Chart chart;
    chart.title = "a < b & c";
    chart.series.push_back({"one", "#000", {{1.0, 1.0}}, true, 2.0});
    const std::string svg = renderSvg(chart);
    expectSvg(svg);
    EXPECT_NE(svg.find("a &lt; b &amp; c"), std::string::npos);
}

TEST(ToolProgress, TheLineShowsBudgetBestFeasibleAndTime) {
    ProgressState state;
    state.cycle = 3;
    state.evaluations = 50;
    state.budget = 200;
    state.best = -1.25;
    state.feasible = 40;
    EXPECT_EQ(ProgressLine::format(state, 10.0),
              "cycle 3  evaluations 50/200  best -1.25  feasible 40  elapsed 0:10  left ~0:30");
    state.budget = 0;
    state.best.reset();
    EXPECT_EQ(ProgressLine::format(state, 61.0), "cycle 3  evaluations 50  best -  feasible 40  elapsed 1:01");
}

TEST(ToolProgress, UpdatesInPlaceOnATerminalAndAsLinesOtherwise) {
    ProgressState state;
    state.cycle = 1;
    std::ostringstream terminal, plain, silent;
    ProgressLine onTerminal(terminal, true, true), onFile(plain, true, false), quiet(silent, false, true);
    for (ProgressLine* line : {&onTerminal, &onFile, &quiet}) {
        line->update(state);
        line->finish();
    }
    EXPECT_EQ(terminal.str().front(), '\r');
    EXPECT_EQ(terminal.str().back(), '\n');
    EXPECT_EQ(plain.str().find('\r'), std::string::npos);
    EXPECT_EQ(plain.str().rfind("cycle 1  evaluations 0", 0), 0u);
    EXPECT_TRUE(silent.str().empty());
}

}  // namespace
}  // namespace varno::tool
