// Results of a run without the library: the non-dominated set, results.csv,
// the SVG charts, the progress line, the plots of designed experiments and the
// report of a robustness run.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "doe_plots.h"
#include "file_output.h"
#include "library.h"
#include "plots.h"
#include "progress.h"
#include "results.h"
#include "robustness_report.h"
#include "tool_test_support.h"

namespace varno::tool {
namespace {

using ::testing::AllOf;
using ::testing::DoubleNear;
using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::Field;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::Pair;
using ::testing::StartsWith;
using ::testing::ThrowsMessage;

StudyModel twoObjectives() {
    StudyModel model;
    model.variables = {{"x", {}}, {"kind", {"steel", "wood"}}};
    model.responses = {{"cost", BlockKind::objective, "min_value", 0},
                       {"strength", BlockKind::objective, "max_value", 0},
                       {"stress", BlockKind::constraint, "less_equal", 1}};
    return model;
}

EvaluatedDesign design(int id, double cost, double strength, int status, double score = -1.0) {
    return {id, {0.5 * id, id % 2 * 1.0}, {cost, strength, 0.25}, "", status, score};
}

RunRecord sampleRecord() {
    RunRecord record;
    record.designs = {design(1, 1.0, 1.0, 2), design(2, 2.0, 3.0, 2),
                      design(3, 2.0, 2.0, 2), design(4, 0.5, 9.0, 3),
                      design(5, 3.0, 3.0, 2), design(6, 0.1, 9.0, 0, -1e99)};
    record.designs[5].error = "exited with status 1: \"bad\", twice";
    return record;
}

// 3 is dominated by 2 (cheaper is not, stronger is), 5 by 2; 4 is infeasible,
// 6 failed. Infeasible designs form the front only when none is feasible.
TEST(ToolResults, NonDominatedDesignsOrientEachObjective) {
    EXPECT_THAT(nonDominatedIds(twoObjectives(), sampleRecord()), ElementsAre(1, 2));
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
    for (std::size_t at = 0; (at = svg.find("<circle", at)) != std::string::npos; ++at) ++circles;
    EXPECT_EQ(circles, 5u) << "2 front members, 2 other feasible designs, 1 infeasible";
}

TEST(ToolResults, ProgressChartShowsTheObjectiveMarkingInfeasibleDesignsApart) {
    // cost is minimised; design 2 failed, 3 is infeasible (and cheapest), 6 and
    // 7 come from a set the library never scored: 6 meets stress <= 1, 7 not.
    RunRecord record;
    const double costs[] = {5.0, 0.0, 0.5, 4.0, 6.0, 2.0, 1.0};
    const int statuses[] = {2, 0, 3, 2, 2, 4, 4};
    for (int k = 0; k < 7; ++k) record.designs.push_back(design(k + 1, costs[k], 0, statuses[k]));
    record.designs[1].error = "timed out";
    record.designs[6].responses[2] = 1.5;
    const Chart chart = progressChart(twoObjectives(), record);
    EXPECT_EQ(chart.yLabel, "cost");
    ASSERT_EQ(chart.series.size(), 3u);
    EXPECT_THAT(chart.series[0].points,
                ElementsAre(Pair(1, 5), Pair(4, 4), Pair(5, 6), Pair(6, 2)));
    EXPECT_THAT(chart.series[1].points, ElementsAre(Pair(3, 0.5), Pair(7, 1)));
    EXPECT_TRUE(chart.series[1].hollow) << "infeasible designs are rings";
    EXPECT_THAT(chart.series[2].points, ElementsAre(Pair(1, 5), Pair(3, 5), Pair(4, 4), Pair(5, 4),
                                                    Pair(6, 2), Pair(7, 2)));
    EXPECT_FALSE(chart.logY);
    record.designs[0].responses[0] = 5e4;
    EXPECT_TRUE(progressChart(twoObjectives(), record).logY) << "positive values over decades";
}

TEST(ToolResults, ChartAxesFollowTheSeriesThatSetThemWithReadableTicksAndEscapedText) {
    Chart chart;
    chart.title = "a < b & c";
    chart.wholeX = true;
    chart.series.push_back({"kept", "#000", {{0.0, 0.0}, {3.0, 0.25}}, false, 2.0});
    chart.series.push_back({"far", "#000", {{1.0, 1e6}}, false, 2.0, true, false});
    const std::string svg = renderSvg(chart);
    // Ticks at 0.05 steps (not 0.05000000001); the far point does not stretch the
    // axis; x ticks are whole evaluations.
    EXPECT_THAT(svg, AllOf(HasSubstr("a &lt; b &amp; c"), HasSubstr(">0.25</text>"),
                           HasSubstr(">0.05</text>"), Not(HasSubstr("e+06</text>")),
                           Not(HasSubstr(">0.5</text>"))));
    chart.logY = true;
    chart.series[0].points = {{1.0, 0.01}, {2.0, 100.0}};
    EXPECT_THAT(renderSvg(chart), AllOf(HasSubstr(">0.01</text>"), HasSubstr(">100</text>")));
    chart.series = {{"one", "#000", {{1.0, 1.0}}, true, 2.0}};
    EXPECT_THAT(renderSvg(chart), AllOf(EndsWith("</svg>\n"), Not(HasSubstr("nan"))))
        << "a single point";
}

TEST(ToolProgress, TheLineShowsBudgetBestFeasibleAndTheTimeLeftInPlaceOnATerminal) {
    ProgressState state{3, 50, 200, -1.25, 40};
    EXPECT_EQ(ProgressLine::format(state, 10.0),
              "cycle 3  evaluations 50/200  best -1.25  feasible 40  elapsed 0:10  left ~0:30");
    state.budget = 0;
    state.best.reset();
    EXPECT_EQ(ProgressLine::format(state, 61.0),
              "cycle 3  evaluations 50  best -  feasible 40  elapsed 1:01");
    std::ostringstream terminal, plain, silent;
    ProgressLine onTerminal(terminal, true, true), onFile(plain, true, false),
        quiet(silent, false, true);
    for (ProgressLine* line : {&onTerminal, &onFile, &quiet}) {
        line->update({});
        line->finish();
    }
    EXPECT_EQ(terminal.str().front(), '\r');
    EXPECT_THAT(plain.str(), AllOf(StartsWith("cycle 0  evaluations 0"), Not(HasSubstr("\r"))));
    EXPECT_EQ(silent.str(), "");
}

// The plots of a designed experiment, from level means and results made up
// here: the half-normal positions, the term names, aliased columns shown
// once, and the two-factor cell means.
StudyModel twoFactors() {
    StudyModel model;
    model.variables = {{"x", {}}, {"y", {}}};
    model.factors = {"x", "y"};
    model.responses = {{"f", BlockKind::studyResponse, "", 0}};
    return model;
}

TEST(ToolDoePlots, HalfNormalShowsEachColumnOnceInAscendingOrderNamedAtNormalQuantiles) {
    EXPECT_NEAR(normalQuantile(0.975), 1.959963984540054, 1e-9);
    EXPECT_NEAR(normalQuantile(0.5), 0.0, 1e-12);
    EXPECT_EQ(termName("AB", {"M", "S"}), "M×S");
    EXPECT_EQ(termName("J", std::vector<std::string>(9, "z")), "z") << "J is the ninth factor";
    DoeLevelMeans levels;
    levels.factorCount = 2;
    levels.columnLabels = {"A", "B", "AB", ""};
    // B's column repeats A's means, as an aliased column would; the unlabelled
    // column carries no term.
    levels.means = {{1.0, 1.0, 4.0, 0.0}, {5.0, 5.0, 3.5, 0.0}};
    const Chart chart = halfNormalChart(twoFactors(), levels);
    ASSERT_FALSE(chart.series.empty());
    EXPECT_THAT(chart.series[0].pointLabels, ElementsAre("x×y", "x"));
    EXPECT_THAT(chart.series[0].points,
                ElementsAre(Pair(DoubleNear(normalQuantile(0.625), 1e-12), 0.5),
                            Pair(DoubleNear(normalQuantile(0.875), 1e-12), 4.0)));
}

TEST(ToolDoePlots, InteractionCellsAreMeansOfTheirDesigns) {
    RunRecord record;
    const double y[2][2] = {{1.0, 2.0}, {3.0, 10.0}};
    for (int k = 0; k < 8; ++k) {  // x = 5 a, y = 2 b, each cell twice with noise -0.5 and 0.5
        const int a = k / 4, b = k / 2 % 2;
        record.designs.push_back({k + 1, {a * 5.0, b * 2.0}, {y[a][b] + k % 2 - 0.5}, "", 1, 1.0});
    }
    const std::optional<DoePlot> plot = interactionsPlot(twoFactors(), record);
    ASSERT_TRUE(plot);
    ASSERT_EQ(plot->panels.size(), 1u);
    EXPECT_THAT(plot->panels[0].series,
                ElementsAre(Field(&ChartSeries::points, ElementsAre(Pair(0, 1), Pair(5, 3))),
                            Field(&ChartSeries::points, ElementsAre(Pair(0, 2), Pair(5, 10)))));
    record.designs.push_back({9, {2.5, 0.0}, {0.0}, "", 1, 1.0});
    EXPECT_FALSE(interactionsPlot(twoFactors(), record)) << "x now takes three values";
}

// The report of a robustness run: the histogram's bars hold every sample, and
// the reliability table takes its figures from the R&R files.
TEST(RobustnessReport, HistogramBarsHoldEverySampleAndTheReliabilityTableReadsTheFiles) {
    const Chart chart = histogramChart("y", {1.0, 1.2, 1.5, 1.9, 12.0});
    ASSERT_EQ(chart.series.size(), 1u);
    const auto& points = chart.series.front().points;
    ASSERT_EQ(points.size(), 44u);  // four corners per bar
    double total = 0.0;
    for (std::size_t b = 0; b < points.size(); b += 4) total += points[b + 1].second;
    EXPECT_DOUBLE_EQ(total, 1.0);
    EXPECT_DOUBLE_EQ(points[1].second, 0.8) << "all but the largest share the first bar";
    EXPECT_DOUBLE_EQ(points.back().first, 12.0);
    testing::ScratchFolder dir;
    testing::writeText(dir / "RandR_0_g.out",
                       "\n    ****** RELIABILITY RESULTS FOR R&R AGENT ******\n\n    Beta: 2.1\n"
                       "    Probability of failure: 0.0179");
    StudyModel model;
    model.responses = {{"g", BlockKind::studyResponse, "", 0},
                       {"h", BlockKind::studyResponse, "", 0}};
    std::ostringstream out;
    printReliabilityTable(out, model, dir.path());
    EXPECT_EQ(out.str(), "\nReliability\n  constraint                     beta            P_f\n"
                         "  g                               2.1         0.0179\n");
}

// A small disk of its own (a 64 KiB tmpfs, which the test mounts): a file
// that does not fit is refused naming it, and the earlier file stays whole.
TEST(ToolFiles, AFullDiskKeepsThePreviousFileAndNamesTheFile) {
    testing::ScratchFolder folder;
    const std::filesystem::path disk = folder / "disk";
    std::filesystem::create_directories(disk);
    const std::string mount = "mount -t tmpfs -o size=64k tmpfs \"" + disk.string() + "\"";
    ASSERT_EQ(std::system(mount.c_str()), 0)
        << "this test mounts a small tmpfs and needs root (or CAP_SYS_ADMIN) to do so";
    struct Unmount {
        std::string command;
        ~Unmount() { EXPECT_EQ(std::system(command.c_str()), 0) << command; }
    } unmount{"umount \"" + disk.string() + "\""};

    const std::filesystem::path file = disk / "results.csv";
    writeFileReplacing(file, "id,status\n1,feasible\n");
    EXPECT_THAT([&] { writeFileReplacing(file, std::string(200000, 'x')); },
                ThrowsMessage<RunError>(HasSubstr("cannot write " + file.string())));
    EXPECT_EQ(testing::readText(file), "id,status\n1,feasible\n");
    EXPECT_FALSE(std::filesystem::exists(disk / "results.csv.tmp")) << "the partial file is gone";
}

}  // namespace
}  // namespace varno::tool
