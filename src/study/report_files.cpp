#include "study/report_files.h"

#include <algorithm>

#include "frame/definition_text.h"
#include "frame/message_log.h"
#include "frame/text_format.h"
#include "study/study.h"
#include "support/clock.h"
#include "support/file_io.h"

namespace varno {

namespace {

constexpr const char* reportVersion = "2019.1.0.8677";

const char* agentTypeWord(int type) {
    switch (type) {
        case search::agentDoe: return "doe";
        case search::agentReliability: return "reliability and robustness";
        case search::agentEvaluation: return "evaluation";
        default: return "optimization";
    }
}

std::string distributionName(const model::ProjectModel& project, int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= project.user_distributions.size()) {
        return "None";
    }
    return project.user_distributions[static_cast<std::size_t>(index)].name;
}

std::string withoutLineEnd(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

const model::DiscreteSet* setOfVariable(const model::ProjectModel& project, int id) {
    for (const model::DiscreteParameter& parameter : project.file_user_disc) {
        if (parameter.id != id || parameter.setIndex < 0) continue;
        return &project.user_discrete_sets[static_cast<std::size_t>(parameter.setIndex)];
    }
    return nullptr;
}

std::string choiceText(const model::DiscreteSet* set, double index) {
    const auto at = static_cast<std::size_t>(std::max(index, 0.0));
    if (set == nullptr || at >= set->discSetChoices.size()) return formatText("%g", index);
    return set->discSetChoices[at];
}

output::ReportVariable reportVariable(const model::ProjectModel& project,
                                      const model::StudyVariable& variable) {
    output::ReportVariable entry;
    entry.name = variable.name;
    entry.id = variable.id;
    entry.discrete = variable.discrete != 0;
    entry.min = variable.min;
    entry.baseline = variable.baseline;
    entry.max = variable.max;
    entry.resolution = variable.resolution;
    entry.distribution = distributionName(project, variable.distribution);
    entry.doeFactor = variable.doeDefined != 0;
    entry.noise = variable.factorType == 1;
    entry.levelValues = variable.doe_vals;
    if (!entry.discrete) return entry;
    const model::DiscreteSet* set = setOfVariable(project, variable.id);
    entry.setName = set != nullptr ? set->name : std::string();
    entry.baselineChoice = static_cast<int>(variable.baseline) + 1;
    if (set != nullptr) entry.choices = set->discSetChoices;
    for (double level : variable.doe_vals) entry.levelTexts.push_back(choiceText(set, level));
    return entry;
}

std::string responseFormula(const model::ProjectModel& project, const std::string& name) {
    for (const model::ProjectResponse& response : project.prjResps) {
        if (response.name == name && response.type == model::responseFormula) {
            return response.formula;
        }
    }
    return std::string();
}

output::ReportResponseKind responseKind(int flag) {
    if (flag == model::kindObjective) return output::ReportResponseKind::objective;
    if (flag == model::kindConstraint) return output::ReportResponseKind::constraint;
    return output::ReportResponseKind::plain;
}

// A robustness study samples each response several times; its plain
// responses are listed once per name.
std::vector<output::ReportResponse> reportResponses(const Study& study) {
    const bool oncePerName = study.agent().method_used == search::studyRobustness;
    std::vector<output::ReportResponse> responses;
    if (study.project.per_type.empty()) return responses;
    for (const model::ResponseGoal& goal : study.performance().goals) {
        const output::ReportResponseKind kind = responseKind(goal.flag);
        const bool listed = std::any_of(responses.begin(), responses.end(),
                                        [&](const auto& r) { return r.name == goal.name; });
        if (oncePerName && kind == output::ReportResponseKind::plain && listed) continue;
        responses.push_back({goal.name, kind, goal.opt, goal.target, goal.norm,
                             responseFormula(study.project, goal.name)});
    }
    return responses;
}

void addParameters(const model::ProjectModel& project, output::ReportHead& head) {
    for (const model::FixedParameter& p : project.file_user_fixed) {
        head.parameters.push_back(
            {p.name, p.id, p.baseline, distributionName(project, p.distribution)});
    }
    for (const model::DependentParameter& p : project.file_user_depn) {
        head.dependents.push_back(
            {p.name, p.id, distributionName(project, p.distribution), p.formula});
    }
    for (const model::StringParameter& p : project.file_user_strings) {
        head.strings.push_back({p.name, p.id, p.stringValue});
    }
}

std::string folderOrWorkingDirectory(const std::string& folder, const Study& study) {
    return folder.empty() ? study.workingDirectory : folder;
}

void addAgentInformation(const Study& study, output::ReportHead& head) {
    const search::Agent& agent = study.agent();
    const StudyLevelData& level = study.setup.study;
    head.postDirectory = folderOrWorkingDirectory(agent.data.postDirectory, study);
    head.evaluationDirectory = folderOrWorkingDirectory(agent.data.evaluationDirectory, study);
    head.filePrefix = level.filePrefix;
    head.agentName = agent.name;
    head.studyType = agentTypeWord(agent.type);
    head.studyName = level.name;
    head.agentId = agent.number;
    for (int n = level.startAgent; n <= level.endAgent; ++n) head.agentsInGroup.push_back(n);
    head.processName = formatText("%d", agent.processNumber);
    head.randomSeed = level.randomSeed;
}

}  // namespace

output::StudyFileNames studyFileNames(const Study& study) {
    const int mode = study.setup.study.modeCode;
    return {study.workingDirectory, study.setup.study.filePrefix, study.agent().number,
            mode == search::modeRunDesignFiles || mode == search::modeWriteDesignFiles};
}

output::ReportHead reportHead(const Study& study) {
    output::ReportHead head;
    head.version = reportVersion;
    head.startTime = withoutLineEnd(study.output.startTime);
    head.workingDirectory = study.workingDirectory;
    addAgentInformation(study, head);
    const model::Representation& variables = study.project.dvar.front();
    for (const model::StudyVariable& variable : variables.data) {
        head.variables.push_back(reportVariable(study.project, variable));
    }
    if (study.agent().method_used == search::studyRobustParameterDesign) {
        head.factorMapping =
            output::FactorMapping{variables.doe_control_factor_map, variables.doe_noise_factor_map};
    }
    addParameters(study.project, head);
    head.responses = reportResponses(study);
    const std::string& visualization = study.setup.method.visualizationFile;
    if (!visualization.empty()) head.visualizationFiles.push_back(visualization);
    head.agentDefinition = joinLines(study.setup.method.lines, '\n');
    head.hashingOff = study.setup.options.turnOffHashing != 0;
    return head;
}

void writeReportHeads(Study& study) {
    const std::string path = output::studyFilePath(studyFileNames(study), ".rpt", false);
    output::checkPathLength(path);
    output::writeReportHead(path, reportHead(study));
    study.output.reportWritten = true;
}

void writeReportTails(Study& study) {
    if (!study.output.reportWritten || study.output.reportTailWritten) return;
    study.output.reportTailWritten = true;
    const std::string path = output::studyFilePath(studyFileNames(study), ".rpt", false);
    output::appendReportTail(path, study.runStatus, support::localTimeStamp());
}

int generateReportFile(Study* study) {
    if (study == nullptr || !study->setup.study.defined || !study->setup.agent) {
        appendToMessageLog("The report file cannot be written before the study level data "
                           "(file prefix and agents) are defined.");
        return 0;
    }
    writeReportHeads(*study);
    study->output.reportTailWritten = false;
    return 1;
}

}  // namespace varno
