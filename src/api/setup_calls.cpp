// Exported set-up calls of the project model: each builds the line list of
// its definition text (the name line first) and hands it to the reader that
// owns that kind of object.
#include "varno.h"

#include "api/call_frame.h"
#include "api/definition_text.h"
#include "api/message_log.h"
#include "api/text_format.h"
#include "model/parameters.h"
#include "model/print_format.h"
#include "model/responses.h"
#include "model/study_variables.h"

using namespace varno;

namespace {

using Reader = void (*)(model::ProjectModel&, const LineList&);

LineList definitionLines(const char* name, const char* text) {
    LineList lines = splitLines(text);
    addNameLine(lines, name != nullptr ? name : "");
    return lines;
}

// The project exists only between initialisation and the end of a study.
model::ProjectModel* projectOrRefuse(const char* callName) {
    Study* study = currentStudy();
    if (study == nullptr) {
        appendToMessageLog(
            formatText("%s cannot be done before initializing the study.", callName));
        return nullptr;
    }
    return &study->project;
}

int runSetUp(const CallRule& rule, const char* name, const char* text, Reader reader) {
    return runTrapped(rule, 0, [&] {
        model::ProjectModel* project = projectOrRefuse(rule.name);
        if (project == nullptr) return 0;
        reader(*project, definitionLines(name, text));
        return 1;
    });
}

void addToFirstRepresentation(model::ProjectModel& project, const LineList& lines) {
    model::addStudyVariable(project, project.dvar.front(), lines);
}

void addFactorToFirstRepresentation(model::ProjectModel& project, const LineList& lines) {
    model::addDoeFactor(project, project.dvar.front(), lines);
}

// Until the study's agent is assembled, study responses belong to the
// performance definition of agent 0, an optimisation agent.
void addToFirstPerformance(model::ProjectModel& project, const LineList& lines) {
    if (project.per_type.empty()) project.per_type.emplace_back();
    model::addStudyResponse(project, project.per_type.front(), lines,
                            model::StudyResponseContext{});
}

int studyCount(const model::ProjectModel& project, int dataId) {
    const model::PerformanceDefinition* performance =
        project.per_type.empty() ? nullptr : &project.per_type.front();
    switch (dataId) {
        case 0: return 0;  // archive size: multi-objective studies only
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

int VARNO_defineNewProjectParameter(const char* name, const char* text) {
    return runSetUp({"VARNO_defineNewProjectParameter", Lifecycle::setUp}, name, text,
                    model::defineProjectParameter);
}

int VARNO_defineNewDiscreteSet(const char* name, const char* text) {
    return runSetUp({"VARNO_defineNewDiscreteSet", Lifecycle::setUp, "Add discrete set"}, name,
                    text, model::defineDiscreteSet);
}

int VARNO_defineNewDistribution(const char* name, const char* text) {
    return runSetUp({"VARNO_defineNewDistribution", Lifecycle::setUp}, name, text,
                    model::defineDistribution);
}

int VARNO_defineNewCurve(const char* name, const char* text) {
    return runSetUp({"VARNO_defineNewCurve", Lifecycle::setUp}, name, text, model::defineCurve);
}

int VARNO_defineNewFormat(const char* name, const char* text) {
    return runSetUp({"VARNO_defineNewFormat", Lifecycle::setUp}, name, text,
                    model::definePrintFormat);
}

int VARNO_defineNewProjectResponse(const char* name, const char* text) {
    return runSetUp({"VARNO_defineNewProjectResponse", Lifecycle::setUp}, name, text,
                    model::defineProjectResponse);
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
        const int count = study != nullptr ? studyCount(study->project, dataId)
                                           : (dataId >= 0 && dataId <= 5 ? 0 : -1);
        if (count >= 0) return count;
        appendToMessageLog("Unsupported ID used with VARNO_getIntStudyData.");
        return 0;
    });
}

}  // extern "C"
