// The design cycle as a host runs it: get a set of designs from the library,
// evaluate them, hand the results back, until the study is complete.
#pragma once

#include <string>
#include <vector>

#include "evaluator.h"
#include "progress.h"
#include "study_model.h"

namespace varno::tool {

// Status codes of the library's design status query.
const char* statusWord(int status);

struct EvaluatedDesign {
    int id = 0;
    std::vector<double> values;     // variables, then fixed parameters
    std::vector<double> responses;  // one per study response
    std::string error;              // why the evaluation failed; empty when it did not
    int status = 4;
    double performance = -1e99;
};

struct RunRecord {
    std::vector<EvaluatedDesign> designs;  // in the order they were evaluated
    int cycles = 0;
};

// Checks that the finalised study matches what the runner read from the
// study file (numbers of variables, parameters and responses).
void checkStudyShape(const StudyModel& model);

class StudyRunner {
public:
    StudyRunner(const StudyModel& model, Evaluator& evaluator, ProgressLine& progress);
    // Runs the finalised study to its end; throws RunError with the
    // library's message log when the library fails.
    RunRecord run();

private:
    void returnResults(const std::vector<DesignRequest>& requests,
                       std::vector<DesignResult>& results);
    void record(const std::vector<DesignRequest>& requests,
                const std::vector<DesignResult>& results);
    void reportLibraryMessages();
    ProgressState progressState() const;

    const StudyModel& model_;
    Evaluator& evaluator_;
    ProgressLine& progress_;
    RunRecord record_;
};

}  // namespace varno::tool
