// The history file of an agent: the problem structure it was run with and
// every design it stored, so that a study started again can check that the
// problem is unchanged and take the designs back instead of evaluating them
// again. Little-endian binary; a 16-bit CRC of everything before it closes
// the file, so a damaged file is refused rather than read as other designs.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "design/design.h"
#include "design/design_store.h"
#include "model/project_model.h"

namespace varno::output {

inline constexpr int historyVersion = 201901;

struct HistoryVariable {
    int resolution = 0;
    int discrete = 0;
    int id = -1;
    int id2 = -1;
    double min = 0.0;
    double max = 0.0;
    std::string distributionName = "NONE";
    std::string distributionType = "NONE";
};

// What must be unchanged for the designs of a history to be reused.
struct HistoryProblem {
    int stochasticity = 0;
    std::vector<HistoryVariable> variables;
    std::vector<int> dependentPrint;  // per dependent variable, this agent's print setting
    std::vector<int> parameterPrint;  // per fixed parameter
    std::vector<int> toolIds;         // per study response
    std::vector<int> directions;
    std::vector<int> valueTypes;
};

struct History {
    int version = historyVersion;
    HistoryProblem problem;
    std::vector<design::Design> designs;
    // Evaluations done, cycles handed out and designs written.
    std::array<int, 3> counters{};
};

// "<folder><separator><prefix><agent>.hst"
std::string historyFilePath(const std::string& folder, const std::string& prefix, int agent);

// The problem structure of `agent` in the project as it is now.
HistoryProblem historyProblem(const model::ProjectModel& project, int agent);

// The stored designs of `agent`, in store order.
std::vector<design::Design> historyDesigns(const design::DesignStore& store, int agent);

std::string encodeHistory(const History& history);

enum class HistoryDecode { ok, noHeader, corrupt };

// Decodes a whole file. `noHeader` when not even the version can be read;
// `corrupt` when a section is cut short, a count or length exceeds what is
// left, the checksum differs or bytes follow the end. The version is set
// whenever it could be read, whatever the rest holds.
HistoryDecode decodeHistory(const std::string& bytes, History& history);

// Writes the history of `agent` crash-safely; on failure the previous file
// stays and a warning says so. Never stops the study.
bool writeHistoryFile(const std::string& path, const History& history, int agent);

}  // namespace varno::output
