// The built-in problems at their known optima, and the studies generated
// for them.
#include <gtest/gtest.h>

#include <cmath>

#include "library.h"
#include "problem_evaluator.h"
#include "problems.h"
#include "study_file.h"

namespace varno::tool {
namespace {

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
    EXPECT_EQ(describe("tension-spring").method, "TRAVOK");
    EXPECT_EQ(describe("tension-spring").budget, 321);
    const StudyModel zdt = describe("zdt1");
    EXPECT_EQ(zdt.method, "MOTRAVOK");
    EXPECT_EQ(zdt.objectives().size(), 2u);
    EXPECT_EQ(zdt.variables.size(), 30u);
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
