// What a finished run leaves: the table of the best design or the Pareto
// set, results.csv with every evaluated design, and the SVG plots.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "study_model.h"
#include "study_runner.h"

namespace varno::tool {

struct ParetoSet {
    std::vector<int> ids;  // rank-1 designs
    std::string note;      // where the set came from, when not from the library
};

// The non-dominated designs among those without error: from the library's
// Pareto query, or, when the library cannot answer, computed here from the
// objective values (the library's message then goes into `note`).
ParetoSet paretoSet(const StudyModel& model, const RunRecord& record);

// The designs among `record` that no other design dominates (objectives
// oriented by their options; feasible designs before infeasible ones).
std::vector<int> nonDominatedIds(const StudyModel& model, const RunRecord& record);

// The design's status: the library's, or for a design evaluated but not yet
// scored (status 4, as an interrupted run leaves them) 2 or 3 by the study's
// constraints, 1 when it has none.
int judgedStatus(const StudyModel& model, const EvaluatedDesign& design);

// The feasible design (status 1 or 2) of the highest performance; null when none is.
const EvaluatedDesign* bestFeasibleDesign(const RunRecord& record);

// The best feasible design; says so when the library's best (`bestId`) is
// infeasible, and when no design is feasible shows the library's best as such.
void printBestDesign(std::ostream& out, const StudyModel& model, const RunRecord& record,
                     int bestId);
void printParetoSet(std::ostream& out, const StudyModel& model, const RunRecord& record,
                    const ParetoSet& pareto);

// One row per evaluated design: id, status, performance, variables, responses, error.
void writeResultsCsv(const std::filesystem::path& path, const StudyModel& model,
                     const RunRecord& record);

// The designs of a DOE study's array, one row each in the order the library
// handed them out: the design's place in the array, its name and the value of
// every factor. A run that repeats an earlier run's values is the same design
// and is listed once.
void writeDoeArrayCsv(const std::filesystem::path& path, const StudyModel& model,
                      const RunRecord& record);

}  // namespace varno::tool
