#include "formula_evaluator.h"

#include <map>
#include <optional>
#include <utility>

namespace varno::tool {

FormulaEvaluator::FormulaEvaluator(const StudyModel& model, Formulas formulas, Evaluator& inner)
    : model_(model), formulas_(std::move(formulas)), inner_(inner) {}

void FormulaEvaluator::complete(const DesignRequest& design, DesignResult& result) const {
    if (result.failed || result.interrupted) return;
    std::map<std::string, double> values;
    std::size_t next = 0;
    for (const StudyVariable& variable : model_.variables) {
        if (next < design.values.size()) values[variable.name] = design.values[next++];
    }
    for (const std::string& parameter : model_.parameters) {
        if (next < design.values.size()) values[parameter] = design.values[next++];
    }
    for (std::size_t i = 0; i < model_.responses.size() && i < result.responses.size(); ++i) {
        if (!model_.responses[i].formula) values[model_.responses[i].name] = result.responses[i];
    }
    const std::string error = formulas_.evaluate(values);
    if (!error.empty()) {
        result.failed = true;
        result.error = error;
        return;
    }
    for (std::size_t i = 0; i < model_.responses.size() && i < result.responses.size(); ++i) {
        if (model_.responses[i].formula) result.responses[i] = values[model_.responses[i].name];
    }
}

std::vector<DesignResult> FormulaEvaluator::evaluate(const std::vector<DesignRequest>& designs,
                                                     const EvaluationHooks& hooks) {
    std::vector<std::optional<DesignResult>> completed(designs.size());
    EvaluationHooks inner = hooks;
    inner.finished = [&](std::size_t index, const DesignResult& result) {
        completed[index] = result;
        complete(designs[index], *completed[index]);
        if (hooks.finished) hooks.finished(index, *completed[index]);
    };
    std::vector<DesignResult> results = inner_.evaluate(designs, inner);
    for (std::size_t i = 0; i < results.size(); ++i) {
        if (completed[i]) {
            results[i] = std::move(*completed[i]);
        } else {
            complete(designs[i], results[i]);
        }
    }
    return results;
}

}  // namespace varno::tool
