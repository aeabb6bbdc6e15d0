#include "model/formula.h"

#include <cstddef>

#include "frame/fatal_error.h"
#include "frame/message_writer.h"
#include "frame/text_format.h"
#include "model/parameters.h"

namespace varno::model {

namespace {

constexpr const char* resultName = "_result";

bool mayEndTheRun(const std::string& line) {
    for (const char* call : {"quit()", "exit()", "quit ()", "exit ()"}) {
        if (line.find(call) != std::string::npos) return true;
    }
    return false;
}

void warnAboutEndingTheRun(const std::string& name) {
    std::string text = formatText(
        "Detected a possible use of \"quit() or exit()\" in the formula definition for \"%s\". "
        "These commands should NOT be used",
        name.c_str());
    text = formatText("%s in your formula definition. When this command is invoked within a "
                      "formula calcuation, ",
                      text.c_str());
    text = formatText("%sit will result in the VARNO run being terminated. Please check to make "
                      "sure that you are not",
                      text.c_str());
    text = formatText("%s using this command in the formula definition.", text.c_str());
    writeMessage("outptr", "warning", text);
}

bool setsResult(const std::string& line) {
    const std::size_t first = line.find_first_not_of(' ');
    return first != std::string::npos && line.compare(first, 7, resultName) == 0;
}

constexpr const char* separators = ", ()-+*/^%%<>&!=:;?[]\n";

std::vector<std::string> splitAt(const std::string& text, const char* delimiters) {
    std::vector<std::string> parts;
    std::size_t start = text.find_first_not_of(delimiters);
    while (start != std::string::npos) {
        const std::size_t end = text.find_first_of(delimiters, start);
        parts.push_back(text.substr(start, end == std::string::npos ? end : end - start));
        start = end == std::string::npos ? end : text.find_first_not_of(delimiters, end);
    }
    return parts;
}

// The part of a line that may name what the formula uses: the right-hand side
// of an assignment, or the whole line when it has none (comparisons included).
std::string usedPart(const std::string& line) {
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos) return line;
    for (const char* comparison : {"==", "!=", "<=", ">="}) {
        if (line.find(comparison) != std::string::npos) return line;
    }
    if (splitAt(line, "=").size() < 2) return line;
    return line.substr(equals + 1);
}

// The formula property of the responses that compute with a formula of their
// own (as a counted list or a one-line value); empty when there is none.
std::string ownFormulaProperty(const ProjectResponse& response) {
    const char* key = nullptr;
    switch (response.type) {
        case responseCurveFit: key = "curveFitFormula"; break;
        case responseFld: key = "fldFormula"; break;
        case responseFilter: key = "filterFormula"; break;
        case responseRsm: key = "rsmFormula"; break;
        default: return {};
    }
    const std::string head = std::string(key) + ":";
    const std::vector<std::string>& lines = response.properties;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].compare(0, head.size(), head) != 0) continue;
        const std::string value = lines[i].substr(head.size());
        const std::size_t digits = value.find_first_not_of(' ');
        const bool counted = digits != std::string::npos &&
                             value.find_first_not_of("0123456789 ") == std::string::npos;
        if (!counted) return value;
        std::vector<std::string> formula;
        const std::size_t count = std::stoul(value.substr(digits));
        for (std::size_t k = 1; k <= count && i + k < lines.size(); ++k) {
            formula.push_back(lines[i + k]);
        }
        return formula.empty() ? std::string() : joinLines(formula, '\n');
    }
    return {};
}

struct FormulaSource {
    std::string name;  // empty for a free formula text
    std::string text;
};

FormulaSource formulaOf(const ProjectModel& model, int kind, int index, const std::string* text) {
    if (kind == kindDependent) {
        const DependentParameter& dependent = dependentAt(model, index);
        return {dependent.name, dependent.formula};
    }
    if (kind == kindResponse && index >= 0 &&
        static_cast<std::size_t>(index) < model.prjResps.size()) {
        const ProjectResponse& response = model.prjResps[static_cast<std::size_t>(index)];
        if (response.type == responseFormula) return {response.name, response.formula};
        return {response.name, ownFormulaProperty(response)};
    }
    return {"", text ? *text : "No formula specified in getListOfDependentVariables"};
}

bool hasFormula(const ProjectModel& model, int kind, int index) {
    if (kind == kindDependent) return true;
    return kind == kindResponse &&
           model.prjResps[static_cast<std::size_t>(index)].type == responseFormula;
}

[[noreturn]] void rejectCircularReference(const std::string& name) {
    std::string text = formatText(
        "Error in a formula definition. There is a circular reference in the formula for \"%s\".",
        name.c_str());
    text = formatText("%s The name of the parameter being defined cannot be assigned (i.e. cannot "
                      "be in the right hand side of a formula line) in the formula except for the "
                      "last line of a multi-line formula.",
                      text.c_str());
    fatalError(formatText("%s Cannot continue.", text.c_str()));
}

[[noreturn]] void rejectCyclicDefinition(const std::string& name) {
    fatalError(formatText(
        "%s Cannot continue.",
        formatText("Error in a formula definition. There is a cyclic definition in the formula "
                   "for \"%s\".",
                   name.c_str())
            .c_str()));
}

}  // namespace

std::string buildFormula(const std::string& name, const std::vector<std::string>& lines) {
    std::string joined;
    bool warned = false;
    bool anySetsResult = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) joined += '\n';
        joined += lines[i];
        if (!warned && mayEndTheRun(lines[i])) {
            warnAboutEndingTheRun(name);
            warned = true;
        }
        anySetsResult = anySetsResult || setsResult(lines[i]);
    }
    if (lines.size() == 1) {
        return anySetsResult ? lines[0] : formatText("%s=%s", resultName, lines[0].c_str());
    }
    if (!anySetsResult) {
        std::string text = formatText(
            "Error in the formula definition for \"%s\". A multiple line formula must set the "
            "\"%s\" variable to the final value from your calculation.",
            name.c_str(), resultName);
        text = formatText("%s\ne.g. %s = 1.0 - variable_1", text.c_str(), resultName);
        fatalError(text);
    }
    return joined;
}

DependencySet getListOfDependentVariables(const ProjectModel& model, int kind, int index,
                                          const std::string* text) {
    const FormulaSource source = formulaOf(model, kind, index, text);
    const std::vector<std::string> lines = splitAt(source.text, "\n");
    // The `_result=` of a one-line formula is the engine's, not the author's.
    bool assignsResult = false;
    if (lines.size() > 1) {
        for (const std::string& line : lines) {
            assignsResult = assignsResult || line.find(resultName) != std::string::npos;
        }
    }
    DependencySet used;
    for (const std::string& line : lines) {
        for (const std::string& token : splitAt(usedPart(line), separators)) {
            const NameType type = getNameType(model, token);
            if (type.code == kindUnknown) continue;
            if (!source.name.empty() && type.code == kind && type.index == index) {
                if (!assignsResult) rejectCircularReference(source.name);
                continue;
            }
            used.add(type.code, type.index);
        }
    }
    return used;
}

DependencySet buildDependencySet(const ProjectModel& model, int kind, int index) {
    DependencySet set = getListOfDependentVariables(model, kind, index);
    const std::string name = formulaOf(model, kind, index, nullptr).name;
    for (std::size_t i = 0; i < set.count(); ++i) {
        const int entryKind = set.typeList[i];
        const int entryIndex = set.indexList[i];
        if (!hasFormula(model, entryKind, entryIndex)) continue;
        const DependencySet direct = getListOfDependentVariables(model, entryKind, entryIndex);
        for (std::size_t k = 0; k < direct.count(); ++k) {
            if (direct.typeList[k] == kind && direct.indexList[k] == index) {
                rejectCyclicDefinition(name);
            }
            set.add(direct.typeList[k], direct.indexList[k]);
        }
    }
    return set;
}

void buildDependencySets(ProjectModel& model) {
    std::vector<FormulaItem> items;
    std::vector<DependencySet> sets;
    for (std::size_t i = 0; i < model.file_user_depn.size(); ++i) {
        items.push_back({kindDependent, static_cast<int>(i)});
    }
    for (std::size_t i = 0; i < model.prjResps.size(); ++i) {
        if (model.prjResps[i].type == responseFormula) {
            items.push_back({kindResponse, static_cast<int>(i)});
        }
    }
    for (const FormulaItem& item : items) {
        sets.push_back(buildDependencySet(model, item.kind, item.index));
    }
    // Sets without cycles always leave at least one item ready in each pass.
    std::vector<FormulaItem> order;
    std::vector<bool> placed(items.size(), false);
    const auto isPlaced = [&](int kind, int index) {
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (items[i].kind == kind && items[i].index == index) return bool(placed[i]);
        }
        return true;  // not a formula: always available
    };
    for (bool progress = true; progress && order.size() < items.size();) {
        progress = false;
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (placed[i]) continue;
            bool ready = true;
            for (std::size_t k = 0; k < sets[i].count() && ready; ++k) {
                ready = isPlaced(sets[i].typeList[k], sets[i].indexList[k]);
            }
            if (!ready) continue;
            placed[i] = true;
            progress = true;
            order.push_back(items[i]);
        }
    }
    for (std::size_t i = 0; i < items.size(); ++i) {
        const std::size_t index = static_cast<std::size_t>(items[i].index);
        if (items[i].kind == kindDependent) {
            model.file_user_depn[index].dependencies = std::move(sets[i]);
        } else {
            model.prjResps[index].dependencies = std::move(sets[i]);
        }
    }
    model.formulaOrder = std::move(order);
}

}  // namespace varno::model
