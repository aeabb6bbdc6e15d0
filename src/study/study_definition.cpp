#include "study/study_definition.h"

#include "model/responses.h"
#include "model/study_variables.h"
#include "search/method_settings.h"
#include "study/doe_study.h"
#include "study/robust_design_study.h"
#include "study/robustness_study.h"

namespace varno {

void addStudyVariable(Study& study, const LineList& lines) {
    model::addStudyVariable(study.project, study.project.dvar.front(), lines);
}

void addDoeFactor(Study& study, const LineList& lines) {
    model::addDoeFactor(study.project, study.project.dvar.front(), lines);
}

// Study responses belong to the performance definition of agent 0; a
// "reliability and robustness" agent lets a zero factor stand for 1.
void addStudyResponse(Study& study, const LineList& lines) {
    model::ProjectModel& project = study.project;
    if (project.per_type.empty()) project.per_type.emplace_back();
    model::StudyResponseContext context;
    context.reliabilityAgent = study.setup.agent &&
                               study.setup.agent->type == search::agentReliability;
    model::addStudyResponse(project, project.per_type.front(), lines, context);
}

void defineStudyAgent(Study& study, const LineList& lines) { createNewStudy(study.setup, lines); }

void defineStudyLevel(Study& study, const LineList& lines) {
    defineStudyLevelData(study.setup, lines);
}

void defineMethod(Study& study, const LineList& lines) {
    search::defineSearchMethod(study.setup.agent, study.setup.method, methodScope(study.setup),
                               study.project.dvar.front(), lines);
    if (study.agent().method_used == search::studyDoe) defineDoeMethod(study, lines);
    if (isRRStudy(study)) defineRRMethod(study, lines);
    if (isRobustDesignStudy(study)) defineRobustDesignMethod(study, lines);
}

void defineRuntime(Study& study, const LineList& lines) {
    defineRuntimeOptions(study.setup, lines);
    study.verbose = study.setup.options.verbose;
}

}  // namespace varno
