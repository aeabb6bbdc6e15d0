#include "study_model.h"

#include <cmath>
#include <cstdlib>

#include "number_text.h"

namespace varno::tool {

namespace {

int integerProperty(const Block* block, const std::string& key) {
    if (block == nullptr) return 0;
    const auto value = block->property(key);
    return value ? std::atoi(value->c_str()) : 0;
}

std::string textProperty(const Block& block, const std::string& key) {
    return block.property(key).value_or("");
}

// The items of the set a discrete project parameter refers to.
std::vector<std::string> discreteItems(const StudyFile& file, const std::string& variable) {
    for (const Block* parameter : file.all(BlockKind::parameter)) {
        if (parameter->name != variable) continue;
        const std::string set = textProperty(*parameter, "set");
        for (const Block* candidate : file.all(BlockKind::discreteSet)) {
            if (candidate->name == set) return candidate->list("values");
        }
    }
    return {};
}

bool isFormulaResponse(const StudyFile& file, const std::string& name) {
    for (const Block* response : file.all(BlockKind::response)) {
        if (response->name == name) return textProperty(*response, "type") == "Formula";
    }
    return false;
}

// A number of the evaluator block within [lowest, highest]; non-finite values
// are refused, so no later conversion or duration can overflow.
double boundedNumber(const Block& block, const std::string& key, const StudyFile& file,
                     double lowest, double highest) {
    const std::string text = textProperty(block, key);
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(value) || value < lowest ||
        value > highest) {
        throw StudyFileError(file.fileName, block.line,
                             "[evaluator] " + key + ": expected a number from " +
                                 shortNumberText(lowest, 6) + " to " + shortNumberText(highest, 6) +
                                 ", got \"" + text + "\"");
    }
    return value;
}

EvaluatorSettings evaluatorSettings(const Block& block, const StudyFile& file) {
    EvaluatorSettings settings;
    settings.command = textProperty(block, "command");
    if (settings.command.empty()) {
        throw StudyFileError(file.fileName, block.line, "[evaluator] needs \"command: ...\"");
    }
    if (block.property("timeout")) {
        settings.timeoutSeconds =
            boundedNumber(block, "timeout", file, minimumTimeoutSeconds, maximumTimeoutSeconds);
    }
    if (block.property("parallel")) {
        settings.parallel = static_cast<int>(
            std::floor(boundedNumber(block, "parallel", file, 1, maximumParallelEvaluations)));
    }
    return settings;
}

}  // namespace

const std::string* StudyVariable::item(double value) const {
    // Compared as doubles first: a negative or huge value must not be cast.
    if (!(value >= 0 && value < static_cast<double>(items.size()))) return nullptr;
    return &items[static_cast<std::size_t>(value)];
}

double StudyResponse::cost(double value) const {
    if (option == "max_value" || option == "1" || option == "greater_equal") return -value;
    if (option == "min_diff" || option == "0" || option == "equal") {
        return std::fabs(value - target);
    }
    if (option == "max_diff" || option == "2") return -std::fabs(value - target);
    return value;
}

std::vector<const StudyResponse*> StudyModel::objectives() const {
    std::vector<const StudyResponse*> found;
    for (const StudyResponse& response : responses) {
        if (response.kind == BlockKind::objective) found.push_back(&response);
    }
    return found;
}

StudyModel describeStudy(const StudyFile& file) {
    StudyModel model;
    if (const Block* study = file.find(BlockKind::study)) model.studyName = study->name;
    if (const Block* method = file.find(BlockKind::method)) {
        model.method = textProperty(*method, "method");
        model.budget = integerProperty(method, "numEvals");
        if (model.budget == 0) model.budget = integerProperty(method, "numEvalsTotal");
    }
    model.nParallel = integerProperty(file.find(BlockKind::studyData), "nParallel");
    const Block* studyData = file.find(BlockKind::studyData);
    model.filePrefix = studyData != nullptr ? textProperty(*studyData, "filePrefix") : "";
    if (model.filePrefix.empty()) model.filePrefix = model.studyName;
    for (const Block& block : file.blocks) {
        if (block.kind == BlockKind::variable) {
            const bool discrete = textProperty(block, "type") == "Discrete";
            model.variables.push_back({block.name, discrete ? discreteItems(file, block.name)
                                                            : std::vector<std::string>{}});
        } else if (block.kind == BlockKind::factor) {
            model.factors.push_back(block.name);
        } else if (block.kind == BlockKind::parameter &&
                   textProperty(block, "type") == "Parameter") {
            model.parameters.push_back(block.name);
        } else if (block.kind == BlockKind::objective || block.kind == BlockKind::constraint ||
                   block.kind == BlockKind::studyResponse) {
            model.responses.push_back({block.name, block.kind, textProperty(block, "option"),
                                       std::atof(textProperty(block, "target").c_str()),
                                       isFormulaResponse(file, block.name)});
        } else if (block.kind == BlockKind::evaluator) {
            model.evaluator = evaluatorSettings(block, file);
        }
    }
    return model;
}

}  // namespace varno::tool
