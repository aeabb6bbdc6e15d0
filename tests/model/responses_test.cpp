#include "model/responses.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "frame/definition_text.h"
#include "frame/fatal_error.h"
#include "study/study.h"
#include "frame/message_log.h"
#include "test_support.h"

namespace varno::model {
namespace {

using varno::testing::logEntries;
using Log = std::vector<std::string>;
using Lines = std::vector<std::string>;

// A definition block as a set-up call builds it: the name line, then the text.
// A null name leaves the name line out.
LineList block(const char* name, const std::string& text) {
    LineList lines = splitLines(text.c_str());
    if (name) addNameLine(lines, name);
    return lines;
}

// A study entry of `type` with factor 1, option 1, target and weights 0 and the
// accepted range [0, 1]; each "key: value" line of `changes` replaces the line
// of its key.
std::string entry(const std::string& type, const std::string& changes = "") {
    LineList lines = splitLines(("type: " + type + "\nfactor: 1\noption: 1\ntarget: 0\nquadWt: 0\n"
                                 "linearWt: 0\nacceptMin: 0\nacceptMax: 1").c_str());
    for (const std::string& change : splitLines(changes.c_str())) {
        const std::string key = change.substr(0, change.find(':') + 1);
        for (std::string& line : lines) {
            if (line.compare(0, key.size(), key) == 0) line = change;
        }
    }
    return joinLines(lines, '\n');
}

std::string readerMessage(const std::string& object, const std::string& type,
                          const std::string& key, const std::string& reason) {
    return "When reading data for \"" + object + "\" of type \"" + type +
           "\" from file \"API\", VARNO encountered the following error in reading the "
           "data for property \"" + key + "\":\n" + reason;
}
std::string undefined(const std::string& object, const std::string& type, const std::string& key) {
    return readerMessage(object, type, key, "The property is not defined.");
}

const std::string objectiveText =
    "type: objective\nfactor: 4.0\noption: min_value\ntarget: 1.5\nquadWt: 2.0\nlinearWt: 3.0\n"
    "acceptMin: -10\nacceptMax: 10";
const std::string constraintText =
    "type: constraint\nfactor: 1.0\noption: less_equal\ntarget: 5\nquadWt: 0\nlinearWt: 1\n"
    "acceptMin: -100\nacceptMax: 100";
const std::string plainText = "type: response\ngoal: NONE\nacceptMin: 0\nacceptMax: 1";

class ResponsesTest : public ::testing::Test {
protected:
    void SetUp() override { clearMessageLog(); }
    void TearDown() override { clearMessageLog(); }

    void defineResponse(const char* name, const std::string& text) {
        defineProjectResponse(model, block(name, text));
    }
    void addToStudy(const char* name, const std::string& text, StudyResponseContext context = {}) {
        addStudyResponse(model, performance, block(name, text), context);
    }

    // Runs `call`, which must end in the fatal error `text` and nothing else.
    static void expectFatal(const std::function<void()>& call, const std::string& text) {
        clearMessageLog();
        varno::testing::expectFatal(call, text);
        EXPECT_EQ(logEntries().size(), 2u);
    }

    // Numeric data, the open accepted range, no formula and no kept lines.
    static void expectDefaults(const ProjectResponse& r) {
        EXPECT_EQ(r.dataType, 0);
        EXPECT_EQ(r.acceptMin, -1e308);
        EXPECT_EQ(r.acceptMax, 1e308);
        EXPECT_EQ(r.formula, "");
        EXPECT_TRUE(r.properties.empty());
    }

    // Factor, target, quadratic and linear weights, accepted range of entry i.
    std::vector<double> numbersOf(std::size_t i) const {
        const PerformanceDefinition& p = performance;
        const model::ResponseGoal& g = p.goals[i];
        return {g.norm, g.target, g.coef, g.offset, g.minAllowed, g.maxAllowed};
    }

    ProjectModel model;
    PerformanceDefinition performance;
};

// ======================================================= project responses

TEST_F(ResponsesTest, ProjectResponseTakesDefaultsAndJoinsTheNameList) {
    defineResponse("mass", "type: API");
    defineResponse("stress", "type: File");
    ASSERT_EQ(model.prjResps.size(), 2u);
    EXPECT_EQ(model.prjResps[0].name, "mass");
    EXPECT_EQ(model.prjResps[0].type, 6);
    expectDefaults(model.prjResps[0]);
    EXPECT_EQ(model.prjResps[1].type, 5);
    EXPECT_EQ(model.nameList, "mass\nstress\n");
    EXPECT_TRUE(logEntries().empty());
}

TEST_F(ResponsesTest, ProjectResponseTypeTextsMapToTheirCodes) {
    const std::vector<std::pair<const char*, int>> types = {
        {"type: Formula\nformula: a + b", 0}, {"type: Curve Fit", 1}, {"type: FLD", 2},
        {"type: Filter", 3}, {"type: RSM", 4}, {"type: File", 5}, {"type: API", 6},
        {"type: Spline", -1}, {"type: api", -1}, {"type: API ", -1}};
    for (std::size_t i = 0; i < types.size(); ++i) {
        defineResponse(("r" + std::to_string(i)).c_str(), types[i].first);
        EXPECT_EQ(model.prjResps.back().type, types[i].second) << types[i].first;
    }
}

TEST_F(ResponsesTest, UnknownProjectResponseTypeReadsNothingFurther) {
    defineResponse("odd", "type: Lookup\ndataType: text\nacceptMin: 5\nacceptMax: 1\nformula: x");
    ASSERT_EQ(model.prjResps.size(), 1u);
    EXPECT_EQ(model.prjResps[0].type, -1);
    expectDefaults(model.prjResps[0]);
    EXPECT_EQ(model.nameList, "odd\n");
    EXPECT_TRUE(logEntries().empty());
}

TEST_F(ResponsesTest, DataTypeIsNumericOnlyForTheWordNumeric) {
    std::vector<int> dataTypes;
    for (const char* text : {"\ndataType: numeric", "\ndataType:numeric", "\ndataType: text",
                             "\ndataType: Numeric", "\ndataType:  numeric", ""}) {
        defineResponse(text, std::string("type: API") + text);
        dataTypes.push_back(model.prjResps.back().dataType);
    }
    EXPECT_EQ(dataTypes, (std::vector<int>{0, 0, 1, 1, 1, 0}));
}

TEST_F(ResponsesTest, ProjectAcceptedRangeIsRead) {
    defineResponse("bounded", "type: API\nacceptMin: -2.5\nacceptMax: 7e2");
    defineResponse("point", "type: API\nacceptMin: 3\nacceptMax: 3");
    defineResponse("floor", "type: API\nacceptMin: 0");
    EXPECT_EQ(model.prjResps[0].acceptMin, -2.5);
    EXPECT_EQ(model.prjResps[0].acceptMax, 700.0);
    EXPECT_EQ(model.prjResps[1].acceptMin, 3.0);
    EXPECT_EQ(model.prjResps[2].acceptMin, 0.0);
    EXPECT_EQ(model.prjResps[2].acceptMax, 1e308);
}

TEST_F(ResponsesTest, BadProjectResponsesAreFatalAndNotAdded) {
    const std::string notDouble = " could not be converted into a double.";
    const struct {
        const char* name;
        std::string text;
        std::string message;
    } cases[] = {
        {"inverted", "type: API\nacceptMin: 4\nacceptMax: 3.5",
         "Error in the definition of the response \"inverted\". The minimum allowed value (4) "
         "cannot be greater than the maximum allowed value (3.5)."},
        {"aboveDefault", "type: API\nacceptMin: 2e308",
         readerMessage("aboveDefault", "Response", "acceptMin",
                       "The read value \"2e308\" could not be converted into a double.")},
        {"bad", "type: API\nacceptMax: ten",
         readerMessage("bad", "Response", "acceptMax",
                       "The read value \"ten\" could not be converted into a double.")},
        {nullptr, "type: API", undefined("Name not defined", "Response", "name")},
        {"untyped", "dataType: numeric", undefined("untyped", "Response", "type")},
        {"noFormula", "type: Formula", undefined("noFormula", "Response", "formula")},
        {"zeroLines", "type: Formula\nformula:0", undefined("zeroLines", "Response", "formula")},
        {"badCount", "type: Formula\nformula:x\na+b",
         readerMessage("badCount", "Response", "formula",
                       "The read value \"x\" could not be converted into an integer.")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        expectFatal([&] { defineResponse(c.name, c.text); }, c.message);
    }
    EXPECT_TRUE(model.prjResps.empty());
    EXPECT_EQ(model.nameList, "");
}

TEST_F(ResponsesTest, ProjectResponseNamesAreUniqueAndCaseSensitive) {
    defineResponse("Mass", "type: API");
    defineResponse("mass", "type: API");
    expectFatal([&] { defineResponse("Mass", "type: File"); },
                "Error in the response definition. The response name \"Mass\" has already been "
                "used. The response names need to be unique.");
    EXPECT_EQ(model.prjResps.size(), 2u);
    EXPECT_EQ(model.nameList, "Mass\nmass\n");
}

TEST_F(ResponsesTest, EachKindKeepsItsFormulaOrTheLinesOfItsOwnKeys) {
    defineResponse("ratio", "type: Formula\nformula: mass / volume");
    defineResponse("twoLines", "type: Formula\nformula:2\na = mass * 2\n_result = a + 1\nacceptMin: 0");
    EXPECT_EQ(model.prjResps[0].formula, "mass / volume");
    EXPECT_EQ(model.prjResps[1].formula, "a = mass * 2\n_result = a + 1");
    EXPECT_EQ(model.prjResps[1].acceptMin, 0.0);

    const std::vector<std::pair<std::string, Lines>> kinds = {
        {"type: Filter\nfilter: accel\nfilterType: 1\ncutoff: 60\nfitX: ignored\ninterval: 0.001\n"
         "numPts: 5",
         {"filter: accel", "filterType: 1", "cutoff: 60", "interval: 0.001", "numPts: 5"}},
        {"type: Curve Fit\nfitX: time\nfitY: force\nfitTarget: goal\ncurveFitFormula:2\nx = 1\n"
         "_result = x\nfitMode: 1",
         {"fitX: time", "fitY: force", "fitTarget: goal", "fitMode: 1", "curveFitFormula:2",
          "x = 1", "_result = x"}},
        {"type: RSM\nmdlFile: a.mdl\nrsmFormula: r1\nmajor: no", {"mdlFile: a.mdl", "rsmFormula: r1"}},
        {"type: FLD\nmajor: e1\nminor: e2\nhardening: 0.2",
         {"major: e1", "minor: e2", "hardening: 0.2"}},
        {"type: API\nfilter: accel", {}}};
    for (const auto& [text, properties] : kinds) {
        defineResponse(text.c_str(), text);
        EXPECT_EQ(model.prjResps.back().properties, properties) << text;
    }
}

// ==================================================== objectives, constraints

TEST_F(ResponsesTest, ObjectiveIsReadIntoItsGoal) {
    defineResponse("mass", "type: API");
    addToStudy("volume", objectiveText);  // need not name a project response
    ASSERT_EQ(performance.size(), 1u);
    EXPECT_EQ(performance.goals[0].name, "volume");
    EXPECT_EQ(performance.goals[0].flag, 0);
    EXPECT_EQ(performance.goals[0].opt, -1);
    EXPECT_EQ(numbersOf(0), (std::vector<double>{4.0, 1.5, 2.0, 3.0, -10.0, 10.0}));
    EXPECT_EQ(performance.goals[0].eval_tool, -4);
    EXPECT_EQ((std::vector<int>{performance.objectiveCount, performance.constraintCount,
                                countByKind(performance, 0), countByKind(performance, 1)}),
              (std::vector<int>{1, 0, 1, 0}));
    EXPECT_TRUE(logEntries().empty());
}

TEST_F(ResponsesTest, OptionTextsMapToCodesForBothKinds) {
    const std::vector<std::pair<std::string, int>> options = {
        {"-1", -1}, {"less_equal", -1}, {"min_value", -1}, {"equal", 0},        {"0", 0},
        {"min_diff", 0}, {"max_value", 1}, {"1", 1},     {"greater_equal", 1}};
    for (const auto& [text, code] : options) {
        addToStudy("c", entry("constraint", "option: " + text));
        EXPECT_EQ(performance.goals.back().opt, code) << text;
    }
    addToStudy("o1", entry("objective", "option: max_diff"));
    addToStudy("o2", entry("objective", "option: 2"));
    EXPECT_EQ(performance.goals[performance.size() - 2].opt, 2);
    EXPECT_EQ(performance.goals.back().opt, 2);
    EXPECT_EQ(performance.constraintCount, 9);
    EXPECT_EQ(countByKind(performance, 1), 9);
    EXPECT_EQ(countByKind(performance, 0), 2);
}

TEST_F(ResponsesTest, EveryObjectiveAndConstraintPropertyIsRequired) {
    for (const std::string& text : {objectiveText, constraintText}) {
        for (const char* key :
             {"factor", "option", "target", "quadWt", "linearWt", "acceptMin", "acceptMax"}) {
            LineList lines = block("mass", text);
            removeKey(lines, key);
            expectFatal([&] { addStudyResponse(model, performance, lines, {}); },
                        undefined("mass", "Study response", key));
        }
    }
    EXPECT_EQ(performance.size(), 0u);
    EXPECT_EQ(performance.objectiveCount, 0);
}

TEST_F(ResponsesTest, BadStudyEntriesAreFatalAndNotAdded) {
    const std::string pushAway =
        " Set Opt equal to -1 to keep the response below the constraint target.\n"
        " Set Opt equal to  0 to match the response value to the constraint target).\n"
        " Set Opt equal to  1 to keep the response above the constraint target).\n";
    const std::string zeroFactor =
        "The normalization value for response \"mass\" was specified as 0.0. This value must be "
        "non-zero. Please fix this before resubmitting the run.";
    const struct {
        const char* name;
        std::string text;
        std::string message;
        bool agentKnown = true;
    } cases[] = {
        {"mass", entry("objective", "option: minimize"),
         "Invalid option selected for an objective/constraint \"mass\". Valid choices are "
         "min_value, max_value, min_diff, max_diff for OBJECTIVES and less_equal, equal, "
         "greater_equal for CONSTRAINTS."},
        {"gap", entry("constraint", "option: max_diff"), pushAway},
        {"gap", entry("constraint", "option: 2"), pushAway},
        {"mass", "type: Objective\nfactor: 1",
         "Error in reading data for study response \"mass\". Unsupported response type "
         "\"Objective\" specified."},
        {"mass", "factor: 1", undefined("mass", "Study response", "type")},
        {nullptr, "type: objective", undefined("Name not defined", "Study response", "name")},
        {"mass", "type: response\ngoal: NONE\nacceptMin: 0",
         undefined("mass", "Study response", "acceptMax")},
        {"mass", entry("objective", "acceptMin: 2\nacceptMax: -2"),
         "Error in the definition of the study response \"mass\".\n The minimum allowed value "
         "(2) cannot be greater than the maximum allowed value (-2)."},
        {"noise", "type: response\ngoal: NONE\nacceptMin: 1e3\nacceptMax: 10",
         "Error in the definition of the study response \"noise\".\n The minimum allowed value "
         "(1000) cannot be greater than the maximum allowed value (10)."},
        {"mass", entry("objective", "factor: big"),
         readerMessage("mass", "Study response", "factor",
                       "The read value \"big\" could not be converted into a double.")},
        {"mass", entry("objective", "target: 1.5\r"),
         readerMessage("mass", "Study response", "target",
                       "The read value \"1.5\r\" could not be converted into a double.")},
        {"mass", entry("constraint", "factor: 0.0"), zeroFactor},
        {"mass", entry("constraint", "factor: -0"), zeroFactor},
        {"mass", objectiveText,
         "Internal error 9039. Could not identify agent number. Please contact technical support "
         "to resolve this problem.",
         false},
        {"noise", "type: response\ngoal: none\nacceptMin: 0\nacceptMax: 1",
         "Invalid response goal type selected \"none\". Valid choices are NONE, smaller, target, "
         "nominal, and larger."},
        {"noise", "type: response\nacceptMin: 0\nacceptMax: 1",
         undefined("noise", "Study response", "goal")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        StudyResponseContext context;
        context.agentKnown = c.agentKnown;
        expectFatal([&] { addStudyResponse(model, performance, block(c.name, c.text), context); },
                    c.message);
    }
    EXPECT_EQ(performance.size(), 0u);
    EXPECT_EQ(performance.objectiveCount, 0);
    EXPECT_EQ(performance.constraintCount, 0);
}

// ---------------------------------------------------------------- factors

TEST_F(ResponsesTest, BaselineFactorLeavesTheMarkerAndSkipsTheFactorChecks) {
    StudyResponseContext unknownAgent;
    unknownAgent.agentKnown = false;
    addToStudy("mass", entry("objective", "factor: baseline"), unknownAgent);
    EXPECT_EQ(performance.goals[0].norm, -1.0);
    EXPECT_TRUE(logEntries().empty());
}

TEST_F(ResponsesTest, NegativeFactorIsUsedAsItsMagnitudeWithAWarning) {
    addToStudy("mass", entry("objective", "factor: -2"));
    EXPECT_EQ(performance.goals[0].norm, 2.0);
    EXPECT_EQ(logEntries(),
              (Log{"*WARNING\nThe normalization value for response \"mass\" was specified as a "
                   "negative value (-2). Since VARNO does not allow negative values for "
                   "normalization, the absolute value will be used."}));
}

TEST_F(ResponsesTest, ReliabilityAgentTurnsAZeroFactorIntoOne) {
    StudyResponseContext reliability;
    reliability.reliabilityAgent = true;
    addToStudy("mass", entry("objective", "factor: 0"), reliability);
    addToStudy("mass", entry("constraint", "factor: -3"), reliability);
    EXPECT_EQ(performance.goals[0].norm, 1.0);
    EXPECT_EQ(performance.goals[1].norm, 3.0);
    ASSERT_EQ(logEntries().size(), 1u);
    EXPECT_NE(logEntries()[0].find("negative value (-3)"), std::string::npos);
}

// ------------------------------------------------------------- name rules

TEST_F(ResponsesTest, ParameterNamesCannotBeResponses) {
    model.file_user_cont.push_back(ContinuousParameter{1, "width", 0.0, 1.0, 2.0});
    StringParameter material;
    material.name = "material";
    model.file_user_strings.push_back(material);
    for (const char* name : {"width", "material"}) {
        for (const std::string& text : {objectiveText, plainText}) {
            expectFatal([&] { addToStudy(name, text); },
                        std::string("Error in the name definition of a response. The name \"") +
                            name + "\" has already been used to define a variable.");
        }
    }
    EXPECT_EQ(performance.size(), 0u);
}

TEST_F(ResponsesTest, OneObjectiveAndManyConstraintsMayShareAName) {
    for (const std::string* text : {&constraintText, &objectiveText, &constraintText, &constraintText})
        addToStudy("mass", *text);
    std::vector<int> kinds;
    for (const ResponseGoal& goal : performance.goals) kinds.push_back(goal.flag);
    EXPECT_EQ(kinds, (std::vector<int>{1, 0, 1, 1}));
    EXPECT_EQ(performance.goals[0].target, 5.0);
    EXPECT_EQ(performance.objectiveCount, 1);
    EXPECT_EQ(performance.constraintCount, 3);

    expectFatal([&] { addToStudy("mass", objectiveText); },
                "\nThe response variable name mass already exists as an objective.");
    EXPECT_EQ(performance.size(), 4u);
    EXPECT_EQ(performance.objectiveCount, 1);
}

TEST_F(ResponsesTest, PlainResponseNamesCannotBeShared) {
    const auto repeated = [](const std::string& name) {
        return "The response name " + name +
               " already exists in the list of study responses. The following rules apply for "
               "using the same response multiple times: The response can only be used as an "
               "objective or a constraint. It can be used as an objective only once. There is no "
               "limit on the number of constraints defined on a response.";
    };
    addToStudy("noise", plainText);
    for (const std::string& text : {constraintText, objectiveText, plainText})
        expectFatal([&] { addToStudy("noise", text); }, repeated("noise"));
    addToStudy("mass", objectiveText);
    expectFatal([&] { addToStudy("mass", plainText); }, repeated("mass"));
    addToStudy("load", constraintText);
    expectFatal([&] { addToStudy("load", plainText); }, repeated("load"));
    std::vector<std::string> names;
    for (const ResponseGoal& goal : performance.goals) names.push_back(goal.name);
    EXPECT_EQ(names, (std::vector<std::string>{"noise", "mass", "load"}));
}

// -------------------------------------------------------- plain responses

TEST_F(ResponsesTest, PlainResponseTakesItsGoalAndFixedWeights) {
    const std::vector<std::pair<std::string, int>> goals = {
        {"NONE", -2}, {"smaller", -1}, {"target", 0}, {"nominal", 1}, {"larger", 2}};
    for (const auto& [goal, code] : goals) {
        addToStudy(("r_" + goal).c_str(), "type: response\ngoal: " + goal +
                                              "\nacceptMin: -1\nacceptMax: 1\nfactor: 7\ntarget: 9");
        EXPECT_EQ(performance.goals.back().opt, code) << goal;
    }
    for (std::size_t i = 0; i < performance.size(); ++i) {
        EXPECT_EQ(performance.goals[i].flag, 3);
        EXPECT_EQ(numbersOf(i), (std::vector<double>{1.0, 0.0, 0.0, 0.0, -1.0, 1.0}));
    }
    EXPECT_EQ(performance.objectiveCount, 0);
    EXPECT_EQ(performance.constraintCount, 0);
    EXPECT_EQ(countByKind(performance, 3), 5);
}

// ================================================= values from the host

class ResponseValuesTest : public ResponsesTest {
protected:
    // Study entries: mass, stress, open, volume (no project response), mass again.
    void SetUp() override {
        ResponsesTest::SetUp();
        defineResponse("mass", "type: API\nacceptMin: 0\nacceptMax: 10");
        defineResponse("stress", "type: API\nacceptMin: 5\nacceptMax: 50");
        defineResponse("open", "type: API");
        addToStudy("mass", objectiveText);
        addToStudy("stress", constraintText);
        addToStudy("open", "type: response\ngoal: NONE\nacceptMin: -1\nacceptMax: 1");
        addToStudy("volume", plainText);
        addToStudy("mass", constraintText);
        clearMessageLog();
    }

    static std::vector<double> storedDoubles(const CheckedResponseValues& checked) {
        std::vector<double> numbers;
        for (const DataValueArray& array : checked.values) {
            EXPECT_EQ(array.size(), 2u);
            EXPECT_EQ(array[0].dataType, 2);
            EXPECT_EQ(array[0].set, 1);
            EXPECT_EQ(array[1].dataType, 4);
            numbers.push_back(array[0].doubleValue);
        }
        return numbers;
    }
};

TEST_F(ResponseValuesTest, ValuesAreCheckedAgainstTheProjectRangeAndStored) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const double largest = std::numeric_limits<double>::max();
    const struct {
        const char* design;
        std::vector<double> values;
        std::vector<double> stored;
        Log log;
    } cases[] = {
        {"Design1", {10.0, 5.0, -3.5e200, 0.0, 10.0}, {10.0, 5.0, -3.5e200, 0.0, 10.0}, {}},
        // "open" has no project range: any finite value, whatever its study range [-1, 1]
        {"Design2", {1.0, 6.0, -1e308, -1e308, 1.0}, {1.0, 6.0, -1e308, -1e308, 1.0}, {}},
        {"Design2", {1.0, 6.0, 1e308, 0.0, 1.0}, {1.0, 6.0, 1e308, 0.0, 1.0}, {}},
        {"Design2", {1.0, 6.0, 123.456e300, 0.0, 1.0}, {1.0, 6.0, 123.456e300, 0.0, 1.0}, {}},
        {"Design6", {1.0, 6.0, 40.0, 0.0, 1.0}, {1.0, 6.0, 40.0, 0.0, 1.0}, {}},
        {"Design3", {12.0, 4.5, 0.0, 0.0, 11.0}, {12.0, 4.5, 0.0, 0.0, 11.0},
         {"*ERROR\nThe value 12 for response \"mass\" for design \"Design3\" lies outside the "
          "specified range [0, 10]",
          "*ERROR\nThe value 4.5 for response \"stress\" for design \"Design3\" lies outside the "
          "specified range [5, 50]",
          "*ERROR\nThe value 11 for response \"mass\" for design \"Design3\" lies outside the "
          "specified range [0, 10]"}},
        {"Design4", {1.0, nan, 0.5, 0.0, 1.0}, {1.0, 0.0, 0.5, 0.0, 1.0},
         {"*ERROR\nThe value for response \"stress\" for design \"Design4\" is NOT A NUMBER "
          "(Nan). This response value will be set to 0.0 and it will be marked as an error "
          "response."}},
        {"Design5", {1.0, 6.0, -inf, 0.0, 1.0}, {1.0, 6.0, -inf, 0.0, 1.0},
         {"*ERROR\nThe value -inf for response \"open\" for design \"Design5\" lies outside the "
          "specified range [-1e+308, 1e+308]"}},
        {"Design8", {1.0, 6.0, 0.0, largest, 1.0}, {1.0, 6.0, 0.0, largest, 1.0},
         {"*ERROR\nThe value 1.79769e+308 for response \"volume\" for design \"Design8\" lies "
          "outside the specified range [-1e+308, 1e+308]"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.design);
        clearMessageLog();
        const CheckedResponseValues checked =
            checkResponseValues(model, performance, c.design, c.values);
        EXPECT_EQ(checked.errorDesign, !c.log.empty());
        EXPECT_EQ(storedDoubles(checked), c.stored);
        EXPECT_EQ(logEntries(), c.log);
    }
}

}  // namespace
}  // namespace varno::model
