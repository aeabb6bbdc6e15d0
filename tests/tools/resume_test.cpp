// A run stopped by a signal keeps what it finished in results.db, and
// `--resume` continues it to the same end as a run never stopped; no
// evaluator outlives the runner.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <future>

#include "results_store.h"
#include "tool_test_support.h"

namespace varno::tool {
namespace {

using testing::endsSoon;
using ::testing::HasSubstr;
using testing::numbersIn;

// Every row of a results database, without the times the evaluations took.
std::vector<EvaluatedDesign> rowsOf(const std::filesystem::path& database) {
    std::vector<EvaluatedDesign> rows = ResultsStore(database).all();
    for (EvaluatedDesign& row : rows) row.seconds = row.queueSeconds = 0.0;
    return rows;
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
    const std::vector<int> evaluators = numbersIn(folder / "evaluators");
    EXPECT_GE(evaluators.size(), 1u);
    for (const int pid : evaluators) EXPECT_TRUE(endsSoon(pid)) << "evaluator " << pid;
}

// A run of 40 designs, three at a time, stopped from outside. The first nine
// evaluators answer, leaving a sleeper behind; while the file "hang" exists,
// the later ones start a sleeper and wait for it.
class HangingRun : public ::testing::Test {
protected:
    void SetUp() override {
        testing::writeText(folder / "sphere.study", testing::sphereStudy(40, 600));
        testing::writeText(folder / "sphere.sh", R"sh(input=$(cat)
dir=$VARNO_STUDY_DIR
echo $$ >> "$dir/started"
if [ -f "$dir/hang" ] && [ "$(wc -l < "$dir/started")" -gt 9 ]; then
  echo $PPID > "$dir/runner"
  sleep 300 & echo $$ $! >> "$dir/hanging"
  wait
fi
sleep 300 & echo $! >> "$dir/left"
echo $$ >> "$dir/answered"
echo "$input" | )sh" + testing::sphereAnswer);
        testing::writeText(folder / "hang", "");
    }

    // Starts the run and returns once every evaluator started either hangs
    // or has answered and been reaped by the runner, and at least one hangs;
    // `answered` holds the process ids of those that answered.
    void startUntilHanging() {
        running = std::async(std::launch::async, [this] {
            return testing::runVarno(folder, "run sphere.study --parallel 3 --workdir out");
        });
        const auto patience = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        for (;;) {
            answered = numbersIn(folder / "answered");
            const bool reaped = std::all_of(answered.begin(), answered.end(),
                                            [](int pid) { return ::kill(pid, 0) != 0; });
            const std::size_t hangingNow = numbersIn(folder / "hanging").size() / 2;
            if (reaped && hangingNow > 0 &&
                numbersIn(folder / "started").size() == answered.size() + hangingNow) {
                break;
            }
            ASSERT_LT(std::chrono::steady_clock::now(), patience) << "the evaluators never hung";
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        const std::vector<int> pids = numbersIn(folder / "runner");
        ASSERT_EQ(pids.size(), 1u);
        runner = pids[0];
    }

    // The outcome of the run, which must end within 30 s (else it is killed).
    testing::Outcome stopped() {
        const bool atOnce = running.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
        if (!atOnce) ::kill(runner, SIGKILL);
        EXPECT_TRUE(atOnce) << "the runner did not stop";
        return running.get();
    }

    // Every evaluator that hung and its sleeper have ended.
    void expectNoHangingProcess() {
        const std::vector<int> hanging = numbersIn(folder / "hanging");
        EXPECT_GE(hanging.size(), 2u) << "an evaluator and its sleeper";
        for (const int pid : hanging) EXPECT_TRUE(endsSoon(pid)) << "process " << pid;
    }

    testing::ScratchFolder folder;
    std::future<testing::Outcome> running;
    std::vector<int> answered;
    int runner = 0;
};

// SIGINT or SIGTERM while evaluators hang: the runner stops at once, keeps
// every design that had finished and leaves no evaluator or process started
// by one behind. --resume refuses another parallelism or a changed study,
// evaluates only the rest and ends with the designs, statuses and
// performances of a run never stopped.
class RunnerStopped : public HangingRun, public ::testing::WithParamInterface<int> {};

TEST_P(RunnerStopped, KeepsWhatFinishedLeavesNoProcessAndResumesToTheSameEnd) {
    const int signal = GetParam();
    ASSERT_NO_FATAL_FAILURE(startUntilHanging());
    ASSERT_EQ(::kill(runner, signal), 0);
    const testing::Outcome outcome = stopped();
    EXPECT_EQ(outcome.exitCode, 128 + signal) << outcome.err;
    EXPECT_THAT(outcome.err, HasSubstr("stopped by a signal"));
    const std::size_t finished = rowsOf(folder / "out" / "results.db").size();
    EXPECT_EQ(finished, answered.size()) << "the designs that answered, no more, no fewer";
    EXPECT_EQ(testing::csvRows(folder / "out" / "results.csv").size(), finished + 1);
    expectNoHangingProcess();

    std::filesystem::remove(folder / "hang");
    const std::string resume = "run sphere.study --parallel 3 --workdir out --resume";
    EXPECT_THAT(testing::runVarno(folder, "run sphere.study --workdir out --resume").err,
                HasSubstr("the run began with 3 evaluations at once, now 1"));
    testing::writeText(folder / "sphere.study", testing::sphereStudy(200, 600));
    EXPECT_THAT(testing::runVarno(folder, resume).err,
                HasSubstr("sphere.study changed since the run began: line 21 was "
                          "\"numEvals: 40\", is now \"numEvals: 200\""));
    testing::writeText(folder / "sphere.study", testing::sphereStudy(40, 600));
    const std::size_t startedBefore = numbersIn(folder / "started").size();
    const testing::Outcome resumed = testing::runVarno(folder, resume);
    ASSERT_EQ(resumed.exitCode, 0) << resumed.err;
    EXPECT_THAT(resumed.out, HasSubstr("Resumed: " + std::to_string(finished) + " designs"));
    const std::vector<EvaluatedDesign> all = rowsOf(folder / "out" / "results.db");
    EXPECT_EQ(numbersIn(folder / "started").size() - startedBefore, all.size() - finished)
        << "only the designs not finished before are evaluated again";

    const testing::Outcome straight =
        testing::runVarno(folder, "run sphere.study --parallel 3 --workdir straight");
    ASSERT_EQ(straight.exitCode, 0) << straight.err;
    EXPECT_EQ(all, rowsOf(folder / "straight" / "results.db"));
    for (const int pid : numbersIn(folder / "left")) {
        EXPECT_TRUE(endsSoon(pid)) << "process " << pid << " left by an evaluator that answered";
    }
}

INSTANTIATE_TEST_SUITE_P(BySignal, RunnerStopped, ::testing::Values(SIGINT, SIGTERM),
                         [](const auto& info) {
                             return info.param == SIGINT ? "Sigint" : "Sigterm";
                         });

// A second SIGINT before the runner has ended its evaluators ends it at once,
// and the evaluators' processes with it; the database keeps what finished.
TEST_F(HangingRun, ASecondSignalEndsTheRunnerAndEveryEvaluatorProcess) {
    ASSERT_NO_FATAL_FAILURE(startUntilHanging());
    ASSERT_EQ(::kill(runner, SIGINT), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ::kill(runner, SIGINT);
    const testing::Outcome outcome = stopped();
    EXPECT_EQ(outcome.exitCode, 128 + SIGINT) << outcome.err;
    EXPECT_EQ(rowsOf(folder / "out" / "results.db").size(), answered.size());
    expectNoHangingProcess();
}

}  // namespace
}  // namespace varno::tool
