// `varno run --executor slurm` against a real one-node Slurm cluster, started
// for these tests by tests/tools/slurm/start-cluster.sh and stopped after.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <set>
#include <thread>

#include "child_process.h"
#include "results_store.h"
#include "tool_test_support.h"

namespace varno::tool {
namespace {

using ::testing::HasSubstr;

// Logs each evaluation's design id; design 7 cancels its own job, design 11
// runs past the timeout. The others answer the sphere of the runner tests at
// once, or fail as every seventh design does.
const std::string evaluator = R"(input=$(cat)
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
    testing::ScratchFolder folder;
    testing::writeText(folder / "sphere.study",
                       testing::sphereStudy(40, 3) +
                           "[executor]\npartition: main\ntime: 5\noptions: --comment=varno-test\n"
                           "poll: 0.1\n");
    testing::writeText(folder / "sphere.sh", evaluator);

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
    testing::ScratchFolder folder;
    testing::writeText(folder / "sphere.study",
                       testing::sphereStudy() +
                           "[executor]\npartition: nosuchpartition\npoll: 0.1\n");
    testing::writeText(folder / "sphere.sh", evaluator);
    const testing::Outcome refused =
        testing::runVarno(folder, "run sphere.study --executor slurm --max-failures 2 --quiet");
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_THAT(refused.err, HasSubstr("sbatch refused the job: sbatch: error: invalid partition"));
}

}  // namespace
}  // namespace varno::tool
