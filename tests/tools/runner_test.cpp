// End-to-end runs of the `varno` executable: a small TRAVOK study with an
// external evaluator, a built-in problem, and runs that must fail.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tool_test_support.h"

namespace varno::tool {
namespace {

namespace fs = std::filesystem;

struct Outcome {
    int exitCode = -1;
    std::string out, err;
};

Outcome runVarno(const testing::ScratchFolder& folder, const std::string& arguments) {
    const std::string command = "cd \"" + folder.path().string() + "\" && \"" VARNO_TOOL_PATH "\" " + arguments +
                                " > stdout.txt 2> stderr.txt";
    const int status = std::system(command.c_str());
    Outcome outcome;
    outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    outcome.out = testing::readText(folder / "stdout.txt");
    outcome.err = testing::readText(folder / "stderr.txt");
    return outcome;
}

long lineCount(const fs::path& path) {
    const std::string text = testing::readText(path);
    return std::count(text.begin(), text.end(), '\n');
}

void expectSvgFile(const fs::path& path) {
    ASSERT_TRUE(fs::exists(path)) << path;
    const std::string svg = testing::readText(path);
    EXPECT_EQ(svg.rfind("<svg xmlns=\"http://www.w3.org/2000/svg\"", 0), 0u) << path;
    EXPECT_EQ(svg.substr(svg.size() - 7), "</svg>\n") << path;
}

// Two variables, a shifted sphere (minimum 1 at x = 0.3, y = -0.2) and a
// constraint x + y <= 1; every seventh design fails.
const char* const sphereStudy = R"(# A small TRAVOK study with an external evaluator
[study sphere]
type: optimization

[parameter x]
type: Continuous
id: 1
min: -2
baseline: 1.5
max: 2
[parameter y]
type: Continuous
id: 2
min: -2
baseline: 1.5
max: 2
[response f]
type: API
[response s]
type: API

[method search]
method: TRAVOK
numEvals: 200

[variable x]
type: Continuous
id: 1
resolution: 401
distribution: NONE
[variable y]
type: Continuous
id: 2
resolution: 401
distribution: NONE

[objective f]
factor: 1
option: min_value
target: 0
quadWt: 0
linearWt: 1
acceptMin: -1e300
acceptMax: 1e300
[constraint s]
factor: 1
option: less_equal
target: 1
quadWt: 10
linearWt: 0
acceptMin: -1e300
acceptMax: 1e300

[evaluator]
command: sh sphere.sh
timeout: 20
)";

// Reads {"id":7,...,"variables":{"x":..,"y":..}} and answers f and s.
const char* const sphereEvaluator = R"(exec awk '{
  match($0, /"id":[0-9]+/); id = substr($0, RSTART + 5, RLENGTH - 5)
  match($0, /"x":[-0-9.e+]+/); x = substr($0, RSTART + 4, RLENGTH - 4)
  match($0, /"y":[-0-9.e+]+/); y = substr($0, RSTART + 4, RLENGTH - 4)
  if (id % 7 == 0) exit 2
  printf "{\"f\": %.17g, \"s\": %.17g}\n", 1 + (x - 0.3) ^ 2 + (y + 0.2) ^ 2, x + y
}'
)";

TEST(Runner, RunsASmallTravokStudyWithAnExternalEvaluator) {
    testing::ScratchFolder folder;
    testing::writeText(folder / "sphere.study", sphereStudy);
    testing::writeText(folder / "sphere.sh", sphereEvaluator);
    const Outcome outcome = runVarno(folder, "run sphere.study --parallel 4 --workdir results");
    // The first design is the baseline (1.5, 1.5): f = 1 + 1.2^2 + 1.7^2, infeasible (s = 3 > 1).
    EXPECT_NE(testing::readText(folder / "results" / "results.csv").find("\n1,infeasible,"), std::string::npos);
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(lineCount(folder / "results" / "results.csv"), 201) << "a header and 200 designs";
    expectSvgFile(folder / "results" / "progress.svg");
    EXPECT_FALSE(fs::exists(folder / "results" / "pareto.svg")) << "one objective: no Pareto plot";
    EXPECT_TRUE(fs::exists(folder / "results" / "designs" / "200" / "stdin.json"));
    EXPECT_NE(outcome.out.find("Best design: Design"), std::string::npos) << outcome.out;
    EXPECT_NE(outcome.err.find("Design7 failed: exited with status 2"), std::string::npos) << outcome.err;
    EXPECT_NE(outcome.err.find("evaluations 200/200"), std::string::npos) << outcome.err;
    const std::string csv = testing::readText(folder / "results" / "results.csv");
    EXPECT_NE(csv.find("\n7,error,-1e+99,"), std::string::npos);
    EXPECT_NE(csv.find(",feasible,"), std::string::npos);
}

TEST(Runner, RunsABuiltInProblemWithoutAStudyFile) {
    testing::ScratchFolder folder;
    const Outcome outcome = runVarno(folder, "run --problem tension-spring --budget 200 --quiet");
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(lineCount(folder / "results.csv"), 201);
    expectSvgFile(folder / "progress.svg");
    EXPECT_EQ(outcome.err.find("evaluations"), std::string::npos) << "--quiet: no progress line";
    EXPECT_NE(outcome.out.find("g4"), std::string::npos) << outcome.out;
}

TEST(Runner, ListsTheBuiltInProblemsAndPrintsTheStudyOfOne) {
    testing::ScratchFolder folder;
    const Outcome list = runVarno(folder, "problems");
    ASSERT_EQ(list.exitCode, 0);
    for (const char* name : {"rosenbrock", "welded-beam", "zdt3", "dtlz2"}) {
        EXPECT_NE(list.out.find(name), std::string::npos) << name;
    }
    const Outcome study = runVarno(folder, "problems ackley");
    ASSERT_EQ(study.exitCode, 0);
    EXPECT_NE(study.out.find("[variable x10]"), std::string::npos);
}

TEST(Runner, AFaultyStudyFileFailsNamingTheLine) {
    testing::ScratchFolder folder;
    testing::writeText(folder / "bad.study", "[study s]\ntype: optimization\n[widget w]\n");
    const Outcome outcome = runVarno(folder, "run bad.study --evaluate true");
    EXPECT_NE(outcome.exitCode, 0);
    EXPECT_NE(outcome.err.find("bad.study:3: unknown block kind \"widget\""), std::string::npos) << outcome.err;
}

TEST(Runner, ARefusedDefinitionFailsWithTheLibraryLog) {
    testing::ScratchFolder folder;
    std::string study = sphereStudy;
    study.replace(study.find("baseline: 1.5"), 13, "baseline: 9.5");
    testing::writeText(folder / "bad.study", study);
    const Outcome outcome = runVarno(folder, "run bad.study");
    EXPECT_NE(outcome.exitCode, 0);
    EXPECT_NE(outcome.err.find("bad.study:5: [parameter x] was refused by the library:"), std::string::npos)
        << outcome.err;
    EXPECT_NE(outcome.err.find("The baseline value (9.5)"), std::string::npos) << outcome.err;
}

TEST(Runner, AStudyWithoutEvaluatorIsRefused) {
    testing::ScratchFolder folder;
    std::string study = sphereStudy;
    study.erase(study.find("[evaluator]"));
    testing::writeText(folder / "plain.study", study);
    const Outcome outcome = runVarno(folder, "run plain.study");
    EXPECT_NE(outcome.exitCode, 0);
    EXPECT_NE(outcome.err.find("no evaluator"), std::string::npos) << outcome.err;
}

}  // namespace
}  // namespace varno::tool
