#include "model/responses.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>
#include <utility>

#include "frame/fatal_error.h"
#include "frame/message_writer.h"
#include "frame/text_format.h"
#include "model/formula.h"
#include "model/block_reader.h"
#include "model/parameters.h"

namespace varno::model {

namespace {

constexpr const char* projectTypeLabel = "Response";
constexpr const char* studyTypeLabel = "Study response";
constexpr const char* notDefinedReason = "The property is not defined.";

// The open range of a value whose name is not a project response.
constexpr double openRangeMin = -1e308;
constexpr double openRangeMax = 1e308;

// New eval_tool entries: no evaluating tool assigned yet.

// The constraint option that has no meaning for a constraint ("max_diff").
constexpr int pushAwayOption = 2;

// ------------------------------------------------------------ name checks

const ProjectResponse* findProjectResponse(const ProjectModel& model, const std::string& name) {
    const auto found = std::find_if(model.prjResps.begin(), model.prjResps.end(),
                                    [&name](const ProjectResponse& r) { return r.name == name; });
    return found == model.prjResps.end() ? nullptr : &*found;
}

// ------------------------------------------------------ project responses

struct TypeName {
    const char* text;
    int code;
};

constexpr TypeName responseTypeNames[] = {
    {"Formula", responseFormula}, {"Curve Fit", responseCurveFit},
    {"FLD", responseFld},         {"Filter", responseFilter},
    {"RSM", responseRsm},         {"File", responseFile},
    {"API", responseApi},
};

int responseTypeCode(const std::string& text) {
    for (const TypeName& entry : responseTypeNames) {
        if (text == entry.text) return entry.code;
    }
    return responseUnknown;
}

// The keys each kind keeps for its evaluation (Formula keeps its formula
// apart, joined into one text).
std::vector<std::string> kindPropertyKeys(int type) {
    switch (type) {
        case responseCurveFit:
            return {"fitX",         "fitY",      "fitTarget",      "fitMode",
                    "fitNormalize", "minPoints", "curveFitFormula"};
        case responseFld:
            return {"major",       "minor",        "thickness", "curveType",
                    "curveOffset", "tensileCurve", "compCurve", "compType",
                    "compAngle",   "hardening",    "fldFormula"};
        case responseFilter:
            return {"filter", "filterType", "cutoff", "interval", "numPts", "filterFormula"};
        case responseRsm: return {"mdlFile", "dataMdlNms", "variables", "rsmFormula"};
        default: return {};
    }
}

void rejectDuplicateResponse(const ProjectModel& model, const std::string& name) {
    if (findProjectResponse(model, name) == nullptr) return;
    fatalError(formatText("Error in the response definition. The response name \"%s\" has "
                          "already been used. The response names need to be unique.",
                          name.c_str()));
}

[[noreturn]] void rejectRange(const char* head, const std::string& name, double min, double max) {
    std::string text = formatText(head, name.c_str());
    text = formatText("%s The minimum allowed value (%g) cannot be greater than the maximum "
                      "allowed value (%g).",
                      text.c_str(), min, max);
    fatalError(text);
}

void readProjectRange(const BlockReader& reader, ProjectResponse& response) {
    response.acceptMin = reader.optionalDouble("acceptMin").value_or(response.acceptMin);
    response.acceptMax = reader.optionalDouble("acceptMax").value_or(response.acceptMax);
    if (response.acceptMin > response.acceptMax) {
        rejectRange("Error in the definition of the response \"%s\".", response.name,
                    response.acceptMin, response.acceptMax);
    }
}

std::string readFormula(const BlockReader& reader, const std::string& name) {
    const std::vector<std::string> formulaLines = reader.list("formula");
    if (formulaLines.empty()) reader.fail("formula", notDefinedReason);
    return buildFormula(name, formulaLines);
}

// Keeps every present key's line as written and, for the counted form, the
// lines that belong to it.
std::vector<std::string> kindPropertyLines(const BlockReader& reader, int type) {
    std::vector<std::string> kept;
    for (const std::string& key : kindPropertyKeys(type)) {
        std::string unused;
        const Property property = findProperty(reader.lines(), key, 1, false, unused);
        if (property.line == 0) continue;
        kept.push_back(reader.lines()[static_cast<std::size_t>(std::abs(property.line)) - 1]);
        if (property.line > 0) continue;
        const std::vector<std::string> values = reader.list(key);
        kept.insert(kept.end(), values.begin(), values.end());
    }
    return kept;
}

void readResponseDetails(const BlockReader& reader, ProjectResponse& response) {
    if (const std::optional<std::string> dataType = reader.optionalText("dataType")) {
        response.dataType = *dataType == "numeric" ? 0 : 1;
    }
    readProjectRange(reader, response);
    if (response.type == responseFormula) response.formula = readFormula(reader, response.name);
    response.properties = kindPropertyLines(reader, response.type);
}

// -------------------------------------------------------- study responses

// One study response as read, appended to the parallel arrays at the end.

[[noreturn]] void rejectRepeatedUse(const std::string& name) {
    std::string text = formatText(
        "The response name %s already exists in the list of study responses. The following "
        "rules apply for using the same response multiple times:",
        name.c_str());
    text = formatText("%s The response can only be used as an objective or a constraint.",
                      text.c_str());
    text = formatText("%s It can be used as an objective only once.", text.c_str());
    text = formatText("%s There is no limit on the number of constraints defined on a response.",
                      text.c_str());
    fatalError(text);
}

// A name may be listed again only as a further constraint, or as the one
// objective of a name that so far carries constraints only.
void checkStudyResponseName(const ProjectModel& model, const PerformanceDefinition& performance,
                            const std::string& name, int kind) {
    if (isParameterName(model, name)) {
        fatalError(formatText("Error in the name definition of a response. The name \"%s\" has "
                              "already been used to define a variable.",
                              name.c_str()));
    }
    for (std::size_t i = 0; i < performance.size(); ++i) {
        if (performance.goals[i].name != name) continue;
        if (kind == kindPlainResponse || performance.goals[i].flag == kindPlainResponse) {
            rejectRepeatedUse(name);
        }
        if (kind == kindObjective && performance.goals[i].flag == kindObjective) {
            fatalError(formatText("\nThe response variable name %s already exists as an "
                                  "objective.",
                                  name.c_str()));
        }
    }
}

struct OptionName {
    const char* text;
    int code;
};

constexpr OptionName optionNames[] = {
    {"-1", -1},      {"less_equal", -1}, {"min_value", -1}, {"equal", 0},         {"0", 0},
    {"min_diff", 0}, {"max_value", 1},   {"1", 1},          {"greater_equal", 1}, {"max_diff", 2},
    {"2", 2},
};

constexpr OptionName goalNames[] = {
    {"NONE", -2}, {"smaller", -1}, {"target", 0}, {"nominal", 1}, {"larger", 2},
};

int optionCode(const std::string& text, const std::string& name) {
    for (const OptionName& entry : optionNames) {
        if (text == entry.text) return entry.code;
    }
    std::string message =
        formatText("Invalid option selected for an objective/constraint \"%s\".", name.c_str());
    message = formatText("%s Valid choices are min_value, max_value, min_diff, max_diff for "
                         "OBJECTIVES and less_equal, equal, greater_equal for CONSTRAINTS.",
                         message.c_str());
    fatalError(message);
}

int goalCode(const std::string& text) {
    for (const OptionName& entry : goalNames) {
        if (text == entry.text) return entry.code;
    }
    std::string message = formatText("Invalid response goal type selected \"%s\".", text.c_str());
    message = formatText("%s Valid choices are NONE, smaller, target, nominal, and larger.",
                         message.c_str());
    fatalError(message);
}

[[noreturn]] void rejectConstraintOption() {
    std::string text = formatText(
        "%s Set Opt equal to -1 to keep the response below the constraint target.\n", "");
    text = formatText(
        "%s Set Opt equal to  0 to match the response value to the constraint target).\n",
        text.c_str());
    text = formatText("%s Set Opt equal to  1 to keep the response above the constraint target).\n",
                      text.c_str());
    fatalError(text);
}

void readStudyRange(const BlockReader& reader, ResponseGoal& entry) {
    entry.minAllowed = reader.requiredDouble("acceptMin");
    entry.maxAllowed = reader.requiredDouble("acceptMax");
    if (entry.minAllowed > entry.maxAllowed) {
        rejectRange("Error in the definition of the study response \"%s\".\n", entry.name,
                    entry.minAllowed, entry.maxAllowed);
    }
}

// A factor given as a number: it must be non-zero and is used as a magnitude.
double checkedFactor(const std::string& name, double factor, const StudyResponseContext& context) {
    if (!context.agentKnown) {
        fatalError(formatText("%s Please contact technical support to resolve this problem.",
                              "Internal error 9039. Could not identify agent number."));
    }
    if (context.reliabilityAgent && factor == 0.0) factor = 1.0;
    if (factor == 0.0) {
        std::string text = formatText(
            "The normalization value for response \"%s\" was specified as 0.0.", name.c_str());
        text = formatText("%s This value must be non-zero. Please fix this before resubmitting "
                          "the run.",
                          text.c_str());
        fatalError(text);
    }
    if (factor < 0.0) {
        std::string text = formatText("The normalization value for response \"%s\" was "
                                      "specified as a negative value (%g).",
                                      name.c_str(), factor);
        text = formatText("%s Since VARNO does not allow negative values for normalization, the "
                          "absolute value will be used.",
                          text.c_str());
        writeMessage("outptr", "warning", text);
        factor = std::fabs(factor);
    }
    return factor;
}

ResponseGoal readObjectiveOrConstraint(const ProjectModel& model,
                                       const PerformanceDefinition& performance,
                                       const BlockReader& reader, const std::string& name, int kind,
                                       const StudyResponseContext& context) {
    ResponseGoal entry;
    entry.name = name;
    entry.flag = kind;
    checkStudyResponseName(model, performance, name, kind);
    const bool factorFromBaseline = reader.requiredText("factor") == "baseline";
    if (!factorFromBaseline) entry.norm = reader.requiredDouble("factor");
    entry.opt = optionCode(reader.requiredText("option"), name);
    entry.target = reader.requiredDouble("target");
    entry.coef = reader.requiredDouble("quadWt");
    entry.offset = reader.requiredDouble("linearWt");
    if (kind == kindConstraint && entry.opt == pushAwayOption) rejectConstraintOption();
    readStudyRange(reader, entry);
    if (!factorFromBaseline) entry.norm = checkedFactor(name, entry.norm, context);
    return entry;
}

ResponseGoal readPlainResponse(const ProjectModel& model, const PerformanceDefinition& performance,
                               const BlockReader& reader, const std::string& name) {
    ResponseGoal entry;
    entry.name = name;
    entry.flag = kindPlainResponse;
    checkStudyResponseName(model, performance, name, kindPlainResponse);
    entry.opt = goalCode(reader.requiredText("goal"));
    entry.norm = 1.0;
    readStudyRange(reader, entry);
    return entry;
}

// ----------------------------------------------------------- value checks

void reportNotANumber(const std::string& response, const std::string& design) {
    writeMessage("analysis", "error",
                 formatText("The value for response \"%s\" for design \"%s\" is NOT A NUMBER "
                            "(Nan). This response value will be set to 0.0 and it will be marked "
                            "as an error response.",
                            response.c_str(), design.c_str()));
}

void reportOutOfRange(double value, const std::string& response, const std::string& design,
                      double min, double max) {
    writeMessage("analysis", "error",
                 formatText("The value %g for response \"%s\" for design \"%s\" lies outside the "
                            "specified range [%g, %g]",
                            value, response.c_str(), design.c_str(), min, max));
}

}  // namespace

void defineProjectResponse(ProjectModel& model, const LineList& lines) {
    BlockReader reader(lines, projectTypeLabel);
    ProjectResponse response;
    response.name = reader.name();
    rejectDuplicateResponse(model, response.name);
    response.type = responseTypeCode(reader.requiredText("type"));
    if (response.type != responseUnknown) readResponseDetails(reader, response);
    model.nameList += response.name + "\n";
    model.prjResps.push_back(std::move(response));
}

void addStudyResponse(ProjectModel& model, PerformanceDefinition& performance,
                      const LineList& lines, const StudyResponseContext& context) {
    BlockReader reader(lines, studyTypeLabel);
    const std::string name = reader.name();
    const std::string type = reader.requiredText("type");
    if (type == "objective" || type == "constraint") {
        const int kind = type == "objective" ? kindObjective : kindConstraint;
        ResponseGoal entry =
            readObjectiveOrConstraint(model, performance, reader, name, kind, context);
        performance.add(std::move(entry));
    } else if (type == "response") {
        performance.add(readPlainResponse(model, performance, reader, name));
    } else {
        fatalError(formatText("Error in reading data for study response \"%s\". Unsupported "
                              "response type \"%s\" specified.",
                              name.c_str(), type.c_str()));
    }
}

int countByKind(const PerformanceDefinition& performance, int kind) {
    return static_cast<int>(
        std::count_if(performance.goals.begin(), performance.goals.end(),
                      [kind](const ResponseGoal& g) { return g.flag == kind; }));
}

CheckedResponseValues checkResponseValues(const ProjectModel& model,
                                          const PerformanceDefinition& performance,
                                          const std::string& designName,
                                          const std::vector<double>& values) {
    CheckedResponseValues checked;
    const std::size_t count = std::min(values.size(), performance.size());
    for (std::size_t i = 0; i < count; ++i) {
        const std::string& name = performance.goals[i].name;
        const ProjectResponse* response = findProjectResponse(model, name);
        const double min = response != nullptr ? response->acceptMin : openRangeMin;
        const double max = response != nullptr ? response->acceptMax : openRangeMax;
        double value = values[i];
        if (std::isnan(value)) {
            reportNotANumber(name, designName);
            value = 0.0;
            checked.errorDesign = true;
        } else if (!std::isfinite(value) || value < min || value > max) {
            reportOutOfRange(value, name, designName, min, max);
            checked.errorDesign = true;
        }
        checked.values.push_back({makeDoubleValue(value), endOfListValue()});
    }
    return checked;
}

}  // namespace varno::model
