// Project parameters, discrete sets, distributions, curves, study variables
// and DOE factors, read from their definition blocks into one project.
#include "model/parameters.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/message_log.h"
#include "model/study_variables.h"
#include "test_support.h"

namespace varno::model {
namespace {

using varno::testing::expectFatal;
using varno::testing::logEntries;
using Texts = std::vector<std::string>;
using Numbers = std::vector<double>;

class ProjectParameters : public varno::testing::WithoutStudy {
protected:
    using Text = const std::string&;
    static LineList block(Text name, Text text) { return testing::definitionBlock(name, text); }
    void parameter(Text name, Text text) { defineProjectParameter(model, block(name, text)); }
    void set(Text name, Text text) { defineDiscreteSet(model, block(name, text)); }
    void curve(Text name, Text text) { defineCurve(model, block(name, text)); }
    void variable(Text name, Text text) { addStudyVariable(model, study, block(name, text)); }
    void factor(Text name, Text text) { addDoeFactor(model, study, block(name, text)); }

    // width: continuous, id 1, [1, 4] around 2; section: discrete, id 2, I200 of I100..I300.
    void defineWidthAndSection() {
        parameter("width", "type: Continuous\nid: 1\nmin: 1\nbaseline: 2\nmax: 4");
        set("sections", "ordered: 1\nvalues:3\nI100\nI200\nI300");
        parameter("section", "type: Discrete\nid: 2\nset: sections\nbaseline: 2");
    }

    ProjectModel model;
    Representation study;
};

TEST_F(ProjectParameters, BadDefinitionsAreFatalAndLeaveTheTablesUnchanged) {
    defineWidthAndSection();
    parameter("Width", "type: Parameter\nid: 1\nbaseline: 3");  // names are compared with case
    set("one", "ordered: 0\nvalues: a");
    defineDistribution(model, block("s", "type: Normal\nmean: 0\nstdDev: 1"));
    curve("c", "data:2\n0,1\n1,2");
    expectFatal([&] { parameter("b", "type: Continuous\nid: 2\nmin: 3\nbaseline: 3\nmax: 3"); },
                "Lower bound (3) must be less than upper bound (3).");
    expectFatal([&] { parameter("b", "type: Continuous\nid: 3\nmin: 0\nbaseline: 5.5\nmax: 2"); },
                "The baseline value (5.5) must be greater than the lower bound (0) and less than "
                "upper bound (2).");
    expectFatal([&] { parameter("width", "type: String\nid: 7\nbaseline: x"); },
                "Cannot have duplicate names in design variable definitions. Continuous name "
                "width.");
    expectFatal([&] { parameter("b", "type: Parameter\nid: 1\nbaseline: 2"); },
                "Cannot have duplicate variable ids 1.");
    expectFatal([&] { parameter("d", "type: Discrete\nid: 3\nset: none\nbaseline: 1"); },
                "The discrete set \"none\" has not been defined prior to its use for the "
                "definition of a discrete variable.");
    expectFatal([&] { parameter("d", "type: Discrete\nid: 3\nset: one\nbaseline: 1"); },
                "For a discrete variable, the number of items in a discrete set must be at least "
                "2. The discrete set \"one\" has only 1 items.");
    expectFatal([&] { parameter("d", "type: Discrete\nid: 3\nset: sections\nbaseline: 4"); },
                "The baseline choice for a discrete variable must be between 1 and number of "
                "items in the discrete set (3).");
    expectFatal([&] { set("one", "ordered: 0"); },
                "Cannot have duplicate names for discrete sets. The discrete set one has already "
                "been used.");
    expectFatal([&] { set("n", "ordered: 0\nvalues:-1"); },
                "The number of items in a discrete set cannot be negative. The error is in the "
                "definition for the. discrete set \"n\".");
    expectFatal([&] { parameter("f", "type: Dependent\nid: 3\nformula:2\na = 1\nb = 2"); },
                "Error in the formula definition for \"f\". A multiple line formula must set the "
                "\"_result\" variable to the final value from your calculation.\ne.g. _result = "
                "1.0 - variable_1");
    expectFatal([&] { parameter("p", "type: Parameter\nid: 2\nbaseline: 3\ndistribution: t"); },
                "Error in the project definition. The distribution \"t\" is being used, but has "
                "not been defined in the project.");
    expectFatal([&] { defineDistribution(model, block("s", "type: Uniform\nlower: 0\nupper: 1")); },
                "Cannot have duplicate names for distributions. The distribution \"s\" has "
                "already been used.");
    expectFatal([&] { defineDistribution(model, block("z", "type: Zipf")); },
                "Error in creating the distribution object from the distribution data for "
                "\"z\".");
    expectFatal([&] { curve("k", "data:1\n0,1"); },
                "The specified size (1) of the defined curve (k) must be atleast 2.");
    expectFatal([&] { curve("k", "data:2\n0,1\n5"); },
                "Expecting the X and Y values for this curve (k) for point 2.");
    expectFatal([&] { curve("k", "data:3\n0,1\n2,1\n1.5,0"); },
                "The curve definition needs to be monotonically increasing in X value. Two "
                "adjacent points (# 2 and # 3 with X values of 2 and 1.5 respectively) for the "
                "curve \"k\" do not meet this criterion.");
    expectFatal([&] { curve("c", "data:2\n0,1\n1,2"); },
                "Cannot have duplicate names in Curve definitions. Curve name c has already been "
                "used.");
    const ProjectModel& m = model;
    EXPECT_EQ(m.file_user_cont.size() + m.file_user_disc.size() + m.file_user_depn.size() +
                  m.file_user_fixed.size() + m.user_discrete_sets.size() +
                  m.user_distributions.size() + m.file_user_curve.size(),
              7u)
        << "width, section, Width, sections, one, s and c";
}

TEST_F(ProjectParameters, BadStudyVariablesAndFactorsAreFatal) {
    defineWidthAndSection();
    expectFatal([&] { variable("v", "type: Matrix"); },
                "Error in adding the parameter \"v\" to the study. The specified type \"Matrix\" "
                "is not supported for study variables. Only Continuous and Discrete variables can "
                "be added to the study.");
    expectFatal([&] { variable("v", "type: Continuous\nid: 9\nresolution: 1\ndistribution: x"); },
                "Design Variable \"v\" is not defined in the of project variables.");
    expectFatal([&] { variable("v", "type: Discrete\nid: 1"); },
                "Design Variable id 1 is not defined in Definitions.in.\n");
    expectFatal(
        [&] {
            variable("width", "type: Continuous\nid: 1\nresolution: 1\n"
                              "distribution: g");
        },
        "Error in the project definition. The distribution \"g\" is being used, but has "
        "not been defined in the project.");
    expectFatal([&] { factor("depth", "type: Continuous\nlevels: 1,2\nfactorType: Control"); },
                "The continuous design variable depth is not defined in the Definitions.in file");
    expectFatal([&] { factor("width", "type: Continuous\nlevels: 1,2\nfactorType: Control"); },
                "The continuous design variable width is not being designed in the API file");
    expectFatal([&] { factor("section", "type: Discrete\nlevels: I100\nfactorType: Control"); },
                "The discrete design variable section is not being designed in the API file");
    expectFatal([&] { factor("depth", "type: Discrete\nlevels: I100\nfactorType: Control"); },
                "The discrete design variable depth is not defined in the Definitions.in file");
    variable("width", "type: Continuous\nid: 1\nresolution: 10\ndistribution: NONE");
    variable("section", "type: Discrete\nid: 2");
    expectFatal([&] { variable("w", "type: Continuous\nid: 1\nresolution: 2\ndistribution: x"); },
                "Cannot have duplicate variable ids 1.");
    expectFatal([&] { factor("width", "type: Continuous\nlevels: 1,3,3\nfactorType: Control"); },
                "Error in the definition for variable width. Value for Level2 ( 3 ) must be less "
                "than the value for Level3 ( 3 ).");
    expectFatal([&] { factor("section", "type: Discrete\nlevels: I100,I999\nfactorType: x"); },
                "The doe definition of the discrete design variable -> section is incorrect The "
                "doe_choice --> I999 does not exist in original set for this variable.");
    EXPECT_EQ(study.data.size(), 2u);
    EXPECT_TRUE(study.doe_factor_map.empty());
}

TEST_F(ProjectParameters, EachKindKeepsItsValues) {
    defineWidthAndSection();
    parameter("odd", "type: Matrix\nid: 1");
    defineDistribution(model, block("scatter", "type: Normal\nmean: 0\nstdDev: 1"));
    parameter("area", "type: Dependent\nid: 1\nformula: w*h");
    parameter("vol", "type: Dependent\nid: 2\nformula:2\na = exit()\n_result = quit ()");
    parameter("load", "type: Parameter\nid: 1\nbaseline: -2.5e3\ndistribution: scatter");
    parameter("label", "type: String\nid: 1\nbaseline: a: b  ");
    ASSERT_EQ(logEntries().size(), 2u) << "the set's and the formula's; an unknown type is ignored";
    EXPECT_EQ(logEntries()[1],
              "*WARNING\nDetected a possible use of \"quit() or exit()\" in the formula definition "
              "for \"vol\". These commands should NOT be used in your formula definition. When "
              "this command is invoked within a formula calcuation, it will result in the VARNO "
              "run being terminated. Please check to make sure that you are not using this "
              "command in the formula definition.");
    EXPECT_EQ(model.nameList, "width\nsection\nodd\narea\nvol\nload\nlabel\n");
    const DiscreteParameter& discrete = model.file_user_disc.at(0);
    EXPECT_EQ((std::vector<int>{discrete.itemCount, discrete.ordered, discrete.numeric}),
              (std::vector<int>{3, 1, 0}));
    EXPECT_EQ(discrete.baseline, "I200");
    EXPECT_EQ(model.file_user_depn.at(0).formula, "_result=w*h");
    EXPECT_EQ(model.file_user_depn.at(1).formula, "a = exit()\n_result = quit ()");
    EXPECT_EQ(model.file_user_fixed.at(0).baseline, -2500.0);
    EXPECT_EQ(model.file_user_fixed.at(0).distribution, 0);
    EXPECT_EQ(model.file_user_strings.at(0).stringValue, "a: b  ");
}

TEST_F(ProjectParameters, SetItemsAreNumbersUntilOneIsNotAndCurveWeightsAreFilledIn) {
    set("mixed", "ordered: 1\nvalues:5\n1\n\\$2\nx\n\\ty\n3");
    const DiscreteSet& mixed = model.user_discrete_sets.at(0);
    EXPECT_EQ(mixed.numeric, 0);
    EXPECT_EQ(mixed.discSetNumChoices, (Numbers{1.0}));
    EXPECT_EQ(mixed.discSetChoices, (Texts{"1", "$2", "x", "\\ty", "3"}))
        << "only a backslash before a dollar goes";
    EXPECT_EQ(logEntries(),  // warned once, at the first item that is not a number
              Texts{"*WARNING\nAt least one item ($2) in the discrete set \"mixed\" is not a "
                    "number. As a result, if this set is assigned to a discrete variable which "
                    "is used in a formula, the values will be used as text data and we will not "
                    "try to convert the data to a number."});
    // Curve weights are filled from the given ones.
    clearMessageLog();
    curve("c", "data:6\n0,1\n1,2,-4\n2,3\n5,4,10\n5,4.5\n6,5");
    curve("plain", "data:2\n0,0\n1,1");
    // Point 3 lies a quarter of the way from x=1 to x=5: 4 + 0.25 * (10 - 4).
    EXPECT_EQ(model.file_user_curve.at(0).weightFactor, (Numbers{4, 4, 5.5, 10, 10, 10}));
    EXPECT_EQ(model.file_user_curve.at(1).weightFactor, (Numbers{1, 1}));
    EXPECT_EQ(logEntries(),
              (Texts{"*WARNING\nThe weight factor (-4) for point # 2 for the curve \"c\" is "
                     "negative. Will use the absolute value instead.",
                     "*WARNING\nTwo adjacent points (# 4 and # 5) for the curve \"c\" have the "
                     "same X value.\nContinuing..."}));
}

TEST_F(ProjectParameters, NamesResolveToTheirKindAndIndexAndStudyVariablesCopyTheProject) {
    defineWidthAndSection();
    parameter("height", "type: Continuous\nid: 2\nmin: 1\nbaseline: 1\nmax: 2");  // on a bound
    parameter("top", "type: Continuous\nid: 3\nmin: 1\nbaseline: 2\nmax: 2");
    const NameType height = getNameType(model, "height");
    EXPECT_EQ((std::vector<int>{height.code, height.index}), (std::vector<int>{0, 1}));
    EXPECT_EQ(continuousIndex(model, "height", Lookup::mustExist), 1);
    expectFatal([&] { continuousIndex(model, "depth", Lookup::mustExist); },
                "The continuous design variable name --> depth  does not exist in the --> "
                "Definitions.in file");
    expectFatal([&] { numericParameterAt(model, 0); },
                "Internal error in processing the index (0) for numeric parameter variable. It is "
                "out of bounds. Max 0.");
    expectFatal([&] { discreteSetItemCount(model, "nothing"); },
                "The discrete set \"nothing\" being referenced in the project is not defined. "
                "Exiting.");
    // Study variables and factors copy the project.
    set("labels", "ordered: 0\nvalues:3\na,b\nc\nd");
    parameter("lab", "type: Discrete\nid: 5\nset: labels\nbaseline: 1");
    variable("width", "type: Continuous\nid: 1\nresolution: 100\ndistribution: NONE");
    variable("section", "type: Discrete\nid: 2");
    variable("lab", "type: Discrete\nid: 5");
    factor("width", "type: Continuous\nlevels: 1,,2.5,4\nfactorType: Control");
    factor("section", "type: Discrete\nlevels: I300,I100\nfactorType: Noise");
    factor("lab", "type: Discrete\nlevels: a\\,b,d\nfactorType: Control");
    ASSERT_EQ(study.data.size(), 3u);
    const StudyVariable& section = study.data[1];
    EXPECT_EQ((Numbers{study.data[0].max, section.baseline, double(section.resolution)}),
              (Numbers{4, 1, 3}))
        << "a discrete baseline is the 0-based index of its item";
    EXPECT_EQ(study.data[0].doe_vals, (Numbers{1.0, 2.5, 4.0}));
    EXPECT_EQ(study.data[1].doe_vals, (Numbers{2.0, 0.0}));
    EXPECT_EQ(study.data[2].doe_vals, (Numbers{0.0, 2.0})) << "an escaped comma stays in its level";
    EXPECT_EQ(study.doe_factor_map, (std::vector<int>{1, 2, 5})) << "the maps hold ids";
    EXPECT_EQ(study.doe_noise_factor_map, (std::vector<int>{2}));
}

}  // namespace
}  // namespace varno::model
