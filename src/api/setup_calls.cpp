// Exported set-up calls: each builds the line list of its definition text (the
// name line first) and hands it to the reader that owns that kind of object.
#include "varno.h"

#include "frame/call_frame.h"
#include "frame/definition_text.h"
#include "frame/message_log.h"
#include "frame/text_format.h"
#include "model/parameters.h"
#include "model/print_format.h"
#include "model/responses.h"
#include "model/study_variables.h"
#include "study/study.h"

using namespace varno;

namespace {

using Reader = void (*)(Study&, const LineList&);

LineList definitionLines(const char* name, const char* text) {
    LineList lines = splitLines(text);
    addNameLine(lines, name != nullptr ? name : "");
    return lines;
}

// The study exists only between initialisation and the end of a study.
int runSetUp(const CallRule& rule, const char* name, const char* text, Reader reader) {
    return runTrapped(rule, 0, [&] {
        Study* study = currentStudy();
        if (study == nullptr) {
            appendToMessageLog(
                formatText("%s cannot be done before initializing the study.", rule.name));
            return 0;
        }
        reader(*study, definitionLines(name, text));
        return 1;
    });
}

// A reader of the project model, called with the study's project.
template <void (*read)(model::ProjectModel&, const LineList&)>
void onProject(Study& study, const LineList& lines) {
    read(study.project, lines);
}

void addToFirstRepresentation(Study& study, const LineList& lines) {
    model::addStudyVariable(study.project, study.project.dvar.front(), lines);
}

void addFactorToFirstRepresentation(Study& study, const LineList& lines) {
    model::addDoeFactor(study.project, study.project.dvar.front(), lines);
}

// Study responses belong to the performance definition of agent 0; a
// "reliability and robustness" agent lets a zero factor stand for 1.
void addToFirstPerformance(Study& study, const LineList& lines) {
    model::ProjectModel& project = study.project;
    if (project.per_type.empty()) project.per_type.emplace_back();
    model::StudyResponseContext context;
    context.reliabilityAgent =
        study.setup.agent && study.setup.agent->type == search::agentReliability;
    model::addStudyResponse(project, project.per_type.front(), lines, context);
}

void createAgent(Study& study, const LineList& lines) {
    createNewStudy(study.setup, lines);
}

void defineStudyLevel(Study& study, const LineList& lines) {
    defineStudyLevelData(study.setup, lines);
}

void defineMethod(Study& study, const LineList& lines) {
    search::defineSearchMethod(study.setup.agent, study.setup.method, methodScope(study.setup),
                               study.project.dvar.front(), lines);
}

void defineRuntime(Study& study, const LineList& lines) {
    defineRuntimeOptions(study.setup, lines);
    study.verbose = study.setup.options.verbose;
}

// The archive size of a multi-objective search; 0 for other studies.
int archiveSize(const Study& study) {
    const auto& agent = study.setup.agent;
    if (!agent || agent->method_used != search::studyMoTravok) return 0;
    return agent->data.populationSize;
}

int studyCount(const Study& study, int dataId) {
    const model::ProjectModel& project = study.project;
    const model::PerformanceDefinition* performance =
        project.per_type.empty() ? nullptr : &project.per_type.front();
    switch (dataId) {
        case 0: return archiveSize(study);
        case 1: return static_cast<int>(project.dvar.front().data.size());
        case 2: return performance ? static_cast<int>(performance->size()) : 0;
        case 3: return static_cast<int>(project.file_user_fixed.size());
        case 4: return performance ? model::countByKind(*performance, model::kindObjective) : 0;
        case 5: return performance ? model::countByKind(*performance, model::kindConstraint) : 0;
        default: return -1;
    }
}

}  // namespace

extern "C" {

int VARNO_createNewStudy(const char* name, const char* text) {
    return runSetUp({"VARNO_createNewStudy", Lifecycle::setUp, "Create new study"}, name, text,
                    createAgent);
}

int VARNO_defineStudyLevelData(const char* name, const char* text) {
    return runSetUp({"VARNO_defineStudyLevelData", Lifecycle::setUp, "Define Study data"}, name,
                    text, defineStudyLevel);
}

int VARNO_defineSearchMethodData(const char* name, const char* text) {
    return runSetUp({"VARNO_defineSearchMethodData", Lifecycle::setUp, "Define search method data"},
                    name, text, defineMethod);
}

int VARNO_defineStudyRuntimeOptions(const char* name, const char* text) {
    return runSetUp({"VARNO_defineStudyRuntimeOptions", Lifecycle::setUp}, name, text,
                    defineRuntime);
}

int VARNO_defineNewProjectParameter(const char* name, const char* text) {
    return runSetUp({"VARNO_defineNewProjectParameter", Lifecycle::setUp}, name, text,
                    onProject<model::defineProjectParameter>);
}

int VARNO_defineNewDiscreteSet(const char* name, const char* text) {
    return runSetUp({"VARNO_defineNewDiscreteSet", Lifecycle::setUp, "Add discrete set"}, name,
                    text, onProject<model::defineDiscreteSet>);
}

int VARNO_defineNewDistribution(const char* name, const char* text) {
    return runSetUp({"VARNO_defineNewDistribution", Lifecycle::setUp}, name, text,
                    onProject<model::defineDistribution>);
}

int VARNO_defineNewCurve(const char* name, const char* text) {
    return runSetUp({"VARNO_defineNewCurve", Lifecycle::setUp}, name, text, onProject<model::defineCurve>);
}

int VARNO_defineNewFormat(const char* name, const char* text) {
    return runSetUp({"VARNO_defineNewFormat", Lifecycle::setUp}, name, text,
                    onProject<model::definePrintFormat>);
}

int VARNO_defineNewProjectResponse(const char* name, const char* text) {
    return runSetUp({"VARNO_defineNewProjectResponse", Lifecycle::setUp}, name, text,
                    onProject<model::defineProjectResponse>);
}

int VARNO_addResponseToStudy(const char* name, const char* text) {
    return runSetUp({"VARNO_addResponseToStudy", Lifecycle::setUp}, name, text,
                    addToFirstPerformance);
}

int VARNO_addVariableToStudy(const char* name, const char* text) {
    return runSetUp({"VARNO_addVariableToStudy", Lifecycle::setUp}, name, text,
                    addToFirstRepresentation);
}

int VARNO_addDOEFactorToStudy(const char* name, const char* text) {
    return runSetUp({"VARNO_addDOEFactorToStudy", Lifecycle::setUp}, name, text,
                    addFactorToFirstRepresentation);
}

int VARNO_getIntStudyData(int dataId) {
    return runTrapped(CallRule{"VARNO_getIntStudyData", Lifecycle::any}, 0, [&] {
        const Study* study = currentStudy();
        const int count = study != nullptr ? studyCount(*study, dataId)
                                           : (dataId >= 0 && dataId <= 5 ? 0 : -1);
        if (count >= 0) return count;
        appendToMessageLog("Unsupported ID used with VARNO_getIntStudyData.");
        return 0;
    });
}

}  // extern "C"
