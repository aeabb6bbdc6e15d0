// varno: runs a study described in a study file through the VARNO library,
// evaluating designs with an external command or a built-in problem.
#include <iostream>

#include <CLI/CLI.hpp>

#include "child_process.h"
#include "dashboard_server.h"
#include "run_command.h"
#include "study_model.h"
#include "utf8_path.h"

int main(int argc, char** argv) {
    CLI::App app{"varno: runs design-exploration and optimisation studies"};
    app.set_version_flag("--version", "varno " VARNO_PROJECT_VERSION);
    app.require_subcommand(1);

    varno::tool::RunSettings settings;
    int parallel = 0, budget = 0;
    CLI::App* run = app.add_subcommand("run", "run a study");
    run->add_option("study", settings.studyFile, "study file (optional with --problem)");
    run->add_option("--evaluate", settings.evaluate,
                    "command that evaluates one design (JSON in, JSON out)");
    run->add_option("--parallel", parallel,
                    "evaluations at once (default: the study's nParallel, else 1)")
        ->check(CLI::Range(1, varno::tool::maximumParallelEvaluations));
    run->add_option("--problem", settings.problem,
                    "evaluate with a built-in problem (see: varno problems)");
    run->add_option("--budget", budget, "evaluations of a study generated for --problem")
        ->check(CLI::PositiveNumber);
    run->add_option("--seed", settings.seed, "random seed in (0, 1] of a generated study")
        ->check(CLI::Range(0.0, 1.0));
    run->add_flag("--quiet", settings.quiet, "no progress line");
    run->add_flag("--resume", settings.resume,
                  "continue the run recorded in the working directory's results.db");
    run->add_option("--max-failures", settings.maxFailures,
                    "stop when the first N designs all fail (0: never; default 10)")
        ->check(CLI::NonNegativeNumber);
    run->add_option("--executor", settings.executor,
                    "where designs run: local processes, or slurm jobs (see the [executor] block)")
        ->check(CLI::IsMember({"local", "slurm"}));
    run->add_option("--workdir", settings.workingDirectory,
                    "folder for designs, results and plots (default: .)");
    int servePort = -1;
    run->add_option("--serve", servePort,
                    "serve a dashboard of the run on this port while it runs, and after it "
                    "until Ctrl-C (0: any free port)")
        ->expected(0, 1)
        ->default_str(std::to_string(varno::tool::defaultDashboardPort))
        ->check(CLI::Range(0, 65535));
    run->add_option("--host", settings.host,
                    "address the dashboard listens on (default: 127.0.0.1, this machine only)");

    std::string folder = ".", host = "127.0.0.1";
    int port = varno::tool::defaultDashboardPort;
    CLI::App* serve = app.add_subcommand(
        "serve", "serve the dashboard of a run (running or finished) until Ctrl-C");
    serve->add_option("folder", folder, "the run's --workdir (default: .)");
    serve->add_option("--port", port, "port (0: any free port)")->check(CLI::Range(0, 65535));
    serve->add_option("--host", host,
                      "address to listen on (default: 127.0.0.1, this machine only)");

    std::string problem;
    CLI::App* problems =
        app.add_subcommand("problems", "list the built-in problems, or print the study of one");
    problems->add_option("name", problem, "print the generated study file of this problem");

    std::vector<std::string> arguments = varno::tool::commandLineArguments(argc, argv);
    std::vector<char*> argumentPointers;
    for (std::string& argument : arguments) argumentPointers.push_back(argument.data());
    CLI11_PARSE(app, static_cast<int>(argumentPointers.size()), argumentPointers.data());
    if (parallel > 0) settings.parallel = parallel;
    if (budget > 0) settings.budget = budget;
    if (servePort >= 0) settings.servePort = servePort;
    if (*serve)
        return varno::tool::serveFolder(varno::tool::utf8Path(folder), host, port, std::cout,
                                        std::cerr);
    if (*run) return varno::tool::runStudy(settings, std::cout, std::cerr);
    return varno::tool::listProblems(problem, std::cout, std::cerr);
}
