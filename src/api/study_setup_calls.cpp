// Exported set-up calls of the study itself: the agent, the study-level data,
// the search method and the runtime options. Each builds the line list of its
// definition text (the name line first) and hands it to its reader.
#include "varno.h"

#include "api/call_frame.h"
#include "api/definition_text.h"
#include "api/message_log.h"
#include "api/text_format.h"
#include "search/study_setup.h"

using namespace varno;

namespace {

using StudyReader = void (*)(Study&, const LineList&);

LineList definitionLines(const char* name, const char* text) {
    LineList lines = splitLines(text);
    addNameLine(lines, name != nullptr ? name : "");
    return lines;
}

int runStudySetUp(const CallRule& rule, const char* name, const char* text, StudyReader reader) {
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

void createAgent(Study& study, const LineList& lines) {
    search::createNewStudy(study.setup, lines);
}

void defineStudyLevel(Study& study, const LineList& lines) {
    search::defineStudyLevelData(study.setup, lines);
}

void defineMethod(Study& study, const LineList& lines) {
    search::defineSearchMethod(study.setup, study.project.dvar.front(), lines);
}

void defineRuntime(Study& study, const LineList& lines) {
    search::defineRuntimeOptions(study.setup, lines);
    study.verbose = study.setup.options.verbose;
}

}  // namespace

extern "C" {

int VARNO_createNewStudy(const char* name, const char* text) {
    return runStudySetUp({"VARNO_createNewStudy", Lifecycle::setUp, "Create new study"}, name,
                         text, createAgent);
}

int VARNO_defineStudyLevelData(const char* name, const char* text) {
    return runStudySetUp({"VARNO_defineStudyLevelData", Lifecycle::setUp, "Define Study data"},
                         name, text, defineStudyLevel);
}

int VARNO_defineSearchMethodData(const char* name, const char* text) {
    return runStudySetUp(
        {"VARNO_defineSearchMethodData", Lifecycle::setUp, "Define search method data"}, name,
        text, defineMethod);
}

int VARNO_defineStudyRuntimeOptions(const char* name, const char* text) {
    return runStudySetUp({"VARNO_defineStudyRuntimeOptions", Lifecycle::setUp}, name, text,
                         defineRuntime);
}

}  // extern "C"
