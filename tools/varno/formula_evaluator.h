// Wraps an evaluator so that the runner computes the dependent variables and
// the Formula responses of each design from its variables, parameters and the
// responses the evaluator gave. A formula that cannot be computed fails its
// design, never the run.
#pragma once

#include "evaluator.h"
#include "formulas.h"

namespace varno::tool {

class FormulaEvaluator : public Evaluator {
public:
    FormulaEvaluator(const StudyModel& model, Formulas formulas, Evaluator& inner);
    std::vector<DesignResult> evaluate(const std::vector<DesignRequest>& designs,
                                       const EvaluationHooks& hooks = {}) override;

private:
    void complete(const DesignRequest& design, DesignResult& result) const;

    const StudyModel& model_;
    Formulas formulas_;
    Evaluator& inner_;
};

}  // namespace varno::tool
