#include "model/study_variables.h"

#include <algorithm>

#include "frame/fatal_error.h"
#include "frame/text_format.h"
#include "model/block_reader.h"
#include "model/parameters.h"

namespace varno::model {

namespace {

bool studyIdTaken(const Representation& representation, int id) {
    return std::any_of(representation.data.begin(), representation.data.end(),
                       [id](const StudyVariable& v) { return v.id == id; });
}

void requireNewStudyId(const Representation& representation, int id) {
    if (studyIdTaken(representation, id)) {
        fatalError(formatText("Cannot have duplicate variable ids %d.", id));
    }
}

template <class Record>
const Record* findById(const std::vector<Record>& table, int id) {
    const auto it =
        std::find_if(table.begin(), table.end(), [id](const Record& r) { return r.id == id; });
    return it == table.end() ? nullptr : &*it;
}

void setIdentity(StudyVariable& variable, const std::string& name, int id) {
    variable.name = name;
    variable.id = variable.id2 = variable.id3 = id;
    for (double& c : variable.coordinates) c = id;
}

void updateCoordinateExtremes(Representation& representation) {
    for (int axis = 0; axis < 3; ++axis) {
        double lo = representation.data.front().coordinates[axis];
        double hi = lo;
        for (const StudyVariable& v : representation.data) {
            lo = std::min(lo, v.coordinates[axis]);
            hi = std::max(hi, v.coordinates[axis]);
        }
        representation.minCoordinate[axis] = lo;
        representation.maxCoordinate[axis] = hi;
    }
}

void addContinuous(ProjectModel& model, Representation& representation, const LineList& lines) {
    BlockReader reader(lines, "Parameter");
    const std::string name = reader.name();
    const int id = reader.requiredInt("id");
    const int resolution = reader.requiredInt("resolution");
    const std::string distribution = reader.requiredText("distribution");
    requireNewStudyId(representation, id);
    const ContinuousParameter* project = findById(model.file_user_cont, id);
    if (project == nullptr) {
        fatalError(formatText("Design Variable \"%s\" is not defined in the of project variables.",
                              name.c_str()));
    }
    StudyVariable variable;
    if (distribution != "NONE") {
        variable.distribution = distributionIndex(model, distribution);
        if (variable.distribution < 0) {
            fatalError(formatText("Error in the project definition. The distribution \"%s\" is "
                                  "being used, but has not been defined in the project.",
                                  distribution.c_str()));
        }
    }
    setIdentity(variable, name, id);
    variable.kindTag = continuousKindTag;
    variable.discrete = 0;
    variable.resolution = resolution;
    variable.min = project->min;
    variable.max = project->max;
    variable.baseline = project->baseline;
    representation.data.push_back(std::move(variable));
}

void addDiscrete(ProjectModel& model, Representation& representation, const LineList& lines) {
    BlockReader reader(lines, "Parameter");
    const std::string name = reader.name();
    const int id = reader.requiredInt("id");
    requireNewStudyId(representation, id);
    const DiscreteParameter* project = findById(model.file_user_disc, id);
    if (project == nullptr) {
        fatalError(formatText("Design Variable id %d is not defined in Definitions.in.\n", id));
    }
    const DiscreteSet& set = model.user_discrete_sets[static_cast<std::size_t>(project->setIndex)];
    const auto item =
        std::find(set.discSetChoices.begin(), set.discSetChoices.end(), project->baseline);
    StudyVariable variable;
    setIdentity(variable, name, id);
    variable.kindTag = discreteKindTag;
    variable.discrete = 1;
    variable.resolution = project->itemCount;
    variable.min = 0.0;
    variable.max = project->itemCount;
    variable.ordered = project->ordered;
    variable.baseline = static_cast<double>(item - set.discSetChoices.begin());
    representation.data.push_back(std::move(variable));
}

[[noreturn]] void notADesignVariable(const char* kindWord, const std::string& name) {
    const std::string first =
        formatText("The %s design variable %s is not being", kindWord, name.c_str());
    fatalError(formatText("%s designed in the %s file", first.c_str(), apiSource));
}

StudyVariable& studyVariableFor(Representation& representation, const char* kindWord,
                                const std::string& name) {
    const int index = studyVariableIndex(representation, name);
    if (index < 0) notADesignVariable(kindWord, name);
    return representation.data[static_cast<std::size_t>(index)];
}

// Levels are separated by commas; a run of commas separates only once.
int levelCount(const std::string& levels) {
    int count = 1;
    for (std::size_t i = 0; i < levels.size(); ++i) {
        if (levels[i] == ',' && (i == 0 || levels[i - 1] != ',')) ++count;
    }
    return count;
}

std::vector<double> continuousLevels(const std::string& name, const std::string& levels) {
    const int count = levelCount(levels);
    std::vector<double> values;
    for (int i = 0; i < count; ++i) {
        values.push_back(doubleField(levels, i));
        if (i > 0 && !(values[i - 1] < values[i])) {
            fatalError(formatText("Error in the definition for variable %s. Value for Level%d ( "
                                  "%g ) must be less than the value for Level%d ( %g ).",
                                  name.c_str(), i, values[i - 1], i + 1, values[i]));
        }
    }
    return values;
}

std::string trimmedItem(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return std::string();
    const std::size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

// Item texts separated by commas; "\," keeps a comma inside an item.
std::vector<std::string> itemLevels(const std::string& levels) {
    std::vector<std::string> items;
    std::string current;
    const auto finish = [&] {
        if (!current.empty()) items.push_back(trimmedItem(current));
        current.clear();
    };
    for (std::size_t i = 0; i < levels.size(); ++i) {
        if (levels[i] == '\\' && i + 1 < levels.size() && levels[i + 1] == ',') {
            current += ',';
            ++i;
        } else if (levels[i] == ',') {
            finish();
        } else {
            current += levels[i];
        }
    }
    finish();
    return items;
}

std::vector<double> discreteLevels(const ProjectModel& model, const DiscreteParameter& project,
                                   const std::string& levels) {
    const DiscreteSet& set = model.user_discrete_sets[static_cast<std::size_t>(project.setIndex)];
    std::vector<double> indices;
    for (const std::string& item : itemLevels(levels)) {
        const auto found = std::find(set.discSetChoices.begin(), set.discSetChoices.end(), item);
        if (found == set.discSetChoices.end()) {
            const std::string first =
                formatText("The doe definition of the discrete design variable -> %s is incorrect",
                           project.name.c_str());
            fatalError(formatText("%s The doe_choice --> %s does not exist in original set for "
                                  "this variable.",
                                  first.c_str(), item.c_str()));
        }
        indices.push_back(static_cast<double>(found - set.discSetChoices.begin()));
    }
    return indices;
}

void recordFactor(Representation& representation, StudyVariable& variable,
                  std::vector<double> levels, const std::string& factorType) {
    variable.doeDefined = 1;
    variable.doeLevelCount = static_cast<int>(levels.size());
    variable.doe_vals = std::move(levels);
    variable.factorType = factorType == "Noise" ? 1 : 0;
    representation.doe_factor_map.push_back(variable.id);
    auto& group = variable.factorType == 1 ? representation.doe_noise_factor_map
                                           : representation.doe_control_factor_map;
    group.push_back(variable.id);
}

void addContinuousFactor(ProjectModel& model, Representation& representation,
                         const LineList& lines) {
    BlockReader reader(lines, "Continuous Variable (DOE)");
    const std::string name = reader.name();
    const std::string levels = reader.requiredText("levels");
    const std::string factorType = reader.requiredText("factorType");
    if (continuousIndex(model, name, Lookup::mayFail) < 0) {
        const std::string first =
            formatText("The continuous design variable %s is not defined", name.c_str());
        fatalError(formatText("%s in the Definitions.in file", first.c_str()));
    }
    StudyVariable& variable = studyVariableFor(representation, "continuous", name);
    recordFactor(representation, variable, continuousLevels(name, levels), factorType);
}

void addDiscreteFactor(ProjectModel& model, Representation& representation, const LineList& lines) {
    BlockReader reader(lines, "Discrete Variable (DOE)");
    const std::string name = reader.name();
    const std::string levels = reader.requiredText("levels");
    const std::string factorType = reader.requiredText("factorType");
    const int project = discreteIndex(model, name, Lookup::mayFail);
    if (project < 0) {
        fatalError(formatText("The discrete design variable %s is not defined in the "
                              "Definitions.in file",
                              name.c_str()));
    }
    StudyVariable& variable = studyVariableFor(representation, "discrete", name);
    recordFactor(representation, variable,
                 discreteLevels(model, discreteAt(model, project), levels), factorType);
}

// Reads `name` and `type` and tells which of the two readers applies.
bool isContinuousType(const LineList& lines) {
    BlockReader reader(lines, "Parameter");
    const std::string name = reader.name();
    const std::string type = reader.requiredText("type");
    if (type == "Continuous") return true;
    if (type == "Discrete") return false;
    fatalError(formatText("Error in adding the parameter \"%s\" to the study. The specified type "
                          "\"%s\" is not supported for study variables. Only Continuous and "
                          "Discrete variables can be added to the study.",
                          name.c_str(), type.c_str()));
}

}  // namespace

void addStudyVariable(ProjectModel& model, Representation& representation, const LineList& lines) {
    if (isContinuousType(lines)) {
        addContinuous(model, representation, lines);
    } else {
        addDiscrete(model, representation, lines);
    }
    updateCoordinateExtremes(representation);
}

void addDoeFactor(ProjectModel& model, Representation& representation, const LineList& lines) {
    if (isContinuousType(lines)) {
        addContinuousFactor(model, representation, lines);
    } else {
        addDiscreteFactor(model, representation, lines);
    }
}

int studyVariableIndex(const Representation& representation, const std::string& name) {
    for (std::size_t i = 0; i < representation.data.size(); ++i) {
        if (representation.data[i].name == name) return static_cast<int>(i);
    }
    return -1;
}

}  // namespace varno::model
