// The study's own set-up calls: the agent, the study-level data, the runtime
// options and the method block, through the exported interface.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "study/study.h"
#include "model/project_model.h"
#include "study/setup_data.h"
#include "test_support.h"
#include "varno.h"

namespace varno::search {
namespace {

using varno::testing::expectFatal;
using varno::testing::lastFatalReason;
using varno::testing::logEntries;
using varno::testing::TempDirectory;

class StudySetUp : public ::testing::Test {
protected:
    void SetUp() override { initialise(); }
    void initialise() {
        ASSERT_EQ(VARNO_initializeStudySetup(("workingDirectory: " + dir.path()).c_str()), 1);
    }
    static StudySetup& setup() { return currentStudy()->setup; }
    static Agent& agent() { return *setup().agent; }
    static std::string lastLog() {
        const auto log = logEntries();
        return log.empty() ? "<empty>" : log.back();
    }
    void createAgent(const char* text = nullptr) {
        ASSERT_EQ(VARNO_createNewStudy("s", text), 1) << lastLog();
    }
    static int defineMethod(const std::string& text) {
        return VARNO_defineSearchMethodData("m", text.c_str());
    }
    static int defineStudy(const std::string& text) {
        return VARNO_defineStudyLevelData("S", text.c_str());
    }
    static std::string studyText(const std::string& seed, const std::string& mode) {
        return "startAgent: 0\nendAgent: 0\nfilePrefix: run 1\nrandomSeed: " + seed +
               "\nmode: " + mode;
    }

    TempDirectory dir;
};

// --- the agent ----------------------------------------------------------------

TEST_F(StudySetUp, AgentTypeWordsGiveTheirCodes) {
    const struct {
        const char* text;
        int code;
    } cases[] = {
        {nullptr, agentOptimization},
        {"description: only other keys", agentOptimization},
        {"type: doe", agentDoe},
        {"type: reliability and robustness", agentReliability},
        {"type: evaluation", agentEvaluation},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text == nullptr ? "<null>" : c.text);
        createAgent(c.text);
        EXPECT_EQ(agent().type, c.code);
        EXPECT_EQ(agent().number, 0);
        EXPECT_EQ(agent().name, "Search_1");
        EXPECT_EQ(agent().group, "Study_1");
        EXPECT_EQ(agent().representationNumber, 0);
    }
}

TEST_F(StudySetUp, UnsupportedAgentTypeIsReportedThenFatal) {
    EXPECT_EQ(VARNO_createNewStudy("s", "type: Optimization"), 0);
    const auto log = logEntries();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[log.size() - 3],
              "*ERROR\nUnsupported agent type specified (Optimization). Allowed types are: "
              "optimization, doe, reliability and robustness, evaluation");
    EXPECT_EQ(lastFatalReason(), "*ERROR\nSetup error");
}

TEST_F(StudySetUp, AssemblyChecksNameTheMissingPiece) {
    StudySetup broken;
    expectFatal([&] { checkAssembly(broken); }, "Agent 0 is not defined in Assembly.in file.");
    broken.agent = Agent{};
    expectFatal([&] { checkAssembly(broken); },
                "Agent 0 is not defined or the representation id for agent 0 is not defined in "
                "the Assembly.in file.");
    broken.agent->representationNumber = 0;
    broken.agent->type = -1;
    expectFatal([&] { checkAssembly(broken); }, "Agent zero has not been defined for the study");
}

TEST_F(StudySetUp, MethodNeedsTheAgent) {
    EXPECT_EQ(defineMethod("method: DesignSweep"), 0);
    EXPECT_EQ(lastFatalReason(), "*ERROR\nAgent zero has not been defined for the study");
}

TEST_F(StudySetUp, CreatingTheAgentAgainStartsItAfreshWithTheStudyLevelValues) {
    createAgent();
    ASSERT_EQ(defineStudy(studyText("0.5", "extend") + "\nnParallel: 4"), 1) << lastLog();
    ASSERT_EQ(defineMethod("method: TRAVOK\nnumEvals: 100"), 1) << lastLog();
    createAgent("type: doe");
    EXPECT_EQ(agent().method_used, -1);
    EXPECT_FALSE(setup().method.defined);
    EXPECT_EQ(agent().modeCode, search::modeExtend);
    EXPECT_EQ(agent().MAX_ALLOWED_EVALS, 4);
}

// --- study-level data ----------------------------------------------------------

TEST_F(StudySetUp, StudyLevelValuesAreStored) {
    createAgent();
    ASSERT_EQ(defineStudy(studyText("0.25", "newStudy") + "\nnParallel: 3"), 1) << lastLog();
    const StudyLevelData& study = setup().study;
    EXPECT_EQ(study.name, "S");
    EXPECT_EQ(study.filePrefix, "run 1");
    EXPECT_EQ(study.randomSeed, 0.25f);
    EXPECT_TRUE(study.parallel);
    EXPECT_EQ(agent().MAX_ALLOWED_EVALS, 3);
    EXPECT_EQ(study.text, "name: S\n" + studyText("0.25", "newStudy") + "\nnParallel: 3");
}

TEST_F(StudySetUp, RandomSeedMustLieInTheUnitInterval) {
    createAgent();
    EXPECT_EQ(defineStudy(studyText("0", "newStudy")), 1) << lastLog();
    EXPECT_EQ(defineStudy(studyText("1", "newStudy")), 1) << lastLog();
    EXPECT_EQ(defineStudy(studyText("1.5", "newStudy")), 0);
    EXPECT_EQ(lastFatalReason(),
              "*ERROR\nWhen reading \"randomSeed\" input for \"S\" of type \"Study\" from file "
              "\"API\", the value read (1.5) is outside the expected range [0, 1]");
}

TEST_F(StudySetUp, AgentRangeAndMissingKeysAreFatal) {
    const struct {
        const char* name;
        std::string text;
        std::string reason;
    } cases[] = {
        {"S", "startAgent: -1\nendAgent: 0",
         "Illegal value for starting agent number (-1) defined in the study file. Must be greater "
         "than or equal to zero."},
        {"S", "startAgent: 0\nendAgent: 1",
         "Illegal value for ending agent number (1) defined in the study file. Must be greater "
         "than 0 and <= 0."},
        {"S", "startAgent: 1\nendAgent: 0",
         "The ending agent number (0) defined in the study file must be greater than starting "
         "agent (1)."},
        {"S", "startAgent: 0\nendAgent: 0\nfilePrefix: p\nrandomSeed: 0.1",
         "When reading data for \"S\" of type \"Study\" from file \"API\", VARNO encountered the "
         "following error in reading the data for property \"mode\":\nThe property is not "
         "defined."},
        {"", "startAgent: x",
         "When reading data for \"Name not defined yet\" of type \"Study\" from file \"API\", "
         "VARNO encountered the following error in reading the data for property "
         "\"startAgent\":\nThe read value \"x\" could not be converted into an integer."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        initialise();
        createAgent();
        EXPECT_EQ(VARNO_defineStudyLevelData(c.name, c.text.c_str()), 0);
        EXPECT_EQ(lastFatalReason(), "*ERROR\n" + c.reason);
    }
}

TEST_F(StudySetUp, RunModesSetTheirCodesAndFlags) {
    const struct {
        const char* mode;
        int code;
        bool resume, retrace, extend, checkSetup, noEvaluation;
    } cases[] = {
        {"newStudy", 0, false, false, false, false, false},
        {"resume", 1, true, false, false, false, false},
        {"retraceResume", 2, true, true, false, false, false},
        {"extend", 3, false, false, true, false, false},
        {"checkSetup", 4, false, false, false, true, false},
        {"runDesignFiles", 5, false, false, false, false, false},
        {"writeDesignFiles", 6, false, false, false, false, true},
        {"noEvaluations", 7, false, false, false, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        initialise();
        createAgent();
        ASSERT_EQ(defineStudy(studyText("0.5", c.mode)), 1) << lastLog();
        const StudyLevelData& study = setup().study;
        EXPECT_EQ(agent().modeCode, c.code);
        EXPECT_EQ(study.resume, c.resume);
        EXPECT_EQ(study.retrace, c.retrace);
        EXPECT_EQ(study.extend, c.extend);
        EXPECT_EQ(study.checkSetup, c.checkSetup);
        EXPECT_EQ(study.noEvaluation, c.noEvaluation);
    }
}

TEST_F(StudySetUp, UnknownModeKeepsThePreviousMode) {
    createAgent();
    ASSERT_EQ(defineStudy(studyText("0.5", "checkSetup")), 1);
    ASSERT_EQ(defineStudy(studyText("0.5", "restart")), 1);
    EXPECT_EQ(agent().modeCode, search::modeCheckSetup);
}

TEST_F(StudySetUp, NewStudyAfterAResumeStaysResumedWithAWarning) {
    createAgent();
    ASSERT_EQ(defineStudy(studyText("0.5", "resume")), 1);
    ASSERT_EQ(defineStudy(studyText("0.5", "newStudy")), 1);
    EXPECT_EQ(lastLog(),
              "*WARNING\nSince the \"useHistory\" command line option was specified, the study "
              "will be treated as a resumed study instead of a new study.");
    EXPECT_EQ(agent().modeCode, search::modeResume);
    EXPECT_TRUE(setup().study.resume);
}

// --- runtime options -------------------------------------------------------------

TEST_F(StudySetUp, RuntimeOptionsAreReadAndUseBaselineOnlyOnce) {
    ASSERT_EQ(VARNO_defineStudyRuntimeOptions(
                  "o", "useBaseline: no\nverbose: yes\nturnOffHashing: 2.9\nusingTcsh: 1\n"
                       "outputMigrationData: 1\nstructedInitialization: 0\nmaxThreads: 4x\n"
                       "newpopFitnessContribution: 0.7, 0.2\nturnOnMemManagement: false"),
              1)
        << lastLog();
    const RuntimeOptions& options = setup().options;
    EXPECT_EQ(options.useBaseline, 0);
    EXPECT_EQ(options.verbose, 1);
    EXPECT_EQ(currentStudy()->verbose, 1);
    EXPECT_EQ(options.turnOffHashing, 2);
    EXPECT_EQ(options.captureOutput, 2);
    EXPECT_EQ(options.outputMigrationData, 0);
    EXPECT_EQ(options.maxThreads, 0);
    EXPECT_EQ(options.newpopFitnessContribution[0], 0.7);
    EXPECT_EQ(options.newpopFitnessContribution[1], 0.2);
    EXPECT_FALSE(library().allocations.trackingOn);

    ASSERT_EQ(VARNO_defineStudyRuntimeOptions("o", "useBaseline: 1\nmaxThreads: 8"), 1);
    EXPECT_EQ(options.useBaseline, 0);
    EXPECT_EQ(options.maxThreads, 8);
    EXPECT_EQ(options.verbose, 1) << "absent keys keep their values";
}

// --- the method block --------------------------------------------------------------

TEST_F(StudySetUp, EveryMethodKeywordSelectsItsStudyType) {
    const struct {
        const char* keyword;
        int type;
        const char* keys;
        int tournament;
        bool modelSwitch;
    } cases[] = {
        {"TRAVOK", studyTravok, "numEvals: 100", 2, true},
        {"MS", studyMultiStart, "populationSize: 10", 2, false},
        {"QP", studyQp, "numIter: 5\ngradStepSize: 0.01", 0, false},
        {"SA", studyAnnealing, "numEvals: 50\nstartTemp: 10", 0, false},
        {"RS", studyResponseSurface, "surfaceType: quadratic", 0, true},
        {"GA", studyGa, "populationSize: 20\ncrossoverRate: 0.8", 2, false},
        {"DOE", studyDoe, "", 0, false},
        {"robustness", studyRobustness, "", 0, false},
        {"MOTRAVOK", studyMoTravok, "numEvals: 100\narchiveSize: 12", 2, true},
        {"DesignSweep", studyDesignSweep, "", 0, false},
        {"NMS", studyNelderMead, "simplexSize: 0.1", 0, false},
        {"PSO", studyParticleSwarm, "numDesigns: 10\nglobalBest: 0.5", 0, false},
        {"reliability", studyReliability, "", 0, false},
        {"NSGA", studyNsga, "populationSize: 8\nnumGen: 5", 0, false},
        {"RobustParameterDesign", studyRobustParameterDesign, "", 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keyword);
        initialise();
        createAgent();
        ASSERT_EQ(defineMethod(std::string("method: ") + c.keyword + "\n" + c.keys), 1)
            << lastLog();
        EXPECT_EQ(agent().method_used, c.type);
        EXPECT_EQ(agent().data.tournamentSize, c.tournament);
        EXPECT_EQ(agent().data.modelSwitch, c.modelSwitch);
        EXPECT_EQ(agent().data.structuredInitialization,
                  c.type == studyTravok || c.type == studyMoTravok ? 1 : 0);
        EXPECT_EQ(setup().method.keyword, c.keyword);
    }
    createAgent();
    EXPECT_EQ(defineMethod("method: travok"), 0);
    EXPECT_EQ(lastFatalReason(), "*ERROR\nError in defining the method details. The method used "
                                 "\"travok\" is not supported.");
}

TEST_F(StudySetUp, MethodBlockFailuresNameTheAgentType) {
    const struct {
        std::string text;
        std::string reason;
    } cases[] = {
        {"numEvalsTotal: 10",
         "When reading data for \"m\" of type \"Agent\" from file \"API\", VARNO encountered the "
         "following error in reading the data for property \"method\":\nThe property is not "
         "defined."},
        {"method: NSGA\npopulationSize: 10\nnumGen: 5",
         "The population size (10) of an NSGA search must be a positive multiple of 4."},
        {"method: NSGA\npopulationSize: 8\nnumGen: 1",
         "The number of generations (1) of an NSGA search must be greater than 1."},
        {"method: SA\nstartTemp: hot",
         "When reading data for \"m\" of type \"Agent\" from file \"API\", VARNO encountered the "
         "following error in reading the data for property \"startTemp\":\nThe read value "
         "\"hot\" could not be converted into a double."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        initialise();
        createAgent();
        EXPECT_EQ(defineMethod(c.text), 0);
        EXPECT_EQ(lastFatalReason(), "*ERROR\n" + c.reason);
    }
}

TEST_F(StudySetUp, CrowdingFollowsTheMethodAndPopulation) {
    const struct {
        const char* text;
        int crowding;
    } cases[] = {
        {"method: MS\npopulationSize: 40", 7},
        {"method: GA\npopulationSize: 6", 2},
        {"method: GA\npopulationSize: 24", 3},  // trunc(24 / 7 + 0.5) = trunc(3.93)
        {"method: GA\npopulationSize: 25", 4},  // trunc(25 / 7 + 0.5) = trunc(4.07)
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        initialise();
        createAgent();
        ASSERT_EQ(defineMethod(c.text), 1) << lastLog();
        EXPECT_EQ(agent().data.crowdingFactor, c.crowding);
        EXPECT_EQ(agent().data.incestReduction, c.crowding);
    }
}

TEST_F(StudySetUp, OutputPrecisionLimitsAndWarning) {
    const std::string tooSmall = "Error in the definition of the study results output precision. ";
    const struct {
        int precision;
        bool accepted;
        std::string message;  // the fatal reason, or the last log entry
    } cases[] = {
        {2, false, tooSmall + "The defined value (2) is too small. It must be at least 3. "},
        {31, false, tooSmall + "The defined value (31) is too large. It must be smaller than 30. "},
        {3, true,
         "*WARNING\nThe value for the study results output precision defined (3) is very small. "
         "This may lead to loss in precision of the data during post processing and importing "
         "designs into other studies. Please use a higher value (at least 10), if possible. "},
        {10, true, "<empty>"},
        {30, true, "<empty>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.precision);
        initialise();
        createAgent();
        const int result =
            defineMethod("method: DesignSweep\noutputPrecision: " + std::to_string(c.precision));
        EXPECT_EQ(result, c.accepted ? 1 : 0);
        if (c.accepted) {
            EXPECT_EQ(agent().data.outputPrecision, c.precision);
            EXPECT_EQ(lastLog(), c.message);
        } else {
            EXPECT_EQ(lastFatalReason(), "*ERROR\n" + c.message);
        }
    }
}

TEST_F(StudySetUp, ReinitializeOptionsAreIntervalPercentageAndKeepBest) {
    createAgent();
    ASSERT_EQ(defineMethod("method: TRAVOK\nnumEvals: 1000\nreinitializeOptions: 25, 40, 1"), 1)
        << lastLog();
    resizeForVariables(setup().agent, setup().method, methodScope(setup()), 10);
    EXPECT_EQ(agent().data.reinitializeInterval, 25) << "kept over the resizing";
    EXPECT_EQ(agent().data.reinitializeKeepFraction, 0.4f);
    EXPECT_EQ(agent().data.reinitializeKeepBest, 1);

    const std::string prefix = "Error in the definition of the reinitialization options. ";
    EXPECT_EQ(defineMethod("method: DesignSweep\nreinitializeOptions: 5, 101, 0"), 0);
    EXPECT_EQ(lastFatalReason(), "*ERROR\n" + prefix +
                                     "The percentage of the population to keep (101) must lie "
                                     "between 0 and 100.");
    initialise();
    createAgent();
    EXPECT_EQ(defineMethod("method: DesignSweep\nreinitializeOptions: 5, 50, 2"), 0);
    EXPECT_EQ(lastFatalReason(),
              "*ERROR\n" + prefix + "The flag for keeping the best design (2) must be 0 or 1.");
}

TEST_F(StudySetUp, SettingsAfterTheMethodAreStoredAndChecked) {
    createAgent();
    const std::string folder(1656, 'f');
    ASSERT_EQ(defineMethod("method: DesignSweep\nnumEvalsTotal: 70\nevaluationDirectory: " +
                           folder + "\nsaveErrorDesigns: saveOnly\nsaveDesigns: LatestBest\n"
                           "terminationCondition: stop.txt\nstructuredInitialization: 1"),
              1)
        << lastLog();
    EXPECT_EQ(setup().method.numEvalsTotal, 70);
    EXPECT_EQ(agent().data.evaluationDirectory, folder);
    EXPECT_EQ(agent().data.structuredInitialization, 1);
    EXPECT_EQ(setup().method.saveErrorDesigns, "saveOnly");
    EXPECT_EQ(setup().method.terminationCondition, "stop.txt");

    for (const std::string& bad :
         {"postDirectory: " + folder + "g", std::string("terminationCondition: REMOTE:host/stop"),
          std::string("saveErrorDesigns: keep")}) {
        SCOPED_TRACE(bad.substr(0, 40));
        initialise();
        createAgent();
        EXPECT_EQ(defineMethod("method: DesignSweep\n" + bad), 0);
    }
}

TEST_F(StudySetUp, DoeFactorsNeedASurfaceBasedMethod) {
    createAgent();
    ASSERT_EQ(defineMethod("method: TRAVOK\nnumEvals: 100"), 1);
    model::Representation variables;
    variables.doe_factor_map = {1};
    expectFatal([&] { checkMethodVariables(setup().agent, variables); },
                "Error in the problem definition. The representation file (Representation0.in) "
                "being used for AGENT 0 has errors. DOE variables have been defined for a "
                "non-surface based optimization agent. Please remove these definitions from the "
                "representation of this agent and run again.");
    initialise();
    createAgent();
    ASSERT_EQ(defineMethod("method: DOE"), 1);
    EXPECT_NO_THROW(checkMethodVariables(setup().agent, variables));
}

TEST_F(StudySetUp, MultiStartNeedsAContinuousVariable) {
    createAgent();
    ASSERT_EQ(defineMethod("method: MS"), 1) << "checked once the variables are final";
    model::Representation variables;
    variables.data.resize(1);
    variables.data[0].discrete = 1;
    expectFatal([&] { checkMethodVariables(setup().agent, variables); },
                "A multi-start gradient search needs at least one continuous design variable. "
                "The study has none.");
}

}  // namespace
}  // namespace varno::search
