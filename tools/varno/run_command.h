// `varno run` and `varno problems`: from the command-line settings to a
// finished study with its results and plots.
#pragma once

#include <optional>
#include <ostream>
#include <string>

namespace varno::tool {

struct RunSettings {
    std::string studyFile;  // empty: generated from the built-in problem
    std::string evaluate;   // command overriding the [evaluator] block
    std::string problem;    // built-in problem evaluated in-process
    std::optional<int> parallel;
    std::optional<int> budget;  // for a generated study
    double seed = 0.5;          // for a generated study
    bool quiet = false;
    bool resume = false;   // continue the run recorded in the working directory
    int maxFailures = 10;  // give up when this many first designs all fail; 0: never
    std::string workingDirectory = ".";
    std::string executor = "local";  // where designs run: "local" processes, or "slurm" jobs
    std::optional<int> servePort;    // serve the dashboard while the run goes on
    std::string host = "127.0.0.1";
};

// Returns the process exit code: 0 when the study completed with at least one
// design evaluated, 128 + the signal number when a signal stopped it, else 1.
int runStudy(const RunSettings& settings, std::ostream& out, std::ostream& err);

// Lists the built-in problems, or prints the study file of one.
int listProblems(const std::string& name, std::ostream& out, std::ostream& err);

}  // namespace varno::tool
