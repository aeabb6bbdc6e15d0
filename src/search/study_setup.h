// The study's set-up as the set-up calls define it: the one agent, the
// study-level data, the runtime options and the method block, with the
// readers that fill them from definition texts.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "api/definition_text.h"
#include "search/agent.h"

namespace varno::model {
struct Representation;
}

namespace varno::search {

// Run-mode codes of the study-level data.
enum RunMode : int {
    modeNewStudy = 0,
    modeResume = 1,
    modeRetraceResume = 2,
    modeExtend = 3,
    modeCheckSetup = 4,
    modeRunDesignFiles = 5,
    modeWriteDesignFiles = 6,
    modeNoEvaluations = 7,
};

struct StudyLevelData {
    bool defined = false;
    std::string name;
    int startAgent = 0;
    int endAgent = 0;
    std::string filePrefix;
    float randomSeed = 0.0f;  // 0 asks for a seed from the clock
    int nParallel = 1;
    bool parallel = false;    // nParallel above 1
    int modeCode = modeNewStudy;
    bool resume = false;
    bool retrace = false;
    bool extend = false;
    bool checkSetup = false;
    bool noEvaluation = false;
    std::string text;  // the whole block, lines joined with line feeds
};

struct RuntimeOptions {
    int outputMigrationData = 0;  // also set by structedInitialization
    int turnOffHashing = 0;
    int reevaluateDesigns = 0;
    int suppressOutputFiles = 0;
    int captureOutput = 1;        // 2: capture through usingTcsh
    int overwriteResults = 1;
    int useBaseline = 1;          // taken from the first runtime options only
    int turnOnMemManagement = 1;
    int baselineIsAGoodDesign = 0;
    int disableHistory = 0;
    int verbose = 0;
    int reevaluateErrorDesigns = 0;
    int dontStopOnDesignErrors = 0;
    int readDesignResultsFromDisk = 0;
    int scriptingVerboseMode = 0;
    int saveHistoryForEachEval = 0;
    int maxThreads = 0;
    std::array<double, 2> newpopFitnessContribution = {0.5, 0.1};
};

struct ReinitializeOptions {
    int interval = 0;
    float keepFraction = 1.0f;
    int keepBest = 0;
};

// The method block beyond what the agent keeps.
struct MethodSettings {
    bool defined = false;
    std::string keyword;
    int numEvalsTotal = 0;
    int structuredInitialization = 0;
    std::optional<ReinitializeOptions> reinitialize;
    std::string terminationCondition;
    std::string saveDesigns;
    int evaluateInitialPopDuringInjection = 0;
    std::string saveErrorDesigns;
    std::string visualizationFile;
    LineList lines;  // the whole block, for the DOE and robustness readers
};

struct StudySetup {
    std::optional<Agent> agent;  // created by the study-creation call
    StudyLevelData study;
    RuntimeOptions options;
    bool runtimeOptionsRead = false;
    MethodSettings method;
};

// The study-creation call: the agent of the given type (default
// "optimization") replaces any earlier agent; the method must then be defined
// again. The study-level run mode and nParallel carry over to the new agent.
void createNewStudy(StudySetup& setup, const LineList& lines);

// Fatal when the assembly lacks agent 0 or its representation.
void checkAssembly(const StudySetup& setup);

// The study-level block (object type "Study").
void defineStudyLevelData(StudySetup& setup, const LineList& lines);

// The runtime options; every key optional, absent keys keep their values.
void defineRuntimeOptions(StudySetup& setup, const LineList& lines);

// The method block (object type "Agent"): method dispatch, the method's
// reader, the settings that follow it. Validation stops happen here; the
// sizes that depend on the number of study variables are computed silently
// from the variables defined so far and settled by resizeForVariables.
void defineSearchMethod(StudySetup& setup, const model::Representation& variables,
                        const LineList& lines);

// Recomputes the variable-dependent sizes (the TRAVOK population and cycles)
// for `variableCount` study variables, with their warnings. Called once the
// variables are final, so the sizes never depend on the order of the calls.
void resizeForVariables(StudySetup& setup, int variableCount);

// The method's checks on the final study variables: a multi-start search
// needs a continuous variable, and DOE factors need a surface-based method.
void checkMethodVariables(const StudySetup& setup, const model::Representation& variables);

}  // namespace varno::search
