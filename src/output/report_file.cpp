#include "output/report_file.h"

#include <algorithm>

#include "frame/fatal_error.h"
#include "frame/message_writer.h"
#include "frame/text_format.h"
#include "support/binary_io.h"
#include "support/file_io.h"

namespace varno::output {

namespace {

constexpr const char* reportFileError =
    "Error in creating the VARNO report file. Please ensure that the working directory is "
    "writable and there is disk space available.";

void appendGeneralInformation(std::string& text, const ReportHead& head) {
    text += formatText("Version: %s", head.version.c_str());
    text += formatText("\nStart time: %s", head.startTime.c_str());
    text += formatText("\n\nWorking directory: %s", head.workingDirectory.c_str());
    text += formatText("\nPOST directory: %s", head.postDirectory.c_str());
    text += formatText("\nEvaluation directory: %s", head.evaluationDirectory.c_str());
    text += "\n\n*********** GENERAL AGENT INFORMATION ***********";
    text += formatText("\n\nfilePrefix: %s", head.filePrefix.c_str());
    text += formatText("\n\nagentName: %s", head.agentName.c_str());
    text += formatText("\n\nStudy Type: %s", head.studyType.c_str());
    text += formatText("\n\nstudyName: %s", head.studyName.c_str());
    text += formatText("\n\nAgent ID: %d", head.agentId);
    text += "\n\nAgents in this group: ";
    for (int agent : head.agentsInGroup) text += formatText(" %d,", agent);
    text += formatText("\n\nprocessName: %s", head.processName.c_str());
    text += formatText("\n\nRandom seed: %f", head.randomSeed);
}

void appendContinuousVariable(std::string& text, const ReportVariable& variable) {
    text += formatText(" %s,", variable.name.c_str());
    text += formatText(" %4d, CONTINUOUS,", variable.id);
    text += formatText(" %8.6e,", variable.min);
    text += formatText(" %8.6e,", variable.baseline);
    text += formatText(" %8.6e,", variable.max);
    text += formatText(" %10d,", variable.resolution);
    text += formatText(" %24s,", variable.distribution.c_str());
    if (!variable.doeFactor) return;
    text += variable.noise ? " noise," : " control,";
    for (std::size_t i = 0; i < variable.levelValues.size(); ++i) {
        text += formatText(i == 0 ? " levels-> %g" : ", %g", variable.levelValues[i]);
    }
}

void appendDiscreteVariable(std::string& text, const ReportVariable& variable) {
    text += formatText(" %s", variable.name.c_str());
    text += formatText(", %d, DISCRETE", variable.id);
    text += formatText(", %s", variable.setName.c_str());
    text += formatText(", %5d", static_cast<int>(variable.choices.size()));
    text += formatText(", %g", static_cast<double>(variable.baselineChoice));
    for (std::size_t i = 0; i < variable.choices.size(); ++i) {
        text += formatText(i == 0 ? ", Choices ->%s" : ",%s", variable.choices[i].c_str());
    }
    if (!variable.doeFactor) return;
    text += variable.noise ? ", noise" : ", control";
    for (std::size_t i = 0; i < variable.levelTexts.size(); ++i) {
        text += formatText(i == 0 ? ", levels-> %s" : ", %s", variable.levelTexts[i].c_str());
    }
}

void appendFactorOrder(std::string& text, const char* key, const std::vector<int>& order) {
    if (order.empty()) return;
    text += formatText("\n%s: %d", key, order.front());
    for (std::size_t i = 1; i < order.size(); ++i) text += formatText(", %d", order[i]);
}

void appendVariables(std::string& text, const ReportHead& head) {
    std::vector<ReportVariable> variables = head.variables;
    std::stable_sort(variables.begin(), variables.end(),
                     [](const ReportVariable& a, const ReportVariable& b) { return a.id < b.id; });
    text += formatText("\n\nNumber of design variables: %d\n", static_cast<int>(variables.size()));
    for (const ReportVariable& variable : variables) {
        if (variable.discrete) {
            appendDiscreteVariable(text, variable);
        } else {
            appendContinuousVariable(text, variable);
        }
        text += "\n";
    }
    if (!head.factorMapping) return;
    text += "\n\n*FACTOR_MAPPING";
    appendFactorOrder(text, "controlFactorOrder", head.factorMapping->control);
    appendFactorOrder(text, "noiseFactorOrder", head.factorMapping->noise);
}

// Each parameter takes a line of its own.
void appendParameters(std::string& text, const ReportHead& head) {
    text +=
        formatText("\n\nNumber of parameters: %d\n\n", static_cast<int>(head.parameters.size()));
    for (const ReportParameter& parameter : head.parameters) {
        text += formatText(" %s, %4d, %12.8e, %s\n", parameter.name.c_str(), parameter.id,
                           parameter.baseline, parameter.distribution.c_str());
    }
    text +=
        formatText("\n\nNumber of dependents: %d\n\n", static_cast<int>(head.dependents.size()));
    for (const ReportDependent& dependent : head.dependents) {
        text += formatText(" %s, %d, %s, %s\n", dependent.name.c_str(), dependent.id,
                           dependent.distribution.c_str(), dependent.formula.c_str());
    }
    text += formatText("\n\nNumber of string parameters: %d\n\n",
                       static_cast<int>(head.strings.size()));
    for (const ReportStringParameter& parameter : head.strings) {
        text += formatText(" %s, %4d, %s\n", parameter.name.c_str(), parameter.id,
                           parameter.value.c_str());
    }
}

std::string objectiveOption(const ReportResponse& response) {
    switch (response.option) {
        case -1: return "  Minimize,";
        case 0: return formatText("  Match target, %g", response.target);
        case 1: return "  Maximize,";
        default: return formatText("  Push away from target, %g", response.target);
    }
}

std::string constraintOption(const ReportResponse& response) {
    if (response.option < 0) return " Less than,";
    return response.option == 0 ? " Match target," : " More than,";
}

std::string normText(double norm) {
    if (norm > 0.0) return formatText(" , Norm = %8.6e", norm);
    return " , Norm = Use baseline design value";
}

void appendResponse(std::string& text, const ReportResponse& response) {
    text += "\n";
    switch (response.kind) {
        case ReportResponseKind::objective:
            text += formatText(" %20s,  OBJECTIVE,", response.name.c_str());
            text += objectiveOption(response) + normText(response.norm);
            break;
        case ReportResponseKind::constraint:
            text += formatText(" %20s, CONSTRAINT,", response.name.c_str());
            text += constraintOption(response) + formatText(" %8.6e", response.target);
            text += normText(response.norm);
            break;
        case ReportResponseKind::plain:
            text += formatText(" %20s, PREREQUISITE", response.name.c_str());
            break;
    }
    if (!response.formula.empty()) text += formatText(", %s", response.formula.c_str());
}

void appendResponsesAndAgent(std::string& text, const ReportHead& head) {
    text += "\n\n*********** RESPONSE VARIABLE INFORMATION ***********";
    text += formatText("\n\nNumber of responses: %d\n", static_cast<int>(head.responses.size()));
    for (const ReportResponse& response : head.responses) appendResponse(text, response);
    if (!head.visualizationFiles.empty()) {
        text += "\n*STUDY_VIZ_FILES";
        for (const std::string& file : head.visualizationFiles) {
            text += formatText("\nvisualizationFile: %s", file.c_str());
        }
    }
    text += "\n\n\n*AGENT";
    text += formatText("\n%s\n", head.agentDefinition.c_str());
    if (head.hashingOff) {
        text += "\n\n\n**** The design hashing has been turned off by the user. Same designs "
                "could be re-evaluated.";
    }
}

}  // namespace

std::string reportHeadText(const ReportHead& head) {
    std::string text;
    appendGeneralInformation(text, head);
    appendVariables(text, head);
    appendParameters(text, head);
    appendResponsesAndAgent(text, head);
    return text;
}

void writeReportHead(const std::string& path, const ReportHead& head) {
    if (!support::replaceFile(path, reportHeadText(head))) fatalError(reportFileError);
}

std::string reportTailText(const std::string& runStatus, const std::string& endTime) {
    return "\nEnd of VARNO run.\n" + formatText("*EXIT STATE\n%s\n", runStatus.c_str()) +
           formatText("*ENDTIME\n%s\n", endTime.c_str());
}

void appendReportTail(const std::string& path, const std::string& runStatus,
                      const std::string& endTime) {
    support::FileWriter writer(path, true);
    if (writer.is_open()) {
        writer.write(reportTailText(runStatus, endTime));
        if (writer.close()) return;
    }
    writeMessage("outptr", "warning", reportFileError);
}

}  // namespace varno::output
