// Results of a run without the library: the non-dominated set, results.csv,
// the SVG charts and the progress line.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "plots.h"
#include "progress.h"
#include "results.h"
#include "tool_test_support.h"

namespace varno::tool {
namespace {

using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

StudyModel twoObjectives() {
    StudyModel model;
    model.variables = {{"x", {}}, {"kind", {"steel", "wood"}}};
    model.responses = {{"cost", BlockKind::objective, "min_value", 0},
                       {"strength", BlockKind::objective, "max_value", 0},
                       {"stress", BlockKind::constraint, "less_equal", 1}};
    return model;
}

EvaluatedDesign design(int id, double cost, double strength, int status,
                       double performance = -1.0) {
    return {id,         {0.5 * id, static_cast<double>(id % 2)}, {cost, strength, 0.25}, "", status,
            performance};
}

RunRecord sampleRecord() {
    RunRecord record;
    record.designs = {design(1, 1.0, 1.0, 2), design(2, 2.0, 3.0, 2),
                      design(3, 2.0, 2.0, 2), design(4, 0.5, 9.0, 3),
                      design(5, 3.0, 3.0, 2), design(6, 0.1, 9.0, 0, -1e99)};
    record.designs[5].error = "exited with status 1: \"bad\", twice";
    return record;
}

TEST(ToolResults, NonDominatedDesignsOrientEachObjective) {
    // 3 is dominated by 2 (cheaper is not, stronger is), 5 by 2; 4 is infeasible, 6 failed.
    EXPECT_THAT(nonDominatedIds(twoObjectives(), sampleRecord()), ElementsAre(1, 2));
}

TEST(ToolResults, InfeasibleDesignsFormTheFrontOnlyWhenNoneIsFeasible) {
    RunRecord record;
    record.designs = {design(1, 1.0, 1.0, 3), design(2, 2.0, 0.5, 3)};
    EXPECT_THAT(nonDominatedIds(twoObjectives(), record), ElementsAre(1));
}

TEST(ToolResults, CsvHasOneRowPerDesignAndLeavesTheResponsesOfFailedOnesEmpty) {
    testing::ScratchFolder folder;
    writeResultsCsv(folder / "results.csv", twoObjectives(), sampleRecord());
    const std::string csv = testing::readText(folder / "results.csv");
    EXPECT_EQ(csv.substr(0, csv.find('\n')),
              "id,status,performance,x,kind,cost,strength,stress,error");
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 7);
    EXPECT_THAT(csv, HasSubstr("\n2,feasible,-1,1,steel,2,3,0.25,\n"));
    EXPECT_THAT(
        csv,
        HasSubstr("\n6,error,-1e+99,3,steel,,,,\"exited with status 1: \"\"bad\"\", twice\"\n"));
}

TEST(ToolResults, TheSummaryShowsTheBestFeasibleDesignAndSaysWhenNoneIsFeasible) {
    // Design 4 is infeasible with the highest performance: the library's best.
    RunRecord record = sampleRecord();
    record.designs[1].performance = -0.5;
    record.designs[3].performance = 2.0;
    std::ostringstream feasible, none, failed;
    printBestDesign(feasible, twoObjectives(), record, 4);
    EXPECT_THAT(feasible.str(),
                HasSubstr("Best feasible design: Design2  (the library's best, Design4, "
                          "violates a constraint)\n  performance -0.5  status feasible"));
    for (EvaluatedDesign& design : record.designs) design.status = design.status == 0 ? 0 : 3;
    printBestDesign(none, twoObjectives(), record, 4);
    EXPECT_THAT(none.str(), HasSubstr("No design is feasible. Least infeasible design: Design4"));
    record.designs = {record.designs[5]};
    printBestDesign(failed, twoObjectives(), record, 0);
    EXPECT_THAT(failed.str(), HasSubstr("No design was evaluated successfully."));
}

TEST(ToolResults, ParetoChartShowsTheFrontAndLeavesFailedDesignsOut) {
    const std::string svg = renderSvg(paretoChart(twoObjectives(), sampleRecord(), {{1, 2}, ""}));
    EXPECT_THAT(svg, HasSubstr("Pareto front"));
    std::size_t circles = 0;
    for (std::size_t at = svg.find("<circle"); at != std::string::npos;
         at = svg.find("<circle", at + 1))
        ++circles;
    EXPECT_EQ(circles, 5u) << "2 front members, 2 other feasible designs, 1 infeasible";
}

TEST(ToolResults, ProgressChartTracksTheBestSoFar) {
    RunRecord record;
    for (double p : {-5e4, -1e99, -300.0, -900.0, -2.0}) {
        record.designs.push_back(design(static_cast<int>(record.designs.size()) + 1, 0, 0, 2, p));
    }
    const Chart chart = progressChart(record);
    ASSERT_EQ(chart.series.size(), 1u);
    EXPECT_TRUE(chart.logY) << "a minimisation over decades is drawn as a cost on a log scale";
    EXPECT_THAT(chart.series[0].points,
                ElementsAre(std::pair(1.0, 5e4), std::pair(2.0, 5e4), std::pair(3.0, 300.0),
                            std::pair(4.0, 300.0), std::pair(5.0, 2.0)));
}

TEST(ToolResults, ChartsEscapeTextAndSurviveASinglePoint) {
    Chart chart;
    chart.title = "a < b & c";
    chart.series.push_back({"one", "#000", {{1.0, 1.0}}, true, 2.0});
    const std::string svg = renderSvg(chart);
    EXPECT_THAT(svg, EndsWith("</svg>\n"));
    EXPECT_THAT(svg, HasSubstr("a &lt; b &amp; c"));
    EXPECT_THAT(svg, Not(HasSubstr("nan")));
}

TEST(ToolProgress, TheLineShowsBudgetBestFeasibleAndTheTimeLeft) {
    ProgressState state{3, 50, 200, -1.25, 40};
    EXPECT_EQ(ProgressLine::format(state, 10.0),
              "cycle 3  evaluations 50/200  best -1.25  feasible 40  elapsed 0:10  left ~0:30");
    state.budget = 0;
    state.best.reset();
    EXPECT_EQ(ProgressLine::format(state, 61.0),
              "cycle 3  evaluations 50  best -  feasible 40  elapsed 1:01");
}

TEST(ToolProgress, UpdatesInPlaceOnATerminalAndAsLinesOtherwise) {
    std::ostringstream terminal, plain, silent;
    ProgressLine onTerminal(terminal, true, true), onFile(plain, true, false),
        quiet(silent, false, true);
    for (ProgressLine* line : {&onTerminal, &onFile, &quiet}) {
        line->update({});
        line->finish();
    }
    EXPECT_EQ(terminal.str().front(), '\r');
    EXPECT_THAT(plain.str(), StartsWith("cycle 0  evaluations 0"));
    EXPECT_THAT(plain.str(), Not(HasSubstr("\r")));
    EXPECT_EQ(silent.str(), "");
}

}  // namespace
}  // namespace varno::tool
