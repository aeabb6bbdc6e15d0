// The method block: method dispatch, the method readers, the agent defaults
// before them, the operator settings after them, and the settings that
// follow the method.
#include <algorithm>
#include <iterator>
#include <optional>

#include "frame/fatal_error.h"
#include "frame/text_format.h"
#include "model/project_model.h"
#include "search/method_settings.h"
#include "search/population_sizing.h"
#include "model/block_reader.h"

namespace varno::search {

namespace {

struct MethodContext {
    const MethodScope& scope;
    Agent& agent;
    const model::BlockReader& reader;
    int variableCount;
};

using MethodReader = void (*)(MethodContext&);

// Methods that build response surfaces, and so may use DOE factors.
bool isSurfaceBased(int method) {
    return method == studyResponseSurface || method == studyDoe || method == studyRobustness ||
           method == studyReliability || method == studyRobustParameterDesign;
}

// --- TRAVOK and MOTRAVOK -----------------------------------------------------

void applyTravokSizing(Agent& agent, const MethodScope& scope, int variableCount, bool report) {
    const SizingContext context{agent.number, scope.studyName, report};
    const TravokSizing sizing = size_travok_population(agent.MAX_EVALUATIONS, variableCount,
                                                       agent.MAX_ALLOWED_EVALS, context);
    ag_dta_per_proc& data = agent.data;
    agent.problem_type = hybridSearchProblem;
    agent.ncycles = sizing.ncycles;
    data.populationSize = sizing.populationSize;
    data.firstPopulationSize = sizing.firstPopulationSize;
    data.randomSearchOnly = sizing.randomSearchOnly;
    data.modelSwitch = !sizing.randomSearchOnly;
    data.mutationType = 2;   // adaptive
    data.crossoverType = 3;  // adaptive
    data.adaptiveOperators = true;
    data.crossoverProbability = 0.5f;
    data.mutationProbability = 0.2f;
    data.reinitializeInterval = std::max(10, agent.ncycles / 10);
}

// The variables are usually added after the method: the sizing here is a
// silent first estimate, settled with its warnings by resizeForVariables.
void readTravok(MethodContext& context) {
    context.agent.MAX_EVALUATIONS = context.reader.requiredInt("numEvals");
    applyTravokSizing(context.agent, context.scope, context.variableCount, false);
}

// An on/off method key: absent or 0 is off, 1 is on, anything else refused.
bool readSwitch(const model::BlockReader& reader, const std::string& key) {
    const int value = reader.optionalInt(key).value_or(0);
    if (value != 0 && value != 1) reader.fail(key, "The value must be 0 (off) or 1 (on).");
    return value == 1;
}

void readMotravok(MethodContext& context) {
    Agent& agent = context.agent;
    const model::BlockReader& reader = context.reader;
    MotravokInput input;
    input.evaluations = reader.requiredInt("numEvals");
    input.archiveSize = reader.requiredInt("archiveSize");
    agent.data.shutOff = reader.optionalInt("shutOff").value_or(0);
    agent.data.realStep = readSwitch(reader, "realStep");
    agent.data.constraintRepair = readSwitch(reader, "constraintRepair");
    input.breedingSize = reader.optionalInt("breedingSize").value_or(-1);
    input.parallel = agent.MAX_ALLOWED_EVALS;
    input.extendRun = context.scope.extendRun;

    ag_dta_per_proc& data = agent.data;
    agent.MAX_EVALUATIONS = input.evaluations;
    agent.problem_type = hybridSearchProblem;
    data.multiObjective = true;
    data.crossoverType = 3;
    data.mutationType = 2;
    data.selectionType = 0;
    data.crossoverProbability = 0.6f;
    data.mutationProbability = 0.4f;
    data.scalingWindow = -1;
    data.sigmaTruncation = 0.0;
    data.scalingMultiplier = 0.0;
    data.adaptiveOperators = true;

    const MotravokSizing sizing = size_motravok_population(input);
    data.populationSize = data.firstPopulationSize = sizing.archiveSize;
    data.breedingSize = sizing.breedingSize;
    agent.ncycles = sizing.ncycles;
    data.reinitializeInterval = agent.ncycles + 100;  // never reached
}

// DesignSweep has no keys; the DOE, robustness, reliability and robust
// parameter design keys are read from the stored block when their study is
// set up.
void readNoKeys(MethodContext&) {}

// --- methods not served through the interface ---------------------------------

enum class ValueKind { integer, real, text };
enum class Target { none, population, evaluations, cycles };

struct LegacyKey {
    StudyType method;
    const char* key;
    ValueKind kind;
    Target target;
    bool required;
};

constexpr LegacyKey legacyKeys[] = {
    {studyMultiStart, "populationSize", ValueKind::integer, Target::population, false},
    {studyMultiStart, "numCycles", ValueKind::integer, Target::cycles, false},
    {studyMultiStart, "gradientMethod", ValueKind::text, Target::none, false},
    {studyMultiStart, "gradStepSize", ValueKind::real, Target::none, false},
    {studyQp, "numIter", ValueKind::integer, Target::none, false},
    {studyQp, "numLineSearches", ValueKind::integer, Target::none, false},
    {studyQp, "startingDesign", ValueKind::text, Target::none, false},
    {studyQp, "gradientMethod", ValueKind::text, Target::none, false},
    {studyQp, "gradStepSize", ValueKind::real, Target::none, false},
    {studyAnnealing, "numEvals", ValueKind::integer, Target::evaluations, false},
    {studyAnnealing, "numTemps", ValueKind::integer, Target::none, false},
    {studyAnnealing, "maxIters", ValueKind::integer, Target::none, false},
    {studyAnnealing, "startTemp", ValueKind::real, Target::none, false},
    {studyAnnealing, "endTemp", ValueKind::real, Target::none, false},
    {studyAnnealing, "startingDesign", ValueKind::text, Target::none, false},
    {studyResponseSurface, "surfaceType", ValueKind::text, Target::none, false},
    {studyResponseSurface, "numIters", ValueKind::integer, Target::none, false},
    {studyResponseSurface, "numLineSearches", ValueKind::integer, Target::none, false},
    {studyResponseSurface, "numExtraEvals", ValueKind::integer, Target::none, false},
    {studyGa, "populationSize", ValueKind::integer, Target::population, false},
    {studyGa, "numCycles", ValueKind::integer, Target::cycles, false},
    {studyGa, "generationsPerCycle", ValueKind::integer, Target::none, false},
    {studyGa, "crossoverType", ValueKind::integer, Target::none, false},
    {studyGa, "mutationType", ValueKind::integer, Target::none, false},
    {studyGa, "selectionType", ValueKind::integer, Target::none, false},
    {studyGa, "selectionParameter", ValueKind::real, Target::none, false},
    {studyGa, "crossoverRate", ValueKind::real, Target::none, false},
    {studyGa, "mutationRate", ValueKind::real, Target::none, false},
    {studyNelderMead, "numEvals", ValueKind::integer, Target::evaluations, false},
    {studyNelderMead, "simplexSize", ValueKind::real, Target::none, false},
    {studyNelderMead, "startingDesign", ValueKind::text, Target::none, false},
    {studyParticleSwarm, "numDesigns", ValueKind::integer, Target::population, false},
    {studyParticleSwarm, "numGen", ValueKind::integer, Target::cycles, false},
    {studyParticleSwarm, "neighborhoodSize", ValueKind::integer, Target::none, false},
    {studyParticleSwarm, "globalBest", ValueKind::real, Target::none, false},
    {studyParticleSwarm, "personalBest", ValueKind::real, Target::none, false},
    {studyParticleSwarm, "localBest", ValueKind::real, Target::none, false},
    {studyNsga, "populationSize", ValueKind::integer, Target::population, true},
    {studyNsga, "numGen", ValueKind::integer, Target::cycles, true},
};

void storeLegacyValue(Agent& agent, Target target, int value) {
    switch (target) {
        case Target::population: agent.data.populationSize = value; break;
        case Target::evaluations: agent.MAX_EVALUATIONS = value; break;
        case Target::cycles: agent.ncycles = value; break;
        case Target::none: break;
    }
}

void readLegacyKey(const model::BlockReader& reader, Agent& agent, const LegacyKey& entry) {
    switch (entry.kind) {
        case ValueKind::text:  // any text is accepted; the block keeps it
            return;
        case ValueKind::real: reader.optionalDouble(entry.key); return;
        case ValueKind::integer: {
            const std::optional<int> value = entry.required ? reader.requiredInt(entry.key)
                                                            : reader.optionalInt(entry.key);
            if (value) storeLegacyValue(agent, entry.target, *value);
            return;
        }
    }
}

void checkNsgaSizes(const Agent& agent) {
    const int population = agent.data.populationSize;
    if (population <= 0 || population % 4 != 0) {
        fatalError(formatText("The population size (%d) of an NSGA search must be a positive "
                              "multiple of 4.",
                              population));
    }
    if (agent.ncycles <= 1) {
        fatalError(formatText("The number of generations (%d) of an NSGA search must be greater "
                              "than 1.",
                              agent.ncycles));
    }
}

void readLegacyMethod(MethodContext& context) {
    for (const LegacyKey& entry : legacyKeys) {
        if (entry.method == context.agent.method_used) {
            readLegacyKey(context.reader, context.agent, entry);
        }
    }
    if (context.agent.method_used == studyNsga) checkNsgaSizes(context.agent);
}

// --- dispatch ---------------------------------------------------------------

struct MethodEntry {
    const char* keyword;
    StudyType type;
    MethodReader reader;
};

constexpr MethodEntry methodTable[] = {
    {"TRAVOK", studyTravok, readTravok},
    {"MS", studyMultiStart, readLegacyMethod},
    {"QP", studyQp, readLegacyMethod},
    {"SA", studyAnnealing, readLegacyMethod},
    {"RS", studyResponseSurface, readLegacyMethod},
    {"GA", studyGa, readLegacyMethod},
    {"DOE", studyDoe, readNoKeys},
    {"robustness", studyRobustness, readNoKeys},
    {"MOTRAVOK", studyMoTravok, readMotravok},
    {"DesignSweep", studyDesignSweep, readNoKeys},
    {"NMS", studyNelderMead, readLegacyMethod},
    {"PSO", studyParticleSwarm, readLegacyMethod},
    {"reliability", studyReliability, readNoKeys},
    {"NSGA", studyNsga, readLegacyMethod},
    {"RobustParameterDesign", studyRobustParameterDesign, readNoKeys},
};

const MethodEntry& methodFor(const std::string& keyword) {
    const auto entry = std::find_if(std::begin(methodTable), std::end(methodTable),
                                    [&](const MethodEntry& e) { return keyword == e.keyword; });
    if (entry == std::end(methodTable)) {
        fatalError(formatText("Error in defining the method details. The method used \"%s\" is "
                              "not supported.",
                              keyword.c_str()));
    }
    return *entry;
}

// The agent defaults every method reader starts from.
void resetForMethod(Agent& agent) {
    agent.data = ag_dta_per_proc{};
    agent.data.agentNumber = agent.number;
    agent.problem_type = 0;
    agent.MAX_EVALUATIONS = 0;
    agent.ncycles = 0;
}

// Operator settings that follow from the method and the population size.
void settleOperators(Agent& agent) {
    ag_dta_per_proc& data = agent.data;
    const int method = agent.method_used;
    if (data.populationSize == 1) {
        data.tournamentSize = 1;
    } else if (data.tournamentSize == 1 && data.populationSize > 1) {
        data.tournamentSize = 2;
    }
    int crowding = static_cast<int>(data.populationSize / 7.0 + 0.5);
    if (method == studyMultiStart) {
        crowding = 7;
    } else if (data.populationSize < 7) {
        crowding = 2;
    }
    data.crowdingFactor = data.incestReduction = crowding;
    if (!isHybridSearch(method) && method != studyGa && method != studyMultiStart) {
        data.tournamentSize = 0;
        data.adaptiveOperators = false;
    }
    if (!isHybridSearch(method) && method != studyResponseSurface) data.modelSwitch = false;
    if (isHybridSearch(method)) data.structuredInitialization = 1;
}

void requireSurfaceMethodForDoeFactors(const Agent& agent, const model::Representation& variables) {
    if (isSurfaceBased(agent.method_used) || variables.doe_factor_map.empty()) return;
    std::string text = formatText("Error in the problem definition. The representation file "
                                  "(Representation%d.in) being used for AGENT %d",
                                  agent.representationNumber, agent.number);
    text = formatText("%s has errors. DOE variables have been defined for a non-surface based "
                      "optimization agent. Please remove",
                      text.c_str());
    text = formatText("%s these definitions from the representation of this agent and run "
                      "again.",
                      text.c_str());
    fatalError(text);
}

}  // namespace

void defineSearchMethod(std::optional<Agent>& definedAgent, MethodSettings& method,
                        const MethodScope& scope, const model::Representation& variables,
                        const LineList& lines) {
    model::BlockReader reader(lines, "Agent");
    reader.name();
    if (!definedAgent) fatalError("Agent zero has not been defined for the study");
    Agent& agent = *definedAgent;
    MethodSettings settings;
    settings.lines = lines;
    settings.numEvalsTotal = reader.optionalInt("numEvalsTotal").value_or(0);
    settings.keyword = reader.requiredText("method");
    const MethodEntry& entry = methodFor(settings.keyword);

    resetForMethod(agent);
    agent.method_used = entry.type;
    MethodContext context{scope, agent, reader, static_cast<int>(variables.data.size())};
    entry.reader(context);
    settleOperators(agent);
    requireSurfaceMethodForDoeFactors(agent, variables);
    readSettingsAfterMethod(reader, agent, settings);
    settings.defined = true;
    method = std::move(settings);
}

void resizeForVariables(std::optional<Agent>& agent, const MethodSettings& method,
                        const MethodScope& scope, int variableCount) {
    if (!agent || agent->method_used != studyTravok) return;
    applyTravokSizing(*agent, scope, variableCount, true);
    settleOperators(*agent);
    applyReinitializeOptions(*agent, method.reinitialize);
}

void checkMethodVariables(const std::optional<Agent>& definedAgent,
                          const model::Representation& variables) {
    if (!definedAgent) return;
    const Agent& agent = *definedAgent;
    const bool hasContinuous =
        std::any_of(variables.data.begin(), variables.data.end(),
                    [](const model::StudyVariable& v) { return v.discrete == 0; });
    if (agent.method_used == studyMultiStart && !hasContinuous) {
        fatalError("A multi-start gradient search needs at least one continuous design "
                   "variable. The study has none.");
    }
    requireSurfaceMethodForDoeFactors(agent, variables);
}

}  // namespace varno::search
