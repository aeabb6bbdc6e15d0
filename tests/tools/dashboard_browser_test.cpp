// `varno run --serve` watched in a real headless Chromium: the page shows the
// designs of the results database while the run goes on, and follows it
// without a reload.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <thread>

#include "headless_browser.h"
#include "results_store.h"
#include "tool_test_support.h"

namespace varno::tool {
namespace {

using ::testing::HasSubstr;

// The sphere of the runner tests (every seventh design fails); designs after
// the twelfth wait until the file "more" exists in the study folder.
const std::string gatedEvaluator = R"(input=$(cat)
id=$(echo "$input" | sed 's/.*"id":\([0-9]*\).*/\1/')
tries=0
while [ "$id" -gt 12 ] && [ ! -e "$VARNO_STUDY_DIR/more" ] && [ $tries -lt 600 ]; do
  sleep 0.05; tries=$((tries + 1))
done
echo "$input" | )" + testing::sphereAnswer;

// The runner in the background, stopped by SIGINT; killed if a check fails first.
class BackgroundRun {
public:
    BackgroundRun(const testing::ScratchFolder& folder, const std::string& arguments) {
        pid_ = fork();
        if (pid_ == 0) {
            const std::string command = "cd \"" + folder.path().string() + "\" && exec \"" +
                                        VARNO_TOOL_PATH "\" " + arguments +
                                        " > stdout.txt 2> stderr.txt";
            execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    ~BackgroundRun() {
        if (pid_ > 0) kill(pid_, SIGKILL), waitpid(pid_, nullptr, 0);
    }
    int interrupt() {
        int status = 0;
        kill(pid_, SIGINT);
        waitpid(std::exchange(pid_, -1), &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = -1;
};

// The address the run prints once its dashboard listens.
std::string dashboardAddress(const testing::ScratchFolder& folder) {
    const std::regex line("Dashboard at (http://[^ \n]+)");
    for (int tries = 0; tries < 300; ++tries) {
        std::smatch found;
        const std::string err = testing::readText(folder / "stderr.txt");
        if (std::regex_search(err, found, line)) return found[1];
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
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
    testing::ScratchFolder folder;
    std::string study = testing::sphereStudy();
    study.replace(study.find("numEvals: 200"), 13, "numEvals: 40");
    testing::writeText(folder / "sphere.study", study);
    testing::writeText(folder / "sphere.sh", gatedEvaluator);
    BackgroundRun run(folder, "run sphere.study --serve 0 --quiet --workdir w");
    const std::string address = dashboardAddress(folder);
    ASSERT_THAT(address, HasSubstr("http://127.0.0.1:"))
        << testing::readText(folder / "stderr.txt");

    std::unique_ptr<testing::HeadlessBrowser> browser;
    try {
        browser =
            std::make_unique<testing::HeadlessBrowser>(folder / "profile", folder / "chromium.log");
        browser->open(address);
    } catch (const std::exception& error) {
        FAIL() << "headless Chromium did not start: " << error.what();
    }
    const std::string count = "document.getElementById('design-count').textContent";
    const std::string best = "Number(document.getElementById('best-value').dataset.value)";
    const std::string rows = "document.querySelectorAll('#designs tbody tr').length";
    // Twelve designs, then the run waits for "more".
    ASSERT_TRUE(browser->waitFor(count + " === '12'", 30)) << browser->evaluate(count);
    const std::filesystem::path database = folder / "w" / "results.db";
    EXPECT_EQ(browser->evaluate(best).get<double>(), bestFeasibleInDatabase(database));
    EXPECT_EQ(browser->evaluate(rows), 12);
    EXPECT_EQ(browser->evaluate("document.querySelectorAll('#failures tr').length"), 1)
        << "design 7 failed";
    browser->screenshot(VARNO_SCREENSHOT_DIR "/dashboard-running.png");
    browser->evaluate("window.sameDocument = true");

    testing::writeText(folder / "more", "");
    ASSERT_TRUE(browser->waitFor(count + " === '40'", 30)) << browser->evaluate(count);
    EXPECT_EQ(browser->evaluate("window.sameDocument"), true) << "the page was reloaded";
    EXPECT_EQ(browser->evaluate(best).get<double>(), bestFeasibleInDatabase(database));
    EXPECT_EQ(browser->evaluate(rows), 40);
    browser->screenshot(VARNO_SCREENSHOT_DIR "/dashboard-complete.png");
    EXPECT_EQ(run.interrupt(), 0);
    EXPECT_THAT(testing::readText(folder / "stdout.txt"), HasSubstr("The dashboard stays at"));
}

}  // namespace
}  // namespace varno::tool
