// End-to-end runs of the `varno` executable: a small TRAVOK study with an
// external evaluator, a designed experiment, built-in problems, and runs that
// must fail.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

#include "results_store.h"

#include "tool_test_support.h"

namespace varno::tool {
namespace {

namespace fs = std::filesystem;
using ::testing::_;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

TEST(Runner, RunsASmallTravokStudyWithAnExternalEvaluator) {
    testing::ScratchFolder folder;
    testing::writeText(folder / "sphere.study", testing::sphereStudy());
    testing::writeText(folder / "sphere.sh", "exec " + testing::sphereAnswer);
    const testing::Outcome outcome =
        testing::runVarno(folder, "run sphere.study --parallel 12 --workdir results");
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    const auto rows = testing::csvRows(folder / "results" / "results.csv");
    ASSERT_EQ(rows.size(), 201u) << "a header and 200 designs";
    EXPECT_EQ(rows[1][1], "infeasible") << "the baseline comes first";
    EXPECT_THAT(rows[7], ElementsAre("7", "error", "-1e+99", _, _, "", "", "exited with status 2"));
    EXPECT_THAT(outcome.err, HasSubstr("Design7 failed: exited with status 2"));
    // The best design shown is the feasible one of the highest performance in results.csv.
    const std::string heading = "Best feasible design: Design";
    const std::size_t at = outcome.out.find(heading);
    ASSERT_NE(at, std::string::npos) << outcome.out;
    const std::string best = std::to_string(std::stoi(outcome.out.substr(at + heading.size())));
    double highest = -1e300, shown = 0.0;
    for (std::size_t k = 1; k < rows.size(); ++k) {
        if (rows[k][1] == "feasible") highest = std::max(highest, std::stod(rows[k][2]));
        if (rows[k][0] == best) shown = std::stod(rows[k][2]);
    }
    EXPECT_EQ(shown, highest);
    EXPECT_TRUE(fs::exists(folder / "results" / "progress.svg"));
    EXPECT_FALSE(fs::exists(folder / "results" / "pareto.svg")) << "one objective: no Pareto plot";
    // The library's own report and table, which the run points to, hold the same designs.
    const fs::path libraryTable = folder / "results" / "sphere0.res";
    EXPECT_THAT(outcome.out, HasSubstr("The library's report and results table: " +
                                       (folder / "results" / "sphere0.rpt").string() + ", " +
                                       libraryTable.string()));
    EXPECT_EQ(testing::csvRows(libraryTable).size(), 201u);
    EXPECT_THAT(testing::readText(folder / "results" / "sphere0.rpt"),
                HasSubstr("*EXIT STATE\nComplete\n"));
    EXPECT_TRUE(fs::exists(folder / "results" / "designs" / "200" / "stdout.txt"));
    EXPECT_THAT(outcome.err, HasSubstr("evaluations 200/200"));
    // The engine is asked for sets of 12 designs; the last takes what is left of the budget.
    std::map<int, int> perCycle;
    for (const EvaluatedDesign& design : ResultsStore(folder / "results" / "results.db").all()) {
        ++perCycle[design.cycle];
    }
    ASSERT_GE(perCycle.size(), 3u);
    perCycle.erase(std::prev(perCycle.end()));
    for (const auto& [cycle, designs] : perCycle) EXPECT_GE(designs, 12) << "cycle " << cycle;
}

// A 2 x 2 full factorial over x in {-1, 2} and y in {0.5, 1.5}: the evaluator
// answers f = 10 x + y, so each row of the array can be matched to its result.
TEST(Runner, ADoeStudyWritesItsArrayWithTheDesignOfEveryRun) {
    testing::ScratchFolder folder;
    testing::writeText(
        folder / "screen.study",
        "[study screen]\ntype: doe\n" +
            testing::xyBlocks("parameter", "min: -2\nbaseline: 1\nmax: 2\n") +
            "[response f]\ntype: API\n[method m]\nmethod: DOE\nsampleMethod: 2LevelFull\n"
            "numFactors: 2\n" +
            testing::xyBlocks("variable", "resolution: 401\ndistribution: NONE\n") +
            "[factor x]\ntype: Continuous\nlevels: -1, 2\nfactorType: Control\n"
            "[factor y]\ntype: Continuous\nlevels: 0.5, 1.5\nfactorType: Control\n"
            "[studyResponse f]\ngoal: NONE\nacceptMin: -1e300\nacceptMax: 1e300\n"
            "[evaluator]\ncommand: sh f.sh\n");
    testing::writeText(folder / "f.sh", R"(exec awk '{
  match($0, /"x":[-0-9.e+]+/); x = substr($0, RSTART + 4, RLENGTH - 4)
  match($0, /"y":[-0-9.e+]+/); y = substr($0, RSTART + 4, RLENGTH - 4)
  printf "{\"f\": %.17g}\n", 10 * x + y
}'
)");
    const testing::Outcome outcome = testing::runVarno(folder, "run screen.study --workdir out");
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_THAT(outcome.out, HasSubstr("doe_array.csv"));
    const auto array = testing::csvRows(folder / "out" / "doe_array.csv");
    const auto results = testing::csvRows(folder / "out" / "results.csv");
    ASSERT_EQ(array.size(), 5u) << "a header and the four runs";
    EXPECT_THAT(array[0], ElementsAre("run", "design", "x", "y"));
    std::map<std::string, double> responseOf;
    for (std::size_t k = 1; k < results.size(); ++k) {
        responseOf["Design" + results[k][0]] = std::stod(results[k][5]);
    }
    // Standard order: x changes on every run, y every second run.
    for (std::size_t run = 1; run <= 4; ++run) {
        const auto& row = array[run];
        EXPECT_THAT(row, ElementsAre(std::to_string(run), _, run % 2 ? "-1" : "2",
                                     run <= 2 ? "0.5" : "1.5"));
        ASSERT_EQ(responseOf.count(row[1]), 1u) << row[1] << " is not in results.csv";
        EXPECT_EQ(responseOf[row[1]], 10 * std::stod(row[2]) + std::stod(row[3]));
    }
}

TEST(Runner, ListsAndRunsTheBuiltInProblemsWithoutAStudyFile) {
    testing::ScratchFolder folder;
    const testing::Outcome list = testing::runVarno(folder, "problems");
    EXPECT_EQ(list.exitCode, 0);
    for (const char* name : {"rosenbrock", "welded-beam", "zdt3", "dtlz2"}) {
        EXPECT_THAT(list.out, HasSubstr(name));
    }
    EXPECT_THAT(testing::runVarno(folder, "problems ackley").out, HasSubstr("[variable x10]"));
    EXPECT_NE(testing::runVarno(folder, "problems sphere").exitCode, 0);

    const testing::Outcome outcome =
        testing::runVarno(folder, "run --problem tension-spring --budget 200 --quiet");
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(testing::csvRows(folder / "results.csv").size(), 201u);
    EXPECT_TRUE(fs::exists(folder / "progress.svg"));
    EXPECT_THAT(outcome.err, Not(HasSubstr("evaluations"))) << "--quiet: no progress line";
    EXPECT_THAT(outcome.out, HasSubstr("g4"));
}

TEST(Runner, FaultyRunsFailNamingTheCause) {
    testing::ScratchFolder folder;
    const std::string study = testing::sphereStudy();
    std::string refused = study;
    refused.replace(refused.find("baseline: 1.5"), 13, "baseline: 9.5");
    const struct {
        std::string study, arguments, expected;
    } cases[] = {
        {refused, "", "bad.study:3: [parameter x] was refused by the library:"},
        {refused, "", "The baseline value (9.5)"},
        {study.substr(0, study.find("[evaluator]")), "", "no evaluator"},
        {study, "--evaluate false --quiet",
         "the first 10 designs all failed, so the run stopped. The first failure: Design1: "
         "exited with status 1"},
    };
    for (const auto& fault : cases) {
        testing::writeText(folder / "bad.study", fault.study);
        const testing::Outcome outcome =
            testing::runVarno(folder, "run bad.study " + fault.arguments);
        EXPECT_NE(outcome.exitCode, 0) << fault.expected;
        EXPECT_THAT(outcome.err, HasSubstr(fault.expected));
    }
}

}  // namespace
}  // namespace varno::tool
