// Project parameters (continuous, discrete, dependent, fixed numeric and
// string), discrete sets, distributions and curves: their readers, and the
// lookups that resolve a name to its kind and index.
#pragma once

#include <string>

#include "frame/definition_text.h"
#include "model/project_model.h"

namespace varno::model {

// Readers of the set-up calls; `lines` starts with the name line. Every
// validation failure is fatal and leaves the tables unchanged.
void defineProjectParameter(ProjectModel& model, const LineList& lines);
void defineDiscreteSet(ProjectModel& model, const LineList& lines);
void defineDistribution(ProjectModel& model, const LineList& lines);
void defineCurve(ProjectModel& model, const LineList& lines);

// True when a continuous, discrete, dependent, fixed or string parameter has
// this name.
bool isParameterName(const ProjectModel& model, const std::string& name);

struct NameType {
    int code = kindUnknown;
    std::string word;  // "continuous", "discrete", ...; empty when unknown
    int index = -1;
};

// The kind of `name`, trying the kinds in their fixed order.
NameType getNameType(const ProjectModel& model, const std::string& name);

// Index lookups by name: `mustExist` makes an unknown name fatal, otherwise
// it gives -1.
enum class Lookup { mustExist, mayFail };
int continuousIndex(const ProjectModel& model, const std::string& name, Lookup mode);
int discreteIndex(const ProjectModel& model, const std::string& name, Lookup mode);
int dependentIndex(const ProjectModel& model, const std::string& name, Lookup mode);
int stringParameterIndex(const ProjectModel& model, const std::string& name, Lookup mode);
int distributionIndex(const ProjectModel& model, const std::string& name);

// Records by index; an index out of range is fatal.
const ContinuousParameter& continuousAt(const ProjectModel& model, int index);
const DiscreteParameter& discreteAt(const ProjectModel& model, int index);
const FixedParameter& numericParameterAt(const ProjectModel& model, int index);
const StringParameter& stringParameterAt(const ProjectModel& model, int index);
const DependentParameter& dependentAt(const ProjectModel& model, int index);

// Number of items of the set called `setName`; an unknown set is fatal.
int discreteSetItemCount(const ProjectModel& model, const std::string& setName);
// Name of the set at `index`, or "NONE".
std::string discreteSetName(const ProjectModel& model, int index);

}  // namespace varno::model
