// Runs on the platform the build is for, with an evaluator program built for
// it (no shell or interpreter): a whole study in sets of 12 designs, given by
// absolute paths (on Windows with a drive letter and backslashes) with folder
// names beyond ASCII, under a locale with a decimal comma, and what it writes;
// a timed-out evaluator ended together with what it started.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <clocale>
#include <map>
#include <thread>

#include "command_evaluator.h"
#include "results_store.h"
#include "tool_test_support.h"
#include "utf8_path.h"

namespace varno::tool {
namespace {

namespace fs = std::filesystem;
using ::testing::_;
using ::testing::AnyOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

// The decimal separator of the locale the environment selects.
std::string environmentDecimalPoint() {
    const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    std::setlocale(LC_NUMERIC, "");
    const std::string point = std::localeconv()->decimal_point;
    std::setlocale(LC_NUMERIC, previous.c_str());
    return point;
}

TEST(PlatformRun, AStudyByAbsoluteNonAsciiPathsUnderACommaLocaleWritesPointDecimals) {
    ASSERT_EQ(environmentDecimalPoint(), ",")
        << "the test runs with LC_ALL=de_DE.UTF-8 (scripts/install-deps.sh makes the locale)";
    testing::ScratchFolder folder;
    // The study file, its results and the evaluator program lie in folders
    // whose names are UTF-8 beyond ASCII.
    const fs::path results = folder.path() / u8"Prüfstand", studyFile = results / "sphere.study";
    const fs::path evaluator = results / u8"評価" / fs::path(VARNO_CHILD_PATH).filename();
    fs::create_directories(evaluator.parent_path());
    fs::copy_file(VARNO_CHILD_PATH, evaluator);
    testing::writeText(studyFile, testing::sphereStudy(200, 20, utf8Text(evaluator) + " sphere"));
    const testing::Outcome outcome =
        testing::runVarno(folder, "run \"" + utf8Text(studyFile) + "\" --parallel 12 --workdir \"" +
                                      utf8Text(results) + "\"");
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;

    const auto rows = testing::csvRows(results / "results.csv");
    ASSERT_EQ(rows.size(), 201u) << "a header and 200 designs";
    for (const auto& row : rows) ASSERT_LE(row.size(), rows[0].size()) << "a decimal comma";
    // The baseline (1.5, 1.5) comes first, read from the study as written.
    EXPECT_THAT(rows[1], ElementsAre("1", "infeasible", _, "1.5", "1.5", _, "3"));
    EXPECT_DOUBLE_EQ(std::stod(rows[1][5]), 1 + 1.2 * 1.2 + 1.7 * 1.7);
    EXPECT_THAT(rows[7], ElementsAre("7", "error", "-1e+99", _, _, "", "", "exited with status 2"));
    EXPECT_THAT(outcome.err, HasSubstr("Design7 failed: exited with status 2"));
    int feasible = 0;
    // The best design shown is the feasible one of the highest performance.
    double highest = -1e300;
    std::string best;
    for (const auto& row : rows) {
        if (row[1] != "feasible") continue;
        ++feasible;
        EXPECT_LE(std::stod(row[6]), 1.0);
        EXPECT_NEAR(std::stod(row[3]) + std::stod(row[4]), std::stod(row[6]), 1e-12);
        if (std::stod(row[2]) > highest) highest = std::stod(row[2]), best = row[0];
    }
    EXPECT_GT(feasible, 10);
    EXPECT_THAT(outcome.out, HasSubstr("The library's report and results table: " +
                                       utf8Text(results / "sphere0.rpt") + ", " +
                                       utf8Text(results / "sphere0.res")));
    EXPECT_EQ(testing::csvRows(results / "sphere0.res").size(), 201u);
    EXPECT_THAT(testing::readText(results / "sphere0.rpt"), HasSubstr("*EXIT STATE\nComplete\n"));
    EXPECT_TRUE(fs::exists(results / "progress.svg"));
    EXPECT_FALSE(fs::exists(results / "pareto.svg")) << "one objective: no Pareto plot";
    EXPECT_TRUE(fs::exists(results / "designs" / "200" / "stdout.txt"));
    EXPECT_THAT(outcome.err, HasSubstr("evaluations 200/200"));
    const std::string shown = "Best feasible design: Design" + best;
    // The console's line end is "\r\n" on Windows.
    EXPECT_THAT(outcome.out, AnyOf(HasSubstr(shown + "\n"), HasSubstr(shown + "\r\n"),
                                   HasSubstr(shown + "  (")));
    // The engine is asked for sets of 12 designs; the last takes what is left of the budget.
    std::map<int, int> perCycle;
    for (const EvaluatedDesign& design : ResultsStore(results / "results.db").all()) {
        ++perCycle[design.cycle];
    }
    ASSERT_GE(perCycle.size(), 3u);
    perCycle.erase(std::prev(perCycle.end()));
    for (const auto& [cycle, designs] : perCycle) EXPECT_GE(designs, 12) << "cycle " << cycle;
}

TEST(PlatformRun, ATimedOutEvaluatorIsEndedWithTheProgramItStarted) {
    testing::ScratchFolder folder;
    StudyModel model;
    model.variables = {{"x", {}}};
    model.responses = {{"f", BlockKind::objective, "min_value", 0}};
    const auto began = std::chrono::steady_clock::now();
    CommandEvaluator evaluator(
        model, {"\"" VARNO_CHILD_PATH "\" hang", 3.0, 1, folder / "work", folder.path()});
    const std::vector<DesignResult> results = evaluator.evaluate({{1, "Design1", {0.5}}});
    ASSERT_EQ(results.size(), 1u);
    EXPECT_THAT(results[0].error, HasSubstr("timed out after 3 s"));
    const fs::path design = folder / "work" / "designs" / "1";
    ASSERT_TRUE(fs::exists(design / "started.txt")) << "the started program ran before the timeout";
    // Left running, it would mark its folder six seconds after it started.
    std::this_thread::sleep_until(began + std::chrono::seconds(8));
    EXPECT_FALSE(fs::exists(design / "survived.txt"));
}

}  // namespace
}  // namespace varno::tool
