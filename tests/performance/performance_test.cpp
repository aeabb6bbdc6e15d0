#include "performance/performance.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "frame/message_log.h"
#include "test_support.h"

namespace varno::performance {
namespace {

using model::kindConstraint;
using model::kindObjective;
using model::kindPlainResponse;
using Log = std::vector<std::string>;

constexpr double baseline = -1.0;  // factor marker: take it from the baseline design

struct Goal {
    int flag, opt;
    double target = 0.0, norm = 1.0, quadWt = 0.0, linearWt = 0.0;
};

model::PerformanceDefinition definitionOf(const std::vector<Goal>& goals) {
    model::PerformanceDefinition definition;
    for (const Goal& goal : goals) {
        const std::string name = "r" + std::to_string(definition.size() + 1);
        model::ResponseGoal entry =
            testing::goalOf(name, goal.flag, goal.opt, goal.target, goal.norm);
        entry.coef = goal.quadWt;
        entry.offset = goal.linearWt;
        definition.add(entry);
    }
    return definition;
}

// A design whose values were accepted (status 1), with marks in the fields the
// function may leave alone.
design::Design acceptedDesign() {
    design::Design design;
    design.status.status = design::statusNoGoals;
    design.violation = 0.75;
    design.rawPerformance = 0.25;
    return design;
}

class PerformanceTest : public ::testing::Test {
protected:
    void SetUp() override { clearMessageLog(); }
    void TearDown() override { clearMessageLog(); }

    double score(const std::vector<double>& values) {
        return computePerformance(design, definition, values, context);
    }
    // What a score leaves in the design: its raw performance, status and violation.
    auto outcome() const {
        return std::tuple(design.rawPerformance, design.status.status, design.violation);
    }

    design::Design design = acceptedDesign();
    model::PerformanceDefinition definition;
    PerformanceContext context;
};

TEST_F(PerformanceTest, SingleGoalScoresStatusAndViolation) {
    struct Row {
        const char* what;
        Goal goal;
        double value;
        double performance;
        int status;
        double violation;
    };
    const Row rows[] = {
        {"min_value, factor 2", {kindObjective, -1, 0.0, 2.0, 0.0, 1.0}, 3.0, -1.5, 2, 0.0},
        {"min_value, quadratic", {kindObjective, -1, 0.0, 1.0, 1.0, 0.0}, 3.0, -9.0, 2, 0.0},
        {"max_value", {kindObjective, 1, 0.0, 2.0, 1.0, 1.0}, 6.0, 12.0, 2, 0.0},
        {"min_diff, factor twice", {kindObjective, 0, 5.0, 2.0, 0.0, 1.0}, 7.0, -1.0, 2, 0.0},
        {"max_diff, factor twice", {kindObjective, 2, 5.0, 2.0, 1.0, 1.0}, 9.0, 20.0, 2, 0.0},
        {"less_equal met", {kindConstraint, -1, 10.0, 1.0, 1.0, 0.0}, 9.0, 0.0, 2, 0.0},
        {"less_equal violated", {kindConstraint, -1, 10.0, 1.0, 1.0, 0.0}, 12.0, -4.0, 3, 2.0},
        {"greater_equal violated", {kindConstraint, 1, 10.0, 2.0, 0.0, 3.0}, 6.0, -6.0, 3, 2.0},
        {"equal exactly", {kindConstraint, 0, 10.0, 2.0, 1.0, 1.0}, 10.0, 0.0, 2, 0.0},
        {"equal above", {kindConstraint, 0, 10.0, 2.0, 1.0, 1.0}, 14.0, -6.0, 3, 2.0},
        {"equal below", {kindConstraint, 0, 10.0, 2.0, 0.0, 1.0}, 9.0, -0.5, 3, 0.5},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        design = acceptedDesign();
        definition = definitionOf({row.goal});
        EXPECT_EQ(score({row.value}), row.performance);
        EXPECT_EQ(outcome(), std::tuple(row.performance, row.status, row.violation));
    }
}

TEST_F(PerformanceTest, ObjectivesAndViolatedConstraintsAddUpPlainResponsesDoNot) {
    definition = definitionOf({{kindObjective, 1, 0.0, 1.0, 0.0, 1.0},
                               {kindConstraint, -1, 10.0, 2.0, 1.0, 0.0},
                               {kindPlainResponse, 0},
                               {kindConstraint, 1, 0.0, 1.0, 0.0, 1.0}});
    EXPECT_EQ(score({5.0, 14.0, 100.0, -3.0}), 5.0 - 4.0 - 3.0);
    EXPECT_EQ(outcome(), std::tuple(-2.0, design::statusInfeasible, 5.0));
    // Without the bookkeeping the violation is left alone.
    design = acceptedDesign();
    context.violationBookkeepingOff = true;
    EXPECT_EQ(score({5.0, 14.0, 100.0, -3.0}), -2.0);
    EXPECT_EQ(outcome(), std::tuple(-2.0, design::statusInfeasible, 0.75));
}

TEST_F(PerformanceTest, WithoutObjectivesOrConstraintsEveryDesignScoresOne) {
    const std::vector<Goal> plainOnly = {{kindPlainResponse, 0}, {kindPlainResponse, 1}};
    for (const auto& goals : {std::vector<Goal>{}, plainOnly}) {
        design = acceptedDesign();
        definition = definitionOf(goals);
        std::vector<double> values(goals.size(), 3.0);
        EXPECT_EQ(score(values), 1.0);
        EXPECT_EQ(outcome(), std::tuple(0.25, design::statusNoGoals, 0.75));
    }
}

TEST_F(PerformanceTest, FailedDesignScoresLowestAndADoeAgentOneAndNeitherFixesAFactor) {
    definition = definitionOf({{kindObjective, -1, 0.0, baseline, 0.0, 1.0}});
    design.status.status = design::statusError;
    context.fixesNormalisation = true;
    EXPECT_EQ(score({4.0}), -1e99);
    EXPECT_EQ(outcome(), std::tuple(0.25, design::statusError, 10.0));
    EXPECT_EQ(definition.goals[0].norm, baseline);
    // A DOE agent scores one and changes nothing.
    design = acceptedDesign();
    definition = definitionOf({{kindConstraint, -1, 0.0, baseline, 1.0, 1.0}});
    context.doeAgent = true;
    EXPECT_EQ(score({4.0}), 1.0);
    EXPECT_EQ(outcome(), std::tuple(0.25, design::statusNoGoals, 0.75));
    EXPECT_EQ(definition.goals[0].norm, baseline);
}

TEST_F(PerformanceTest, BaselineFactorsFromValueOrDistanceAtSinglePrecision) {
    struct Row {
        Goal goal;
        double value;
        double factor;
    };
    const Row rows[] = {
        {{kindObjective, -1, 9.0, baseline}, 0.3, 0.30000001192092896},
        {{kindObjective, 1, 9.0, baseline}, -2.5, 2.5},
        {{kindObjective, 0, 5.0, baseline}, 7.0, 2.0},
        {{kindObjective, 2, 5.0, baseline}, 1.0, 4.0},
        {{kindConstraint, 0, 10.0, baseline}, 4.0, 6.0},
        {{kindConstraint, -1, 10.0, baseline}, -3.0, 3.0},
        {{kindConstraint, 1, 10.0, baseline}, 12.0, 12.0},
        {{kindObjective, -1, 0.0, 3.0}, 5.0, 3.0},  // given factors stay
    };
    context.fixesNormalisation = true;
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << "opt " << row.goal.opt << " value " << row.value);
        definition = definitionOf({row.goal});
        score({row.value});
        EXPECT_EQ(definition.goals[0].norm, row.factor);
    }
    EXPECT_EQ(library().messageLog.size(), 0u);
}

// An unfixed factor counts as one while a design fixes nothing.
TEST_F(PerformanceTest, FactorFixedOnceStaysFixed) {
    definition = definitionOf({{kindObjective, 0, 5.0, baseline, 0.0, 1.0}});
    EXPECT_EQ(score({7.0}), -4.0);
    EXPECT_EQ(definition.goals[0].norm, baseline);
    definition = definitionOf({{kindObjective, -1, 0.0, baseline, 0.0, 1.0}});
    context.fixesNormalisation = true;
    EXPECT_EQ(score({4.0}), -1.0);
    EXPECT_EQ(score({8.0}), -2.0);
    EXPECT_EQ(definition.goals[0].norm, 4.0);
}

TEST_F(PerformanceTest, BaselineFactorOfZeroIsFatal) {
    const std::string reason =
        "The normalization value for response \"r2\" based on the baseline design evaluated to "
        "0.0. This value must be non-zero. Please fix this before resubmitting the run.";
    context.fixesNormalisation = true;
    definition = definitionOf({{kindObjective, -1, 0.0, 1.0}, {kindObjective, 0, 5.0, baseline}});
    varno::testing::expectFatal([&] { score({1.0, 5.0}); }, reason);
    // Below the smallest float the factor rounds to zero as well.
    definition = definitionOf({{kindObjective, -1, 0.0, 1.0}, {kindObjective, -1, 0.0, baseline}});
    varno::testing::expectFatal([&] { score({1.0, 1e-50}); }, reason);
}

TEST_F(PerformanceTest, FactorsFromDiskDataAreAnnouncedUnlessFromDesignOne) {
    const std::string note =
        "*NOTE\nSince the option to read analysis data from disk has been selected and design 1 "
        "was not in the read list of designs, the response data from design 7 is being used "
        "for the normalization.";
    context.fixesNormalisation = true;
    context.readsFromDisk = true;
    context.designNumber = 1;
    definition = definitionOf({{kindObjective, -1, 0.0, baseline, 0.0, 1.0}});
    score({2.0});
    EXPECT_EQ(varno::testing::logEntries(), Log{});

    context.designNumber = 7;
    definition = definitionOf({{kindObjective, -1, 0.0, baseline, 0.0, 1.0}});
    score({2.0});
    score({2.0});  // nothing left to fix: no second note
    EXPECT_EQ(varno::testing::logEntries(), Log{note});
    EXPECT_EQ(definition.goals[0].norm, 2.0);
}

TEST_F(PerformanceTest, RobustTermsPenaliseConstraintsAndAddObjectives) {
    definition = definitionOf({{kindObjective, -1, 0.0, 1.0, 0.0, 1.0}});
    context.robustConstraints = {
        {12.0, 10.0, 2.0, 0, 3.0},  // above the target: -3 * 1^2
        {12.0, 10.0, 2.0, 1, 3.0},  // sense 1, above: satisfied
        {8.0, 10.0, 2.0, 1, 5.0},   // sense 1, below: -5 * 1^2
    };
    context.robustObjectives = {
        {7.0, 10.0, 2.0, 0, 9.0},    // +1.5, weight not applied
        {13.0, 10.0, 3.0, -1, 9.0},  // sense -1: -1
    };
    EXPECT_EQ(score({2.0}), -2.0 - 3.0 - 5.0 + 1.5 - 1.0);
    EXPECT_EQ(outcome(), std::tuple(-9.5, design::statusFeasible, 0.0));
}

}  // namespace
}  // namespace varno::performance
