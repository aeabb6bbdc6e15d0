#include "run_command.h"

#include <filesystem>
#include <iomanip>
#include <memory>

#include "command_evaluator.h"
#include "library.h"
#include "plots.h"
#include "problem_evaluator.h"
#include "process.h"
#include "results.h"
#include "study_setup.h"
#include "varno.h"

namespace varno::tool {

namespace {

namespace fs = std::filesystem;

StudyFile loadStudy(const RunSettings& settings) {
    if (!settings.studyFile.empty()) return readStudyFile(settings.studyFile);
    const Problem* problem = findProblem(settings.problem);
    if (problem == nullptr) throw RunError("give a study file or --problem NAME");
    const int budget = settings.budget.value_or(defaultBudget(*problem));
    return parseStudyText(problemStudyText(*problem, budget, settings.seed),
                          problem->name + " (built-in)");
}

int parallelism(const RunSettings& settings, const StudyModel& model) {
    if (settings.parallel) return *settings.parallel;
    if (model.evaluator && model.evaluator->parallel > 0) return model.evaluator->parallel;
    return model.nParallel > 0 ? model.nParallel : 1;
}

std::unique_ptr<Evaluator> chooseEvaluator(const RunSettings& settings, const StudyModel& model,
                                           const fs::path& directory) {
    if (!settings.problem.empty()) {
        const Problem* problem = findProblem(settings.problem);
        if (problem == nullptr) {
            throw RunError("unknown problem \"" + settings.problem + "\" (see: varno problems)");
        }
        return std::make_unique<ProblemEvaluator>(*problem, model);
    }
    CommandSettings command;
    command.command = !settings.evaluate.empty() ? settings.evaluate
                      : model.evaluator          ? model.evaluator->command
                                                 : std::string();
    if (command.command.empty()) {
        throw RunError("no evaluator: give --evaluate, an [evaluator] block or --problem");
    }
    command.timeoutSeconds = model.evaluator ? model.evaluator->timeoutSeconds : 0.0;
    command.parallel = parallelism(settings, model);
    command.workingDirectory = directory;
    if (settings.evaluate.empty() && !settings.studyFile.empty()) {
        command.baseDirectory = fs::absolute(settings.studyFile).parent_path();
    }
    return std::make_unique<CommandEvaluator>(model, command);
}

void writeResults(const StudyModel& model, const RunRecord& record, const fs::path& directory,
                  std::ostream& out) {
    const bool multiObjective = model.objectives().size() >= 2;
    ParetoSet pareto;
    if (multiObjective) {
        pareto = paretoSet(model, record);
        printParetoSet(out, model, record, pareto);
    } else {
        printBestDesign(out, model, record, VARNO_getBestDesignId());
    }
    writeResultsCsv(directory / "results.csv", model, record);
    writeSvg(directory / "progress.svg", progressChart(record));
    out << "\nWrote " << (directory / "results.csv").string() << " (" << record.designs.size()
        << " designs) and progress.svg";
    if (model.objectives().size() == 2) {
        writeSvg(directory / "pareto.svg", paretoChart(model, record, pareto));
        out << ", pareto.svg";
    }
    out << "\n";
}

int run(const RunSettings& settings, std::ostream& out, std::ostream& err) {
    const StudyFile file = loadStudy(settings);
    const StudyModel model = describeStudy(file);
    const fs::path directory = fs::absolute(settings.workingDirectory).lexically_normal();
    fs::create_directories(directory);
    const std::unique_ptr<Evaluator> evaluator = chooseEvaluator(settings, model, directory);
    setEnvironmentDefault("VARNO_ROOT", directory.string());

    const LibraryStudy study(directory.string());
    defineStudy(file);
    checkStudyShape(model);
    ProgressLine progress(err, !settings.quiet, standardErrorIsTerminal());
    StudyRunner runner(model, *evaluator, progress);
    const RunRecord record = runner.run();
    writeResults(model, record, directory, out);
    return 0;
}

}  // namespace

int runStudy(const RunSettings& settings, std::ostream& out, std::ostream& err) {
    try {
        return run(settings, out, err);
    } catch (const std::exception& error) {
        err << "\nvarno: " << error.what() << std::endl;
        return 1;
    }
}

int listProblems(const std::string& name, std::ostream& out, std::ostream& err) {
    if (name.empty()) {
        for (const Problem& problem : builtInProblems()) {
            out << "  " << std::left << std::setw(18) << problem.name << problem.description
                << "\n";
        }
        return 0;
    }
    const Problem* problem = findProblem(name);
    if (problem == nullptr) {
        err << "varno: unknown problem \"" << name << "\"\n";
        return 1;
    }
    out << problemStudyText(*problem, defaultBudget(*problem), 0.5);
    return 0;
}

}  // namespace varno::tool
