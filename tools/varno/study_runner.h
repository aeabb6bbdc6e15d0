// The design cycle as a host runs it: get a set of designs from the library,
// evaluate them, hand the results back, until the study is complete. Every
// evaluation goes to the results database as it completes; a design the
// database already holds with the same values is answered from there, which
// is how an interrupted run resumes.
#pragma once

#include <string>
#include <vector>

#include "evaluator.h"
#include "progress.h"
#include "results_store.h"
#include "study_model.h"

namespace varno::tool {

// Status codes of the library's design status query.
const char* statusWord(int status);

struct RunRecord {
    std::vector<EvaluatedDesign> designs;  // in the order the library handed them out
};

// How a run ended.
enum class RunEnd {
    complete,     // the library says the study is complete
    interrupted,  // a stop signal came
    failing,      // the first designs all failed (see StudyRunner::firstError)
};

// Checks that the finalised study matches what the runner read from the
// study file (numbers of variables, parameters and responses).
void checkStudyShape(const StudyModel& model);

class StudyRunner {
public:
    // The run gives up when its first `maxFailures` designs all fail (0: never).
    StudyRunner(const StudyModel& model, Evaluator& evaluator, ProgressLine& progress,
                ResultsStore& store, int maxFailures);
    // Runs the finalised study until it is complete, interrupted or failing;
    // throws RunError with the library's message log when the library fails.
    RunEnd run();

    int succeeded() const { return succeeded_; }
    int replayed() const { return replayed_; }
    // The first failure, "Design<id>: <why>"; empty when none failed.
    const std::string& firstError() const { return firstError_; }

private:
    std::vector<DesignRequest> nextSet() const;
    // Evaluates the designs the database does not hold; false when interrupted.
    bool evaluate(const std::vector<DesignRequest>& requests, std::vector<DesignResult>& results);
    void returnResults(const std::vector<DesignRequest>& requests,
                       std::vector<DesignResult>& results);
    void recordOutcomes(const std::vector<DesignRequest>& requests,
                        const std::vector<DesignResult>& results);
    void reportLibraryMessages();

    const StudyModel& model_;
    Evaluator& evaluator_;
    ProgressLine& progress_;
    ResultsStore& store_;
    int maxFailures_;
    int cycle_ = 0, evaluations_ = 0, succeeded_ = 0, feasible_ = 0, replayed_ = 0;
    std::string firstError_;
};

}  // namespace varno::tool
