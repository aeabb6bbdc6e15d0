// The study's search agent: its assembly record, its method, budget, sizes
// and operator settings. A study made through the exported interface has
// exactly one agent, number 0.
#pragma once

#include <string>

namespace varno::search {

// Run-mode codes of the study-level data, kept by the agent.
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

// Method keywords and their study types.
enum StudyType : int {
    studyTravok = 0,
    studyMultiStart = 1,
    studyQp = 2,
    studyAnnealing = 3,
    studyResponseSurface = 4,
    studyGa = 5,
    studyDoe = 6,
    studyRobustness = 7,
    studyMoTravok = 8,
    studyDesignSweep = 9,
    studyNelderMead = 10,
    studyParticleSwarm = 11,
    studyReliability = 12,
    studyNsga = 13,
    studyRobustParameterDesign = 14,
};

// TRAVOK and MOTRAVOK, the hybrid searches the engine runs itself.
inline bool isHybridSearch(int method) { return method == studyTravok || method == studyMoTravok; }

// Studies that hand out one whole array of designs: designed experiments and
// the robustness studies.
inline bool isArrayStudy(int method) {
    return method == studyDoe || method == studyRobustness || method == studyReliability ||
           method == studyRobustParameterDesign;
}

// Agent types of the study-creation call.
enum AgentType : int {
    agentOptimization = 0,
    agentDoe = 1,
    agentReliability = 2,  // "reliability and robustness"
    agentEvaluation = 4,
};

// Problem type of the hybrid searches.
inline constexpr int hybridSearchProblem = 2;

inline constexpr double UNSET_PERFORMANCE = -1e300;

// Marks an assembly number that no definition has set.
inline constexpr int UNSET_RECORD = -123456;

// The agent's parameter block (one per agent). The defaults are the agent
// defaults that every method reader starts from.
struct ag_dta_per_proc {
    int agentNumber = 0;
    int representation = 0;  // filled when the agent is linked
    int performance = 0;     // filled when the agent is linked
    int populationSize = 0;  // archive size for MOTRAVOK
    int firstPopulationSize = 0;
    int breedingSize = -1;  // MOTRAVOK only; -1: derive it
    int generationsPerCycle = 1;
    int crossoverType = 0;
    int mutationType = 1;
    int selectionType = 0;  // tournament
    int tournamentSize = 2;
    int scalingWindow = 3;
    double sigmaTruncation = 3.0;
    double scalingMultiplier = 1.3;
    int crowdingFactor = 0;
    int incestReduction = 0;
    double goodMemberSigmas = 0.0;
    int convergenceReportInterval = 0;
    int populationReport = 0;
    float crossoverProbability = 0.0f;
    float mutationProbability = 0.0f;
    int evaluationsDone = 0;
    double bestPerformance = 0.0;
    int structuredInitialization = 0;
    int reinitializeInterval = 0;
    float reinitializeKeepFraction = 1.0f;
    int reinitializeKeepBest = 0;
    std::string evaluationDirectory;
    std::string postDirectory;
    int outputPrecision = 15;
    int shutOff = 0;
    bool realStep = false;  // MOTRAVOK's real-valued step (method key realStep)
    // MOTRAVOK's constraint repair (method key constraintRepair)
    bool constraintRepair = false;
    bool adaptiveOperators = false;
    bool modelSwitch = true;  // surrogate candidates of the hybrid search
    bool multiObjective = false;
    bool randomSearchOnly = false;
};

// One agent: its assembly record and the per-agent values of the engine.
struct Agent {
    // Assembly record.
    int number = 0;
    std::string name;
    std::string group;
    int representationNumber = UNSET_RECORD;
    int performanceNumber = UNSET_RECORD;
    int processNumber = UNSET_RECORD;
    int neighborCount = 0;
    int type = agentOptimization;  // AgentType
    // Engine values.
    int method_used = -1;  // StudyType; -1 until a method is defined
    int problem_type = 0;
    int MAX_EVALUATIONS = 0;
    int MAX_ALLOWED_EVALS = 1;
    int ncycles = 0;
    int modeCode = 0;  // run mode of the study-level data
    ag_dta_per_proc data;
};

}  // namespace varno::search
