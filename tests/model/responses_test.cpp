#include "model/responses.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "api/definition_text.h"
#include "api/fatal_error.h"
#include "api/library_state.h"
#include "api/message_log.h"
#include "test_support.h"

namespace varno::model {
namespace {

using varno::testing::logEntries;
using Log = std::vector<std::string>;

constexpr double largestDouble = std::numeric_limits<double>::max();

// A definition block as a set-up call builds it: the name line, then the text.
LineList block(const std::string& name, const char* text) {
    LineList lines = splitLines(text);
    addNameLine(lines, name);
    return lines;
}

class ResponsesTest : public ::testing::Test {
protected:
    void SetUp() override { clearMessageLog(); }
    void TearDown() override { clearMessageLog(); }

    void defineResponse(const std::string& name, const char* text) {
        defineProjectResponse(model, block(name, text));
    }

    void addToStudy(const std::string& name, const char* text,
                    StudyResponseContext context = {}) {
        addStudyResponse(model, performance, block(name, text), context);
    }

    // Runs `call`, which must end in the fatal error `text` and nothing else.
    static void expectFatal(const std::function<void()>& call, const std::string& text) {
        clearMessageLog();
        varno::testing::expectFatal(call, text);
        EXPECT_EQ(logEntries().size(), 2u);
    }

    static std::string readerMessage(const std::string& object, const std::string& type,
                                     const std::string& key, const std::string& reason) {
        return "When reading data for \"" + object + "\" of type \"" + type +
               "\" from file \"API\", VARNO encountered the following error in reading the "
               "data for property \"" + key + "\":\n" + reason;
    }

    ProjectModel model;
    PerformanceDefinition performance;
};

constexpr const char* objectiveText =
    "type: objective\nfactor: 4.0\noption: min_value\ntarget: 1.5\nquadWt: 2.0\nlinearWt: 3.0\n"
    "acceptMin: -10\nacceptMax: 10";
constexpr const char* constraintText =
    "type: constraint\nfactor: 1.0\noption: less_equal\ntarget: 5\nquadWt: 0\nlinearWt: 1\n"
    "acceptMin: -100\nacceptMax: 100";

// ======================================================= project responses

TEST_F(ResponsesTest, ProjectResponseTakesDefaultsAndJoinsTheNameList) {
    defineResponse("mass", "type: API");
    defineResponse("stress", "type: File");
    ASSERT_EQ(model.prjResps.size(), 2u);
    const ProjectResponse& mass = model.prjResps[0];
    EXPECT_EQ(mass.name, "mass");
    EXPECT_EQ(mass.type, 6);
    EXPECT_EQ(mass.dataType, 0);
    EXPECT_EQ(mass.acceptMin, -1e308);
    EXPECT_EQ(mass.acceptMax, 1e308);
    EXPECT_TRUE(mass.properties.empty());
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
        defineResponse("r" + std::to_string(i), types[i].first);
        EXPECT_EQ(model.prjResps.back().type, types[i].second) << types[i].first;
    }
}

TEST_F(ResponsesTest, UnknownProjectResponseTypeReadsNothingFurther) {
    defineResponse("odd", "type: Lookup\ndataType: text\nacceptMin: 5\nacceptMax: 1\n"
                          "formula: x");
    ASSERT_EQ(model.prjResps.size(), 1u);
    const ProjectResponse& odd = model.prjResps[0];
    EXPECT_EQ(odd.type, -1);
    EXPECT_EQ(odd.dataType, 0);
    EXPECT_EQ(odd.acceptMin, -1e308);
    EXPECT_EQ(odd.acceptMax, 1e308);
    EXPECT_EQ(odd.formula, "");
    EXPECT_EQ(model.nameList, "odd\n");
    EXPECT_TRUE(logEntries().empty());
}

TEST_F(ResponsesTest, DataTypeIsNumericOnlyForTheWordNumeric) {
    defineResponse("a", "type: API\ndataType: numeric");
    defineResponse("b", "type: API\ndataType:numeric");
    defineResponse("c", "type: API\ndataType: text");
    defineResponse("d", "type: API\ndataType: Numeric");
    defineResponse("e", "type: API\ndataType:  numeric");
    defineResponse("f", "type: API");
    std::vector<int> dataTypes;
    for (const ProjectResponse& r : model.prjResps) dataTypes.push_back(r.dataType);
    EXPECT_EQ(dataTypes, (std::vector<int>{0, 0, 1, 1, 1, 0}));
}

TEST_F(ResponsesTest, ProjectAcceptedRangeIsReadAndChecked) {
    defineResponse("bounded", "type: API\nacceptMin: -2.5\nacceptMax: 7e2");
    defineResponse("point", "type: API\nacceptMin: 3\nacceptMax: 3");
    defineResponse("floor", "type: API\nacceptMin: 0");
    EXPECT_EQ(model.prjResps[0].acceptMin, -2.5);
    EXPECT_EQ(model.prjResps[0].acceptMax, 700.0);
    EXPECT_EQ(model.prjResps[1].acceptMin, 3.0);
    EXPECT_EQ(model.prjResps[2].acceptMin, 0.0);
    EXPECT_EQ(model.prjResps[2].acceptMax, 1e308);

    expectFatal([&] { defineResponse("inverted", "type: API\nacceptMin: 4\nacceptMax: 3.5"); },
                "Error in the definition of the response \"inverted\". The minimum allowed "
                "value (4) cannot be greater than the maximum allowed value (3.5).");
    expectFatal([&] { defineResponse("aboveDefault", "type: API\nacceptMin: 2e308"); },
                readerMessage("aboveDefault", "Response", "acceptMin",
                              "The read value \"2e308\" could not be converted into a double."));
    expectFatal([&] { defineResponse("bad", "type: API\nacceptMax: ten"); },
                readerMessage("bad", "Response", "acceptMax",
                              "The read value \"ten\" could not be converted into a double."));
    EXPECT_EQ(model.prjResps.size(), 3u);
    EXPECT_EQ(model.nameList, "bounded\npoint\nfloor\n");
}

TEST_F(ResponsesTest, ProjectResponseRequiresNameAndType) {
    expectFatal([&] { defineProjectResponse(model, splitLines("type: API")); },
                readerMessage("Name not defined", "Response", "name",
                              "The property is not defined."));
    expectFatal([&] { defineResponse("untyped", "dataType: numeric"); },
                readerMessage("untyped", "Response", "type", "The property is not defined."));
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

TEST_F(ResponsesTest, FormulaResponseKeepsItsLinesJoined) {
    defineResponse("ratio", "type: Formula\nformula: mass / volume");
    defineResponse("twoLines", "type: Formula\nformula:2\na = mass * 2\n_result = a + 1\n"
                               "acceptMin: 0");
    EXPECT_EQ(model.prjResps[0].formula, "mass / volume");
    EXPECT_EQ(model.prjResps[1].formula, "a = mass * 2\n_result = a + 1");
    EXPECT_EQ(model.prjResps[1].acceptMin, 0.0);

    expectFatal([&] { defineResponse("noFormula", "type: Formula"); },
                readerMessage("noFormula", "Response", "formula",
                              "The property is not defined."));
    expectFatal([&] { defineResponse("zeroLines", "type: Formula\nformula:0"); },
                readerMessage("zeroLines", "Response", "formula",
                              "The property is not defined."));
    expectFatal([&] { defineResponse("badCount", "type: Formula\nformula:x\na+b"); },
                readerMessage("badCount", "Response", "formula",
                              "The read value \"x\" could not be converted into an integer."));
}

TEST_F(ResponsesTest, OtherKindsKeepTheLinesOfTheirOwnKeys) {
    defineResponse("smooth", "type: Filter\nfilter: accel\nfilterType: 1\ncutoff: 60\n"
                             "fitX: ignored\ninterval: 0.001\nnumPts: 5");
    EXPECT_EQ(model.prjResps[0].properties,
              (std::vector<std::string>{"filter: accel", "filterType: 1", "cutoff: 60",
                                        "interval: 0.001", "numPts: 5"}));

    defineResponse("fit", "type: Curve Fit\nfitX: time\nfitY: force\nfitTarget: goal\n"
                          "curveFitFormula:2\nx = 1\n_result = x\nfitMode: 1");
    EXPECT_EQ(model.prjResps[1].properties,
              (std::vector<std::string>{"fitX: time", "fitY: force", "fitTarget: goal",
                                        "fitMode: 1", "curveFitFormula:2", "x = 1",
                                        "_result = x"}));

    defineResponse("surface", "type: RSM\nmdlFile: a.mdl\nrsmFormula: r1\nmajor: no");
    EXPECT_EQ(model.prjResps[2].properties,
              (std::vector<std::string>{"mdlFile: a.mdl", "rsmFormula: r1"}));

    defineResponse("forming", "type: FLD\nmajor: e1\nminor: e2\nhardening: 0.2");
    EXPECT_EQ(model.prjResps[3].properties,
              (std::vector<std::string>{"major: e1", "minor: e2", "hardening: 0.2"}));

    defineResponse("host", "type: API\nfilter: accel");
    EXPECT_TRUE(model.prjResps[4].properties.empty());
}

// ==================================================== objectives, constraints

TEST_F(ResponsesTest, ObjectiveIsReadIntoTheParallelArrays) {
    addToStudy("mass", objectiveText);
    ASSERT_EQ(performance.size(), 1u);
    EXPECT_EQ(performance.name[0], "mass");
    EXPECT_EQ(performance.flag[0], 0);
    EXPECT_EQ(performance.opt[0], -1);
    EXPECT_EQ(performance.norm[0], 4.0);
    EXPECT_EQ(performance.target[0], 1.5);
    EXPECT_EQ(performance.coef[0], 2.0);
    EXPECT_EQ(performance.offset[0], 3.0);
    EXPECT_EQ(performance.minAllowed[0], -10.0);
    EXPECT_EQ(performance.maxAllowed[0], 10.0);
    EXPECT_EQ(performance.eval_tool[0], -4);
    ASSERT_EQ(performance.err_msgs.size(), 1u);
    ASSERT_EQ(performance.resp_value_type.size(), 1u);
    ASSERT_EQ(performance.eval.size(), 1u);
    EXPECT_EQ(performance.objectiveCount, 1);
    EXPECT_EQ(performance.constraintCount, 0);
    EXPECT_EQ(countByKind(performance, 0), 1);
    EXPECT_EQ(countByKind(performance, 1), 0);
    EXPECT_TRUE(logEntries().empty());
}

TEST_F(ResponsesTest, StudyResponseNeedNotNameAProjectResponse) {
    defineResponse("mass", "type: API");
    addToStudy("volume", objectiveText);
    EXPECT_EQ(performance.name, (std::vector<std::string>{"volume"}));
}

TEST_F(ResponsesTest, OptionTextsMapToCodesForBothKinds) {
    const std::vector<std::pair<std::string, int>> options = {
        {"-1", -1}, {"less_equal", -1}, {"min_value", -1}, {"equal", 0},
        {"0", 0},   {"min_diff", 0},    {"max_value", 1},  {"1", 1},
        {"greater_equal", 1}};
    for (const auto& [text, code] : options) {
        const std::string definition =
            "type: constraint\nfactor: 1\noption: " + text +
            "\ntarget: 0\nquadWt: 0\nlinearWt: 0\nacceptMin: 0\nacceptMax: 1";
        addToStudy("c", definition.c_str());
        EXPECT_EQ(performance.opt.back(), code) << text;
    }
    addToStudy("o1", "type: objective\nfactor: 1\noption: max_diff\ntarget: 0\nquadWt: 0\n"
                     "linearWt: 0\nacceptMin: 0\nacceptMax: 1");
    addToStudy("o2", "type: objective\nfactor: 1\noption: 2\ntarget: 0\nquadWt: 0\n"
                     "linearWt: 0\nacceptMin: 0\nacceptMax: 1");
    EXPECT_EQ(performance.opt[performance.size() - 2], 2);
    EXPECT_EQ(performance.opt.back(), 2);
    EXPECT_EQ(performance.constraintCount, 9);
    EXPECT_EQ(countByKind(performance, 1), 9);
    EXPECT_EQ(countByKind(performance, 0), 2);
}

TEST_F(ResponsesTest, MaxValueConstraintKeepsAtOrAboveTheTarget) {
    addToStudy("load", "type: constraint\nfactor: 1\noption: max_value\ntarget: 250\n"
                       "quadWt: 0\nlinearWt: 1\nacceptMin: 0\nacceptMax: 1000");
    EXPECT_EQ(performance.flag[0], 1);
    EXPECT_EQ(performance.opt[0], 1);
    EXPECT_EQ(performance.target[0], 250.0);
}

TEST_F(ResponsesTest, UnknownOptionIsFatal) {
    expectFatal([&] {
        addToStudy("mass", "type: objective\nfactor: 1\noption: minimize\ntarget: 0\n"
                           "quadWt: 0\nlinearWt: 0\nacceptMin: 0\nacceptMax: 1");
    },
                "Invalid option selected for an objective/constraint \"mass\". Valid choices "
                "are min_value, max_value, min_diff, max_diff for OBJECTIVES and less_equal, "
                "equal, greater_equal for CONSTRAINTS.");
    EXPECT_EQ(performance.size(), 0u);
}

TEST_F(ResponsesTest, ConstraintCannotPushAwayFromItsTarget) {
    const std::string expected =
        " Set Opt equal to -1 to keep the response below the constraint target.\n"
        " Set Opt equal to  0 to match the response value to the constraint target).\n"
        " Set Opt equal to  1 to keep the response above the constraint target).\n";
    for (const char* option : {"max_diff", "2"}) {
        const std::string definition = std::string("type: constraint\nfactor: 1\noption: ") +
                                       option +
                                       "\ntarget: 0\nquadWt: 0\nlinearWt: 0\nacceptMin: 0\n"
                                       "acceptMax: 1";
        expectFatal([&] { addToStudy("gap", definition.c_str()); }, expected);
    }
    EXPECT_EQ(performance.size(), 0u);
    EXPECT_EQ(performance.constraintCount, 0);
}

TEST_F(ResponsesTest, StudyResponseTypeMustBeKnown) {
    expectFatal([&] { addToStudy("mass", "type: Objective\nfactor: 1"); },
                "Error in reading data for study response \"mass\". Unsupported response type "
                "\"Objective\" specified.");
    expectFatal([&] { addToStudy("mass", "factor: 1"); },
                readerMessage("mass", "Study response", "type", "The property is not defined."));
    expectFatal([&] { addStudyResponse(model, performance, splitLines("type: objective"), {}); },
                readerMessage("Name not defined", "Study response", "name",
                              "The property is not defined."));
    EXPECT_EQ(performance.size(), 0u);
}

TEST_F(ResponsesTest, EveryObjectivePropertyIsRequired) {
    const std::vector<std::string> keys = {"factor", "option", "target", "quadWt",
                                           "linearWt", "acceptMin", "acceptMax"};
    for (const std::string& key : keys) {
        LineList lines = block("mass", objectiveText);
        removeKey(lines, key);
        expectFatal([&] { addStudyResponse(model, performance, lines, {}); },
                    readerMessage("mass", "Study response", key,
                                  "The property is not defined."));
    }
    EXPECT_EQ(performance.size(), 0u);
    EXPECT_EQ(performance.objectiveCount, 0);
}

TEST_F(ResponsesTest, StudyResponseWithoutAcceptedRangeIsRejected) {
    expectFatal([&] {
        addToStudy("load", "type: constraint\nfactor: 1\noption: 1\ntarget: 0\nquadWt: 0\n"
                           "linearWt: 0");
    },
                readerMessage("load", "Study response", "acceptMin",
                              "The property is not defined."));
    expectFatal([&] { addToStudy("mass", "type: response\ngoal: NONE\nacceptMin: 0"); },
                readerMessage("mass", "Study response", "acceptMax",
                              "The property is not defined."));
}

TEST_F(ResponsesTest, StudyAcceptedRangeMustNotBeInverted) {
    expectFatal([&] {
        addToStudy("mass", "type: objective\nfactor: 1\noption: 1\ntarget: 0\nquadWt: 0\n"
                           "linearWt: 0\nacceptMin: 2\nacceptMax: -2");
    },
                "Error in the definition of the study response \"mass\".\n The minimum allowed "
                "value (2) cannot be greater than the maximum allowed value (-2).");
    expectFatal([&] { addToStudy("noise", "type: response\ngoal: NONE\nacceptMin: 1e3\n"
                                          "acceptMax: 10"); },
                "Error in the definition of the study response \"noise\".\n The minimum allowed "
                "value (1000) cannot be greater than the maximum allowed value (10).");
    EXPECT_EQ(performance.size(), 0u);
}

TEST_F(ResponsesTest, NumbersThatDoNotConvertAreFatal) {
    expectFatal([&] {
        addToStudy("mass", "type: objective\nfactor: big\noption: 1\ntarget: 0\nquadWt: 0\n"
                           "linearWt: 0\nacceptMin: 0\nacceptMax: 1");
    },
                readerMessage("mass", "Study response", "factor",
                              "The read value \"big\" could not be converted into a double."));
    expectFatal([&] {
        addToStudy("mass", "type: objective\nfactor: 1\noption: 1\ntarget: 1.5\r\nquadWt: 0\n"
                           "linearWt: 0\nacceptMin: 0\nacceptMax: 1");
    },
                readerMessage("mass", "Study response", "target",
                              "The read value \"1.5\r\" could not be converted into a double."));
}

// ---------------------------------------------------------------- factors

TEST_F(ResponsesTest, BaselineFactorLeavesTheMarkerAndSkipsTheFactorChecks) {
    StudyResponseContext unknownAgent;
    unknownAgent.agentKnown = false;
    addToStudy("mass", "type: objective\nfactor: baseline\noption: 1\ntarget: 0\nquadWt: 0\n"
                       "linearWt: 0\nacceptMin: 0\nacceptMax: 1",
               unknownAgent);
    EXPECT_EQ(performance.norm[0], -1.0);
    EXPECT_TRUE(logEntries().empty());
}

TEST_F(ResponsesTest, NegativeFactorIsUsedAsItsMagnitudeWithAWarning) {
    addToStudy("mass", "type: objective\nfactor: -2\noption: 1\ntarget: 0\nquadWt: 0\n"
                       "linearWt: 0\nacceptMin: 0\nacceptMax: 1");
    EXPECT_EQ(performance.norm[0], 2.0);
    EXPECT_EQ(logEntries(),
              (Log{"*WARNING\nThe normalization value for response \"mass\" was specified as a "
                   "negative value (-2). Since VARNO does not allow negative values for "
                   "normalization, the absolute value will be used."}));
}

TEST_F(ResponsesTest, ZeroFactorIsFatal) {
    expectFatal([&] {
        addToStudy("mass", "type: constraint\nfactor: 0.0\noption: 1\ntarget: 0\nquadWt: 0\n"
                           "linearWt: 0\nacceptMin: 0\nacceptMax: 1");
    },
                "The normalization value for response \"mass\" was specified as 0.0. This value "
                "must be non-zero. Please fix this before resubmitting the run.");
    expectFatal([&] {
        addToStudy("mass", "type: constraint\nfactor: -0\noption: 1\ntarget: 0\nquadWt: 0\n"
                           "linearWt: 0\nacceptMin: 0\nacceptMax: 1");
    },
                "The normalization value for response \"mass\" was specified as 0.0. This value "
                "must be non-zero. Please fix this before resubmitting the run.");
    EXPECT_EQ(performance.size(), 0u);
    EXPECT_EQ(performance.constraintCount, 0);
}

TEST_F(ResponsesTest, ReliabilityAgentTurnsAZeroFactorIntoOne) {
    StudyResponseContext reliability;
    reliability.reliabilityAgent = true;
    addToStudy("mass", "type: objective\nfactor: 0\noption: 1\ntarget: 0\nquadWt: 0\n"
                       "linearWt: 0\nacceptMin: 0\nacceptMax: 1",
               reliability);
    addToStudy("mass", "type: constraint\nfactor: -3\noption: 1\ntarget: 0\nquadWt: 0\n"
                       "linearWt: 0\nacceptMin: 0\nacceptMax: 1",
               reliability);
    EXPECT_EQ(performance.norm, (std::vector<double>{1.0, 3.0}));
    ASSERT_EQ(logEntries().size(), 1u);
    EXPECT_NE(logEntries()[0].find("negative value (-3)"), std::string::npos);
}

TEST_F(ResponsesTest, UnknownAgentIsAnInternalError) {
    StudyResponseContext unknownAgent;
    unknownAgent.agentKnown = false;
    expectFatal([&] { addToStudy("mass", objectiveText, unknownAgent); },
                "Internal error 9039. Could not identify agent number. Please contact technical "
                "support to resolve this problem.");
    EXPECT_EQ(performance.size(), 0u);
    EXPECT_EQ(performance.objectiveCount, 0);
}

// ------------------------------------------------------------- name rules

TEST_F(ResponsesTest, ParameterNamesCannotBeResponses) {
    model.file_user_cont.push_back(ContinuousParameter{1, "width", 0.0, 1.0, 2.0});
    StringParameter material;
    material.name = "material";
    model.file_user_strings.push_back(material);
    for (const char* name : {"width", "material"}) {
        expectFatal([&] { addToStudy(name, objectiveText); },
                    std::string("Error in the name definition of a response. The name \"") +
                        name + "\" has already been used to define a variable.");
        expectFatal([&] { addToStudy(name, "type: response\ngoal: NONE\nacceptMin: 0\n"
                                           "acceptMax: 1"); },
                    std::string("Error in the name definition of a response. The name \"") +
                        name + "\" has already been used to define a variable.");
    }
    EXPECT_EQ(performance.size(), 0u);
}

TEST_F(ResponsesTest, OneObjectiveAndManyConstraintsMayShareAName) {
    addToStudy("mass", constraintText);
    addToStudy("mass", objectiveText);
    addToStudy("mass", constraintText);
    addToStudy("mass", constraintText);
    EXPECT_EQ(performance.flag, (std::vector<int>{1, 0, 1, 1}));
    EXPECT_EQ(performance.objectiveCount, 1);
    EXPECT_EQ(performance.constraintCount, 3);

    expectFatal([&] { addToStudy("mass", objectiveText); },
                "\nThe response variable name mass already exists as an objective.");
    EXPECT_EQ(performance.size(), 4u);
    EXPECT_EQ(performance.objectiveCount, 1);
}

TEST_F(ResponsesTest, PlainResponseNamesCannotBeShared) {
    const std::string repeated =
        "The response name %NAME% already exists in the list of study responses. The following "
        "rules apply for using the same response multiple times: The response can only be used "
        "as an objective or a constraint. It can be used as an objective only once. There is no "
        "limit on the number of constraints defined on a response.";
    const auto forName = [&repeated](const std::string& name) {
        std::string text = repeated;
        return text.replace(text.find("%NAME%"), 6, name);
    };
    const char* plainText = "type: response\ngoal: NONE\nacceptMin: 0\nacceptMax: 1";

    addToStudy("noise", plainText);
    expectFatal([&] { addToStudy("noise", constraintText); }, forName("noise"));
    expectFatal([&] { addToStudy("noise", objectiveText); }, forName("noise"));
    expectFatal([&] { addToStudy("noise", plainText); }, forName("noise"));

    addToStudy("mass", objectiveText);
    expectFatal([&] { addToStudy("mass", plainText); }, forName("mass"));
    addToStudy("load", constraintText);
    expectFatal([&] { addToStudy("load", plainText); }, forName("load"));
    EXPECT_EQ(performance.name, (std::vector<std::string>{"noise", "mass", "load"}));
}

// -------------------------------------------------------- plain responses

TEST_F(ResponsesTest, PlainResponseTakesItsGoalAndFixedWeights) {
    const std::vector<std::pair<std::string, int>> goals = {
        {"NONE", -2}, {"smaller", -1}, {"target", 0}, {"nominal", 1}, {"larger", 2}};
    for (const auto& [goal, code] : goals) {
        const std::string definition = "type: response\ngoal: " + goal +
                                       "\nacceptMin: -1\nacceptMax: 1\nfactor: 7\ntarget: 9";
        addToStudy("r_" + goal, definition.c_str());
        EXPECT_EQ(performance.opt.back(), code) << goal;
    }
    for (std::size_t i = 0; i < performance.size(); ++i) {
        EXPECT_EQ(performance.flag[i], 3);
        EXPECT_EQ(performance.target[i], 0.0);
        EXPECT_EQ(performance.norm[i], 1.0);
        EXPECT_EQ(performance.coef[i], 0.0);
        EXPECT_EQ(performance.offset[i], 0.0);
        EXPECT_EQ(performance.minAllowed[i], -1.0);
        EXPECT_EQ(performance.maxAllowed[i], 1.0);
    }
    EXPECT_EQ(performance.objectiveCount, 0);
    EXPECT_EQ(performance.constraintCount, 0);
    EXPECT_EQ(countByKind(performance, 3), 5);
}

TEST_F(ResponsesTest, PlainResponseGoalMustBeKnown) {
    expectFatal([&] { addToStudy("noise", "type: response\ngoal: none\nacceptMin: 0\n"
                                          "acceptMax: 1"); },
                "Invalid response goal type selected \"none\". Valid choices are NONE, smaller, "
                "target, nominal, and larger.");
    expectFatal([&] { addToStudy("noise", "type: response\nacceptMin: 0\nacceptMax: 1"); },
                readerMessage("noise", "Study response", "goal",
                              "The property is not defined."));
    EXPECT_EQ(performance.size(), 0u);
}

// ================================================= values from the host

class ResponseValuesTest : public ResponsesTest {
protected:
    void SetUp() override {
        ResponsesTest::SetUp();
        defineResponse("mass", "type: API\nacceptMin: 0\nacceptMax: 10");
        defineResponse("stress", "type: API\nacceptMin: 5\nacceptMax: 50");
        defineResponse("open", "type: API");
        addToStudy("mass", objectiveText);
        addToStudy("stress", constraintText);
        addToStudy("open", "type: response\ngoal: NONE\nacceptMin: -1\nacceptMax: 1");
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

TEST_F(ResponseValuesTest, ValuesInRangeAreStoredAsDoubles) {
    const CheckedResponseValues checked =
        checkResponseValues(model, performance, "Design1", {10.0, 5.0, -3.5e200});
    EXPECT_FALSE(checked.errorDesign);
    EXPECT_EQ(storedDoubles(checked), (std::vector<double>{10.0, 5.0, -3.5e200}));
    EXPECT_TRUE(logEntries().empty());
}

TEST_F(ResponseValuesTest, ProjectResponseWithoutRangeAcceptsAnyFiniteValue) {
    for (const double value : {-1e308, 1e308, 0.0, 123.456e300}) {
        EXPECT_FALSE(checkResponseValues(model, performance, "Design2", {1.0, 6.0, value})
                         .errorDesign)
            << value;
    }
    EXPECT_TRUE(logEntries().empty());
}

TEST_F(ResponseValuesTest, OutOfRangeValueIsKeptAndMakesAnErrorDesign) {
    const CheckedResponseValues checked =
        checkResponseValues(model, performance, "Design3", {12.0, 4.5, 0.0});
    EXPECT_TRUE(checked.errorDesign);
    EXPECT_EQ(storedDoubles(checked), (std::vector<double>{12.0, 4.5, 0.0}));
    EXPECT_EQ(logEntries(),
              (Log{"*ERROR\nThe value 12 for response \"mass\" for design \"Design3\" lies "
                   "outside the specified range [0, 10]",
                   "*ERROR\nThe value 4.5 for response \"stress\" for design \"Design3\" lies "
                   "outside the specified range [5, 50]"}));
}

TEST_F(ResponseValuesTest, NotANumberBecomesZeroEvenOutsideTheRange) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const CheckedResponseValues checked =
        checkResponseValues(model, performance, "Design4", {1.0, nan, 0.5});
    EXPECT_TRUE(checked.errorDesign);
    EXPECT_EQ(storedDoubles(checked), (std::vector<double>{1.0, 0.0, 0.5}));
    EXPECT_EQ(logEntries(),
              (Log{"*ERROR\nThe value for response \"stress\" for design \"Design4\" is NOT A "
                   "NUMBER (Nan). This response value will be set to 0.0 and it will be marked "
                   "as an error response."}));
}

TEST_F(ResponseValuesTest, InfiniteValuesLieOutsideEveryRange) {
    const double inf = std::numeric_limits<double>::infinity();
    const CheckedResponseValues checked =
        checkResponseValues(model, performance, "Design5", {1.0, 6.0, -inf});
    EXPECT_TRUE(checked.errorDesign);
    EXPECT_TRUE(std::isinf(storedDoubles(checked)[2]));
    EXPECT_EQ(logEntries(),
              (Log{"*ERROR\nThe value -inf for response \"open\" for design \"Design5\" lies "
                   "outside the specified range [-1e+308, 1e+308]"}));
}

TEST_F(ResponseValuesTest, RangeComesFromTheProjectResponseNotTheStudyEntry) {
    // "open" is a plain response with the study range [-1, 1]; the host's value is
    // checked against the project's open range.
    EXPECT_FALSE(checkResponseValues(model, performance, "Design6", {1.0, 6.0, 40.0}).errorDesign);
    EXPECT_TRUE(logEntries().empty());
}

TEST_F(ResponseValuesTest, NameWithoutProjectResponseHasTheOpenRange) {
    addToStudy("volume", "type: response\ngoal: NONE\nacceptMin: 0\nacceptMax: 1");
    clearMessageLog();
    const CheckedResponseValues within =
        checkResponseValues(model, performance, "Design7", {1.0, 6.0, 0.0, -1e308});
    EXPECT_FALSE(within.errorDesign);
    const CheckedResponseValues beyond =
        checkResponseValues(model, performance, "Design8", {1.0, 6.0, 0.0, largestDouble});
    EXPECT_TRUE(beyond.errorDesign);
    EXPECT_EQ(logEntries(),
              (Log{"*ERROR\nThe value 1.79769e+308 for response \"volume\" for design "
                   "\"Design8\" lies outside the specified range [-1e+308, 1e+308]"}));
}

TEST_F(ResponseValuesTest, EveryEntryOfASharedNameIsChecked) {
    addToStudy("mass", constraintText);
    clearMessageLog();
    const CheckedResponseValues checked =
        checkResponseValues(model, performance, "Design9", {11.0, 6.0, 0.0, 11.0});
    EXPECT_TRUE(checked.errorDesign);
    EXPECT_EQ(checked.values.size(), 4u);
    EXPECT_EQ(logEntries().size(), 2u);
}

}  // namespace
}  // namespace varno::model
