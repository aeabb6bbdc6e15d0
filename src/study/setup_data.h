// The study's set-up as the set-up calls define it: the one agent, the
// study-level data, the runtime options and the method block, with the
// readers of the study-level data and the runtime options.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "frame/definition_text.h"
#include "search/agent.h"
#include "search/method_settings.h"

namespace varno {

struct StudyLevelData {
    bool defined = false;
    std::string name;
    int startAgent = 0;
    int endAgent = 0;
    std::string filePrefix;
    float randomSeed = 0.0f;  // 0 asks for a seed from the clock
    int nParallel = 1;
    bool parallel = false;  // nParallel above 1
    int modeCode = search::modeNewStudy;
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
    int captureOutput = 1;  // 2: capture through usingTcsh
    int overwriteResults = 1;
    int useBaseline = 1;  // taken from the first runtime options only
    int turnOnMemManagement = 1;
    int baselineIsAGoodDesign = 0;
    int disableHistory = 0;
    // The host set disableHistory to 0 itself: history is written although
    // finalising switches it off by default.
    bool historyRequested = false;
    int verbose = 0;
    int reevaluateErrorDesigns = 0;
    int dontStopOnDesignErrors = 0;
    int readDesignResultsFromDisk = 0;
    int scriptingVerboseMode = 0;
    int saveHistoryForEachEval = 0;
    int maxThreads = 0;
    std::array<double, 2> newpopFitnessContribution = {0.5, 0.1};
};

struct StudySetup {
    std::optional<search::Agent> agent;  // created by the study-creation call
    StudyLevelData study;
    RuntimeOptions options;
    bool runtimeOptionsRead = false;
    search::MethodSettings method;
};

// The study-creation call: the agent of the given type (default
// "optimization") replaces any earlier agent; the method must then be defined
// again. The study-level run mode and nParallel carry over to the new agent.
void createNewStudy(StudySetup& setup, const LineList& lines);

// What the method readers need of the study-level data.
search::MethodScope methodScope(const StudySetup& setup);

// Fatal when the assembly lacks agent 0 or its representation.
void checkAssembly(const StudySetup& setup);

// The study-level block (object type "Study").
void defineStudyLevelData(StudySetup& setup, const LineList& lines);

// The runtime options; every key optional, absent keys keep their values.
void defineRuntimeOptions(StudySetup& setup, const LineList& lines);

}  // namespace varno
