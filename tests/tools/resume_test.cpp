// A run stopped by a signal, or killed outright (also with its designs on a
// Slurm cluster), keeps what it finished in results.db, and `--resume`
// continues it to the same end as a run never stopped; no evaluator outlives
// the runner.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <future>
#include <map>
#include <set>

#include "child_process.h"
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
    const testing::StudyFolder folder(testing::sphereStudy(),
                                      "echo $$ >> \"$VARNO_STUDY_DIR/evaluators\"\n"
                                      "kill -KILL $PPID\nwhile :; do sleep 1; done\n");
    const testing::Outcome killed = testing::runVarno(folder, "run sphere.study --parallel 2");
    EXPECT_NE(killed.exitCode, 0);
    const std::vector<int> evaluators = numbersIn(folder / "evaluators");
    EXPECT_GE(evaluators.size(), 1u);
    for (const int pid : evaluators) EXPECT_TRUE(endsSoon(pid)) << "evaluator " << pid;
}

// A run of 40 designs, three at a time, stopped from outside. The first nine
// evaluators answer, leaving a sleeper behind; while the file "hang" exists,
// the later ones start a sleeper and wait for it.
const std::string hangingEvaluator = R"sh(input=$(cat)
dir=$VARNO_STUDY_DIR
echo $$ >> "$dir/started"
if [ -f "$dir/hang" ] && [ "$(wc -l < "$dir/started")" -gt 9 ]; then
  echo $PPID > "$dir/runner"
  sleep 300 & echo $$ $! >> "$dir/hanging"
  wait
fi
sleep 300 & echo $! >> "$dir/left"
echo $$ >> "$dir/answered"
echo "$input" | )sh" + testing::sphereAnswer;

class HangingRun : public ::testing::Test {
protected:
    void SetUp() override { testing::writeText(folder / "hang", ""); }

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

    testing::StudyFolder folder{testing::sphereStudy(40, 600), hangingEvaluator};
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
    // What the evaluators that answered left behind.
    for (const int pid : numbersIn(folder / "left")) EXPECT_TRUE(endsSoon(pid)) << "left " << pid;
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

// `varno run --executor slurm` against a real one-node Slurm cluster, started
// for these tests by tests/tools/slurm/start-cluster.sh and stopped after: a
// runner killed outright and resumed runs each design once.
// Logs each evaluation's design id; design 7 cancels its own job, design 11
// runs past the timeout. The others answer the sphere of the runner tests at
// once, or fail as every seventh design does.
const std::string slurmEvaluator = R"(input=$(cat)
id=$(echo "$input" | sed 's/.*"id":\([0-9]*\).*/\1/')
echo "$id" >> "$VARNO_STUDY_DIR/ran.log"
[ "$id" = 7 ] && { scancel "$SLURM_JOB_ID"; sleep 30; }
[ "$id" = 11 ] && sleep 60
echo "$input" | )" + testing::sphereAnswer;

class SlurmCluster : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        cluster_ = new testing::ScratchFolder;
        const std::string command = "bash " VARNO_SLURM_SCRIPTS "/start-cluster.sh \"" +
                                    cluster_->path().string() + "/cluster\" > \"" +
                                    cluster_->path().string() + "/start.txt\" 2>&1";
        started_ = std::system(command.c_str()) == 0;
        startLog_ = testing::readText(*cluster_ / "start.txt");
        if (started_) ::setenv("SLURM_CONF", (*cluster_ / "cluster/slurm.conf").c_str(), 1);
    }
    static void TearDownTestSuite() {
        const std::string command = "bash " VARNO_SLURM_SCRIPTS "/stop-cluster.sh \"" +
                                    cluster_->path().string() + "/cluster\"";
        (void)std::system(command.c_str());
        delete cluster_;
    }
    void SetUp() override {
        ASSERT_TRUE(started_) << "the Slurm cluster did not start:\n" << startLog_;
    }

    static inline testing::ScratchFolder* cluster_ = nullptr;
    static inline bool started_ = false;
    static inline std::string startLog_;
};

std::size_t rowCount(const std::filesystem::path& database) {
    if (!std::filesystem::exists(database)) return 0;
    try {
        return ResultsStore(database).all().size();
    } catch (const std::exception&) {
        return 0;  // the runner is creating it
    }
}

TEST_F(SlurmCluster, FortyDesignsRunOnceThroughAKilledAndResumedRunner) {
    const testing::StudyFolder folder(testing::sphereStudy(40, 3) +
                                          "[executor]\npartition: main\ntime: 5\n"
                                          "options: --comment=varno-test\npoll: 0.1\n",
                                      slurmEvaluator);

    // The runner is killed outright once a dozen designs are in.
    const std::filesystem::path database = folder / "run" / "results.db";
    {
        Process runner({{VARNO_TOOL_PATH, "run", "sphere.study", "--executor", "slurm",
                         "--parallel", "8", "--quiet", "--workdir", "run"},
                        folder.path().string(),
                        "",
                        {}});
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (rowCount(database) < 12 && !runner.finished() &&
               std::chrono::steady_clock::now() < giveUp) {
            pumpProcesses({&runner}, std::chrono::milliseconds(100));
        }
        ASSERT_FALSE(runner.finished()) << runner.errors();
        runner.kill();
    }
    const std::size_t before = rowCount(database);
    ASSERT_LT(before, 40u);

    const testing::Outcome resumed =
        testing::runVarno(folder, "run sphere.study --executor slurm --parallel 8 --workdir run "
                                  "--resume --quiet");
    ASSERT_EQ(resumed.exitCode, 0) << resumed.err;
    EXPECT_THAT(resumed.out, HasSubstr("Resumed: " + std::to_string(before) + " designs"));

    std::map<int, int> runs;
    for (const int id : testing::numbersIn(folder / "ran.log")) ++runs[id];
    const std::vector<EvaluatedDesign> designs = ResultsStore(database).all();
    ASSERT_EQ(designs.size(), 40u);
    std::set<std::string> jobIds;
    for (const EvaluatedDesign& design : designs) {
        EXPECT_EQ(runs[design.id], 1) << "design " << design.id;
        const std::optional<SubmittedJob> job = ResultsStore(database).job(design.id);
        ASSERT_TRUE(job) << "design " << design.id;
        jobIds.insert(job->jobId);
        if (design.id == 7) {
            EXPECT_THAT(design.error, HasSubstr("ended CANCELLED"));
        } else if (design.id == 11) {
            EXPECT_THAT(design.error, HasSubstr("timed out after 3 s"));
        } else if (design.id % 7 == 0) {
            EXPECT_THAT(design.error, HasSubstr("exited with status 2"));
        } else {
            EXPECT_EQ(design.error, "") << "design " << design.id;
            EXPECT_GT(design.queueSeconds, 0.0) << "design " << design.id;
            EXPECT_DOUBLE_EQ(design.responses.at(1), design.values[0] + design.values[1]);
        }
    }
    EXPECT_EQ(jobIds.size(), 40u);
    EXPECT_EQ(runs.size(), 40u);
}

TEST_F(SlurmCluster, ARefusedSubmissionFailsTheDesignWithSbatchsReason) {
    const testing::StudyFolder folder(testing::sphereStudy() +
                                          "[executor]\npartition: nosuchpartition\npoll: 0.1\n",
                                      slurmEvaluator);
    const testing::Outcome refused =
        testing::runVarno(folder, "run sphere.study --executor slurm --max-failures 2 --quiet");
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_THAT(refused.err, HasSubstr("sbatch refused the job: sbatch: error: invalid partition"));
}

}  // namespace
}  // namespace varno::tool
