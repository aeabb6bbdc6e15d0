// The study's design variables and DOE factors: project variables taken into
// a representation, with their DOE levels and factor maps.
#pragma once

#include "frame/definition_text.h"
#include "model/project_model.h"

namespace varno::model {

// Adds a continuous or discrete project variable to `representation`.
void addStudyVariable(ProjectModel& model, Representation& representation, const LineList& lines);

// Marks a study variable of `representation` as a DOE factor with its levels.
void addDoeFactor(ProjectModel& model, Representation& representation, const LineList& lines);

// Index of the study variable called `name`, or -1.
int studyVariableIndex(const Representation& representation, const std::string& name);

}  // namespace varno::model
