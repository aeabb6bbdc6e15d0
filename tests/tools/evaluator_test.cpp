// The evaluator protocol: one JSON object in on standard input, the response
// values as the last JSON object of standard output; every way an evaluation
// can fail marks only that design.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "command_evaluator.h"
#include "library.h"
#include "child_process.h"
#include "tool_test_support.h"

namespace varno::tool {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;

const char* const answer = "echo '{\"mass\": 1, \"stress\": 2}'\n";

class CommandEvaluatorTest : public ::testing::Test {
protected:
    CommandEvaluatorTest() {
        model.variables = {{"width", {}}, {"section", {"IPE100", "200", "IPE300"}}};
        model.parameters = {"load"};
        model.responses = {{"mass", BlockKind::objective, "min_value", 0},
                           {"stress", BlockKind::constraint, "less_equal", 250}};
    }
    // Evaluates designs 1..count (width 10 id, section 1, load 2.5), two at
    // once, with a command, or a shell script when `script` is set.
    std::vector<DesignResult> run(std::string command, int count = 2, double timeout = 0.0,
                                  bool script = true) {
        if (script) command = testing::writeScript(folder / "evaluate.sh", "#!/bin/sh\n" + command);
        CommandEvaluator evaluator(model, {command, timeout, 2, folder / "work", folder.path()});
        std::vector<DesignRequest> designs;
        for (int id = 1; id <= count; ++id) designs.push_back({id, "Design", {10.0 * id, 1, 2.5}});
        return evaluator.evaluate(designs);
    }
    // The error of one design evaluated by `script`; "" when it succeeded.
    std::string errorOf(const std::string& script, bool isScript = true) {
        const DesignResult result = run(script, 1, 0.0, isScript).at(0);
        EXPECT_EQ(result.failed, !result.error.empty());
        return result.error;
    }
    fs::path design(int id) const { return folder / "work" / "designs" / std::to_string(id); }

    testing::ScratchFolder folder;
    StudyModel model;
};

// Design 2 fails; the others answer.
TEST_F(CommandEvaluatorTest, ReadsTheResponsesOfEachDesignInStudyOrder) {
    const std::vector<DesignResult> results = run(R"(exec python3 -c '
import json, sys
design = json.load(sys.stdin)
mass = design["variables"]["width"] * design["parameters"]["load"]
print(json.dumps({"stress": design["id"] + 0.5, "mass": mass, "extra": 1}))
sys.exit(design["id"] == 2)
')",
                                                  3);
    ASSERT_EQ(results.size(), 3u);
    EXPECT_TRUE(results[1].failed);
    for (int k : {0, 2}) {
        ASSERT_FALSE(results[k].failed) << results[k].error;
        EXPECT_THAT(results[k].responses, ElementsAre(10.0 * (k + 1) * 2.5, k + 1.5));
    }
    EXPECT_EQ(testing::readText(design(3) / "stdout.txt"),
              "{\"stress\": 3.5, \"mass\": 75.0, \"extra\": 1}\n");
    EXPECT_EQ(nlohmann::json::parse(testing::readText(design(2) / "stdin.json")),
              designInput(model, {2, "Design", {20, 1, 2.5}}));
}

TEST_F(CommandEvaluatorTest, RunsInTheDesignFolderAndKnowsTheStudyFolder) {
    const std::string command =
        "cat > /dev/null; pwd > where.txt; echo \"$VARNO_STUDY_DIR\" >> where.txt";
    EXPECT_EQ(errorOf(command + "; echo '{\"mass\": 1, \"stress\": 2}' | cat"), "");
    EXPECT_EQ(testing::readText(design(1) / "where.txt"),
              fs::canonical(design(1)).string() + "\n" + folder.path().string() + "\n");
}

TEST_F(CommandEvaluatorTest, TakesTheLastJsonObjectOfTheOutput) {
    const std::vector<DesignResult> results =
        run("echo 'starting {'\necho '{\"progress\": 0.5, \"mass\": 9, \"stress\": 9}'\n"
            "echo '{\"mass\": 4, \"stress\": 5}'\necho done\n");
    ASSERT_FALSE(results[0].failed) << results[0].error;
    EXPECT_THAT(results[0].responses, ElementsAre(4, 5));
}

// 50 MB of output before the answer: the runner keeps only the last part,
// says so in the saved output, and still reads the answer.
TEST_F(CommandEvaluatorTest, AFloodOfOutputIsCutToItsTail) {
    const std::vector<DesignResult> results =
        run("head -c 50000000 /dev/zero | tr '\\0' x\necho\n" + std::string(answer), 1);
    ASSERT_FALSE(results[0].failed) << results[0].error;
    EXPECT_THAT(results[0].responses, ElementsAre(1, 2));
    const auto saved = fs::file_size(design(1) / "stdout.txt");
    EXPECT_LE(saved, 2 * keptOutputBytes + 200);
    EXPECT_THAT(testing::readText(design(1) / "stdout.txt").substr(0, 20), HasSubstr("[varno:"));
}

TEST_F(CommandEvaluatorTest, AProcessKilledAfterItsOutputFailsTheDesign) {
    EXPECT_THAT(errorOf(answer + std::string("kill -9 $$\n")), HasSubstr("signal"));
}

// The child started by the evaluator must go too; a killed process ends soon,
// not at once, so its end is awaited for up to five seconds.
TEST_F(CommandEvaluatorTest, ATimeoutKillsTheProcessWithWhatItStarted) {
    for (const DesignResult& result : run("sleep 30 &\necho $! > child.pid\nwait\n", 2, 0.2)) {
        EXPECT_THAT(result.error, HasSubstr("timed out after 0.2 s"));
    }
    const std::string pid = testing::readText(design(1) / "child.pid");
    ASSERT_FALSE(pid.empty());
    const auto running = [&] {
        const std::string stat =
            testing::readText("/proc/" + pid.substr(0, pid.find('\n')) + "/stat");
        return !stat.empty() && stat[stat.rfind(')') + 2] != 'Z';  // a zombie has ended
    };
    for (int tries = 0; tries < 500 && running(); ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_FALSE(running());
}

TEST_F(CommandEvaluatorTest, EveryFaultFailsTheDesignNamingTheCause) {
    EXPECT_THAT(errorOf("seq 1 30 >&2\nexit 3\n"),
                EndsWith("exited with status 3:\n11\n12\n13\n14\n15\n16\n17\n18\n19\n20\n21\n"
                         "22\n23\n24\n25\n26\n27\n28\n29\n30"));
    EXPECT_THAT(errorOf("echo '{\"mass\": NaN, \"stress\": 1}'\n"),
                HasSubstr("the response \"mass\" is NaN, not a finite number"));
    EXPECT_THAT(errorOf("echo '{\"mass\": 1, \"stress\": -Infinity}'\n"),
                HasSubstr("the response \"stress\" is infinite"));
    EXPECT_THAT(errorOf("echo 'mass = 1'\n"), HasSubstr("not a JSON object: mass = 1"));
    EXPECT_THAT(errorOf("echo '{\"mass\": 1}'\n"), HasSubstr("\"stress\" is missing"));
    EXPECT_THAT(errorOf("echo '{\"mass\": 1, \"stress\": \"x\"}'\n"), HasSubstr("not a number"));
    EXPECT_THAT(errorOf("/nonexistent/evaluator --fast", false),
                HasSubstr("cannot start \"/nonexistent/evaluator\""));
}

TEST_F(CommandEvaluatorTest, SplitsCommandsWithQuotesWithoutAShellAndMakesFileArgumentsAbsolute) {
    testing::writeText(folder / "eval.py", "");
    const fs::path& base = folder.path();
    EXPECT_THAT(commandArguments("python3  eval.py --x 1", base),
                ElementsAre("python3", (base / "eval.py").string(), "--x", "1"));
    EXPECT_THAT(commandArguments("./eval.sh x", base),
                ElementsAre((base / "eval.sh").string(), "x"));
    EXPECT_THAT(commandArguments("run \"a b\" 'c \"d' e\\ f g;h eval.py|x", base),
                ElementsAre("run", "a b", "c \"d", "e f", "g;h", "eval.py|x"));
    EXPECT_THAT(commandArguments("'python 3' \"eval.py\"", base),
                ElementsAre("python 3", (base / "eval.py").string()));
    EXPECT_THROW(commandArguments("run 'a", base), RunError);
}

TEST_F(CommandEvaluatorTest, TheInputNamesVariablesItemsAndParameters) {
    EXPECT_EQ(designInput(model, {7, "Design7", {12.5, 1.0, 3.0}}),
              nlohmann::json::parse(R"({"id": 7, "name": "Design7", "parameters": {"load": 3.0},
                                        "variables": {"section": 200.0, "width": 12.5}})"));
    EXPECT_EQ(designInput(model, {8, "D", {1.0, 2.0, 3.0}})["variables"]["section"], "IPE300");
}

}  // namespace
}  // namespace varno::tool
