// The study's history file: written after every generation (and after every
// evaluation when asked), read back when the study continues from it.
#pragma once

#include <string>

namespace varno {

struct Study;

// History is written only when the host switched it on explicitly
// (disableHistory: 0 in its runtime options); finalising turns it off
// otherwise.
bool historyOn(const Study& study);

std::string historyPath(const Study& study);

// Writes the agent's history when it is on; a failed write only warns.
void saveHistory(Study& study);

// In a resuming or extending run mode: reads the agent's history and puts
// its designs back in the store, so none is handed out again. A changed
// problem starts the agent afresh; another version or a damaged file is
// fatal.
void resumeFromHistory(Study& study);

// Deletes the agent's history and checkpoint files and any temporary file a
// crash left beside them: the end of a study, however it ends, needs them no
// more.
void removeHistoryFiles(const Study& study);

}  // namespace varno
