// Evaluates designs with a built-in problem, in-process. The first variables
// of the study are the problem's x1..xn, in order; the study responses are
// matched to the problem's responses (f or f1.., g1..) by name.
#pragma once

#include "evaluator.h"
#include "problems.h"

namespace varno::tool {

class ProblemEvaluator : public Evaluator {
public:
    // Throws RunError when the study does not fit the problem.
    ProblemEvaluator(const Problem& problem, const StudyModel& model);
    std::vector<DesignResult> evaluate(const std::vector<DesignRequest>& designs,
                                       const EvaluationHooks& hooks = {}) override;

private:
    const Problem& problem_;
    std::vector<std::size_t> responseIndex_;  // per study response, its index among the problem's
};

}  // namespace varno::tool
