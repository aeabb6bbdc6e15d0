// The evaluator protocol: one JSON object in on standard input, the response
// values as the last JSON object of standard output; every way an evaluation
// can fail marks only that design; N evaluations run at once, never more,
// and each result reaches its own design whatever order they finish in.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "command_evaluator.h"
#include "library.h"
#include "tool_test_support.h"

namespace varno::tool {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;

class CommandEvaluatorTest : public ::testing::Test {
protected:
    CommandEvaluatorTest() {
        model.variables = {{"width", {}}, {"section", {"IPE100", "200", "IPE300"}}};
        model.parameters = {"load"};
        model.responses = {{"mass", BlockKind::objective, "min_value", 0},
                           {"stress", BlockKind::constraint, "less_equal", 250}};
    }
    // Evaluates designs 1..count (width 10 id, section 1, load 2.5), `parallel`
    // at once, with a shell script.
    std::vector<DesignResult> run(const std::string& script, int count = 2, double timeout = 0.0,
                                  int parallel = 2) {
        testing::writeText(folder / "evaluate.sh", script);
        CommandEvaluator evaluator(
            model, {"sh evaluate.sh", timeout, parallel, folder / "work", folder.path()});
        std::vector<DesignRequest> designs;
        for (int id = 1; id <= count; ++id) designs.push_back({id, "Design", {10.0 * id, 1, 2.5}});
        return evaluator.evaluate(designs);
    }
    // The error of one design evaluated by `script`; "" when it succeeded.
    std::string errorOf(const std::string& script) {
        const DesignResult result = run(script, 1).at(0);
        EXPECT_EQ(result.failed, !result.error.empty());
        return result.error;
    }
    // Runs `count` designs, `parallel` at once; each child appends "start <id>"
    // and "end <id>" to one shared log around `body` (appends are atomic, so
    // the log holds the true order of the events) and answers mass = 10 id.
    std::vector<double> runLogged(int count, int parallel, const std::string& body) {
        const std::string script = R"(id=$(sed 's/.*"id":\([0-9]*\).*/\1/')
log=$VARNO_STUDY_DIR/events.log
echo "start $id" >> $log
)" + body + R"(
echo "end $id" >> $log
echo "{\"mass\": ${id}0, \"stress\": 0}")";
        std::vector<double> masses;
        for (const DesignResult& result : run(script, count, 0.0, parallel)) {
            masses.push_back(result.failed ? 0.0 : result.responses.at(0));
        }
        return masses;
    }
    std::vector<std::string> events() const {
        std::vector<std::string> lines;
        for (const auto& row : testing::csvRows(folder / "events.log")) lines.push_back(row.at(0));
        return lines;
    }
    fs::path design(int id) const { return folder / "work" / "designs" / std::to_string(id); }

    testing::ScratchFolder folder;
    StudyModel model;
};

// Design 2 fails; the others answer, in the design folder, knowing the study's.
TEST_F(CommandEvaluatorTest, ReadsTheResponsesOfEachDesignInStudyOrder) {
    const std::vector<DesignResult> results =
        run(R"(pwd > where.txt; echo "$VARNO_STUDY_DIR" >> where.txt
exec python3 -c '
import json, sys
design = json.load(sys.stdin)
mass = design["variables"]["width"] * design["parameters"]["load"]
print(json.dumps({"stress": design["id"] + 0.5, "mass": mass, "extra": 1}))
sys.exit(design["id"] == 2)
')",
            3);
    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(std::vector({results[0].failed, results[1].failed, results[2].failed}),
              std::vector({false, true, false}));
    EXPECT_THAT(results[0].responses, ElementsAre(25, 1.5));
    EXPECT_THAT(results[2].responses, ElementsAre(75, 3.5));
    EXPECT_EQ(testing::readText(design(3) / "stdout.txt"),
              "{\"stress\": 3.5, \"mass\": 75.0, \"extra\": 1}\n");
    EXPECT_EQ(nlohmann::json::parse(testing::readText(design(2) / "stdin.json")),
              designInput(model, {2, "Design", {20, 1, 2.5}}));
    EXPECT_EQ(testing::readText(design(1) / "where.txt"),
              fs::canonical(design(1)).string() + "\n" + folder.path().string() + "\n");
}

TEST_F(CommandEvaluatorTest, TakesTheLastJsonObjectOfTheOutput) {
    EXPECT_THAT(run("echo 'starting {'\necho '{\"progress\": 0.5, \"mass\": 9, \"stress\": 9}'\n"
                    "echo '{\"mass\": 4, \"stress\": 5}'\necho done\n")[0]
                    .responses,
                ElementsAre(4, 5));
}

// The child started by the evaluator must go too.
TEST_F(CommandEvaluatorTest, ATimeoutKillsTheProcessWithWhatItStarted) {
    for (const DesignResult& result : run("sleep 30 &\necho $! > child.pid\nwait\n", 2, 0.2)) {
        EXPECT_THAT(result.error, HasSubstr("timed out after 0.2 s"));
    }
    const std::vector<int> child = testing::numbersIn(design(1) / "child.pid");
    ASSERT_EQ(child.size(), 1u);
    EXPECT_TRUE(testing::endsSoon(child[0]));
}

TEST_F(CommandEvaluatorTest, EveryFaultFailsTheDesignNamingTheCause) {
    EXPECT_THAT(errorOf("echo '{\"mass\": 1, \"stress\": 2}'\nkill -9 $$\n"), HasSubstr("signal"));
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
    CommandEvaluator missing(model, {"/nonexistent/evaluator --fast", 0.0, 1, folder.path()});
    EXPECT_THAT(missing.evaluate({{1, "Design", {1, 1, 1}}}).at(0).error,
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
    EXPECT_THROW(commandArguments("run 'a", base), RunError);
}

TEST_F(CommandEvaluatorTest, TheInputNamesVariablesItemsAndParameters) {
    EXPECT_EQ(designInput(model, {7, "Design7", {12.5, 1.0, 3.0}}),
              nlohmann::json::parse(R"({"id": 7, "name": "Design7", "parameters": {"load": 3.0},
                                        "variables": {"section": 200.0, "width": 12.5}})"));
    EXPECT_EQ(designInput(model, {8, "D", {1.0, 2.0, 3.0}})["variables"]["section"], "IPE300");
}

TEST_F(CommandEvaluatorTest, NeverRunsMoreThanNAtOnce) {
    EXPECT_THAT(runLogged(5, 2, "sleep 0.1"), ElementsAre(10, 20, 30, 40, 50));
    int running = 0, most = 0;
    for (const std::string& event : events()) {
        running += event.rfind("start", 0) == 0 ? 1 : -1;
        most = std::max(most, running);
    }
    EXPECT_EQ(most, 2);
    EXPECT_EQ(events().size(), 10u);
}

// Each child waits until all three have started and the next one has ended,
// so they must run together and end in reverse order (or give up after ten
// seconds and fail).
TEST_F(CommandEvaluatorTest, NRunTogetherAndResultsReachTheirDesignWhateverOrderTheyEndIn) {
    const std::string waitForOthers = R"sh(tries=0
until [ "$(grep -c start $log)" -eq 3 ] && { [ "$id" -eq 3 ] || grep -q "end $((id + 1))" $log; }; do
  tries=$((tries + 1)); [ $tries -gt 500 ] && exit 1; sleep 0.02
done)sh";
    EXPECT_THAT(runLogged(3, 3, waitForOthers), ElementsAre(10, 20, 30));
    std::vector<std::string> ends = events();
    std::erase_if(ends, [](const std::string& event) { return event.rfind("end", 0) != 0; });
    EXPECT_THAT(ends, ElementsAre("end 3", "end 2", "end 1"));
}

}  // namespace
}  // namespace varno::tool
