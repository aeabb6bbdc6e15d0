// Project parameters, discrete sets, distributions, curves, study variables
// and DOE factors, defined through the set-up calls; the tables are checked
// directly.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "api/fatal_error.h"
#include "api/library_state.h"
#include "model/parameters.h"
#include "test_support.h"
#include "varno.h"

namespace varno::model {
namespace {

using varno::testing::lastFatalReason;
using varno::testing::logEntries;
using varno::testing::TempDirectory;

class ProjectParameters : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(VARNO_initializeStudySetup(("workingDirectory: " + dir.path()).c_str()), 1);
    }
    ProjectModel& project() { return currentStudy()->project; }

    static std::string lastLog() {
        const auto log = logEntries();
        return log.empty() ? "<empty>" : log.back();
    }

    void defineSet(const char* name, const char* text) {
        ASSERT_EQ(VARNO_defineNewDiscreteSet(name, text), 1) << lastLog();
    }
    void defineWidth() {
        ASSERT_EQ(VARNO_defineNewProjectParameter(
                      "width", "type: Continuous\nid: 1\nmin: 1.0\nbaseline: 2.0\nmax: 4.0"),
                  1)
            << lastLog();
    }
    void defineSection() {
        defineSet("sections", "ordered: 1\nvalues:3\nI100\nI200\nI300");
        ASSERT_EQ(VARNO_defineNewProjectParameter(
                      "section", "type: Discrete\nid: 2\nset: sections\nbaseline: 2"),
                  1)
            << lastLog();
    }

    TempDirectory dir;
};

// --- continuous, discrete, dependent, fixed and string parameters ----------

TEST_F(ProjectParameters, ContinuousVariableIsStoredWithItsBounds) {
    defineWidth();
    ASSERT_EQ(project().file_user_cont.size(), 1u);
    const ContinuousParameter& width = project().file_user_cont[0];
    EXPECT_EQ(width.name, "width");
    EXPECT_EQ(width.id, 1);
    EXPECT_EQ(width.min, 1.0);
    EXPECT_EQ(width.baseline, 2.0);
    EXPECT_EQ(width.max, 4.0);
    EXPECT_EQ(project().nameList, "width\n");
}

TEST_F(ProjectParameters, ContinuousBoundsAndBaselineAreChecked) {
    EXPECT_EQ(VARNO_defineNewProjectParameter(
                  "a", "type: Continuous\nid: 1\nmin: 1\nbaseline: 1\nmax: 2"),
              1)
        << "a baseline on the lower bound is accepted";
    EXPECT_EQ(VARNO_defineNewProjectParameter(
                  "b", "type: Continuous\nid: 2\nmin: 3\nbaseline: 3\nmax: 3"),
              0);
    EXPECT_EQ(lastFatalReason(), "*ERROR\nLower bound (3) must be less than upper bound (3).");

    ASSERT_EQ(VARNO_initializeStudySetup(("workingDirectory: " + dir.path()).c_str()), 1);
    EXPECT_EQ(VARNO_defineNewProjectParameter(
                  "c", "type: Continuous\nid: 3\nmin: 0\nbaseline: 5.5\nmax: 2"),
              0);
    EXPECT_EQ(lastFatalReason(),
              "*ERROR\nThe baseline value (5.5) must be greater than the lower bound (0) and less "
              "than upper bound (2).");
    EXPECT_TRUE(project().file_user_cont.empty()) << "a rejected record is not counted";
}

TEST_F(ProjectParameters, MissingOrUnreadablePropertiesUseTheReaderMessage) {
    EXPECT_EQ(VARNO_defineNewProjectParameter("w", "type: Continuous\nid: 1\nmin: 0\nmax: 1"), 0);
    EXPECT_EQ(lastFatalReason(),
              "*ERROR\nWhen reading data for \"w\" of type \"Continuous Variable\" from file "
              "\"API\", VARNO encountered the following error in reading the data for property "
              "\"baseline\":\nThe property is not defined.");
    ASSERT_EQ(VARNO_initializeStudySetup(("workingDirectory: " + dir.path()).c_str()), 1);
    EXPECT_EQ(VARNO_defineNewProjectParameter("w", "type: Continuous\nid: one"), 0);
    EXPECT_EQ(lastFatalReason(),
              "*ERROR\nWhen reading data for \"w\" of type \"Continuous Variable\" from file "
              "\"API\", VARNO encountered the following error in reading the data for property "
              "\"id\":\nThe read value \"one\" could not be converted into an integer.");
}

TEST_F(ProjectParameters, NamesAreUniqueAcrossKindsAndCaseSensitive) {
    defineWidth();
    EXPECT_EQ(VARNO_defineNewProjectParameter("Width", "type: Parameter\nid: 1\nbaseline: 3"), 1);
    EXPECT_EQ(VARNO_defineNewProjectParameter("width", "type: String\nid: 7\nbaseline: x"), 0);
    EXPECT_EQ(lastFatalReason(),
              "*ERROR\nCannot have duplicate names in design variable definitions. Continuous "
              "name width.");
}

TEST_F(ProjectParameters, RepeatedIdsWithinAKindAreRejected) {
    defineWidth();
    EXPECT_EQ(VARNO_defineNewProjectParameter(
                  "height", "type: Continuous\nid: 1\nmin: 0\nbaseline: 1\nmax: 2"),
              0);
    EXPECT_EQ(lastFatalReason(), "*ERROR\nCannot have duplicate variable ids 1.");

    ASSERT_EQ(VARNO_initializeStudySetup(("workingDirectory: " + dir.path()).c_str()), 1);
    ASSERT_EQ(VARNO_defineNewProjectParameter("p", "type: Parameter\nid: 4\nbaseline: 1"), 1);
    EXPECT_EQ(VARNO_defineNewProjectParameter("q", "type: Parameter\nid: 4\nbaseline: 2"), 0);
    EXPECT_EQ(lastFatalReason(), "*ERROR\nCannot have duplicate variable ids 4.");
}

TEST_F(ProjectParameters, UnknownParameterTypeIsIgnoredSilently) {
    EXPECT_EQ(VARNO_defineNewProjectParameter("odd", "type: Matrix\nid: 1"), 1);
    EXPECT_TRUE(logEntries().empty());
    EXPECT_EQ(getNameType(project(), "odd").code, -1);
}

TEST_F(ProjectParameters, DiscreteVariableTakesItsSetAndBaselineItem) {
    defineSection();
    const DiscreteParameter& section = project().file_user_disc.at(0);
    EXPECT_EQ(section.itemCount, 3);
    EXPECT_EQ(section.ordered, 1);
    EXPECT_EQ(section.numeric, 0);
    EXPECT_EQ(section.max, 3.0);
    EXPECT_EQ(section.baseline, "I200");
    EXPECT_EQ(section.set, "sections");
}

TEST_F(ProjectParameters, DiscreteVariableChecksItsSetAndBaseline) {
    EXPECT_EQ(VARNO_defineNewProjectParameter("d", "type: Discrete\nid: 1\nset: none\nbaseline: 1"), 0);
    EXPECT_EQ(lastFatalReason(),
              "*ERROR\nThe discrete set \"none\" has not been defined prior to its use for the "
              "definition of a discrete variable.");

    ASSERT_EQ(VARNO_initializeStudySetup(("workingDirectory: " + dir.path()).c_str()), 1);
    defineSet("empty", "ordered: 0");
    EXPECT_EQ(project().user_discrete_sets.at(0).itemCount, 0) << "an empty set is a valid set";
    EXPECT_EQ(VARNO_defineNewProjectParameter("d", "type: Discrete\nid: 1\nset: empty\nbaseline: 1"), 0);
    EXPECT_EQ(lastFatalReason(),
              "*ERROR\nFor a discrete variable, the number of items in a discrete set must be at "
              "least 2. The discrete set \"empty\" has only 0 items.");

    ASSERT_EQ(VARNO_initializeStudySetup(("workingDirectory: " + dir.path()).c_str()), 1);
    defineSet("pair", "ordered: 0\nvalues:2\na\nb");
    EXPECT_EQ(VARNO_defineNewProjectParameter("d", "type: Discrete\nid: 1\nset: pair\nbaseline: 3"), 0);
    EXPECT_EQ(lastFatalReason(),
              "*ERROR\nThe baseline choice for a discrete variable must be between 1 and number "
              "of items in the discrete set (2).");
}

TEST_F(ProjectParameters, DependentVariableBuildsItsFormula) {
    ASSERT_EQ(VARNO_defineNewProjectParameter("area", "type: Dependent\nid: 1\nformula: w*h"), 1);
    ASSERT_EQ(VARNO_defineNewProjectParameter(
                  "vol", "type: Dependent\nid: 2\ndistribution: NONE\nformula:2\na = w*h\n_result = a*d"),
              1);
    EXPECT_EQ(project().file_user_depn.at(0).formula, "_result=w*h");
    EXPECT_EQ(project().file_user_depn.at(1).formula, "a = w*h\n_result = a*d");
    EXPECT_EQ(project().file_user_depn.at(1).distribution, -1);

    EXPECT_EQ(VARNO_defineNewProjectParameter("bad", "type: Dependent\nid: 3\nformula:2\na = 1\nb = 2"), 0);
    EXPECT_EQ(lastFatalReason(),
              "*ERROR\nError in the formula definition for \"bad\". A multiple line formula must "
              "set the \"_result\" variable to the final value from your calculation.\ne.g. "
              "_result = 1.0 - variable_1");
}

TEST_F(ProjectParameters, DependentVariableNeedsAFormulaAndKnownDistribution) {
    EXPECT_EQ(VARNO_defineNewProjectParameter("area", "type: Dependent\nid: 1"), 0);
    EXPECT_EQ(lastFatalReason(),
              "*ERROR\nWhen reading data for \"area\" of type \"Dependent variable\" from file "
              "\"API\", VARNO encountered the following error in reading the data for property "
              "\"formula\":\nThe property is not defined.");
    ASSERT_EQ(VARNO_initializeStudySetup(("workingDirectory: " + dir.path()).c_str()), 1);
    EXPECT_EQ(VARNO_defineNewProjectParameter(
                  "load", "type: Parameter\nid: 1\nbaseline: 3\ndistribution: scatter"),
              0);
    EXPECT_EQ(lastFatalReason(),
              "*ERROR\nError in the project definition. The distribution \"scatter\" is being "
              "used, but has not been defined in the project.");
}

TEST_F(ProjectParameters, FormulaThatMayEndTheRunIsWarnedAboutOnce) {
    ASSERT_EQ(VARNO_defineNewProjectParameter(
                  "f", "type: Dependent\nid: 1\nformula:2\nexit()\n_result = quit ()"),
              1);
    const auto log = logEntries();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0],
              "*WARNING\nDetected a possible use of \"quit() or exit()\" in the formula definition "
              "for \"f\". These commands should NOT be used in your formula definition. When this "
              "command is invoked within a formula calcuation, it will result in the VARNO run "
              "being terminated. Please check to make sure that you are not using this command "
              "in the formula definition.");
}

TEST_F(ProjectParameters, FixedAndStringParametersKeepTheirValues) {
    ASSERT_EQ(VARNO_defineNewProjectParameter("load", "type: Parameter\nid: 1\nbaseline: -2.5e3"), 1);
    ASSERT_EQ(VARNO_defineNewProjectParameter("label", "type: String\nid: 1\nbaseline: a: b  "), 1);
    EXPECT_EQ(project().file_user_fixed.at(0).baseline, -2500.0);
    EXPECT_EQ(project().file_user_strings.at(0).stringValue, "a: b  ");
    EXPECT_EQ(VARNO_getIntStudyData(3), 1);
}

// --- discrete sets -----------------------------------------------------------

TEST_F(ProjectParameters, SetItemsConvertToNumbersUntilOneDoesNot) {
    defineSet("mixed", "ordered: 1\nvalues:4\n1\n2\nx\ny");
    const DiscreteSet& set = project().user_discrete_sets.at(0);
    EXPECT_EQ(set.numeric, 0);
    EXPECT_EQ(set.discSetNumChoices, (std::vector<double>{1.0, 2.0}));
    EXPECT_EQ(set.discSetChoices, (std::vector<std::string>{"1", "2", "x", "y"}));
    const auto log = logEntries();
    ASSERT_EQ(log.size(), 1u) << "warned once, at the first item that is not a number";
    EXPECT_EQ(log[0],
              "*WARNING\nAt least one item (x) in the discrete set \"mixed\" is not a number. As a "
              "result, if this set is assigned to a discrete variable which is used in a formula, "
              "the values will be used as text data and we will not try to convert the data to a "
              "number.");
}

TEST_F(ProjectParameters, SetItemsLoseOnlyABackslashBeforeADollar) {
    defineSet("paths", "ordered: 0\nvalues:3\n\\$HOME\n\\tab\n2.5");
    const DiscreteSet& set = project().user_discrete_sets.at(0);
    EXPECT_EQ(set.discSetChoices, (std::vector<std::string>{"$HOME", "\\tab", "2.5"}));
}

TEST_F(ProjectParameters, SetNamesAreUniqueAndCountsNotNegative) {
    defineSet("s", "ordered: 0\nvalues:2\n1\n2");
    EXPECT_EQ(project().user_discrete_sets.at(0).numeric, 1);
    EXPECT_EQ(VARNO_defineNewDiscreteSet("s", "ordered: 0"), 0);
    EXPECT_EQ(lastFatalReason(),
              "*ERROR\nCannot have duplicate names for discrete sets. The discrete set s has "
              "already been used.");
    ASSERT_EQ(VARNO_initializeStudySetup(("workingDirectory: " + dir.path()).c_str()), 1);
    EXPECT_EQ(VARNO_defineNewDiscreteSet("n", "ordered: 0\nvalues:-1"), 0);
    EXPECT_EQ(lastFatalReason(),
              "*ERROR\nThe number of items in a discrete set cannot be negative. The error is in "
              "the definition for the. discrete set \"n\".");
}

// --- curves --------------------------------------------------------------------

TEST_F(ProjectParameters, CurveWeightsAreFilledFromTheGivenOnes) {
    ASSERT_EQ(VARNO_defineNewCurve("c", "data:5\n0,1\n1,2,4\n2,3\n5,4,10\n6,5"), 1) << lastLog();
    const Curve& curve = project().file_user_curve.at(0);
    EXPECT_EQ(curve.pointCount, 5);
    // Point 3 lies a quarter of the way from x=1 to x=5: 4 + 0.25 * (10 - 4).
    EXPECT_EQ(curve.weightFactor, (std::vector<double>{4.0, 4.0, 5.5, 10.0, 10.0}));
    EXPECT_EQ(curve.X_value, (std::vector<double>{0, 1, 2, 5, 6}));
    EXPECT_EQ(curve.Y_value, (std::vector<double>{1, 2, 3, 4, 5}));

    ASSERT_EQ(VARNO_defineNewCurve("plain", "data:2\n0,0\n1,1"), 1);
    EXPECT_EQ(project().file_user_curve.at(1).weightFactor, (std::vector<double>{1.0, 1.0}));
}

TEST_F(ProjectParameters, CurveWarnsAboutNegativeWeightsAndEqualX) {
    ASSERT_EQ(VARNO_defineNewCurve("c", "data:3\n0,1,-2\n1,2\n1,3"), 1);
    const auto log = logEntries();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0],
              "*WARNING\nThe weight factor (-2) for point # 1 for the curve \"c\" is negative. "
              "Will use the absolute value instead.");
    EXPECT_EQ(log[1],
              "*WARNING\nTwo adjacent points (# 2 and # 3) for the curve \"c\" have the same X "
              "value.\nContinuing...");
    EXPECT_EQ(project().file_user_curve.at(0).weightFactor, (std::vector<double>{2, 2, 2}));
}

TEST_F(ProjectParameters, CurveDefinitionErrors) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"data:1\n0,1", "The specified size (1) of the defined curve (c) must be atleast 2."},
        {"data:2\n0,1\n5", "Expecting the X and Y values for this curve (c) for point 2."},
        {"data:3\n0,1\n2,1\n1.5,0",
         "The curve definition needs to be monotonically increasing in X value. Two adjacent "
         "points (# 2 and # 3 with X values of 2 and 1.5 respectively) for the curve \"c\" do "
         "not meet this criterion."},
    };
    for (const auto& [text, reason] : cases) {
        ASSERT_EQ(VARNO_initializeStudySetup(("workingDirectory: " + dir.path()).c_str()), 1);
        EXPECT_EQ(VARNO_defineNewCurve("c", text.c_str()), 0) << text;
        EXPECT_EQ(lastFatalReason(), "*ERROR\n" + reason);
    }
    ASSERT_EQ(VARNO_initializeStudySetup(("workingDirectory: " + dir.path()).c_str()), 1);
    ASSERT_EQ(VARNO_defineNewCurve("c", "data:2\n0,1\n1,2"), 1);
    EXPECT_EQ(VARNO_defineNewCurve("c", "data:2\n0,1\n1,2"), 0);
    EXPECT_EQ(lastFatalReason(),
              "*ERROR\nCannot have duplicate names in Curve definitions. Curve name c has "
              "already been used.");
}

TEST_F(ProjectParameters, DetailedOutputLogsTheCurve) {
    project().detailedOutput = 1;
    ASSERT_EQ(VARNO_defineNewCurve("c", "data:2\n0,1\n1,2,3"), 1);
    EXPECT_EQ(lastLog(),
              "*NOTE\nThe curve data information for \"c\" after updating the weight factors:\n"
              " ID,            X value,            Y value,      Weight factor\n"
              "  1,     0.00000000e+00,     1.00000000e+00,     3.00000000e+00\n"
              "  2,     1.00000000e+00,     2.00000000e+00,     3.00000000e+00");
}

// --- distributions ---------------------------------------------------------------

TEST_F(ProjectParameters, DistributionsAreCreatedByTypeAndNamedOnce) {
    ASSERT_EQ(VARNO_defineNewDistribution("scatter", "type: Normal\nmean: 0\nstdDev: 1"), 1)
        << lastLog();
    ASSERT_NE(project().user_distributions.at(0).object, nullptr);
    ASSERT_EQ(VARNO_defineNewProjectParameter(
                  "load", "type: Parameter\nid: 1\nbaseline: 3\ndistribution: scatter"),
              1);
    EXPECT_EQ(project().file_user_fixed.at(0).distribution, 0);
    EXPECT_EQ(VARNO_defineNewDistribution("scatter", "type: Normal\nmean: 0\nstdDev: 1"), 0);
    EXPECT_EQ(lastFatalReason(),
              "*ERROR\nCannot have duplicate names for distributions. The distribution "
              "\"scatter\" has already been used.");
    ASSERT_EQ(VARNO_initializeStudySetup(("workingDirectory: " + dir.path()).c_str()), 1);
    EXPECT_EQ(VARNO_defineNewDistribution("odd", "type: Zipf"), 0);
    EXPECT_EQ(lastFatalReason(),
              "*ERROR\nError in creating the distribution object from the distribution data for "
              "\"odd\".");
}

// --- name kinds and lookups ------------------------------------------------------

TEST_F(ProjectParameters, NamesResolveToTheirKinds) {
    defineWidth();
    defineSection();
    ASSERT_EQ(VARNO_defineNewProjectParameter("area", "type: Dependent\nid: 1\nformula: 1"), 1);
    ASSERT_EQ(VARNO_defineNewProjectParameter("load", "type: Parameter\nid: 1\nbaseline: 1"), 1);
    ASSERT_EQ(VARNO_defineNewProjectParameter("tag", "type: String\nid: 1\nbaseline: t"), 1);
    ASSERT_EQ(VARNO_defineNewCurve("curve", "data:2\n0,1\n1,2"), 1);
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

TEST_F(ProjectParameters, IndexLookupsFailSoftlyOrFatally) {
    defineWidth();
    EXPECT_EQ(continuousIndex(project(), "width", Lookup::mustExist), 0);
    EXPECT_EQ(continuousIndex(project(), "depth", Lookup::mayFail), -1);
    EXPECT_EQ(discreteIndex(project(), "width", Lookup::mayFail), -1);
    EXPECT_EQ(discreteSetName(project(), 0), "NONE");
    EXPECT_THROW(continuousIndex(project(), "depth", Lookup::mustExist), FatalError);
    EXPECT_EQ(lastFatalReason(),
              "*ERROR\nThe continuous design variable name --> depth  does not exist in the --> "
              "Definitions.in file");
}

TEST_F(ProjectParameters, IndexOutOfRangeIsAnInternalError) {
    defineWidth();
    EXPECT_EQ(continuousAt(project(), 0).name, "width");
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
    defineWidth();
    defineSection();
    ASSERT_EQ(VARNO_addVariableToStudy(
                  "width", "type: Continuous\nid: 1\nresolution: 100\ndistribution: NONE"),
              1)
        << lastLog();
    ASSERT_EQ(VARNO_addVariableToStudy("section", "type: Discrete\nid: 2"), 1) << lastLog();
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

TEST_F(ProjectParameters, StudyVariableErrors) {
    defineWidth();
    defineSection();
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"type: Matrix",
         "Error in adding the parameter \"v\" to the study. The specified type \"Matrix\" is not "
         "supported for study variables. Only Continuous and Discrete variables can be added to "
         "the study."},
        {"type: Continuous\nid: 9\nresolution: 10\ndistribution: NONE",
         "Design Variable \"v\" is not defined in the of project variables."},
        {"type: Discrete\nid: 1", "Design Variable id 1 is not defined in Definitions.in.\n"},
        {"type: Continuous\nid: 1\nresolution: 10\ndistribution: gauss",
         "Error in the project definition. The distribution \"gauss\" is being used, but has "
         "not been defined in the project."},
    };
    for (const auto& [text, reason] : cases) {
        ASSERT_EQ(VARNO_initializeStudySetup(("workingDirectory: " + dir.path()).c_str()), 1);
        defineWidth();
        defineSection();
        EXPECT_EQ(VARNO_addVariableToStudy("v", text.c_str()), 0) << text;
        EXPECT_EQ(lastFatalReason(), "*ERROR\n" + reason);
    }
    ASSERT_EQ(VARNO_initializeStudySetup(("workingDirectory: " + dir.path()).c_str()), 1);
    defineWidth();
    ASSERT_EQ(VARNO_addVariableToStudy("w", "type: Continuous\nid: 1\nresolution: 1\ndistribution: NONE"), 1);
    EXPECT_EQ(VARNO_addVariableToStudy("w2", "type: Continuous\nid: 1\nresolution: 1\ndistribution: NONE"), 0);
    EXPECT_EQ(lastFatalReason(), "*ERROR\nCannot have duplicate variable ids 1.");
}

TEST_F(ProjectParameters, DoeFactorsStoreLevelsAndFactorMaps) {
    defineWidth();
    defineSection();
    ASSERT_EQ(VARNO_addVariableToStudy("width", "type: Continuous\nid: 1\nresolution: 10\ndistribution: NONE"), 1);
    ASSERT_EQ(VARNO_addVariableToStudy("section", "type: Discrete\nid: 2"), 1);
    ASSERT_EQ(VARNO_addDOEFactorToStudy("width", "type: Continuous\nlevels: 1,,2.5,4\nfactorType: Control"), 1)
        << lastLog();
    ASSERT_EQ(VARNO_addDOEFactorToStudy("section", "type: Discrete\nlevels: I300,I100\nfactorType: Noise"), 1)
        << lastLog();
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
    defineSet("labels", "ordered: 0\nvalues:3\na,b\nc\nd");
    ASSERT_EQ(VARNO_defineNewProjectParameter("lab", "type: Discrete\nid: 5\nset: labels\nbaseline: 1"), 1);
    ASSERT_EQ(VARNO_addVariableToStudy("lab", "type: Discrete\nid: 5"), 1);
    ASSERT_EQ(VARNO_addDOEFactorToStudy("lab", "type: Discrete\nlevels: a\\,b,d\nfactorType: x"), 1)
        << lastLog();
    EXPECT_EQ(project().dvar.at(0).data[0].doe_vals, (std::vector<double>{0.0, 2.0}));
}

TEST_F(ProjectParameters, DoeFactorErrors) {
    const std::vector<std::tuple<std::string, std::string, std::string>> cases = {
        {"depth", "type: Continuous\nlevels: 1,2\nfactorType: Control",
         "The continuous design variable depth is not defined in the Definitions.in file"},
        {"width", "type: Continuous\nlevels: 1,2\nfactorType: Control",
         "The continuous design variable width is not being designed in the API file"},
        {"section", "type: Discrete\nlevels: I100\nfactorType: Control",
         "The discrete design variable section is not being designed in the API file"},
        {"depth", "type: Discrete\nlevels: I100\nfactorType: Control",
         "The discrete design variable depth is not defined in the Definitions.in file"},
    };
    for (const auto& [name, text, reason] : cases) {
        ASSERT_EQ(VARNO_initializeStudySetup(("workingDirectory: " + dir.path()).c_str()), 1);
        defineWidth();
        defineSection();
        EXPECT_EQ(VARNO_addDOEFactorToStudy(name.c_str(), text.c_str()), 0) << text;
        EXPECT_EQ(lastFatalReason(), "*ERROR\n" + reason);
    }
}

TEST_F(ProjectParameters, DoeLevelsMustIncreaseAndItemsMustExist) {
    defineWidth();
    defineSection();
    ASSERT_EQ(VARNO_addVariableToStudy("width", "type: Continuous\nid: 1\nresolution: 10\ndistribution: NONE"), 1);
    ASSERT_EQ(VARNO_addVariableToStudy("section", "type: Discrete\nid: 2"), 1);
    EXPECT_EQ(VARNO_addDOEFactorToStudy("width", "type: Continuous\nlevels: 1,3,3\nfactorType: Control"), 0);
    EXPECT_EQ(lastFatalReason(),
              "*ERROR\nError in the definition for variable width. Value for Level2 ( 3 ) must be "
              "less than the value for Level3 ( 3 ).");

    ASSERT_EQ(VARNO_initializeStudySetup(("workingDirectory: " + dir.path()).c_str()), 1);
    defineWidth();
    defineSection();
    ASSERT_EQ(VARNO_addVariableToStudy("section", "type: Discrete\nid: 2"), 1);
    EXPECT_EQ(VARNO_addDOEFactorToStudy("section", "type: Discrete\nlevels: I100,I999\nfactorType: Control"), 0);
    EXPECT_EQ(lastFatalReason(),
              "*ERROR\nThe doe definition of the discrete design variable -> section is incorrect "
              "The doe_choice --> I999 does not exist in original set for this variable.");
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
