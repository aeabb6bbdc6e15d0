// End-to-end runs of the `varno` executable with a shell evaluator (a whole
// TRAVOK study is run by PlatformRun): a designed experiment, built-in
// problems, and runs that must fail; the built-in problems at their known optima, and the studies
// generated for them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <tuple>

#include "library.h"
#include "problem_evaluator.h"
#include "problems.h"
#include "study_file.h"
#include "tool_test_support.h"

namespace varno::tool {
namespace {

namespace fs = std::filesystem;
using ::testing::_;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

// A 2 x 2 full factorial over x in {-1, 2} and y in {0.5, 1.5}: the evaluator
// answers the sphere f, different at each run, so each row of the array can be
// matched to its result.
TEST(Runner, ADoeStudyWritesItsArrayWithTheDesignOfEveryRun) {
    const testing::StudyFolder folder(testing::doeStudy(), "exec " + testing::sphereAnswer);
    const testing::Outcome outcome = testing::runVarno(folder, "run sphere.study --workdir out");
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_THAT(outcome.out, HasSubstr("doe_array.csv"));
    const auto array = testing::csvRows(folder / "out" / "doe_array.csv");
    const auto results = testing::csvRows(folder / "out" / "results.csv");
    ASSERT_EQ(array.size(), 5u) << "a header and the four runs";
    EXPECT_THAT(array[0], ElementsAre("run", "design", "x", "y"));
    std::map<std::string, double> responseOf;
    for (std::size_t k = 1; k < results.size(); ++k) {
        responseOf["Design" + results[k][0]] = std::stod(results[k][5]);
    }
    // Standard order: x changes on every run, y every second run.
    for (std::size_t run = 1; run <= 4; ++run) {
        const auto& row = array[run];
        EXPECT_THAT(row, ElementsAre(std::to_string(run), _, run % 2 ? "-1" : "2",
                                     run <= 2 ? "0.5" : "1.5"));
        ASSERT_EQ(responseOf.count(row[1]), 1u) << row[1] << " is not in results.csv";
        const double x = std::stod(row[2]) - 0.3, y = std::stod(row[3]) + 0.2;
        EXPECT_DOUBLE_EQ(responseOf[row[1]], 1 + x * x + y * y);
    }
}

TEST(Runner, ListsAndRunsTheBuiltInProblemsWithoutAStudyFile) {
    testing::ScratchFolder folder;
    const testing::Outcome list = testing::runVarno(folder, "problems");
    EXPECT_EQ(list.exitCode, 0);
    for (const char* name : {"rosenbrock", "welded-beam", "zdt3", "dtlz2"}) {
        EXPECT_THAT(list.out, HasSubstr(name));
    }
    EXPECT_THAT(testing::runVarno(folder, "problems ackley").out, HasSubstr("[variable x10]"));
    EXPECT_NE(testing::runVarno(folder, "problems sphere").exitCode, 0);

    const testing::Outcome outcome =
        testing::runVarno(folder, "run --problem tension-spring --budget 200 --quiet");
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(testing::csvRows(folder / "results.csv").size(), 201u);
    EXPECT_TRUE(fs::exists(folder / "progress.svg"));
    EXPECT_THAT(outcome.err, Not(HasSubstr("evaluations"))) << "--quiet: no progress line";
    EXPECT_THAT(outcome.out, HasSubstr("g4"));
}

TEST(Runner, FaultyRunsFailNamingTheCause) {
    testing::ScratchFolder folder;
    const std::string study = testing::sphereStudy();
    std::string refused = study;
    refused.replace(refused.find("baseline: 1.5"), 13, "baseline: 9.5");
    const struct {
        std::string study, arguments, expected;
    } cases[] = {
        {refused, "", "bad.study:3: [parameter x] was refused by the library:"},
        {refused, "", "The baseline value (9.5)"},
        {study.substr(0, study.find("[evaluator]")), "", "no evaluator"},
        {study, "--evaluate false --quiet",
         "the first 10 designs all failed, so the run stopped. The first failure: Design1: "
         "exited with status 1"},
    };
    for (const auto& fault : cases) {
        testing::writeText(folder / "bad.study", fault.study);
        const testing::Outcome outcome =
            testing::runVarno(folder, "run bad.study " + fault.arguments);
        EXPECT_NE(outcome.exitCode, 0) << fault.expected;
        EXPECT_THAT(outcome.err, HasSubstr(fault.expected));
    }
}

// The built-in problems at their known optima, and the studies generated
// for them.
ProblemValues at(const std::string& name, const std::vector<double>& x) {
    const Problem* problem = findProblem(name);
    EXPECT_NE(problem, nullptr) << name;
    ProblemValues values;
    problem->evaluate(x.data(), values);
    return values;
}

TEST(Problems, AnalyticProblemsReachZeroAtTheirOptimum) {
    for (const char* name : {"rosenbrock", "rastrigin", "ackley"}) {
        const Problem& problem = *findProblem(name);
        EXPECT_NEAR(at(name, problem.bestPoint).objectives.at(0), 0.0, 1e-12) << name;
        std::vector<double> off = problem.bestPoint;
        off[3] += 0.5;
        EXPECT_GT(at(name, off).objectives.at(0), 0.1) << name;
    }
}

TEST(Problems, EngineeringProblemsMeetTheirBestKnownDesigns) {
    for (const char* name : {"pressure-vessel", "welded-beam", "tension-spring"}) {
        const Problem& problem = *findProblem(name);
        const ProblemValues values = at(name, problem.bestPoint);
        EXPECT_NEAR(values.objectives.at(0), problem.bestKnown, 2e-4 * problem.bestKnown) << name;
        ASSERT_EQ(values.constraints.size(), problem.constraintScales.size()) << name;
        for (std::size_t j = 0; j < values.constraints.size(); ++j) {
            EXPECT_LE(values.constraints[j] / problem.constraintScales[j], 1e-3)
                << name << " g" << j + 1;
        }
    }
    // The vessel's thicknesses are whole sixteenths of an inch.
    EXPECT_DOUBLE_EQ(at("pressure-vessel", {0.8125, 0.4375, 42.0984456, 176.6365958}).objectives[0],
                     at("pressure-vessel", {0.8, 0.45, 42.0984456, 176.6365958}).objectives[0]);
}

TEST(Problems, PointsOnTheFrontsFollowTheirShape) {
    const std::vector<double> x = findProblem("zdt1")->bestPoint;
    ASSERT_DOUBLE_EQ(x[0], 0.25);
    const double pi = std::acos(-1.0);
    EXPECT_DOUBLE_EQ(at("zdt1", x).objectives.at(1), 0.5);
    EXPECT_DOUBLE_EQ(at("zdt2", x).objectives.at(1), 1.0 - 0.0625);
    EXPECT_NEAR(at("zdt3", x).objectives.at(1), 0.5 - 0.25 * std::sin(2.5 * pi), 1e-12);
    std::vector<double> behind = x;
    behind[5] = 0.5;
    EXPECT_GT(at("zdt1", behind).objectives.at(1), 0.5) << "off the front is worse";
    // The front of DTLZ2 lies on the unit sphere.
    const ProblemValues values = at("dtlz2", findProblem("dtlz2")->bestPoint);
    ASSERT_EQ(values.objectives.size(), 3u);
    double sum = 0.0;
    for (double f : values.objectives) sum += f * f;
    EXPECT_NEAR(sum, 1.0, 1e-12);
}

TEST(Problems, GeneratedStudiesChooseTheSearchByTheNumberOfObjectives) {
    const auto describe = [](const char* name) {
        return describeStudy(parseStudyText(problemStudyText(*findProblem(name), 321, 0.25), name));
    };
    const StudyModel spring = describe("tension-spring"), zdt = describe("zdt1");
    EXPECT_EQ(std::tie(spring.method, spring.budget), std::tuple("TRAVOK", 321));
    EXPECT_EQ(std::tuple(zdt.method, zdt.objectives().size(), zdt.variables.size()),
              std::tuple("MOTRAVOK", 2u, 30u));
}

TEST(Problems, TheEvaluatorMatchesStudyResponsesByNameAndRejectsAStudyThatDoesNotFit) {
    const Problem& spring = *findProblem("tension-spring");
    StudyModel model;
    model.variables = {{"a", {}}};
    EXPECT_THROW(ProblemEvaluator(spring, model), RunError) << "three variables";
    model.variables = {{"a", {}}, {"b", {}}, {"c", {}}};
    model.responses = {{"cost", BlockKind::objective, "min_value", 0}};
    EXPECT_THROW(ProblemEvaluator(spring, model), RunError) << "no response \"cost\"";
    model.responses = {{"g2", BlockKind::constraint, "less_equal", 0},
                       {"f", BlockKind::objective, "min_value", 0}};
    const std::vector<DesignResult> results =
        ProblemEvaluator(spring, model).evaluate({{1, "Design1", spring.bestPoint}});
    const std::vector<double> all = spring.responses(spring.bestPoint.data());
    ASSERT_FALSE(results[0].failed);
    EXPECT_EQ(results[0].responses, (std::vector<double>{all[2], all[0]}));
}

}  // namespace
}  // namespace varno::tool
