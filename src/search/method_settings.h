// The settings of the method block that follow the method's own reader.
#pragma once

#include <optional>
#include <string>

#include "search/agent.h"
#include "model/block_reader.h"
#include "frame/definition_text.h"

namespace varno::model {
struct Representation;
}

namespace varno::search {

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

// What the method readers need to know of the study besides its agent.
struct MethodScope {
    std::string studyName;
    bool extendRun = false;  // the run extends a finished study
};

// The method block (object type "Agent"): method dispatch, the method's
// reader, the settings that follow it. Validation stops happen here; the
// sizes that depend on the number of study variables are computed silently
// from the variables defined so far and settled by resizeForVariables.
void defineSearchMethod(std::optional<Agent>& agent, MethodSettings& method,
                        const MethodScope& scope, const model::Representation& variables,
                        const LineList& lines);

// Recomputes the variable-dependent sizes (the TRAVOK population and cycles)
// for `variableCount` study variables, with their warnings. Called once the
// variables are final, so the sizes never depend on the order of the calls.
void resizeForVariables(std::optional<Agent>& agent, const MethodSettings& method,
                        const MethodScope& scope, int variableCount);

// The method's checks on the final study variables: a multi-start search
// needs a continuous variable, and DOE factors need a surface-based method.
void checkMethodVariables(const std::optional<Agent>& agent,
                          const model::Representation& variables);

// Reads outputPrecision, structuredInitialization, reinitializeOptions and
// the analysis-execution keys into the agent and the method settings.
void readSettingsAfterMethod(const model::BlockReader& reader, Agent& agent,
                             MethodSettings& settings);

// The configured re-initialisation, when there is one, over the method's own.
void applyReinitializeOptions(Agent& agent, const std::optional<ReinitializeOptions>& options);

}  // namespace varno::search
