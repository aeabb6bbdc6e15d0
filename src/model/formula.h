// Formula texts of dependent variables and formula responses. The engine does
// not evaluate formulas; it prepares their final text for the evaluator, finds
// the project names each uses and orders them so that each can be evaluated
// after everything it needs.
#pragma once

#include <string>
#include <vector>

#include "model/project_model.h"

namespace varno::model {

// The final formula of `name` from its lines: one expression becomes an
// assignment to `_result`; several lines must assign `_result` themselves.
std::string buildFormula(const std::string& name, const std::vector<std::string>& lines);

// The project names the formula of one item uses directly: a dependent
// variable (kindDependent), a response (kindResponse) or, for any other kind,
// `text`. An item naming itself is fatal unless it is a multi-line formula
// that sets `_result`; the item is then left out of its own list.
DependencySet getListOfDependentVariables(const ProjectModel& model, int kind, int index,
                                          const std::string* text = nullptr);

// Everything the item depends on, through other dependent variables and
// formula responses; an item that comes back to itself is fatal.
DependencySet buildDependencySet(const ProjectModel& model, int kind, int index);

// Builds the set of every dependent variable and formula response and the
// model's evaluation order. A circular or cyclic definition is fatal.
void buildDependencySets(ProjectModel& model);

}  // namespace varno::model
