// Reading an agent's history when a study continues: the file is decoded,
// refused when it comes from another version or is damaged, and its problem
// structure compared with the current one, each difference reported with
// the message a user sees.
#pragma once

#include <string>
#include <vector>

#include "output/history_file.h"

namespace varno::output {

// The designs of a usable history, or why there are none. A history from
// another version or a damaged file ends the restart (fatal); a changed
// problem only means the agent starts afresh.
struct HistoryReading {
    bool usable = false;
    History history;
};

// Reads and checks the history at `path` against `current`. Fatal for a
// version mismatch or a damaged file; otherwise every refusal or warning is
// written and `usable` says whether the designs may be reused.
HistoryReading readHistoryFile(const std::string& path, const HistoryProblem& current, int agent);

// True when the saved problem allows reusing the designs; writes a message
// for every difference found.
bool sameProblem(const HistoryProblem& saved, const HistoryProblem& current, int agent);

}  // namespace varno::output
