// Evaluators turn the designs of one set into response values: an external
// command run once per design, or a built-in problem computed in-process.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "study_model.h"

namespace varno::tool {

struct DesignRequest {
    int id = 0;
    std::string name;            // "Design<id>"
    std::vector<double> values;  // the study variables, then the fixed parameters
};

struct DesignResult {
    bool failed = false;
    std::string error;              // why it failed
    std::vector<double> responses;  // one per study response, in study order
    double seconds = 0.0;           // how long the evaluation took
    double queueSeconds = 0.0;      // how long it waited for its turn before it began
    bool interrupted = false;       // not evaluated: the run was asked to stop first
};

// What a run observes while a set is evaluated.
struct EvaluationHooks {
    // Called as each design completes, with its index in the set.
    std::function<void(std::size_t, const DesignResult&)> finished;
    // Polled between designs; when it turns true the designs still running
    // are ended and come back marked as interrupted.
    std::function<bool()> stopRequested;
};

class Evaluator {
public:
    virtual ~Evaluator() = default;
    // One result per design, in the order of `designs`.
    virtual std::vector<DesignResult> evaluate(const std::vector<DesignRequest>& designs,
                                               const EvaluationHooks& hooks = {}) = 0;
};

}  // namespace varno::tool
