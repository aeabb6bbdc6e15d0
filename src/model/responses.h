// Responses: the project's responses (what a response is, how its value is
// obtained, which values are acceptable) and a study's objectives,
// constraints and plain responses, with the checks applied to values that
// arrive from the host.
#pragma once

#include <string>
#include <vector>

#include "frame/definition_text.h"
#include "model/data_value.h"
#include "model/project_model.h"

namespace varno::model {

// Reads one project response (type label "Response") and appends it to
// model.prjResps, and its name to model.nameList. An unknown `type` text gives
// type -1 and nothing further is read. A bad definition is fatal; the record
// and the name are added together once every check has passed, so a failed
// read leaves neither behind.
void defineProjectResponse(ProjectModel& model, const LineList& lines);

// What the agent that owns a performance definition tells the study-response
// reader.
struct StudyResponseContext {
    bool agentKnown = true;         // the agent number is in the agent list
    bool reliabilityAgent = false;  // a "reliability and robustness" agent
};

// Reads one objective, constraint or plain response (type label "Study
// response") and appends it to `performance`. A bad definition is fatal. The
// entry and the objective/constraint counts change only once every check has
// passed (the factor check included), so a failed read leaves no half entry.
// The agent is consulted only for a numeric factor: "baseline" needs no check.
void addStudyResponse(ProjectModel& model, PerformanceDefinition& performance,
                      const LineList& lines, const StudyResponseContext& context);

// The number of entries of kind `kind` (kindObjective, kindConstraint, ...).
int countByKind(const PerformanceDefinition& performance, int kind);

struct CheckedResponseValues {
    bool errorDesign = false;  // a value was out of range or not a number
    // One array per study response, in study-response order, each holding
    // the value as a double and the end-of-list entry.
    std::vector<DataValueArray> values;
};

// Checks the values the host returned for `designName`, one per study
// response in study-response order, against the accepted ranges of their
// project responses (-1e308 to 1e308 for a name that is no project response).
// Out-of-range values are kept; NaN becomes 0.0. Both make the design an
// error design and are logged. Infinite values lie outside every range, as
// ranges are finite. The caller hands one value per study response; values
// past the last study response have no name to be checked against and are
// left out.
CheckedResponseValues checkResponseValues(const ProjectModel& model,
                                          const PerformanceDefinition& performance,
                                          const std::string& designName,
                                          const std::vector<double>& values);

}  // namespace varno::model
