// The study's definition as the set-up calls build it: each call's line list
// goes to the reader that owns that kind of object.
#pragma once

#include "frame/definition_text.h"
#include "model/parameters.h"
#include "model/print_format.h"
#include "model/responses.h"
#include "study/study.h"

namespace varno {

// A reader of the project model (parameters, sets, distributions, curves,
// formats, project responses), called with the study's project.
template <void (*read)(model::ProjectModel&, const LineList&)>
void defineProjectObject(Study& study, const LineList& lines) {
    read(study.project, lines);
}

// The study-creation call: the agent of the given type.
void defineStudyAgent(Study& study, const LineList& lines);
void defineStudyLevel(Study& study, const LineList& lines);
void defineMethod(Study& study, const LineList& lines);
void defineRuntime(Study& study, const LineList& lines);

// Study variables and DOE factors join the study's one representation.
void addStudyVariable(Study& study, const LineList& lines);
void addDoeFactor(Study& study, const LineList& lines);

// Study responses belong to the performance definition of agent 0.
void addStudyResponse(Study& study, const LineList& lines);

}  // namespace varno
