#include "output/history_check.h"

#include "frame/fatal_error.h"
#include "frame/message_writer.h"
#include "frame/text_format.h"
#include "support/binary_io.h"

namespace varno::output {

namespace {

void warn(const std::string& text) { writeMessage("outptr", "warning", text); }

bool sameStructure(const HistoryVariable& a, const HistoryVariable& b) {
    return a.resolution == b.resolution && a.discrete == b.discrete && a.id == b.id &&
           a.id2 == b.id2 && a.min == b.min && a.max == b.max;
}

bool sameVariables(const HistoryProblem& saved, const HistoryProblem& current) {
    const auto& a = saved.variables;
    const auto& b = current.variables;
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (!sameStructure(a[i], b[i])) return false;
    }
    return true;
}

bool sameDistributions(const HistoryProblem& saved, const HistoryProblem& current) {
    for (std::size_t i = 0; i < saved.variables.size(); ++i) {
        const HistoryVariable& a = saved.variables[i];
        const HistoryVariable& b = current.variables[i];
        if (a.distributionName != b.distributionName || a.distributionType != b.distributionType)
            return false;
    }
    return true;
}

void reportChangedResponses() {
    std::string text = "The structure of the study responses from the history file has been "
                       "altered from the previous run and are no longer valid.";
    text += "\n\tThe user-defined criteria define the agent's performance.";
    text += "\n\tUser-defined criteria can be read in by placing the keyword";
    text += "\n\t*HISTORY_CRITERIA_OVERRIDE in the search parameters input file.";
    text += "\n\tThis should only be done when the user-defined design criteria";
    text += "\n\tremains unaltered from run to run.";
    warn(text);
}

bool sameResponses(const HistoryProblem& saved, const HistoryProblem& current) {
    if (saved.toolIds.size() != current.toolIds.size()) {
        warn(formatText("The number of responses from the history file(%d) is different than "
                        "the number in the project(%d).",
                        static_cast<int>(saved.toolIds.size()),
                        static_cast<int>(current.toolIds.size())));
        return false;
    }
    bool same = true;
    for (std::size_t i = 0; i < saved.directions.size(); ++i) {
        if (saved.directions[i] == current.directions[i]) continue;
        warn(formatText("The objective/constraint search goal (minimize/maximize or <=/>=) for "
                        "response %d from the history file (%d) does not match the direction "
                        "in project (%d).",
                        static_cast<int>(i), saved.directions[i], current.directions[i]));
        same = false;
    }
    return same && saved.toolIds == current.toolIds;
}

[[noreturn]] void refuseCorrupt(int agent) {
    writeMessage("outptr", "error",
                 formatText("Error in reading history file for agent %d.", agent));
    writeMessage("outptr", "error", "The structure of the history file is corrupt.");
    writeMessage("outptr", "error",
                 "Error in reading the design history data when restarting the study. Please "
                 "review the error messages output to identify the issue.");
    fatalError("Error in using the designs from history for restarting.");
}

}  // namespace

bool sameProblem(const HistoryProblem& saved, const HistoryProblem& current, int agent) {
    if (saved.stochasticity != current.stochasticity) {
        warn(formatText("The user has changed the stochasticity of Agent %d from the previous "
                        "run. History cannot be used.",
                        agent));
        return false;
    }
    if (!sameVariables(saved, current)) {
        warn("The structure of the design variables in the history file has been altered from "
             "the previous run and is no longer valid.");
        return false;
    }
    if (!sameDistributions(saved, current)) {
        warn("The distribution data applied to one of the variables has been modified. "
             "Continuing with the run if possible..");
    }
    if (saved.dependentPrint.size() != current.dependentPrint.size() ||
        saved.parameterPrint.size() != current.parameterPrint.size()) {
        warn("The number of dependent variables and/or parameters in the history file has been "
             "altered from the previous run. This would not affect the results, but could "
             "affect the plotting of the results.");
    }
    if (!sameResponses(saved, current)) {
        reportChangedResponses();
        return false;
    }
    return true;
}

HistoryReading readHistoryFile(const std::string& path, const HistoryProblem& current, int agent) {
    HistoryReading reading;
    std::string bytes;
    if (!support::readFileBytes(path, bytes)) bytes.clear();
    const HistoryDecode decoded = decodeHistory(bytes, reading.history);
    if (decoded == HistoryDecode::noHeader) {
        warn(formatText("Error in reading header in history file for agent %d.", agent));
        return reading;
    }
    if (reading.history.version != historyVersion) {
        fatalError(formatText("The history file for agent %d is from a different version of "
                              "VARNO (%d) and cannot be read using this version.",
                              agent, reading.history.version));
    }
    if (decoded == HistoryDecode::corrupt) refuseCorrupt(agent);
    reading.usable = sameProblem(reading.history.problem, current, agent);
    if (!reading.usable) reading.history.designs.clear();
    return reading;
}

}  // namespace varno::output
