// `varno run --serve` watched in a real headless Chromium: the page shows the
// designs of the results database while the run goes on, and follows it
// without a reload.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "child_process.h"
#include "headless_browser.h"
#include "results_store.h"
#include "tool_test_support.h"

namespace varno::tool {
namespace {

using ::testing::HasSubstr;

// The sphere of the runner tests (every seventh design fails); each evaluator
// notes the runner's process id, and designs after the twelfth wait until the
// file "more" exists in the study folder.
const std::string gatedEvaluator = R"(input=$(cat)
echo $PPID > "$VARNO_STUDY_DIR/runner"
id=$(echo "$input" | sed 's/.*"id":\([0-9]*\).*/\1/')
tries=0
while [ "$id" -gt 12 ] && [ ! -e "$VARNO_STUDY_DIR/more" ] && [ $tries -lt 600 ]; do
  sleep 0.05; tries=$((tries + 1))
done
echo "$input" | )" + testing::sphereAnswer;

// The address the run prints once its dashboard listens.
std::string dashboardAddress(Process& run) {
    const std::regex line("Dashboard at (http://[^ \n]+)");
    std::smatch found;
    for (int tries = 0; tries < 300 && !run.finished(); ++tries) {
        pumpProcesses({&run}, std::chrono::milliseconds(50));
        if (std::regex_search(run.errors(), found, line)) return found[1];
    }
    return "";
}

// The lowest f among the designs evaluated without error with s <= 1.
double bestFeasibleInDatabase(const std::filesystem::path& database) {
    double best = HUGE_VAL;
    for (const EvaluatedDesign& d : ResultsStore(database, ResultsStore::Access::readOnly).all()) {
        if (!d.failed() && d.responses.at(1) <= 1.0) best = std::min(best, d.responses[0]);
    }
    return best;
}

TEST(DashboardInBrowser, ShowsTheRunAndFollowsItWithoutAReload) {
    const testing::StudyFolder folder(testing::sphereStudy(40), gatedEvaluator);
    Process run(
        {{VARNO_TOOL_PATH, "run", "sphere.study", "--serve", "0", "--quiet", "--workdir", "w"},
         folder.path().string(),
         "",
         {}});
    const std::string address = dashboardAddress(run);
    ASSERT_THAT(address, HasSubstr("http://127.0.0.1:")) << run.errors();

    // A browser that cannot start throws, failing the test with the reason.
    testing::HeadlessBrowser browser(folder / "profile", folder / "chromium.log");
    browser.open(address);
    // The page shows `designs` designs and the best of the database.
    const auto expectShows = [&](int designs) {
        const std::string count = "document.getElementById('design-count').textContent";
        ASSERT_TRUE(browser.waitFor(count + " === '" + std::to_string(designs) + "'", 30))
            << browser.evaluate(count);
        EXPECT_EQ(browser.evaluate("Number(document.getElementById('best-value').dataset.value)")
                      .get<double>(),
                  bestFeasibleInDatabase(folder / "w" / "results.db"));
        EXPECT_EQ(browser.evaluate("document.querySelectorAll('#designs tbody tr').length"),
                  designs);
    };
    expectShows(12);  // then the run waits for "more"
    EXPECT_EQ(browser.evaluate("document.querySelectorAll('#failures tr').length"), 1)
        << "design 7 failed";
    browser.evaluate("window.sameDocument = true");
    testing::writeText(folder / "more", "");
    expectShows(40);
    EXPECT_EQ(browser.evaluate("window.sameDocument"), true) << "the page was reloaded";
    // The dashboard stays until Ctrl-C.
    ASSERT_EQ(::kill(testing::numbersIn(folder / "runner").at(0), SIGINT), 0);
    while (!run.finished()) pumpProcesses({&run}, std::chrono::milliseconds(100));
    EXPECT_EQ(run.exitCode(), 0);
    EXPECT_THAT(run.output(), HasSubstr("The dashboard stays at"));
}

}  // namespace
}  // namespace varno::tool
