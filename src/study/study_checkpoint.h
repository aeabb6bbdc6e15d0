// The checkpoint of the agent's search: written at the end of every cycle
// while history is on (extending needs both), read back when a finished run
// is extended with a larger budget.
#pragma once

#include <optional>

#include "output/checkpoint_file.h"

namespace varno {

struct Study;

// Writes the checkpoint files when history is on and the search is between
// generations. A failed write is fatal.
void saveCheckpoint(Study& study);

// In the "extend" run mode, before the search is built: reads the checkpoint
// and keeps the population size it was run with. Fatal when there is none
// or it does not fit the study as defined now; nothing in other modes.
std::optional<output::Checkpoint> readCheckpointToExtend(Study& study);

// After the search is built and the history read: the search, the random
// generator and the cycle counters go on from the checkpoint.
void continueFromCheckpoint(Study& study, const output::Checkpoint& checkpoint);

}  // namespace varno
