#include "slurm_executor.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "file_output.h"
#include "library.h"
#include "child_process.h"
#include "utf8_path.h"

namespace varno::tool {

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// How long a Slurm client may take to answer before the runner gives up on it.
constexpr auto clientPatience = std::chrono::seconds(60);
// Queue queries that may fail in a row (the controller busy or restarting)
// before the run stops; it can then be resumed.
constexpr int queueFailuresTolerated = 5;

// States in which a job is still waiting or running.
constexpr const char* activeStates[] = {"PENDING",   "CONFIGURING",  "RUNNING",    "COMPLETING",
                                        "SUSPENDED", "REQUEUED",     "RESIZING",   "SIGNALING",
                                        "STAGE_OUT", "REQUEUE_HOLD", "REQUEUE_FED"};

bool isActive(const std::string& state) {
    return std::find(std::begin(activeStates), std::end(activeStates), state) !=
           std::end(activeStates);
}

// Wall-clock seconds: the runner and the job compare times across machines
// and across restarts of the runner.
double wallSeconds() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::string shellQuoted(const std::string& word) {
    std::string quoted = "'";
    for (const char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

// The numbers of a small file the job wrote ("<seconds>", "<status> <seconds>").
std::vector<double> numbersIn(const fs::path& path) {
    const std::string text = readText(path);
    std::vector<double> numbers;
    const char* at = text.data();
    const char* const end = text.data() + text.size();
    while (at < end) {
        while (at < end && (*at == ' ' || *at == '\n')) ++at;
        double value = 0.0;
        const auto [next, error] = std::from_chars(at, end, value);
        if (error != std::errc()) break;
        numbers.push_back(value);
        at = next;
    }
    return numbers;
}

// The last part of a file, as the local executor keeps of a child's output.
std::string tailOf(const fs::path& path) {
    std::string kept;
    const std::string text = readText(path);
    appendKeepingTail(kept, text.data(), text.size());
    return kept;
}

std::string firstLine(const std::string& text) {
    const std::string line = text.substr(0, text.find('\n'));
    return line.empty() ? std::string() : ": " + line;
}

struct ClientAnswer {
    int exitCode = -1;
    std::string output, errors;
};

// Runs a Slurm client command (sbatch, squeue, scancel) to its end.
ClientAnswer runClient(const std::vector<std::string>& arguments) {
    std::unique_ptr<Process> process;
    try {
        process = std::make_unique<Process>(ProcessSpec{arguments, "", "", {}});
    } catch (const std::exception& error) {
        throw RunError("cannot run " + arguments.front() +
                       " (is the Slurm client installed?): " + error.what());
    }
    const auto deadline = Clock::now() + clientPatience;
    while (!process->finished()) {
        if (Clock::now() > deadline) {
            process->kill();
            throw RunError(arguments.front() + " did not answer within 60 s");
        }
        pumpProcesses({process.get()}, std::chrono::milliseconds(200));
    }
    return {process->exitCode(), process->output(), process->errors()};
}

}  // namespace

struct SlurmEvaluator::Job {
    std::size_t index = 0;
    fs::path folder;
    SubmittedJob record;
};

std::string jobScript(const std::vector<std::string>& arguments, const fs::path& folder,
                      const fs::path& baseDirectory) {
    std::string command;
    for (const std::string& word : arguments) command += shellQuoted(word) + " ";
    return "#!/bin/sh\n"
           "# The batch job of one design, written by varno.\n"
           "cd " +
           shellQuoted(utf8Text(folder)) +
           " || exit 1\n"
           "VARNO_STUDY_DIR=" +
           shellQuoted(utf8Text(baseDirectory)) +
           "; export VARNO_STUDY_DIR\n"
           "date +%s.%N > started.tmp && mv -f started.tmp started.txt\n" +
           command +
           "< stdin.json > stdout.txt 2> stderr.txt\n"
           "status=$?\n"
           "echo \"$status $(date +%s.%N)\" > exit.tmp && mv -f exit.tmp exit.txt\n";
}

std::vector<std::string> submitArguments(const ExecutorSettings& executor, const fs::path& folder,
                                         const std::string& jobName) {
    std::vector<std::string> arguments = {"sbatch",
                                          "--parsable",
                                          "--job-name=" + jobName,
                                          "--chdir=" + utf8Text(folder),
                                          "--output=" + utf8Text(folder / "slurm.txt"),
                                          "--ntasks=1"};
    if (!executor.partition.empty()) arguments.push_back("--partition=" + executor.partition);
    if (!executor.account.empty()) arguments.push_back("--account=" + executor.account);
    if (!executor.timeLimit.empty()) arguments.push_back("--time=" + executor.timeLimit);
    arguments.insert(arguments.end(), executor.options.begin(), executor.options.end());
    arguments.push_back(utf8Text(folder / "job.sh"));
    return arguments;
}

SlurmEvaluator::SlurmEvaluator(const StudyModel& model, CommandSettings command,
                               ExecutorSettings executor, fs::path database)
    : model_(model), command_(std::move(command)), executor_(std::move(executor)),
      database_(std::move(database)),
      arguments_(commandArguments(command_.command, command_.baseDirectory)) {}

SlurmEvaluator::~SlurmEvaluator() = default;

void SlurmEvaluator::submit(Job& job, const DesignRequest& design) {
    // A job of an earlier run in this folder must not answer for this one.
    for (const char* stale : {"started.txt", "exit.txt", "stdout.txt", "stderr.txt"}) {
        std::error_code ignored;
        fs::remove(job.folder / stale, ignored);
    }
    fs::create_directories(job.folder);
    writeFileReplacing(job.folder / "stdin.json", designInput(model_, design).dump() + "\n");
    writeFileReplacing(job.folder / "job.sh",
                       jobScript(arguments_, job.folder, command_.baseDirectory));
    const double submitted = wallSeconds();
    const ClientAnswer answer =
        runClient(submitArguments(executor_, job.folder, "varno-" + design.name));
    const std::string id = answer.output.substr(0, answer.output.find_first_of(";\n"));
    if (answer.exitCode != 0 || id.empty()) {
        throw RunError("sbatch refused the job" +
                       firstLine(answer.errors.empty() ? answer.output : answer.errors));
    }
    job.record = SubmittedJob{design.id, id, design.values, submitted};
    store_->addJob(job.record);
}

std::vector<std::string> SlurmEvaluator::queueStates(const std::vector<Job>& jobs) {
    std::string ids;
    for (const Job& job : jobs) ids += (ids.empty() ? "" : ",") + job.record.jobId;
    for (int attempt = 1;; ++attempt) {
        const ClientAnswer answer =
            runClient({"squeue", "-h", "-t", "all", "-o", "%i %T", "-j", ids});
        // squeue refuses a list of which it knows no job at all.
        const bool noneKnown = answer.errors.find("Invalid job id") != std::string::npos;
        if (answer.exitCode == 0 || noneKnown) {
            std::map<std::string, std::string> states;
            std::istringstream lines(answer.output);
            std::string id, state;
            while (lines >> id >> state) states[id] = state;
            std::vector<std::string> found;
            for (const Job& job : jobs) found.push_back(states[job.record.jobId]);
            return found;
        }
        if (attempt == queueFailuresTolerated) {
            throw RunError("squeue failed " + std::to_string(attempt) + " times in a row" +
                           firstLine(answer.errors) +
                           " (the submitted jobs are recorded: continue with --resume)");
        }
        std::this_thread::sleep_for(std::chrono::duration<double>(executor_.pollSeconds));
    }
}

bool SlurmEvaluator::collect(Job& job, const std::string& state, DesignResult& result) {
    const std::vector<double> started = numbersIn(job.folder / "started.txt");
    const double began = started.empty() ? -1.0 : started.front();
    const std::vector<double> ended = numbersIn(job.folder / "exit.txt");
    const std::string& id = job.record.jobId;
    if (ended.size() == 2 && began >= 0) {
        const int status = static_cast<int>(ended[0]);
        if (status != 0) {
            std::string errors = tailOf(job.folder / "stderr.txt");
            while (!errors.empty() && errors.back() == '\n') errors.pop_back();
            result =
                failedDesign("exited with status " + std::to_string(status) +
                             (errors.empty() ? "" : ":\n" + errors.substr(errors.rfind('\n') + 1)));
        } else {
            result = readEvaluatorOutput(tailOf(job.folder / "stdout.txt"), model_.responses);
        }
        result.seconds = std::max(0.0, ended[1] - began);
        result.queueSeconds = std::max(0.0, began - job.record.submitted);
        return true;
    }
    const double now = wallSeconds();
    if (isActive(state)) {
        if (command_.timeoutSeconds <= 0 || began < 0 || now < began + command_.timeoutSeconds) {
            return false;
        }
        runClient({"scancel", id});
        std::ostringstream text;
        text << "timed out after " << command_.timeoutSeconds << " s (Slurm job " << id
             << " cancelled)";
        result = failedDesign(text.str());
    } else {
        result = failedDesign(
            state.empty() ? "the Slurm job " + id + " left the queue without a result"
                          : "the Slurm job " + id + " ended " + state + " without a result");
    }
    if (began >= 0) {
        result.seconds = std::max(0.0, now - began);
        result.queueSeconds = std::max(0.0, began - job.record.submitted);
    } else {
        result.queueSeconds = std::max(0.0, now - job.record.submitted);
    }
    return true;
}

std::vector<DesignResult> SlurmEvaluator::evaluate(const std::vector<DesignRequest>& designs,
                                                   const EvaluationHooks& hooks) {
    if (!store_) store_ = std::make_unique<ResultsStore>(database_);
    std::vector<DesignResult> results(designs.size());
    auto stopping = [&] { return hooks.stopRequested && hooks.stopRequested(); };
    auto finished = [&](std::size_t index) {
        if (hooks.finished) hooks.finished(index, results[index]);
    };

    std::vector<Job> jobs;
    for (std::size_t k = 0; k < designs.size(); ++k) {
        if (stopping()) {
            for (std::size_t rest = k; rest < designs.size(); ++rest) {
                results[rest].interrupted = true;
            }
            break;
        }
        Job job;
        job.index = k;
        job.folder = command_.workingDirectory / "designs" / std::to_string(designs[k].id);
        // A design submitted before the runner was stopped is collected, not
        // submitted again.
        const std::optional<SubmittedJob> earlier = store_->job(designs[k].id);
        try {
            if (earlier && earlier->values == designs[k].values) job.record = *earlier;
            else submit(job, designs[k]);
        } catch (const std::exception& error) {  // sbatch refused it, or the folder failed
            results[k] = failedDesign(error.what());
            finished(k);
            continue;
        }
        jobs.push_back(std::move(job));
    }

    const auto poll = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(executor_.pollSeconds));
    while (!jobs.empty()) {
        if (stopping()) {
            // The jobs stay with the cluster; a resumed run collects them.
            for (const Job& job : jobs) results[job.index].interrupted = true;
            break;
        }
        const std::vector<std::string> states = queueStates(jobs);
        std::vector<Job> waiting;
        for (std::size_t k = 0; k < jobs.size(); ++k) {
            if (collect(jobs[k], states[k], results[jobs[k].index])) finished(jobs[k].index);
            else waiting.push_back(std::move(jobs[k]));
        }
        jobs = std::move(waiting);
        const auto next = Clock::now() + poll;
        while (!jobs.empty() && Clock::now() < next && !stopping()) {
            std::this_thread::sleep_for(
                std::min<Clock::duration>(next - Clock::now(), std::chrono::milliseconds(50)));
        }
    }
    return results;
}

}  // namespace varno::tool
