// The evaluator protocol: one JSON object in on standard input, one JSON
// object of response values out; every way an evaluation can fail marks only
// that design.
#include <gtest/gtest.h>

#include "command_evaluator.h"
#include "tool_test_support.h"

namespace varno::tool {
namespace {

namespace fs = std::filesystem;

StudyModel beamModel() {
    StudyModel model;
    model.variables = {{"width", {}}, {"section", {"IPE100", "200", "IPE300"}}};
    model.parameters = {"load"};
    model.responses = {{"mass", BlockKind::objective, "min_value", 0}, {"stress", BlockKind::constraint, "less_equal", 250}};
    return model;
}

std::vector<DesignRequest> designs(int count) {
    std::vector<DesignRequest> list;
    for (int id = 1; id <= count; ++id) {
        list.push_back({id, "Design" + std::to_string(id), {10.0 * id, 1.0, 2.5}});
    }
    return list;
}

class CommandEvaluatorTest : public ::testing::Test {
protected:
    std::vector<DesignResult> run(const std::string& script, int count = 2, double timeout = 0.0) {
        CommandSettings settings;
        settings.command = testing::writeScript(folder / "evaluate.sh", "#!/bin/sh\n" + script);
        settings.timeoutSeconds = timeout;
        settings.parallel = 2;
        settings.workingDirectory = folder.path();
        CommandEvaluator evaluator(model, settings);
        return evaluator.evaluate(designs(count));
    }

    testing::ScratchFolder folder;
    StudyModel model = beamModel();
};

TEST_F(CommandEvaluatorTest, ReadsTheResponsesOfEachDesign) {
    const std::string script = R"(exec python3 -c '
import json, sys
design = json.load(sys.stdin)
width = design["variables"]["width"]
print(json.dumps({"stress": design["id"] + 0.5, "mass": width * design["parameters"]["load"], "extra": 1}))
')";
    const std::vector<DesignResult> results = run(script, 3);
    ASSERT_EQ(results.size(), 3u);
    for (int k = 0; k < 3; ++k) {
        ASSERT_FALSE(results[k].failed) << results[k].error;
        EXPECT_DOUBLE_EQ(results[k].responses.at(0), 10.0 * (k + 1) * 2.5);
        EXPECT_DOUBLE_EQ(results[k].responses.at(1), k + 1.5);
    }
    EXPECT_TRUE(fs::exists(folder / "designs" / "3" / "stdout.txt"));
    const auto input = nlohmann::json::parse(testing::readText(folder / "designs" / "2" / "stdin.json"));
    EXPECT_EQ(input["name"], "Design2");
}

TEST_F(CommandEvaluatorTest, RunsInTheDesignFolder) {
    const std::vector<DesignResult> results = run("pwd > where.txt\necho '{\"mass\": 1, \"stress\": 2}'\n");
    ASSERT_FALSE(results[1].failed) << results[1].error;
    const std::string where = testing::readText(folder / "designs" / "2" / "where.txt");
    EXPECT_EQ(fs::path(where.substr(0, where.find('\n'))), fs::canonical(folder / "designs" / "2"));
}

TEST_F(CommandEvaluatorTest, ANonZeroExitFailsTheDesign) {
    const std::vector<DesignResult> results = run("echo '{\"mass\": 1, \"stress\": 2}'\necho broken >&2\nexit 3\n");
    ASSERT_TRUE(results[0].failed);
    EXPECT_EQ(results[0].error, "exited with status 3: broken");
}

TEST_F(CommandEvaluatorTest, ATimeoutKillsTheProcessAndFailsTheDesign) {
    // Without the kill the evaluation would wait for the sleeping child.
    const std::vector<DesignResult> results = run("sleep 60 &\nwait\n", 2, 0.2);
    for (const DesignResult& result : results) {
        ASSERT_TRUE(result.failed);
        EXPECT_EQ(result.error, "timed out after 0.2 s");
    }
}

TEST_F(CommandEvaluatorTest, OutputThatIsNotJsonFailsTheDesign) {
    const std::vector<DesignResult> results = run("echo 'mass = 1'\n");
    ASSERT_TRUE(results[0].failed);
    EXPECT_EQ(results[0].error, "the output is not a JSON object: mass = 1");
}

TEST_F(CommandEvaluatorTest, AMissingOrNonNumericResponseFailsTheDesign) {
    const std::vector<DesignResult> missing = run("echo '{\"mass\": 1}'\n");
    ASSERT_TRUE(missing[0].failed);
    EXPECT_EQ(missing[0].error, "the response \"stress\" is missing");
    const std::vector<DesignResult> text = run("echo '{\"mass\": 1, \"stress\": \"high\"}'\n");
    ASSERT_TRUE(text[0].failed);
    EXPECT_EQ(text[0].error, "the response \"stress\" is not a number");
}

TEST_F(CommandEvaluatorTest, OnlyTheFailingDesignsFail) {
    const std::vector<DesignResult> results =
        run("if grep -q '\"id\":2' ; then exit 1; fi\necho '{\"mass\": 1, \"stress\": 2}'\n", 3);
    EXPECT_FALSE(results[0].failed);
    EXPECT_TRUE(results[1].failed);
    EXPECT_FALSE(results[2].failed);
}

TEST(CommandEvaluator, AProgramThatCannotStartFailsTheDesign) {
    testing::ScratchFolder folder;
    const StudyModel model = beamModel();
    CommandEvaluator evaluator(model, {"/nonexistent/evaluator --fast", 0.0, 1, folder.path()});
    const std::vector<DesignResult> results = evaluator.evaluate(designs(1));
    ASSERT_TRUE(results[0].failed);
    EXPECT_EQ(results[0].error.rfind("cannot start \"/nonexistent/evaluator\"", 0), 0u) << results[0].error;
}

TEST(CommandEvaluator, ShellCommandsRunThroughTheShell) {
    testing::ScratchFolder folder;
    const StudyModel model = beamModel();
    CommandEvaluator evaluator(model, {"cat > /dev/null; echo '{\"mass\": 4, \"stress\": 5}' | cat", 0.0, 1,
                                       folder.path()});
    const std::vector<DesignResult> results = evaluator.evaluate(designs(1));
    ASSERT_FALSE(results[0].failed) << results[0].error;
    EXPECT_EQ(results[0].responses, (std::vector<double>{4, 5}));
}

TEST(CommandEvaluator, SplitsPlainCommandsAndHandsOthersToTheShell) {
    testing::ScratchFolder base;
    testing::writeText(base / "eval.py", "");
    EXPECT_EQ(commandArguments("python3  eval.py --x 1", base.path()),
              (std::vector<std::string>{"python3", (base / "eval.py").string(), "--x", "1"}))
        << "an argument naming a file of the base folder becomes absolute";
    EXPECT_EQ(commandArguments("a | b", base.path()), (std::vector<std::string>{"/bin/sh", "-c", "a | b"}));
    EXPECT_EQ(commandArguments("run \"two words\"", base.path()),
              (std::vector<std::string>{"/bin/sh", "-c", "run \"two words\""}));
    const std::vector<std::string> relative = commandArguments("./eval.sh fast", base.path());
    EXPECT_EQ(relative[0], (base / "eval.sh").string());
    EXPECT_EQ(relative[1], "fast");
}

TEST(CommandEvaluator, ShellCommandsKnowTheStudyFolder) {
    testing::ScratchFolder folder;
    const StudyModel model = beamModel();
    CommandSettings settings{"cat > /dev/null; echo \"{\\\"mass\\\": $(cat \"$VARNO_STUDY_DIR/mass.txt\"), \\\"stress\\\": 1}\"",
                             0.0, 1, folder.path(), folder.path()};
    testing::writeText(folder / "mass.txt", "42");
    CommandEvaluator evaluator(model, settings);
    const std::vector<DesignResult> results = evaluator.evaluate(designs(1));
    ASSERT_FALSE(results[0].failed) << results[0].error;
    EXPECT_EQ(results[0].responses, (std::vector<double>{42, 1}));
}

TEST(CommandEvaluator, TheInputNamesVariablesItemsAndParameters) {
    const nlohmann::json input = designInput(beamModel(), {7, "Design7", {12.5, 1.0, 3.0}});
    EXPECT_EQ(input["id"], 7);
    EXPECT_EQ(input["name"], "Design7");
    EXPECT_EQ(input["variables"]["width"], 12.5);
    EXPECT_EQ(input["variables"]["section"], 200.0) << "a numeric item is a number";
    EXPECT_EQ(input["parameters"]["load"], 3.0);
    EXPECT_EQ(designInput(beamModel(), {8, "Design8", {1.0, 2.0, 3.0}})["variables"]["section"], "IPE300");
}

TEST(CommandEvaluator, OutputMayCarryChatterBeforeTheResult) {
    const StudyModel model = beamModel();
    const DesignResult result = readEvaluatorOutput("starting {\ndone\n{\"mass\": 2, \"stress\": 3}\n", model.responses);
    ASSERT_FALSE(result.failed) << result.error;
    EXPECT_EQ(result.responses, (std::vector<double>{2, 3}));
}

}  // namespace
}  // namespace varno::tool
