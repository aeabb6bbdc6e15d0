// Evaluates the designs of a set on a Slurm cluster: each design becomes one
// batch job that runs the study's evaluator command in the design's folder
// <workdir>/designs/<id>/, exactly as the local executor would (the design as
// JSON on standard input, the responses as JSON on standard output). The
// runner polls the queue for the jobs' states and reads the answers from the
// folders, which the cluster's nodes must share with the runner.
//
// Each submission is recorded in the results database before the runner goes
// on, so a run that is stopped or killed and then resumed collects its jobs,
// queued, running or finished, instead of submitting the designs again.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "command_evaluator.h"
#include "evaluator.h"
#include "results_store.h"
#include "study_model.h"

namespace varno::tool {

// The batch script of one design: runs `arguments` in `folder` with the design
// from stdin.json, keeps its output in stdout.txt and stderr.txt, and writes the
// times it began and ended (started.txt, exit.txt, the latter with the exit status
// first) by rename, so that the runner never reads them half written.
std::string jobScript(const std::vector<std::string>& arguments,
                      const std::filesystem::path& folder,
                      const std::filesystem::path& baseDirectory);

// The sbatch command line that submits the script of one design.
std::vector<std::string> submitArguments(const ExecutorSettings& executor,
                                         const std::filesystem::path& folder,
                                         const std::string& jobName);

class SlurmEvaluator : public Evaluator {
public:
    // `database` is the run's results database, where the jobs are recorded.
    SlurmEvaluator(const StudyModel& model, CommandSettings command, ExecutorSettings executor,
                   std::filesystem::path database);
    ~SlurmEvaluator() override;

    // Designs still queued or running when a stop is requested are left to the
    // cluster and come back interrupted: a resumed run collects them.
    std::vector<DesignResult> evaluate(const std::vector<DesignRequest>& designs,
                                       const EvaluationHooks& hooks = {}) override;

private:
    struct Job;
    void submit(Job& job, const DesignRequest& design);
    // The state the queue gives each job; empty for a job it no longer knows.
    std::vector<std::string> queueStates(const std::vector<Job>& jobs);
    // The result of a job that has left the queue or overran its time; false
    // while it is still to come.
    bool collect(Job& job, const std::string& state, DesignResult& result);

    const StudyModel& model_;
    CommandSettings command_;
    ExecutorSettings executor_;
    std::filesystem::path database_;
    std::unique_ptr<ResultsStore> store_;  // opened at the first set
    std::vector<std::string> arguments_;
};

}  // namespace varno::tool
