// What the runner needs to know about a study beyond the library calls: the
// order of the values in a design, the study responses by name, the method,
// the budget and the evaluator settings.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "study_file.h"

namespace varno::tool {

struct StudyVariable {
    std::string name;
    std::vector<std::string> items;  // items of a discrete variable's set; empty when continuous

    // The set item a design's value stands for; nullptr for a continuous
    // variable or a value that is no item's index.
    const std::string* item(double value) const;
};

// The evaluator's limits: a timeout from 1 ms to 30 days, at most 1,024
// evaluations at once.
inline constexpr double minimumTimeoutSeconds = 0.001;
inline constexpr double maximumTimeoutSeconds = 30 * 24 * 3600.0;
inline constexpr int maximumParallelEvaluations = 1024;

// One entry of the study's response list, in the order the library expects
// the values of a design.
struct StudyResponse {
    std::string name;
    BlockKind kind = BlockKind::studyResponse;  // objective, constraint or studyResponse
    std::string option;                         // e.g. min_value, less_equal
    double target = 0.0;
    bool formula = false;  // computed by the runner, not by the evaluator

    // What an objective minimises: the value, its negation, or the distance
    // to the target, by the option.
    double cost(double value) const;
};

struct EvaluatorSettings {
    std::string command;
    double timeoutSeconds = 0.0;  // 0: no limit
    int parallel = 0;             // 0: not set
};

// Where the designs of a set run when `varno run --executor slurm` submits
// them to a Slurm cluster, one job per design.
struct ExecutorSettings {
    std::string partition;             // sbatch --partition; empty: the cluster's default
    std::string account;               // sbatch --account
    std::string timeLimit;             // sbatch --time, in Slurm's notation
    std::vector<std::string> options;  // further sbatch options, one word each
    double pollSeconds = 1.0;          // how often the queue is asked about the jobs
};

// How often the queue may be asked: from 20 times a second to once in 10 minutes.
inline constexpr double minimumPollSeconds = 0.05;
inline constexpr double maximumPollSeconds = 600.0;

struct StudyModel {
    std::string studyName;
    std::string filePrefix;  // of the library's own files; the study name by default
    std::string method;      // the method keyword, e.g. TRAVOK
    int budget = 0;          // numEvals (or numEvalsTotal); 0 when none is given
    int nParallel = 0;       // the study's nParallel; 0 when not given
    std::vector<StudyVariable> variables;
    std::vector<std::string> factors;     // the DOE factors' variable names, in definition order
    std::vector<std::string> parameters;  // fixed numeric parameters, in definition order
    std::vector<StudyResponse> responses;
    std::optional<EvaluatorSettings> evaluator;
    std::optional<ExecutorSettings> executor;

    std::vector<const StudyResponse*> objectives() const;
};

// Words split at blanks as a shell would, with single and double quotes and
// backslashes. Throws std::invalid_argument for an unclosed quote.
std::vector<std::string> splitWords(const std::string& text);

// Throws StudyFileError for an unusable [evaluator] or [executor] block.
StudyModel describeStudy(const StudyFile& file);

}  // namespace varno::tool
