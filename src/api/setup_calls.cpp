// Exported set-up calls: each builds the line list of its definition text (the
// name line first) and hands it to the reader that owns that kind of object.
#include "varno.h"

#include "frame/call_frame.h"
#include "frame/definition_text.h"
#include "frame/message_log.h"
#include "frame/text_format.h"
#include "study/result_queries.h"
#include "study/study.h"
#include "study/study_definition.h"

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

}  // namespace

extern "C" {

int VARNO_createNewStudy(const char* name, const char* text) {
    return runSetUp({"VARNO_createNewStudy", Lifecycle::setUp, "Create new study"}, name, text,
                    defineStudyAgent);
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
                    defineProjectObject<model::defineProjectParameter>);
}

int VARNO_defineNewDiscreteSet(const char* name, const char* text) {
    return runSetUp({"VARNO_defineNewDiscreteSet", Lifecycle::setUp, "Add discrete set"}, name,
                    text, defineProjectObject<model::defineDiscreteSet>);
}

int VARNO_defineNewDistribution(const char* name, const char* text) {
    return runSetUp({"VARNO_defineNewDistribution", Lifecycle::setUp}, name, text,
                    defineProjectObject<model::defineDistribution>);
}

int VARNO_defineNewCurve(const char* name, const char* text) {
    return runSetUp({"VARNO_defineNewCurve", Lifecycle::setUp}, name, text,
                    defineProjectObject<model::defineCurve>);
}

int VARNO_defineNewFormat(const char* name, const char* text) {
    return runSetUp({"VARNO_defineNewFormat", Lifecycle::setUp}, name, text,
                    defineProjectObject<model::definePrintFormat>);
}

int VARNO_defineNewProjectResponse(const char* name, const char* text) {
    return runSetUp({"VARNO_defineNewProjectResponse", Lifecycle::setUp}, name, text,
                    defineProjectObject<model::defineProjectResponse>);
}

int VARNO_addResponseToStudy(const char* name, const char* text) {
    return runSetUp({"VARNO_addResponseToStudy", Lifecycle::setUp}, name, text, addStudyResponse);
}

int VARNO_addVariableToStudy(const char* name, const char* text) {
    return runSetUp({"VARNO_addVariableToStudy", Lifecycle::setUp}, name, text, addStudyVariable);
}

int VARNO_addDOEFactorToStudy(const char* name, const char* text) {
    return runSetUp({"VARNO_addDOEFactorToStudy", Lifecycle::setUp}, name, text, addDoeFactor);
}

int VARNO_getIntStudyData(int dataId) {
    return runTrapped(CallRule{"VARNO_getIntStudyData", Lifecycle::any}, 0, [&] {
        const int count = studyCount(currentStudy(), dataId);
        if (count >= 0) return count;
        appendToMessageLog("Unsupported ID used with VARNO_getIntStudyData.");
        return 0;
    });
}

}  // extern "C"
