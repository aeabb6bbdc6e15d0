// Evaluators turn the designs of one set into response values: an external
// command run once per design, or a built-in problem computed in-process.
#pragma once

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
};

class Evaluator {
public:
    virtual ~Evaluator() = default;
    // One result per design, in the order of `designs`.
    virtual std::vector<DesignResult> evaluate(const std::vector<DesignRequest>& designs) = 0;
};

}  // namespace varno::tool
