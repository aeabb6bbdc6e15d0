// Project responses, the study's objectives, constraints and plain
// responses, and the checks of the values the host returns.
#include "model/responses.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "frame/definition_text.h"
#include "frame/message_log.h"
#include "test_support.h"

namespace varno::model {
namespace {

using varno::testing::expectFatal;
using varno::testing::logEntries;
using Texts = std::vector<std::string>;
using Numbers = std::vector<double>;

const std::string objectiveText =
    "type: objective\nfactor: 4.0\noption: min_value\ntarget: 1.5\nquadWt: 2.0\nlinearWt: 3.0\n"
    "acceptMin: -10\nacceptMax: 10";
const std::string constraintText =
    "type: constraint\nfactor: 1.0\noption: less_equal\ntarget: 5\nquadWt: 0\nlinearWt: 1\n"
    "acceptMin: -100\nacceptMax: 100";
const std::string plainText = "type: response\ngoal: NONE\nacceptMin: 0\nacceptMax: 1";

// An entry of `type` with factor 1, option 1, target and weights 0 and the
// range [0, 1]; the `first` lines come before these and so are found first.
std::string entry(const std::string& type, const std::string& first) {
    return first + "\ntype: " + type +
           "\nfactor: 1\noption: 1\ntarget: 0\nquadWt: 0\nlinearWt: 0\nacceptMin: 0\nacceptMax: 1";
}

LineList block(const std::string& name, const std::string& text) {
    return testing::definitionBlock(name, text);
}

class ResponsesTest : public varno::testing::WithoutStudy {
protected:
    using Text = const std::string&;
    void defineResponse(Text name, Text text) { defineProjectResponse(model, block(name, text)); }
    void addToStudy(Text name, Text text, StudyResponseContext context = {}) {
        addStudyResponse(model, performance, block(name, text), context);
    }

    ProjectModel model;
    PerformanceDefinition performance;
};

// ======================================================= project responses

TEST_F(ResponsesTest, ProjectResponsesKeepTheirTypeDataAndRange) {
    defineResponse("mass", "type: API");
    defineResponse("fit", "type: Curve Fit\ndataType: Numeric\nacceptMin: -2.5\nacceptMax: 7e2");
    defineResponse("odd", "type: api\ndataType: text\nacceptMin: 5\nacceptMax: 1\nformula: x");
    defineResponse("point", "type: File\ndataType: numeric\nacceptMin: 3\nacceptMax: 3");
    std::vector<Numbers> read;
    for (const ProjectResponse& r : model.prjResps)
        read.push_back({double(r.type), double(r.dataType), r.acceptMin, r.acceptMax});
    EXPECT_EQ(read, (std::vector<Numbers>{{6, 0, -1e308, 1e308},
                                          {1, 1, -2.5, 700},
                                          {-1, 0, -1e308, 1e308},  // nothing further is read
                                          {5, 0, 3, 3}}));
    EXPECT_EQ(model.nameList, "mass\nfit\nodd\npoint\n");
}

TEST_F(ResponsesTest, BadProjectResponsesAreFatalAndNotAdded) {
    defineResponse("Mass", "type: API");
    expectFatal([&] { defineResponse("Mass", "type: File"); },
                "Error in the response definition. The response name \"Mass\" has already been "
                "used. The response names need to be unique.");
    expectFatal([&] { defineResponse("span", "type: API\nacceptMin: 4\nacceptMax: 3.5"); },
                "Error in the definition of the response \"span\". The minimum allowed value (4) "
                "cannot be greater than the maximum allowed value (3.5).");
    expectFatal([&] { defineResponse("none", "type: Formula\nformula:0"); },
                "When reading data for \"none\" of type \"Response\" from file \"API\", VARNO "
                "encountered the following error in reading the data for property \"formula\":\n"
                "The property is not defined.");
    defineResponse("mass", "type: API");
    EXPECT_EQ(model.nameList, "Mass\nmass\n");
}

TEST_F(ResponsesTest, EachKindKeepsItsFormulaOrTheLinesOfItsOwnKeys) {
    defineResponse("one", "type: Formula\nformula:2\na = mass\n_result = a / volume");
    defineResponse("filter", "type: Filter\nfilter: accel\nfitX: no\ncutoff: 60\nnumPts: 5");
    defineResponse("fit", "type: Curve Fit\nfitX: t\ncurveFitFormula:2\nx = 1\n_result = x\n"
                          "fitMode: 1\nmdlFile: no");
    defineResponse("fld", "type: FLD\nhardening: 0.2\nfilter: no\nmajor: e1");
    EXPECT_EQ(model.prjResps[0].formula, "a = mass\n_result = a / volume");
    EXPECT_EQ(model.prjResps[1].properties, (Texts{"filter: accel", "cutoff: 60", "numPts: 5"}));
    EXPECT_EQ(model.prjResps[2].properties,
              (Texts{"fitX: t", "fitMode: 1", "curveFitFormula:2", "x = 1", "_result = x"}));
    EXPECT_EQ(model.prjResps[3].properties, (Texts{"major: e1", "hardening: 0.2"}));
}

// ==================================================== objectives, constraints

// One field of every goal, in study order.
template <class Field>
std::vector<Field> fieldOf(const PerformanceDefinition& definition, Field ResponseGoal::*field) {
    std::vector<Field> values;
    for (const ResponseGoal& goal : definition.goals) values.push_back(goal.*field);
    return values;
}

TEST_F(ResponsesTest, ObjectivesAndConstraintsFillTheirGoals) {
    addToStudy("volume", objectiveText);  // need not name a project response
    addToStudy("gap", entry("constraint", "option: greater_equal"));
    addToStudy("push", entry("objective", "option: max_diff"));
    EXPECT_EQ(fieldOf(performance, &ResponseGoal::flag), (std::vector<int>{0, 1, 0}));
    EXPECT_EQ(fieldOf(performance, &ResponseGoal::opt), (std::vector<int>{-1, 1, 2}));
    const ResponseGoal& g = performance.goals[0];
    EXPECT_EQ((Numbers{g.norm, g.target, g.coef, g.offset, g.minAllowed, g.maxAllowed}),
              (Numbers{4.0, 1.5, 2.0, 3.0, -10.0, 10.0}));
    EXPECT_EQ(performance.objectiveCount, 2);
    EXPECT_EQ(performance.constraintCount, 1);
}

TEST_F(ResponsesTest, BadStudyEntriesAreFatalAndNotAdded) {
    for (const char* key :
         {"factor", "option", "target", "quadWt", "linearWt", "acceptMin", "acceptMax"}) {
        LineList lines = block("mass", constraintText);
        removeKey(lines, key);
        expectFatal([&] { addStudyResponse(model, performance, lines, {}); },
                    std::string("When reading data for \"mass\" of type \"Study response\" from "
                                "file \"API\", VARNO encountered the following error in reading "
                                "the data for property \"") +
                        key + "\":\nThe property is not defined.");
    }
    expectFatal([&] { addToStudy("mass", entry("objective", "option: minimize")); },
                "Invalid option selected for an objective/constraint \"mass\". Valid choices are "
                "min_value, max_value, min_diff, max_diff for OBJECTIVES and less_equal, equal, "
                "greater_equal for CONSTRAINTS.");
    expectFatal([&] { addToStudy("mass", entry("constraint", "option: max_diff")); },
                " Set Opt equal to -1 to keep the response below the constraint target.\n"
                " Set Opt equal to  0 to match the response value to the constraint target).\n"
                " Set Opt equal to  1 to keep the response above the constraint target).\n");
    expectFatal([&] { addToStudy("mass", "type: Objective"); },
                "Error in reading data for study response \"mass\". Unsupported response type "
                "\"Objective\" specified.");
    expectFatal([&] { addToStudy("mass", entry("objective", "acceptMin: 2\nacceptMax: -2")); },
                "Error in the definition of the study response \"mass\".\n The minimum allowed "
                "value (2) cannot be greater than the maximum allowed value (-2).");
    expectFatal([&] { addToStudy("mass", entry("constraint", "factor: -0")); },
                "The normalization value for response \"mass\" was specified as 0.0. This value "
                "must be non-zero. Please fix this before resubmitting the run.");
    expectFatal(
        [&] {
            addToStudy("mass", objectiveText, {false, false});
        },
        "Internal error 9039. Could not identify agent number. Please contact technical "
        "support to resolve this problem.");
    expectFatal([&] { addToStudy("mass", "type: response\ngoal: none\nacceptMin: 0"); },
                "Invalid response goal type selected \"none\". Valid choices are NONE, smaller, "
                "target, nominal, and larger.");
    EXPECT_EQ(performance.size(), 0u);
}

TEST_F(ResponsesTest, FactorsAreMagnitudesExceptTheBaselineMarker) {
    addToStudy("mass", entry("objective", "factor: baseline"), {false, false});  // no agent needed
    addToStudy("mass", entry("constraint", "factor: -2"));
    addToStudy("load", entry("objective", "factor: 0"), {true, true});  // a reliability agent
    EXPECT_EQ(fieldOf(performance, &ResponseGoal::norm), (Numbers{-1.0, 2.0, 1.0}));
    EXPECT_EQ(logEntries(),
              (Texts{"*WARNING\nThe normalization value for response \"mass\" was specified as a "
                     "negative value (-2). Since VARNO does not allow negative values for "
                     "normalization, the absolute value will be used."}));
}

TEST_F(ResponsesTest, NamesRepeatOnlyAsConstraintsAndOneObjective) {
    model.file_user_cont.push_back(ContinuousParameter{1, "width", 0.0, 1.0, 2.0});
    expectFatal([&] { addToStudy("width", plainText); },
                "Error in the name definition of a response. The name \"width\" has already been "
                "used to define a variable.");
    for (const std::string* text : {&constraintText, &objectiveText, &constraintText})
        addToStudy("mass", *text);
    expectFatal([&] { addToStudy("mass", objectiveText); },
                "\nThe response variable name mass already exists as an objective.");
    expectFatal([&] { addToStudy("mass", plainText); },
                "The response name mass already exists in the list of study responses. The "
                "following rules apply for using the same response multiple times: The response "
                "can only be used as an objective or a constraint. It can be used as an objective "
                "only once. There is no limit on the number of constraints defined on a response.");
    addToStudy("noise", "type: response\ngoal: larger\nacceptMin: 2\nacceptMax: 3\nfactor: 7");
    EXPECT_THROW(addToStudy("noise", constraintText), FatalError);
    EXPECT_EQ(fieldOf(performance, &ResponseGoal::flag), (std::vector<int>{1, 0, 1, 3}));
    EXPECT_EQ(performance.goals.back().opt, 2);
    EXPECT_EQ(performance.goals.back().norm, 1.0) << "a plain response has fixed weights";
}

// ================================================= values from the host

TEST_F(ResponsesTest, ValuesAreCheckedAgainstTheProjectRange) {
    defineResponse("mass", "type: API\nacceptMin: 0\nacceptMax: 10");
    addToStudy("mass", objectiveText);
    addToStudy("open", plainText);  // no project response: any finite value
    const auto check = [this](const Numbers& values, bool errorDesign) {
        const CheckedResponseValues checked = checkResponseValues(model, performance, "D7", values);
        EXPECT_EQ(checked.errorDesign, errorDesign);
        Numbers stored;
        for (const DataValueArray& array : checked.values) {
            EXPECT_EQ(array.at(1).dataType, dataEndOfList);
            stored.push_back(array.at(0).doubleValue);
        }
        return stored;
    };
    EXPECT_EQ(check({10.0, -1e308, 99.0}, false), (Numbers{10.0, -1e308})) << "one per response";
    EXPECT_EQ(check({0.0, 1e308}, false), (Numbers{0.0, 1e308}));
    const double largest = std::numeric_limits<double>::max();
    EXPECT_EQ(check({12.0, largest}, true), (Numbers{12.0, largest}));
    EXPECT_EQ(check({std::nan(""), 0.5}, true), (Numbers{0.0, 0.5}));
    EXPECT_EQ(logEntries(),
              (Texts{"*ERROR\nThe value 12 for response \"mass\" for design \"D7\" lies outside "
                     "the specified range [0, 10]",
                     "*ERROR\nThe value 1.79769e+308 for response \"open\" for design \"D7\" lies "
                     "outside the specified range [-1e+308, 1e+308]",
                     "*ERROR\nThe value for response \"mass\" for design \"D7\" is NOT A NUMBER "
                     "(Nan). This response value will be set to 0.0 and it will be marked as an "
                     "error response."}));
}

}  // namespace
}  // namespace varno::model
