// Project parameters, discrete sets, distributions, curves, study variables
// and DOE factors, defined through the set-up calls; the tables are checked
// directly.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/fatal_error.h"
#include "study/study.h"
#include "model/parameters.h"
#include "test_support.h"
#include "varno.h"

namespace varno::model {
namespace {

using varno::testing::lastFatalReason;
using varno::testing::logEntries;
using varno::testing::TempDirectory;

// One set-up call of the C interface.
enum class Call { parameter, set, curve, distribution, variable, factor };
struct Step {
    Call call;
    const char* name;
    const char* text;
};

int run(const Step& step) {
    switch (step.call) {
        case Call::parameter: return VARNO_defineNewProjectParameter(step.name, step.text);
        case Call::set: return VARNO_defineNewDiscreteSet(step.name, step.text);
        case Call::curve: return VARNO_defineNewCurve(step.name, step.text);
        case Call::distribution: return VARNO_defineNewDistribution(step.name, step.text);
        case Call::variable: return VARNO_addVariableToStudy(step.name, step.text);
        case Call::factor: return VARNO_addDOEFactorToStudy(step.name, step.text);
    }
    return -1;
}

const Step width{Call::parameter, "width", "type: Continuous\nid: 1\nmin: 1.0\nbaseline: 2.0\nmax: 4.0"};
const Step sections{Call::set, "sections", "ordered: 1\nvalues:3\nI100\nI200\nI300"};
const Step section{Call::parameter, "section", "type: Discrete\nid: 2\nset: sections\nbaseline: 2"};
const Step studyWidth{Call::variable, "width",
                      "type: Continuous\nid: 1\nresolution: 10\ndistribution: NONE"};
const Step studySection{Call::variable, "section", "type: Discrete\nid: 2"};

class ProjectParameters : public ::testing::Test {
protected:
    void SetUp() override { restart(); }
    void restart() {
        ASSERT_EQ(VARNO_initializeStudySetup(("workingDirectory: " + dir.path()).c_str()), 1);
    }
    ProjectModel& project() { return currentStudy()->project; }

    static std::string lastLog() {
        const auto log = logEntries();
        return log.empty() ? "<empty>" : log.back();
    }

    // Runs steps that must succeed.
    static void define(const std::vector<Step>& steps) {
        for (const Step& step : steps) ASSERT_EQ(run(step), 1) << step.name << ": " << lastLog();
    }
    void defineSet(const char* name, const char* text) { define({{Call::set, name, text}}); }
    void defineWidth() { define({width}); }
    void defineSection() { define({sections, section}); }

    TempDirectory dir;
};

// A call that must fail, after steps that must succeed, in a fresh study.
struct Failure {
    std::vector<Step> before;
    Step step;
    const char* reason;
};

TEST_F(ProjectParameters, BadDefinitionsAreFatalWithTheirReason) {
    const Failure failures[] = {
        // continuous variables
        {{}, {Call::parameter, "b", "type: Continuous\nid: 2\nmin: 3\nbaseline: 3\nmax: 3"},
         "Lower bound (3) must be less than upper bound (3)."},
        {{}, {Call::parameter, "c", "type: Continuous\nid: 3\nmin: 0\nbaseline: 5.5\nmax: 2"},
         "The baseline value (5.5) must be greater than the lower bound (0) and less than upper "
         "bound (2)."},
        {{}, {Call::parameter, "w", "type: Continuous\nid: 1\nmin: 0\nmax: 1"},
         "When reading data for \"w\" of type \"Continuous Variable\" from file \"API\", VARNO "
         "encountered the following error in reading the data for property \"baseline\":\nThe "
         "property is not defined."},
        {{}, {Call::parameter, "w", "type: Continuous\nid: one"},
         "When reading data for \"w\" of type \"Continuous Variable\" from file \"API\", VARNO "
         "encountered the following error in reading the data for property \"id\":\nThe read "
         "value \"one\" could not be converted into an integer."},
        // names are unique across kinds and compared with case
        {{width, {Call::parameter, "Width", "type: Parameter\nid: 1\nbaseline: 3"}},
         {Call::parameter, "width", "type: String\nid: 7\nbaseline: x"},
         "Cannot have duplicate names in design variable definitions. Continuous name width."},
        {{width}, {Call::parameter, "height", "type: Continuous\nid: 1\nmin: 0\nbaseline: 1\nmax: 2"},
         "Cannot have duplicate variable ids 1."},
        {{{Call::parameter, "p", "type: Parameter\nid: 4\nbaseline: 1"}},
         {Call::parameter, "q", "type: Parameter\nid: 4\nbaseline: 2"},
         "Cannot have duplicate variable ids 4."},
        // discrete variables and sets
        {{}, {Call::parameter, "d", "type: Discrete\nid: 1\nset: none\nbaseline: 1"},
         "The discrete set \"none\" has not been defined prior to its use for the definition of a "
         "discrete variable."},
        {{{Call::set, "empty", "ordered: 0"}},
         {Call::parameter, "d", "type: Discrete\nid: 1\nset: empty\nbaseline: 1"},
         "For a discrete variable, the number of items in a discrete set must be at least 2. The "
         "discrete set \"empty\" has only 0 items."},
        {{{Call::set, "pair", "ordered: 0\nvalues:2\na\nb"}},
         {Call::parameter, "d", "type: Discrete\nid: 1\nset: pair\nbaseline: 3"},
         "The baseline choice for a discrete variable must be between 1 and number of items in "
         "the discrete set (2)."},
        {{{Call::set, "s", "ordered: 0\nvalues:2\n1\n2"}}, {Call::set, "s", "ordered: 0"},
         "Cannot have duplicate names for discrete sets. The discrete set s has already been used."},
        {{}, {Call::set, "n", "ordered: 0\nvalues:-1"},
         "The number of items in a discrete set cannot be negative. The error is in the definition "
         "for the. discrete set \"n\"."},
        // dependent variables and distributions
        {{}, {Call::parameter, "bad", "type: Dependent\nid: 3\nformula:2\na = 1\nb = 2"},
         "Error in the formula definition for \"bad\". A multiple line formula must set the "
         "\"_result\" variable to the final value from your calculation.\ne.g. _result = 1.0 - "
         "variable_1"},
        {{}, {Call::parameter, "area", "type: Dependent\nid: 1"},
         "When reading data for \"area\" of type \"Dependent variable\" from file \"API\", VARNO "
         "encountered the following error in reading the data for property \"formula\":\nThe "
         "property is not defined."},
        {{}, {Call::parameter, "load", "type: Parameter\nid: 1\nbaseline: 3\ndistribution: scatter"},
         "Error in the project definition. The distribution \"scatter\" is being used, but has "
         "not been defined in the project."},
        {{{Call::distribution, "scatter", "type: Normal\nmean: 0\nstdDev: 1"}},
         {Call::distribution, "scatter", "type: Normal\nmean: 0\nstdDev: 1"},
         "Cannot have duplicate names for distributions. The distribution \"scatter\" has already "
         "been used."},
        {{}, {Call::distribution, "odd", "type: Zipf"},
         "Error in creating the distribution object from the distribution data for \"odd\"."},
        // curves
        {{}, {Call::curve, "c", "data:1\n0,1"},
         "The specified size (1) of the defined curve (c) must be atleast 2."},
        {{}, {Call::curve, "c", "data:2\n0,1\n5"},
         "Expecting the X and Y values for this curve (c) for point 2."},
        {{}, {Call::curve, "c", "data:3\n0,1\n2,1\n1.5,0"},
         "The curve definition needs to be monotonically increasing in X value. Two adjacent "
         "points (# 2 and # 3 with X values of 2 and 1.5 respectively) for the curve \"c\" do not "
         "meet this criterion."},
        {{{Call::curve, "c", "data:2\n0,1\n1,2"}}, {Call::curve, "c", "data:2\n0,1\n1,2"},
         "Cannot have duplicate names in Curve definitions. Curve name c has already been used."},
        // study variables
        {{width, sections, section}, {Call::variable, "v", "type: Matrix"},
         "Error in adding the parameter \"v\" to the study. The specified type \"Matrix\" is not "
         "supported for study variables. Only Continuous and Discrete variables can be added to "
         "the study."},
        {{width, sections, section},
         {Call::variable, "v", "type: Continuous\nid: 9\nresolution: 10\ndistribution: NONE"},
         "Design Variable \"v\" is not defined in the of project variables."},
        {{width, sections, section}, {Call::variable, "v", "type: Discrete\nid: 1"},
         "Design Variable id 1 is not defined in Definitions.in.\n"},
        {{width, sections, section},
         {Call::variable, "v", "type: Continuous\nid: 1\nresolution: 10\ndistribution: gauss"},
         "Error in the project definition. The distribution \"gauss\" is being used, but has not "
         "been defined in the project."},
        {{width, {Call::variable, "w", "type: Continuous\nid: 1\nresolution: 1\ndistribution: NONE"}},
         {Call::variable, "w2", "type: Continuous\nid: 1\nresolution: 1\ndistribution: NONE"},
         "Cannot have duplicate variable ids 1."},
        // DOE factors
        {{width, sections, section},
         {Call::factor, "depth", "type: Continuous\nlevels: 1,2\nfactorType: Control"},
         "The continuous design variable depth is not defined in the Definitions.in file"},
        {{width, sections, section},
         {Call::factor, "width", "type: Continuous\nlevels: 1,2\nfactorType: Control"},
         "The continuous design variable width is not being designed in the API file"},
        {{width, sections, section},
         {Call::factor, "section", "type: Discrete\nlevels: I100\nfactorType: Control"},
         "The discrete design variable section is not being designed in the API file"},
        {{width, sections, section},
         {Call::factor, "depth", "type: Discrete\nlevels: I100\nfactorType: Control"},
         "The discrete design variable depth is not defined in the Definitions.in file"},
        {{width, sections, section, studyWidth, studySection},
         {Call::factor, "width", "type: Continuous\nlevels: 1,3,3\nfactorType: Control"},
         "Error in the definition for variable width. Value for Level2 ( 3 ) must be less than the "
         "value for Level3 ( 3 )."},
        {{width, sections, section, studySection},
         {Call::factor, "section", "type: Discrete\nlevels: I100,I999\nfactorType: Control"},
         "The doe definition of the discrete design variable -> section is incorrect The "
         "doe_choice --> I999 does not exist in original set for this variable."},
    };
    for (const Failure& failure : failures) {
        SCOPED_TRACE(failure.step.text);
        restart();
        define(failure.before);
        EXPECT_EQ(run(failure.step), 0);
        EXPECT_EQ(lastFatalReason(), std::string("*ERROR\n") + failure.reason);
    }
}

// --- continuous, discrete, dependent, fixed and string parameters ----------

TEST_F(ProjectParameters, ContinuousVariableIsStoredWithItsBounds) {
    defineWidth();
    define({{Call::parameter, "a", "type: Continuous\nid: 2\nmin: 1\nbaseline: 1\nmax: 2"}});
    EXPECT_EQ(project().nameList, "width\na\n");
    EXPECT_EQ(VARNO_defineNewProjectParameter(
                  "c", "type: Continuous\nid: 3\nmin: 0\nbaseline: 5.5\nmax: 2"), 0);
    ASSERT_EQ(project().file_user_cont.size(), 2u) << "a baseline on the lower bound is accepted, "
                                                      "a rejected record is not counted";
    const ContinuousParameter& stored = project().file_user_cont[0];
    EXPECT_EQ(stored.name, "width");
    EXPECT_EQ(stored.id, 1);
    EXPECT_EQ((std::vector<double>{stored.min, stored.baseline, stored.max}),
              (std::vector<double>{1.0, 2.0, 4.0}));
}

TEST_F(ProjectParameters, UnknownParameterTypeIsIgnoredSilently) {
    EXPECT_EQ(VARNO_defineNewProjectParameter("odd", "type: Matrix\nid: 1"), 1);
    EXPECT_TRUE(logEntries().empty());
    EXPECT_EQ(getNameType(project(), "odd").code, -1);
}

TEST_F(ProjectParameters, DiscreteVariableTakesItsSetAndBaselineItem) {
    defineSection();
    defineSet("empty", "ordered: 0");
    EXPECT_EQ(project().user_discrete_sets.at(1).itemCount, 0) << "an empty set is a valid set";
    const DiscreteParameter& stored = project().file_user_disc.at(0);
    EXPECT_EQ((std::vector<int>{stored.itemCount, stored.ordered, stored.numeric}),
              (std::vector<int>{3, 1, 0}));
    EXPECT_EQ(stored.max, 3.0);
    EXPECT_EQ(stored.baseline, "I200");
    EXPECT_EQ(stored.set, "sections");
}

TEST_F(ProjectParameters, DependentFixedAndStringParametersKeepTheirValues) {
    define({{Call::parameter, "area", "type: Dependent\nid: 1\nformula: w*h"},
            {Call::parameter, "vol",
             "type: Dependent\nid: 2\ndistribution: NONE\nformula:2\na = w*h\n_result = a*d"},
            {Call::parameter, "load", "type: Parameter\nid: 1\nbaseline: -2.5e3"},
            {Call::parameter, "label", "type: String\nid: 1\nbaseline: a: b  "}});
    EXPECT_EQ(project().file_user_depn.at(0).formula, "_result=w*h");
    EXPECT_EQ(project().file_user_depn.at(1).formula, "a = w*h\n_result = a*d");
    EXPECT_EQ(project().file_user_depn.at(1).distribution, -1);
    EXPECT_EQ(project().file_user_fixed.at(0).baseline, -2500.0);
    EXPECT_EQ(project().file_user_strings.at(0).stringValue, "a: b  ");
    EXPECT_EQ(VARNO_getIntStudyData(3), 1);
}

TEST_F(ProjectParameters, FormulaThatMayEndTheRunIsWarnedAboutOnce) {
    define({{Call::parameter, "f", "type: Dependent\nid: 1\nformula:2\nexit()\n_result = quit ()"}});
    EXPECT_EQ(logEntries(),
              std::vector<std::string>{
                  "*WARNING\nDetected a possible use of \"quit() or exit()\" in the formula "
                  "definition for \"f\". These commands should NOT be used in your formula "
                  "definition. When this command is invoked within a formula calcuation, it will "
                  "result in the VARNO run being terminated. Please check to make sure that you "
                  "are not using this command in the formula definition."});
}

// --- discrete sets -----------------------------------------------------------

TEST_F(ProjectParameters, SetItemsConvertToNumbersUntilOneDoesNot) {
    defineSet("s", "ordered: 0\nvalues:2\n1\n2");
    EXPECT_EQ(project().user_discrete_sets.at(0).numeric, 1);
    defineSet("mixed", "ordered: 1\nvalues:4\n1\n2\nx\ny");
    const DiscreteSet& set = project().user_discrete_sets.at(1);
    EXPECT_EQ(set.numeric, 0);
    EXPECT_EQ(set.discSetNumChoices, (std::vector<double>{1.0, 2.0}));
    EXPECT_EQ(set.discSetChoices, (std::vector<std::string>{"1", "2", "x", "y"}));
    EXPECT_EQ(logEntries(),  // warned once, at the first item that is not a number
              std::vector<std::string>{
                  "*WARNING\nAt least one item (x) in the discrete set \"mixed\" is not a number. "
                  "As a result, if this set is assigned to a discrete variable which is used in a "
                  "formula, the values will be used as text data and we will not try to convert "
                  "the data to a number."});
}

TEST_F(ProjectParameters, SetItemsLoseOnlyABackslashBeforeADollar) {
    defineSet("paths", "ordered: 0\nvalues:3\n\\$HOME\n\\tab\n2.5");
    EXPECT_EQ(project().user_discrete_sets.at(0).discSetChoices,
              (std::vector<std::string>{"$HOME", "\\tab", "2.5"}));
}

// --- curves and distributions ----------------------------------------------------

TEST_F(ProjectParameters, CurveWeightsAreFilledFromTheGivenOnes) {
    define({{Call::curve, "c", "data:5\n0,1\n1,2,4\n2,3\n5,4,10\n6,5"},
            {Call::curve, "plain", "data:2\n0,0\n1,1"}});
    const Curve& curve = project().file_user_curve.at(0);
    EXPECT_EQ(curve.pointCount, 5);
    // Point 3 lies a quarter of the way from x=1 to x=5: 4 + 0.25 * (10 - 4).
    EXPECT_EQ(curve.weightFactor, (std::vector<double>{4.0, 4.0, 5.5, 10.0, 10.0}));
    EXPECT_EQ(curve.X_value, (std::vector<double>{0, 1, 2, 5, 6}));
    EXPECT_EQ(curve.Y_value, (std::vector<double>{1, 2, 3, 4, 5}));
    EXPECT_EQ(project().file_user_curve.at(1).weightFactor, (std::vector<double>{1.0, 1.0}));
}

TEST_F(ProjectParameters, CurveWarnsAboutNegativeWeightsAndEqualX) {
    define({{Call::curve, "c", "data:3\n0,1,-2\n1,2\n1,3"}});
    EXPECT_EQ(logEntries(),
              (std::vector<std::string>{
                  "*WARNING\nThe weight factor (-2) for point # 1 for the curve \"c\" is negative. "
                  "Will use the absolute value instead.",
                  "*WARNING\nTwo adjacent points (# 2 and # 3) for the curve \"c\" have the same X "
                  "value.\nContinuing..."}));
    EXPECT_EQ(project().file_user_curve.at(0).weightFactor, (std::vector<double>{2, 2, 2}));
}

TEST_F(ProjectParameters, DetailedOutputLogsTheCurve) {
    project().detailedOutput = 1;
    define({{Call::curve, "c", "data:2\n0,1\n1,2,3"}});
    EXPECT_EQ(lastLog(),
              "*NOTE\nThe curve data information for \"c\" after updating the weight factors:\n"
              " ID,            X value,            Y value,      Weight factor\n"
              "  1,     0.00000000e+00,     1.00000000e+00,     3.00000000e+00\n"
              "  2,     1.00000000e+00,     2.00000000e+00,     3.00000000e+00");
}

TEST_F(ProjectParameters, DistributionsAreCreatedByTypeAndUsedByName) {
    define({{Call::distribution, "scatter", "type: Normal\nmean: 0\nstdDev: 1"}});
    ASSERT_NE(project().user_distributions.at(0).object, nullptr);
    define({{Call::parameter, "load", "type: Parameter\nid: 1\nbaseline: 3\ndistribution: scatter"}});
    EXPECT_EQ(project().file_user_fixed.at(0).distribution, 0);
}

// --- name kinds and lookups ------------------------------------------------------

TEST_F(ProjectParameters, NamesResolveToTheirKinds) {
    define({width, sections, section,
            {Call::parameter, "area", "type: Dependent\nid: 1\nformula: 1"},
            {Call::parameter, "load", "type: Parameter\nid: 1\nbaseline: 1"},
            {Call::parameter, "tag", "type: String\nid: 1\nbaseline: t"},
            {Call::curve, "curve", "data:2\n0,1\n1,2"}});
    const std::vector<std::tuple<std::string, int, std::string>> expected = {
        {"width", 0, "continuous"},     {"section", 1, "discrete"},
        {"area", 2, "dependent"},       {"load", 3, "numeric parameter"},
        {"tag", 8, "string parameter"}, {"sections", 12, "discrete set"},
        {"curve", 13, "curve"},
    };
    for (const auto& [name, code, word] : expected) {
        const NameType type = getNameType(project(), name);
        EXPECT_EQ(type.code, code) << name;
        EXPECT_EQ(type.word, word) << name;
        EXPECT_EQ(type.index, 0) << name;
    }
    EXPECT_EQ(getNameType(project(), "WIDTH").code, -1);
    EXPECT_EQ(getNameType(project(), "WIDTH").index, -1);
}

TEST_F(ProjectParameters, LookupsFailSoftlyOrFatally) {
    defineWidth();
    EXPECT_EQ(continuousIndex(project(), "width", Lookup::mustExist), 0);
    EXPECT_EQ(continuousIndex(project(), "depth", Lookup::mayFail), -1);
    EXPECT_EQ(discreteIndex(project(), "width", Lookup::mayFail), -1);
    EXPECT_EQ(discreteSetName(project(), 0), "NONE");
    EXPECT_EQ(continuousAt(project(), 0).name, "width");
    EXPECT_THROW(continuousIndex(project(), "depth", Lookup::mustExist), FatalError);
    EXPECT_EQ(lastFatalReason(),
              "*ERROR\nThe continuous design variable name --> depth  does not exist in the --> "
              "Definitions.in file");
    EXPECT_THROW(numericParameterAt(project(), 2), FatalError);
    EXPECT_EQ(lastFatalReason(),
              "*ERROR\nInternal error in processing the index (2) for numeric parameter variable. "
              "It is out of bounds. Max 0.");
    EXPECT_THROW(discreteSetItemCount(project(), "nothing"), FatalError);
    EXPECT_EQ(lastFatalReason(),
              "*ERROR\nThe discrete set \"nothing\" being referenced in the project is not "
              "defined. Exiting.");
}

// --- study variables and DOE factors ----------------------------------------------

TEST_F(ProjectParameters, StudyVariablesCopyTheirProjectVariables) {
    define({width, sections, section,
            {Call::variable, "width", "type: Continuous\nid: 1\nresolution: 100\ndistribution: NONE"},
            studySection});
    const Representation& rep = project().dvar.at(0);
    ASSERT_EQ(rep.data.size(), 2u);
    EXPECT_EQ(rep.data[0].kindTag, 1111);
    EXPECT_EQ(rep.data[0].resolution, 100);
    EXPECT_EQ(rep.data[0].baseline, 2.0);
    EXPECT_EQ(rep.data[0].max, 4.0);
    EXPECT_EQ(rep.data[1].kindTag, 2222);
    EXPECT_EQ(rep.data[1].discrete, 1);
    EXPECT_EQ(rep.data[1].resolution, 3);
    EXPECT_EQ(rep.data[1].baseline, 1.0) << "0-based index of I200";
    EXPECT_EQ(rep.minCoordinate[0], 1.0);
    EXPECT_EQ(rep.maxCoordinate[0], 2.0);
    EXPECT_EQ(VARNO_getIntStudyData(1), 2);
}

TEST_F(ProjectParameters, DoeFactorsStoreLevelsAndFactorMaps) {
    define({width, sections, section, studyWidth, studySection,
            {Call::factor, "width", "type: Continuous\nlevels: 1,,2.5,4\nfactorType: Control"},
            {Call::factor, "section", "type: Discrete\nlevels: I300,I100\nfactorType: Noise"}});
    const Representation& rep = project().dvar.at(0);
    EXPECT_EQ(rep.data[0].doe_vals, (std::vector<double>{1.0, 2.5, 4.0}));
    EXPECT_EQ(rep.data[0].doeLevelCount, 3);
    EXPECT_EQ(rep.data[1].doe_vals, (std::vector<double>{2.0, 0.0}));
    EXPECT_EQ(rep.data[1].factorType, 1);
    EXPECT_EQ(rep.doe_factor_map, (std::vector<int>{1, 2}));
    EXPECT_EQ(rep.doe_control_factor_map, (std::vector<int>{1}));
    EXPECT_EQ(rep.doe_noise_factor_map, (std::vector<int>{2}));
}

TEST_F(ProjectParameters, DiscreteFactorLevelsMayHoldEscapedCommas) {
    define({{Call::set, "labels", "ordered: 0\nvalues:3\na,b\nc\nd"},
            {Call::parameter, "lab", "type: Discrete\nid: 5\nset: labels\nbaseline: 1"},
            {Call::variable, "lab", "type: Discrete\nid: 5"},
            {Call::factor, "lab", "type: Discrete\nlevels: a\\,b,d\nfactorType: x"}});
    EXPECT_EQ(project().dvar.at(0).data[0].doe_vals, (std::vector<double>{0.0, 2.0}));
}

TEST_F(ProjectParameters, StudyCountsAnswerUnknownIdsWithAMessage) {
    EXPECT_EQ(VARNO_getIntStudyData(0), 0);
    EXPECT_EQ(VARNO_getIntStudyData(2), 0);
    EXPECT_EQ(VARNO_getIntStudyData(4), 0);
    EXPECT_TRUE(logEntries().empty());
    EXPECT_EQ(VARNO_getIntStudyData(6), 0);
    EXPECT_EQ(lastLog(), "Unsupported ID used with VARNO_getIntStudyData.");
}

}  // namespace
}  // namespace varno::model
