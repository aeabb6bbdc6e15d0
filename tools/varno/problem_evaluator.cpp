#include "problem_evaluator.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "library.h"

namespace varno::tool {

ProblemEvaluator::ProblemEvaluator(const Problem& problem, const StudyModel& model)
    : problem_(problem) {
    if (model.variables.size() < static_cast<std::size_t>(problem.dimension())) {
        throw RunError("the problem " + problem.name + " needs " +
                       std::to_string(problem.dimension()) + " variables; the study has " +
                       std::to_string(model.variables.size()));
    }
    const std::vector<std::string> names = problem.responseNames();
    for (const StudyResponse& response : model.responses) {
        const auto found = std::find(names.begin(), names.end(), response.name);
        if (found == names.end()) {
            throw RunError("the problem " + problem.name + " has no response \"" + response.name +
                           "\"");
        }
        responseIndex_.push_back(static_cast<std::size_t>(found - names.begin()));
    }
}

std::vector<DesignResult> ProblemEvaluator::evaluate(const std::vector<DesignRequest>& designs,
                                                     const EvaluationHooks& hooks) {
    std::vector<DesignResult> results;
    for (std::size_t k = 0; k < designs.size(); ++k) {
        DesignResult result;
        if (hooks.stopRequested && hooks.stopRequested()) {
            result.interrupted = true;
            results.push_back(std::move(result));
            continue;
        }
        const auto start = std::chrono::steady_clock::now();
        const std::vector<double> all = problem_.responses(designs[k].values.data());
        for (std::size_t index : responseIndex_) result.responses.push_back(all[index]);
        if (!std::all_of(all.begin(), all.end(), [](double v) { return std::isfinite(v); })) {
            result.failed = true;
            result.error = "the problem is not defined at this point";
        }
        result.seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (hooks.finished) hooks.finished(k, result);
        results.push_back(std::move(result));
    }
    return results;
}

}  // namespace varno::tool
