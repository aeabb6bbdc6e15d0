// The study's own set-up calls: the agent, the study-level data and the
// method block, through the exported interface.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "study/study.h"
#include "model/project_model.h"
#include "search/motravok_search.h"
#include "study/setup_data.h"
#include "test_support.h"
#include "varno.h"

namespace varno::search {
namespace {

class StudySetUp : public varno::testing::StudyInFolder {
protected:
    static StudySetup& setup() { return currentStudy()->setup; }
    static Agent& agent() { return *setup().agent; }
    void createAgent(const char* text = nullptr) {
        ASSERT_EQ(VARNO_createNewStudy("s", text), 1) << testing::lastMessage();
    }
    // A fresh set-up whose agent has the method block `text`.
    void startWith(const std::string& text) {
        initialise();
        createAgent();
        ASSERT_EQ(defineMethod(text), 1) << testing::lastMessage();
    }
    static int defineMethod(const std::string& text) {
        return VARNO_defineSearchMethodData("m", text.c_str());
    }
    static int defineStudy(const std::string& text) {
        return VARNO_defineStudyLevelData("S", text.c_str());
    }
};

TEST_F(StudySetUp, UnsupportedAgentTypeIsReportedThenFatal) {
    createAgent("type: doe");
    EXPECT_EQ(agent().type, agentDoe);
    EXPECT_EQ(VARNO_createNewStudy("s", "type: Optimization"), 0);
    const auto log = testing::logEntries();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[log.size() - 3],
              "*ERROR\nUnsupported agent type specified (Optimization). Allowed types are: "
              "optimization, doe, reliability and robustness, evaluation");
    EXPECT_EQ(testing::lastFatalReason(), "*ERROR\nSetup error");
}

TEST_F(StudySetUp, AssemblyChecksNameTheMissingPiece) {
    StudySetup broken;
    testing::expectFatal([&] { checkAssembly(broken); },
                         "Agent 0 is not defined in Assembly.in file.");
    broken.agent = Agent{};
    testing::expectFatal(
        [&] { checkAssembly(broken); },
        "Agent 0 is not defined or the representation id for agent 0 is not defined in "
        "the Assembly.in file.");
    broken.agent->representationNumber = 0;
    broken.agent->type = -1;
    testing::expectFatal([&] { checkAssembly(broken); },
                         "Agent zero has not been defined for the study");
    EXPECT_EQ(defineMethod("method: DesignSweep"), 0);
    EXPECT_EQ(testing::lastFatalReason(), "*ERROR\nAgent zero has not been defined for the study");
}

// Each bad definition is refused with the reason of the fatal error.
TEST_F(StudySetUp, BadDefinitionsAreRefusedWithTheirReason) {
    const auto reading = [](const std::string& name, const std::string& type) {
        return "When reading data for \"" + name + "\" of type \"" + type +
               "\" from file \"API\", VARNO encountered the following error in reading the data "
               "for property ";
    };
    const std::string method = reading("m", "Agent");
    const std::string precision = "Error in the definition of the study results output precision. ";
    const std::string reinitialize = "Error in the definition of the reinitialization options. ";
    const struct {
        bool study;  // a study-level definition, else a method block
        std::string text;
        std::string reason;
    } cases[] = {
        {true, "startAgent: 0\nendAgent: 0\nfilePrefix: run 1\nrandomSeed: 1.5\nmode: newStudy",
         "When reading \"randomSeed\" input for \"S\" of type \"Study\" from file \"API\", the "
         "value read (1.5) is outside the expected range [0, 1]"},
        {true, "startAgent: -1\nendAgent: 0",
         "Illegal value for starting agent number (-1) defined in the study file. Must be greater "
         "than or equal to zero."},
        {true, "startAgent: 0\nendAgent: 1",
         "Illegal value for ending agent number (1) defined in the study file. Must be greater "
         "than 0 and <= 0."},
        {true, "startAgent: 1\nendAgent: 0",
         "The ending agent number (0) defined in the study file must be greater than starting "
         "agent (1)."},
        {true, "startAgent: 0\nendAgent: 0\nfilePrefix: p\nrandomSeed: 0.1",
         reading("S", "Study") + "\"mode\":\nThe property is not defined."},
        {false, "numEvalsTotal: 10", method + "\"method\":\nThe property is not defined."},
        {false, "method: NSGA\npopulationSize: 10\nnumGen: 5",
         "The population size (10) of an NSGA search must be a positive multiple of 4."},
        {false, "method: NSGA\npopulationSize: 8\nnumGen: 1",
         "The number of generations (1) of an NSGA search must be greater than 1."},
        {false, "method: MOTRAVOK\nnumEvals: 100\narchiveSize: 12\nrealStep: 2",
         method + "\"realStep\":\nThe value must be 0 (off) or 1 (on)."},
        {false, "method: MOTRAVOK\nnumEvals: 100\narchiveSize: 12\nconstraintRepair: -1",
         method + "\"constraintRepair\":\nThe value must be 0 (off) or 1 (on)."},
        {false, "method: travok",
         "Error in defining the method details. The method used \"travok\" is not supported."},
        {false, "method: DesignSweep\noutputPrecision: 2",
         precision + "The defined value (2) is too small. It must be at least 3. "},
        {false, "method: DesignSweep\noutputPrecision: 31",
         precision + "The defined value (31) is too large. It must be smaller than 30. "},
        {false, "method: DesignSweep\nreinitializeOptions: 5, 101, 0",
         reinitialize + "The percentage of the population to keep (101) must lie between 0 and "
                        "100."},
        {false, "method: DesignSweep\nreinitializeOptions: 5, 50, 2",
         reinitialize + "The flag for keeping the best design (2) must be 0 or 1."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        initialise();
        createAgent();
        EXPECT_EQ(c.study ? defineStudy(c.text) : defineMethod(c.text), 0);
        EXPECT_EQ(testing::lastFatalReason(), "*ERROR\n" + c.reason);
    }
    initialise();
    EXPECT_EQ(VARNO_defineStudyLevelData("", "startAgent: x"), 0);
    EXPECT_EQ(testing::lastFatalReason(), "*ERROR\n" + reading("Name not defined yet", "Study") +
                                              "\"startAgent\":\nThe read value \"x\" could not be "
                                              "converted into an integer.");
}

TEST_F(StudySetUp, MethodsAndTheirVariables) {
    const std::string motravok = "MOTRAVOK\nnumEvals: 100\narchiveSize: 12";
    for (const std::string& text : std::vector<std::string>{
             "TRAVOK\nnumEvals: 100", motravok, "GA\npopulationSize: 20\ncrossoverRate: 0.8",
             motravok + "\nrealStep: 1", motravok + "\nconstraintRepair: 1"}) {
        SCOPED_TRACE(text);
        startWith("method: " + text);
        const bool hybrid = text.find("GA") != 0;
        EXPECT_EQ(isHybridSearch(agent().method_used), hybrid);
        EXPECT_EQ(agent().data.structuredInitialization, hybrid ? 1 : 0);
        const MotravokSettings settings = MotravokSettings::fromAgent(agent());
        EXPECT_EQ(settings.realStep, text.ends_with("realStep: 1"));
        EXPECT_EQ(settings.constraintRepair, text.ends_with("constraintRepair: 1"));
    }
    startWith("method: TRAVOK\nnumEvals: 100");
    model::Representation variables;
    variables.doe_factor_map = {1};
    testing::expectFatal(
        [&] { checkMethodVariables(setup().agent, variables); },
        "Error in the problem definition. The representation file (Representation0.in) "
        "being used for AGENT 0 has errors. DOE variables have been defined for a "
        "non-surface based optimization agent. Please remove these definitions from the "
        "representation of this agent and run again.");
    startWith("method: DOE\nsampleMethod: 2LevelFull\nnumFactors: 2");
    EXPECT_NO_THROW(checkMethodVariables(setup().agent, variables));

    startWith("method: MS");  // checked once the variables are final
    model::Representation discrete;
    discrete.data.resize(1);
    discrete.data[0].discrete = 1;
    testing::expectFatal(
        [&] { checkMethodVariables(setup().agent, discrete); },
        "A multi-start gradient search needs at least one continuous design variable. "
        "The study has none.");
}

}  // namespace
}  // namespace varno::search
