// The settings of the method block that follow the method's own reader.
#pragma once

#include <optional>

#include "search/agent.h"
#include "model/block_reader.h"
#include "search/study_setup.h"

namespace varno::search {

// Reads outputPrecision, structuredInitialization, reinitializeOptions and
// the analysis-execution keys into the agent and the method settings.
void readSettingsAfterMethod(const model::BlockReader& reader, Agent& agent, MethodSettings& settings);

// The configured re-initialisation, when there is one, over the method's own.
void applyReinitializeOptions(Agent& agent, const std::optional<ReinitializeOptions>& options);

}  // namespace varno::search
