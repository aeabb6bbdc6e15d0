// Comparing a saved problem with the current one: which changes refuse the
// history and which only warn.
#include <gtest/gtest.h>

#include "output/history_check.h"
#include "test_support.h"

namespace varno::output {
namespace {

HistoryProblem problem() {
    HistoryProblem p;
    p.variables = {{101, 0, 1, 1, -5.0, 5.0, "NONE", "NONE"},
                   {4, 1, 2, 2, 0.0, 3.0, "NONE", "NONE"}};
    p.dependentPrint = {1};
    p.toolIds = {-4, -4};
    p.directions = {0, 1};
    p.valueTypes = {0, 0};
    return p;
}

class HistoryCheck : public testing::WithoutStudy {};

// A changed bound is refused; the study-level history tests show that.
TEST_F(HistoryCheck, AChangedDistributionOrParameterCountOnlyWarns) {
    HistoryProblem current = problem();
    current.variables[1].distributionName = "spread";
    current.parameterPrint.push_back(0);
    EXPECT_TRUE(sameProblem(problem(), current, 0));
    EXPECT_TRUE(
        testing::logMentions("The distribution data applied to one of the variables has been "
                             "modified. Continuing with the run if possible.."));
    EXPECT_TRUE(testing::logMentions("could affect the plotting of the results."));
}

TEST_F(HistoryCheck, ChangedResponsesOrStochasticityRefuseTheHistory) {
    HistoryProblem current = problem();
    current.directions[1] = 2;
    EXPECT_FALSE(sameProblem(problem(), current, 0));
    EXPECT_TRUE(testing::logMentions(
        "The objective/constraint search goal (minimize/maximize or <=/>=) for "
        "response 1 from the history file (1) does not match the direction in "
        "project (2)."));
    current = problem();
    current.toolIds.push_back(-4);
    current.directions.push_back(0);
    current.valueTypes.push_back(0);
    EXPECT_FALSE(sameProblem(problem(), current, 0));
    EXPECT_TRUE(testing::logMentions(
        "The number of responses from the history file(2) is different than the "
        "number in the project(3)."));
    EXPECT_TRUE(testing::logMentions("*HISTORY_CRITERIA_OVERRIDE"));
    current = problem();
    current.stochasticity = 1;
    EXPECT_FALSE(sameProblem(problem(), current, 3));
    EXPECT_TRUE(testing::logMentions(
        "The user has changed the stochasticity of Agent 3 from the previous run. "
        "History cannot be used."));
}

}  // namespace
}  // namespace varno::output
