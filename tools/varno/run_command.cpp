#include "run_command.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <iomanip>
#include <memory>
#include <sstream>

#include "command_evaluator.h"
#include "dashboard_server.h"
#include "doe_plots.h"
#include "file_output.h"
#include "formula_evaluator.h"
#include "library.h"
#include "nearest_word.h"
#include "plots.h"
#include "problem_evaluator.h"
#include "child_process.h"
#include "results.h"
#include "results_store.h"
#include "robustness_report.h"
#include "slurm_executor.h"
#include "stop_signals.h"
#include "study_check.h"
#include "study_setup.h"
#include "utf8_path.h"
#include "varno.h"

namespace varno::tool {

namespace {

namespace fs = std::filesystem;

std::string unknownProblem(const std::string& name) {
    std::vector<std::string> names;
    for (const Problem& problem : builtInProblems()) names.push_back(problem.name);
    return "unknown problem \"" + name + "\"" + didYouMean(name, names) + " (see: varno problems)";
}

StudyFile loadStudy(const RunSettings& settings) {
    if (!settings.studyFile.empty()) {
        StudyFile file = readStudyFile(settings.studyFile);
        checkStudyFile(file);
        return file;
    }
    if (settings.problem.empty()) throw RunError("give a study file or --problem NAME");
    const Problem* problem = findProblem(settings.problem);
    if (problem == nullptr) throw RunError(unknownProblem(settings.problem));
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
        if (settings.executor != "local") {
            throw RunError("a built-in problem is computed inside the runner; --executor " +
                           settings.executor + " needs an evaluator command");
        }
        const Problem* problem = findProblem(settings.problem);
        if (problem == nullptr) {
            throw RunError(unknownProblem(settings.problem));
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
        command.baseDirectory = fs::absolute(utf8Path(settings.studyFile)).parent_path();
    }
    if (settings.executor == "slurm") {
        return std::make_unique<SlurmEvaluator>(
            model, command, model.executor.value_or(ExecutorSettings{}), directory / "results.db");
    }
    return std::make_unique<CommandEvaluator>(model, command);
}

// The library writes its own report and results table beside ours.
void pointToLibraryFiles(const StudyModel& model, const fs::path& directory, std::ostream& out) {
    std::vector<std::string> found;
    for (const char* extension : {".rpt", ".res"}) {
        const fs::path path = directory / utf8Path(model.filePrefix + "0" + extension);
        if (fs::exists(path)) found.push_back(utf8Text(path));
    }
    if (found.empty()) return;
    out << "The library's report and results table: " << found.front();
    for (std::size_t i = 1; i < found.size(); ++i) out << ", " << found[i];
    out << "\n";
}

// The plots of a designed experiment, once the library has analysed it.
void writeDoePlots(const StudyModel& model, const RunRecord& record, const fs::path& directory,
                   std::ostream& out) {
    const std::optional<DoeLevelMeans> levels = readDoeLevelMeans();
    if (!levels || model.responses.empty()) return;
    const DoePlot effects = effectsPlot(model, record, *levels);
    writeFileReplacing(directory / "effects.svg", renderPanels(effects.title, effects.panels, 2));
    out << ", effects.svg";
    if (const std::optional<DoePlot> interactions = interactionsPlot(model, record)) {
        writeFileReplacing(directory / "interactions.svg",
                           renderPanels(interactions->title, interactions->panels, 3));
        out << ", interactions.svg";
    }
    writeSvg(directory / "half-normal.svg", halfNormalChart(model, *levels));
    out << ", half-normal.svg";
}

// The response surfaces the library fitted after the experiment, by their
// model files.
void listResponseSurfaces(const fs::path& directory, std::ostream& out) {
    std::vector<std::string> models;
    for (const fs::directory_entry& entry : fs::directory_iterator(directory)) {
        if (entry.path().extension() == ".mdl") models.push_back(utf8Text(entry.path().filename()));
    }
    if (models.empty()) return;
    std::sort(models.begin(), models.end());
    out << "\nResponse surfaces fitted to the experiment (model and error files):";
    for (const std::string& model : models) out << " " << model;
}

void writeResults(const StudyModel& model, const RunRecord& record, const fs::path& directory,
                  std::ostream& out) {
    const bool multiObjective = model.objectives().size() >= 2;
    ParetoSet pareto;
    if (multiObjective) {
        pareto = paretoSet(model, record);
        printParetoSet(out, model, record, pareto);
    } else if (isRobustnessStudy(model)) {
        out << "\nRobustness study: " << record.designs.size() << " samples evaluated\n";
        printReliabilityTable(out, model, directory);
    } else if (!model.factors.empty() && model.objectives().empty()) {
        // A designed experiment ranks no design: its array is the result.
        out << "\nDesigned experiment over " << model.factors.size()
            << " factors: " << record.designs.size() << " designs evaluated\n";
    } else {
        printBestDesign(out, model, record, VARNO_getBestDesignId());
    }
    writeResultsCsv(directory / "results.csv", model, record);
    writeSvg(directory / "progress.svg", progressChart(model, record));
    out << "\nWrote " << utf8Text(directory / "results.csv") << " (" << record.designs.size()
        << " designs) and progress.svg";
    if (model.objectives().size() == 2) {
        writeSvg(directory / "pareto.svg", paretoChart(model, record, pareto));
        out << ", pareto.svg";
    }
    if (isRobustnessStudy(model)) {
        for (const std::string& name : writeHistograms(model, record, directory))
            out << ", " << name;
    }
    if (!model.factors.empty()) {
        writeDoeArrayCsv(directory / "doe_array.csv", model, record);
        out << ", doe_array.csv";
        writeDoePlots(model, record, directory, out);
        listResponseSurfaces(directory, out);
    }
    out << "\n";
    pointToLibraryFiles(model, directory, out);
}

// The first line that differs between the study a run began with and now.
std::string firstDifference(const std::string& before, const std::string& now) {
    std::istringstream a(before), b(now);
    std::string lineA, lineB;
    for (int number = 1;; ++number) {
        const bool moreA = static_cast<bool>(std::getline(a, lineA));
        const bool moreB = static_cast<bool>(std::getline(b, lineB));
        if (!moreA && !moreB) return "";
        if (moreA && moreB && lineA == lineB) continue;
        return "line " + std::to_string(number) + " was " +
               (moreA ? "\"" + lineA + "\"" : std::string("absent")) + ", is now " +
               (moreB ? "\"" + lineB + "\"" : std::string("absent"));
    }
}

// A resumed run must replay the same study, or the designs it answers from
// the database would belong to another one.
void checkSameRun(const ResultsStore& store, const StudyFile& file, int parallel,
                  const std::string& executor) {
    const std::string study = store.setting("study").value_or("");
    if (study != file.text) {
        throw RunError("cannot resume: " + file.fileName +
                       " changed since the run began: " + firstDifference(study, file.text));
    }
    const std::string began = store.setting("parallel").value_or("");
    if (began != std::to_string(parallel)) {
        throw RunError("cannot resume: the run began with " + began + " evaluations at once, now " +
                       std::to_string(parallel) + " (the engine's batches depend on it)");
    }
    // Runs recorded before executors existed ran locally.
    const std::string ranOn = store.setting("executor").value_or("local");
    if (ranOn != executor) {
        throw RunError("cannot resume: the run began with --executor " + ranOn + ", now " +
                       executor + " (its designs still queued would run twice)");
    }
}

// A new run starts with an empty database; the previous one is kept aside.
void setAsidePreviousRun(const fs::path& database, std::ostream& out) {
    if (!fs::exists(database)) return;
    const fs::path previous = fs::path(database).replace_extension(".previous.db");
    fs::rename(database, previous);
    for (const char* suffix : {"-wal", "-shm"}) {
        std::error_code ignored;
        fs::remove(fs::path(database) += suffix, ignored);
    }
    out << "The results of the previous run were moved to " << utf8Text(previous)
        << " (continue a run with --resume)\n";
}

// The dashboard is a convenience: when it cannot listen, the run goes on without it.
std::unique_ptr<DashboardServer> startDashboard(const RunSettings& settings,
                                                const fs::path& database, std::ostream& err) {
    if (!settings.servePort) return nullptr;
    try {
        auto server =
            std::make_unique<DashboardServer>(database, settings.host, *settings.servePort);
        err << "Dashboard at " << server->address() << std::endl;
        return server;
    } catch (const std::exception& error) {
        err << "varno: " << error.what() << "; the study runs without it" << std::endl;
        return nullptr;
    }
}

int run(const RunSettings& settings, std::ostream& out, std::ostream& err) {
    const StudyFile file = loadStudy(settings);
    const StudyModel model = describeStudy(file);
    const fs::path directory = fs::absolute(utf8Path(settings.workingDirectory)).lexically_normal();
    fs::create_directories(directory);
    const std::unique_ptr<Evaluator> chosen = chooseEvaluator(settings, model, directory);
    Formulas formulas = Formulas::fromStudyFile(file);
    std::unique_ptr<Evaluator> withFormulas;
    if (!formulas.empty()) {
        withFormulas = std::make_unique<FormulaEvaluator>(model, std::move(formulas), *chosen);
    }
    Evaluator* const evaluator = withFormulas ? withFormulas.get() : chosen.get();
    const int parallel = parallelism(settings, model);
    setEnvironmentDefault("VARNO_ROOT", utf8Text(directory));

    const fs::path database = directory / "results.db";
    if (settings.resume && !fs::exists(database)) {
        throw RunError("nothing to resume: " + utf8Text(database) + " does not exist");
    }
    if (!settings.resume) setAsidePreviousRun(database, out);
    ResultsStore store(database);
    if (settings.resume) {
        checkSameRun(store, file, parallel, settings.executor);
    } else {
        store.setSetting("study", file.text);
        store.setSetting("parallel", std::to_string(parallel));
        store.setSetting("executor", settings.executor);
    }

    const LibraryStudy study(utf8Text(directory));
    defineStudy(file, parallel);
    checkStudyShape(model);
    const StopSignals signals;
    const std::unique_ptr<DashboardServer> dashboard = startDashboard(settings, database, err);
    ProgressLine progress(err, !settings.quiet, standardErrorIsTerminal());
    StudyRunner runner(model, *evaluator, progress, store, settings.maxFailures);
    const RunEnd end = runner.run();
    if (settings.resume) {
        out << "Resumed: " << runner.replayed() << " designs answered from " << utf8Text(database)
            << "\n";
    }
    writeResults(model, RunRecord{store.all()}, directory, out);
    if (dashboard && StopSignals::received() == 0) {
        out << "The dashboard stays at " << dashboard->address() << " until Ctrl-C" << std::endl;
        waitForStopSignal();
    }

    if (end == RunEnd::interrupted) {
        err << "\nvarno: stopped by a signal; the finished evaluations are in "
            << utf8Text(database) << ". Continue with the same command and --resume.\n";
        return 128 + StopSignals::received();
    }
    if (end == RunEnd::failing) {
        err << "\nvarno: the first " << settings.maxFailures
            << " designs all failed, so the run stopped. The first failure: " << runner.firstError()
            << "\n";
        return 1;
    }
    if (runner.succeeded() == 0) {
        err << "\nvarno: no design was evaluated successfully. The first failure: "
            << runner.firstError() << "\n";
        return 1;
    }
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
        err << "varno: " << unknownProblem(name) << "\n";
        return 1;
    }
    out << problemStudyText(*problem, defaultBudget(*problem), 0.5);
    return 0;
}

}  // namespace varno::tool
