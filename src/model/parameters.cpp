#include "model/parameters.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "frame/fatal_error.h"
#include "frame/message_writer.h"
#include "frame/text_format.h"
#include "model/block_reader.h"
#include "model/formula.h"
#include "support/distribution.h"

namespace varno::model {

namespace {

template <class Record>
int indexByName(const std::vector<Record>& table, const std::string& name) {
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (table[i].name == name) return static_cast<int>(i);
    }
    return -1;
}

template <class Record>
bool idTaken(const std::vector<Record>& table, int id) {
    return std::any_of(table.begin(), table.end(), [id](const Record& r) { return r.id == id; });
}

void requireNewId(bool taken, int id) {
    if (taken) fatalError(formatText("Cannot have duplicate variable ids %d.", id));
}

// An optional `distribution` property: absent or "NONE" is no distribution.
int readDistribution(const ProjectModel& model, const BlockReader& reader) {
    const std::optional<std::string> name = reader.optionalText("distribution");
    if (!name || *name == "NONE") return -1;
    const int index = distributionIndex(model, *name);
    if (index < 0) {
        fatalError(formatText("Error in the project definition. The distribution \"%s\" is being "
                              "used, but has not been defined in the project.",
                              name->c_str()));
    }
    return index;
}

// A value is numeric when it is a plain decimal number as a whole.
bool toNumber(const std::string& text, double& value) {
    if (!isNumberSyntax(text)) return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return std::isfinite(value);
}

void defineContinuous(ProjectModel& model, const LineList& lines) {
    BlockReader reader(lines, "Continuous Variable");
    ContinuousParameter record;
    record.name = reader.name();
    record.id = reader.requiredInt("id");
    record.min = reader.requiredDouble("min");
    record.baseline = reader.requiredDouble("baseline");
    record.max = reader.requiredDouble("max");
    requireNewId(idTaken(model.file_user_cont, record.id), record.id);
    if (!(record.min < record.max)) {
        fatalError(formatText("Lower bound (%g) must be less than upper bound (%g).", record.min,
                              record.max));
    }
    if (record.baseline < record.min || record.baseline > record.max) {
        fatalError(formatText("The baseline value (%g) must be greater than the lower bound (%g) "
                              "and less than upper bound (%g).",
                              record.baseline, record.min, record.max));
    }
    model.file_user_cont.push_back(std::move(record));
}

void defineDiscrete(ProjectModel& model, const LineList& lines) {
    BlockReader reader(lines, "Discrete Variable");
    DiscreteParameter record;
    record.name = reader.name();
    record.id = reader.requiredInt("id");
    record.set = reader.requiredText("set");
    const int baseline = reader.requiredInt("baseline");
    requireNewId(idTaken(model.file_user_disc, record.id), record.id);
    record.setIndex = indexByName(model.user_discrete_sets, record.set);
    if (record.setIndex < 0) {
        fatalError(formatText("The discrete set \"%s\" has not been defined prior to its use for "
                              "the definition of a discrete variable.",
                              record.set.c_str()));
    }
    const DiscreteSet& set = model.user_discrete_sets[static_cast<std::size_t>(record.setIndex)];
    if (set.itemCount < 2) {
        std::string text = "For a discrete variable, the number of items in a discrete set must "
                           "be at least 2.";
        fatalError(formatText("%s The discrete set \"%s\" has only %d items.", text.c_str(),
                              set.name.c_str(), set.itemCount));
    }
    if (baseline < 1 || baseline > set.itemCount) {
        fatalError(formatText("The baseline choice for a discrete variable must be between 1 and "
                              "number of items in the discrete set (%d).",
                              set.itemCount));
    }
    record.itemCount = set.itemCount;
    record.ordered = set.ordered;
    record.numeric = set.numeric;
    record.min = 0.0;
    record.max = set.itemCount;
    record.baseline = set.discSetChoices[static_cast<std::size_t>(baseline - 1)];
    model.file_user_disc.push_back(std::move(record));
}

void defineDependent(ProjectModel& model, const LineList& lines) {
    BlockReader reader(lines, "Dependent variable");
    DependentParameter record;
    record.name = reader.name();
    record.id = reader.requiredInt("id");
    record.distribution = readDistribution(model, reader);
    const std::vector<std::string> formula = reader.list("formula");
    if (formula.empty()) reader.fail("formula", "The property is not defined.");
    requireNewId(idTaken(model.file_user_depn, record.id), record.id);
    record.formula = buildFormula(record.name, formula);
    model.file_user_depn.push_back(std::move(record));
}

void defineFixed(ProjectModel& model, const LineList& lines) {
    BlockReader reader(lines, "Fixed parameter");
    FixedParameter record;
    record.name = reader.name();
    record.id = reader.requiredInt("id");
    record.baseline = reader.requiredDouble("baseline");
    record.distribution = readDistribution(model, reader);
    requireNewId(idTaken(model.file_user_fixed, record.id), record.id);
    model.file_user_fixed.push_back(std::move(record));
}

void defineString(ProjectModel& model, const LineList& lines) {
    BlockReader reader(lines, "String parameter");
    StringParameter record;
    record.name = reader.name();
    record.id = reader.requiredInt("id");
    record.stringValue = reader.requiredText("baseline");
    requireNewId(idTaken(model.file_user_strings, record.id), record.id);
    model.file_user_strings.push_back(std::move(record));
}

// The count written in a counted `values:N` line, when the list has that form.
std::optional<int> countedListSize(const LineList& lines, const std::string& key) {
    std::string error;
    const Property property = findProperty(lines, key, 1, false, error);
    if (property.line >= 0) return std::nullopt;
    int count = 0;
    if (!readInt(lines, key, count, error)) return std::nullopt;
    return count;
}

void addSetItem(DiscreteSet& set, std::string item) {
    if (item.size() >= 2 && item[0] == '\\' && item[1] == '$') item.erase(0, 1);
    double value = 0.0;
    if (set.numeric && !toNumber(item, value)) {
        set.numeric = 0;
        std::string text = formatText(
            "At least one item (%s) in the discrete set \"%s\" is not a number. As a result, if "
            "this set is assigned to a discrete variable which is used in a formula,",
            item.c_str(), set.name.c_str());
        text = formatText("%s the values will be used as text data and we will not try to "
                          "convert the data to a number.",
                          text.c_str());
        writeMessage("outptr", "warning", text);
    } else if (set.numeric) {
        set.discSetNumChoices.push_back(value);
    }
    set.discSetChoices.push_back(std::move(item));
}

// Curve points as read, with -1.0 marking a weight still to be filled in.
struct CurvePoint {
    double x = 0.0;
    double y = 0.0;
    double weight = -1.0;
};

std::size_t fieldCount(const std::string& line) {
    std::size_t count = 0;
    std::size_t position = 0;
    while (position <= line.size()) {
        const std::size_t end = std::min(line.find(',', position), line.size());
        if (end > position) ++count;
        position = end + 1;
    }
    return count;
}

CurvePoint readCurvePoint(const Curve& curve, const std::string& line, int number) {
    const std::size_t fields = fieldCount(line);
    if (fields < 2) {
        fatalError(formatText("Expecting the X and Y values for this curve (%s) for point %d.",
                              curve.name.c_str(), number));
    }
    CurvePoint point;
    point.x = doubleField(line, 0);
    point.y = doubleField(line, 1);
    if (fields < 3) return point;
    point.weight = doubleField(line, 2);
    if (point.weight < 0.0) {
        writeMessage("outptr", "warning",
                     formatText("The weight factor (%g) for point # %d for the curve \"%s\" is "
                                "negative. Will use the absolute value instead.",
                                point.weight, number, curve.name.c_str()));
        point.weight = std::fabs(point.weight);
    }
    return point;
}

void checkCurveOrder(const Curve& curve, const std::vector<CurvePoint>& points) {
    for (std::size_t i = 1; i < points.size(); ++i) {
        const int a = static_cast<int>(i);
        const int b = a + 1;
        if (points[i].x == points[i - 1].x) {
            writeMessage("outptr", "warning",
                         formatText("Two adjacent points (# %d and # %d) for the curve \"%s\" "
                                    "have the same X value.\nContinuing...",
                                    a, b, curve.name.c_str()));
        } else if (points[i].x < points[i - 1].x) {
            std::string text =
                "The curve definition needs to be monotonically increasing in X value.";
            fatalError(formatText("%s Two adjacent points (# %d and # %d with X values of %g and "
                                  "%g respectively) for the curve \"%s\" do not meet this "
                                  "criterion.",
                                  text.c_str(), a, b, points[i - 1].x, points[i].x,
                                  curve.name.c_str()));
        }
    }
}

// Missing weights: interpolated in X between the given weights around them,
// the nearest given weight beyond either end, 1.0 when none is given.
void fillMissingWeights(std::vector<CurvePoint>& points) {
    std::vector<std::size_t> given;
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (points[i].weight >= 0.0) given.push_back(i);
    }
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (points[i].weight >= 0.0) continue;
        if (given.empty()) {
            points[i].weight = 1.0;
            continue;
        }
        const auto next = std::upper_bound(given.begin(), given.end(), i);
        if (next == given.begin()) {
            points[i].weight = points[given.front()].weight;
        } else if (next == given.end()) {
            points[i].weight = points[given.back()].weight;
        } else {
            const CurvePoint& lo = points[*(next - 1)];
            const CurvePoint& hi = points[*next];
            const double span = hi.x - lo.x;
            const double t = span > 0.0 ? (points[i].x - lo.x) / span : 0.0;
            points[i].weight = lo.weight + t * (hi.weight - lo.weight);
        }
    }
}

void logCurve(const Curve& curve) {
    std::string text = formatText("*NOTE\nThe curve data information for \"%s\" after updating "
                                  "the weight factors:\n",
                                  curve.name.c_str());
    text = formatText("%s ID,            X value,            Y value,      Weight factor",
                      text.c_str());
    for (int i = 0; i < curve.pointCount; ++i) {
        const auto k = static_cast<std::size_t>(i);
        text += formatText("\n%3d, %18.8e, %18.8e, %18.8e", i + 1, curve.X_value[k],
                           curve.Y_value[k], curve.weightFactor[k]);
    }
    writeMessage("outptr", "none", text);
}

std::string notFoundText(const char* subject, const std::string& name) {
    const std::string first = formatText(subject, name.c_str());
    return formatText("%s does not exist in the --> Definitions.in file", first.c_str());
}

template <class Record>
int lookup(const std::vector<Record>& table, const std::string& name, Lookup mode,
           const char* subject) {
    const int index = indexByName(table, name);
    if (index < 0 && mode == Lookup::mustExist) fatalError(notFoundText(subject, name));
    return index;
}

template <class Record>
const Record& recordAt(const std::vector<Record>& table, int index, const char* what) {
    if (index < 0 || static_cast<std::size_t>(index) >= table.size()) {
        fatalError(formatText("Internal error in processing the index (%d) for %s. It is out of "
                              "bounds. Max %d.",
                              index, what, static_cast<int>(table.size())));
    }
    return table[static_cast<std::size_t>(index)];
}

}  // namespace

void defineProjectParameter(ProjectModel& model, const LineList& lines) {
    BlockReader reader(lines, "Parameter");
    const std::string name = reader.name();
    const std::string type = reader.requiredText("type");
    if (isParameterName(model, name)) {
        fatalError(formatText("Cannot have duplicate names in design variable definitions. "
                              "Continuous name %s.",
                              name.c_str()));
    }
    model.nameList += name + "\n";
    if (type == "Continuous") defineContinuous(model, lines);
    else if (type == "Discrete") defineDiscrete(model, lines);
    else if (type == "Dependent") defineDependent(model, lines);
    else if (type == "Parameter") defineFixed(model, lines);
    else if (type == "String") defineString(model, lines);
}

void defineDiscreteSet(ProjectModel& model, const LineList& lines) {
    BlockReader reader(lines, "Discrete Set");
    DiscreteSet set;
    set.name = reader.name();
    set.ordered = reader.requiredInt("ordered");
    if (indexByName(model.user_discrete_sets, set.name) >= 0) {
        fatalError(formatText("Cannot have duplicate names for discrete sets. The discrete set "
                              "%s has already been used.",
                              set.name.c_str()));
    }
    const std::optional<int> counted = countedListSize(lines, "values");
    if (counted && *counted < 0) {
        std::string text = "The number of items in a discrete set cannot be negative. The error "
                           "is in the definition for the.";
        fatalError(formatText("%s discrete set \"%s\".", text.c_str(), set.name.c_str()));
    }
    for (std::string& item : reader.list("values")) addSetItem(set, std::move(item));
    set.itemCount = static_cast<int>(set.discSetChoices.size());
    model.user_discrete_sets.push_back(std::move(set));
}

void defineDistribution(ProjectModel& model, const LineList& lines) {
    BlockReader reader(lines, "Distribution");
    DistributionRecord record;
    record.name = reader.name();
    record.type = reader.requiredText("type");
    if (distributionIndex(model, record.name) >= 0) {
        fatalError(formatText("Cannot have duplicate names for distributions. The distribution "
                              "\"%s\" has already been used.",
                              record.name.c_str()));
    }
    const support::DistributionExtension* extension =
        support::ExtensionManager::instance().distributionExtension("Distribution");
    const support::NumberLookup lookup = [&lines](const std::string& key, double& value,
                                                  std::string& error) {
        std::string absent;
        if (findProperty(lines, key, 1, false, absent).line == 0) return false;
        return readDouble(lines, key, value, error);
    };
    std::string reason;
    if (extension != nullptr) record.object = extension->create(record.type, lookup, reason);
    if (!record.object) {
        if (!reason.empty()) writeMessage("outptr", "error", reason);
        fatalError(formatText("Error in creating the distribution object from the distribution "
                              "data for \"%s\".",
                              record.name.c_str()));
    }
    model.user_distributions.push_back(std::move(record));
}

void defineCurve(ProjectModel& model, const LineList& lines) {
    BlockReader reader(lines, "Curve");
    Curve curve;
    curve.name = reader.name();
    const std::vector<std::string> data = reader.list("data");
    if (data.size() < 2) {
        fatalError(formatText("The specified size (%d) of the defined curve (%s) must be atleast "
                              "2.",
                              static_cast<int>(data.size()), curve.name.c_str()));
    }
    if (indexByName(model.file_user_curve, curve.name) >= 0) {
        fatalError(formatText("%s Curve name %s has already been used.",
                              "Cannot have duplicate names in Curve definitions.",
                              curve.name.c_str()));
    }
    std::vector<CurvePoint> points;
    for (std::size_t i = 0; i < data.size(); ++i) {
        points.push_back(readCurvePoint(curve, data[i], static_cast<int>(i) + 1));
    }
    checkCurveOrder(curve, points);
    fillMissingWeights(points);
    for (const CurvePoint& point : points) {
        curve.X_value.push_back(point.x);
        curve.Y_value.push_back(point.y);
        curve.weightFactor.push_back(point.weight);
    }
    curve.pointCount = static_cast<int>(points.size());
    if (model.detailedOutput) logCurve(curve);
    model.file_user_curve.push_back(std::move(curve));
}

bool isParameterName(const ProjectModel& model, const std::string& name) {
    return indexByName(model.file_user_cont, name) >= 0 ||
           indexByName(model.file_user_disc, name) >= 0 ||
           indexByName(model.file_user_depn, name) >= 0 ||
           indexByName(model.file_user_fixed, name) >= 0 ||
           indexByName(model.file_user_strings, name) >= 0;
}

NameType getNameType(const ProjectModel& model, const std::string& name) {
    const auto found = [](int code, const char* word, int index) {
        return NameType{code, word, index};
    };
    if (int i = indexByName(model.file_user_cont, name); i >= 0)
        return found(kindContinuous, "continuous", i);
    if (int i = indexByName(model.file_user_disc, name); i >= 0)
        return found(kindDiscrete, "discrete", i);
    if (int i = indexByName(model.file_user_depn, name); i >= 0)
        return found(kindDependent, "dependent", i);
    if (int i = indexByName(model.file_user_fixed, name); i >= 0) {
        return found(kindNumericParameter, "numeric parameter", i);
    }
    if (int i = indexByName(model.file_user_strings, name); i >= 0) {
        return found(kindStringParameter, "string parameter", i);
    }
    // Internal variables, conditions and loop parameters belong to analysis
    // execution, which holds none here.
    if (int i = indexByName(model.prjResps, name); i >= 0)
        return found(kindResponse, "response", i);
    if (int i = indexByName(model.user_discrete_sets, name); i >= 0) {
        return found(kindDiscreteSet, "discrete set", i);
    }
    if (int i = indexByName(model.file_user_curve, name); i >= 0)
        return found(kindCurve, "curve", i);
    return NameType{};
}

int continuousIndex(const ProjectModel& model, const std::string& name, Lookup mode) {
    return lookup(model.file_user_cont, name, mode, "The continuous design variable name --> %s ");
}

int discreteIndex(const ProjectModel& model, const std::string& name, Lookup mode) {
    return lookup(model.file_user_disc, name, mode, "The discrete design variable name --> %s ");
}

int dependentIndex(const ProjectModel& model, const std::string& name, Lookup mode) {
    return lookup(model.file_user_depn, name, mode, "The dependent variable --> %s");
}

int stringParameterIndex(const ProjectModel& model, const std::string& name, Lookup mode) {
    return lookup(model.file_user_strings, name, mode, "The string parameter --> %s");
}

int distributionIndex(const ProjectModel& model, const std::string& name) {
    return indexByName(model.user_distributions, name);
}

const ContinuousParameter& continuousAt(const ProjectModel& model, int index) {
    return recordAt(model.file_user_cont, index, "continuous variable");
}

const DiscreteParameter& discreteAt(const ProjectModel& model, int index) {
    return recordAt(model.file_user_disc, index, "discrete variable");
}

const FixedParameter& numericParameterAt(const ProjectModel& model, int index) {
    return recordAt(model.file_user_fixed, index, "numeric parameter variable");
}

const StringParameter& stringParameterAt(const ProjectModel& model, int index) {
    return recordAt(model.file_user_strings, index, "text parameter variable");
}

const DependentParameter& dependentAt(const ProjectModel& model, int index) {
    return recordAt(model.file_user_depn, index, "dependent variable");
}

int discreteSetItemCount(const ProjectModel& model, const std::string& setName) {
    const int index = indexByName(model.user_discrete_sets, setName);
    if (index < 0) {
        fatalError(formatText("The discrete set \"%s\" being referenced in the project is not "
                              "defined. Exiting.",
                              setName.c_str()));
    }
    return model.user_discrete_sets[static_cast<std::size_t>(index)].itemCount;
}

std::string discreteSetName(const ProjectModel& model, int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= model.user_discrete_sets.size()) {
        return "NONE";
    }
    return model.user_discrete_sets[static_cast<std::size_t>(index)].name;
}

}  // namespace varno::model
