// A run stopped by a signal keeps what it finished in results.db, and
// `--resume` continues it to the same end as a run never stopped.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <sstream>
#include <thread>

#include <signal.h>

#include "results_store.h"
#include "tool_test_support.h"

namespace varno::tool {
namespace {

using ::testing::HasSubstr;

// The sphere of the runner tests (every seventh design fails); while the file
// "interrupt" exists, design 37 sends SIGINT to the runner and removes it.
const char* const interruptingEvaluator = R"(input=$(cat)
case "$input" in *'"id":37,'*)
  if [ -f "$VARNO_STUDY_DIR/interrupt" ]; then rm "$VARNO_STUDY_DIR/interrupt"; kill -INT $PPID; fi
esac
echo "$input" | awk '{
  match($0, /"id":[0-9]+/); id = substr($0, RSTART + 5, RLENGTH - 5)
  match($0, /"x":[-0-9.e+]+/); x = substr($0, RSTART + 4, RLENGTH - 4)
  match($0, /"y":[-0-9.e+]+/); y = substr($0, RSTART + 4, RLENGTH - 4)
  if (id % 7 == 0) exit 2
  printf "{\"f\": %.17g, \"s\": %.17g}\n", 1 + (x - 0.3) ^ 2 + (y + 0.2) ^ 2, x + y
}'
)";

// Everything a row holds but the time it took.
std::vector<
    std::tuple<int, int, int, std::vector<double>, std::vector<double>, std::string, int, double>>
rowsOf(const std::filesystem::path& database) {
    std::vector<std::tuple<int, int, int, std::vector<double>, std::vector<double>, std::string,
                           int, double>>
        rows;
    for (const EvaluatedDesign& d : ResultsStore(database).all()) {
        rows.emplace_back(d.id, d.cycle, d.position, d.values, d.responses, d.error, d.status,
                          d.performance);
    }
    return rows;
}

std::string bestLine(const std::string& out) {
    const std::size_t at = out.find("Best feasible design:");
    return at == std::string::npos ? "none" : out.substr(at, out.find('\n', at) - at);
}

TEST(Resume, AnInterruptedRunResumesToTheEndOfAnUninterruptedOne) {
    testing::ScratchFolder folder;
    std::string study = testing::sphereStudy();
    study.replace(study.find("numEvals: 200"), 13, "numEvals: 80");
    testing::writeText(folder / "sphere.study", study);
    testing::writeText(folder / "sphere.sh", interruptingEvaluator);

    testing::writeText(folder / "interrupt", "");
    const testing::Outcome stopped =
        testing::runVarno(folder, "run sphere.study --parallel 3 --workdir part");
    EXPECT_EQ(stopped.exitCode, 130) << stopped.err;
    EXPECT_THAT(stopped.err, HasSubstr("stopped by a signal"));
    const auto partial = rowsOf(folder / "part" / "results.db");
    ASSERT_GE(partial.size(), 30u);
    ASSERT_LT(partial.size(), 80u);
    const std::string csv = testing::readText(folder / "part" / "results.csv");
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), partial.size() + 1)
        << "results.csv is written from the partial results";

    const testing::Outcome wrongParallel =
        testing::runVarno(folder, "run sphere.study --workdir part --resume");
    EXPECT_NE(wrongParallel.exitCode, 0);
    EXPECT_THAT(wrongParallel.err, HasSubstr("the run began with 3 evaluations at once, now 1"));
    testing::writeText(folder / "sphere.study", testing::sphereStudy());
    const testing::Outcome changed =
        testing::runVarno(folder, "run sphere.study --parallel 3 --workdir part --resume");
    EXPECT_NE(changed.exitCode, 0);
    EXPECT_THAT(changed.err, HasSubstr("sphere.study changed since the run began: line 21 was "
                                       "\"numEvals: 80\", is now \"numEvals: 200\""));

    testing::writeText(folder / "sphere.study", study);
    const testing::Outcome resumed =
        testing::runVarno(folder, "run sphere.study --parallel 3 --workdir part --resume");
    ASSERT_EQ(resumed.exitCode, 0) << resumed.err;
    EXPECT_THAT(resumed.out, HasSubstr("Resumed: " + std::to_string(partial.size()) + " designs"));
    const testing::Outcome straight =
        testing::runVarno(folder, "run sphere.study --parallel 3 --workdir straight");
    ASSERT_EQ(straight.exitCode, 0) << straight.err;
    EXPECT_EQ(bestLine(resumed.out), bestLine(straight.out));
    EXPECT_EQ(rowsOf(folder / "part" / "results.db"), rowsOf(folder / "straight" / "results.db"));
}

// The first evaluator records its process id and kills the runner outright:
// the evaluator must not live on as an orphan.
TEST(RunnerKilled, ItsEvaluatorsEndWithIt) {
    testing::ScratchFolder folder;
    testing::writeText(folder / "sphere.study", testing::sphereStudy());
    testing::writeText(folder / "sphere.sh",
                       "echo $$ >> \"$VARNO_STUDY_DIR/evaluators\"\nkill -KILL $PPID\n"
                       "while :; do sleep 1; done\n");
    const testing::Outcome killed = testing::runVarno(folder, "run sphere.study --parallel 2");
    EXPECT_NE(killed.exitCode, 0);
    std::istringstream pids(testing::readText(folder / "evaluators"));
    int pid = 0;
    int checked = 0;
    while (pids >> pid) {
        bool gone = false;
        for (int wait = 0; wait < 50 && !gone; ++wait) {
            gone = ::kill(pid, 0) != 0;
            if (!gone) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        EXPECT_TRUE(gone) << "evaluator " << pid << " outlived the runner";
        if (!gone) ::kill(pid, SIGKILL);
        ++checked;
    }
    EXPECT_GE(checked, 1);
}

}  // namespace
}  // namespace varno::tool
