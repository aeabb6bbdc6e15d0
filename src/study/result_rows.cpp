#include "study/result_rows.h"

#include <algorithm>

#include "output/best_design_file.h"
#include "support/clock.h"
#include "support/file_io.h"
#include "study/design_results.h"
#include "study/report_files.h"
#include "study/study.h"

namespace varno {

namespace {

bool continuesEarlierRun(const Study& study) {
    const int mode = study.setup.study.modeCode;
    return mode == search::modeResume || mode == search::modeRetraceResume ||
           mode == search::modeExtend;
}

bool filesSuppressed(const Study& study) { return study.setup.options.suppressOutputFiles != 0; }

// Each response name once, in study order.
std::vector<std::string> distinctResponseNames(const Study& study) {
    std::vector<std::string> names;
    for (const model::ResponseGoal& goal : study.performance().goals) {
        if (std::find(names.begin(), names.end(), goal.name) == names.end()) {
            names.push_back(goal.name);
        }
    }
    return names;
}

output::RowCell valueCell(const std::vector<model::DataValueArray>& arrays, std::size_t index) {
    if (index >= arrays.size() || arrays[index].empty()) return {};
    const model::VARNODataVal& value = arrays[index].front();
    switch (value.dataType) {
        case model::dataDouble: return output::RowCell::of(value.doubleValue);
        case model::dataInteger: return output::RowCell::of(value.intValue);
        case model::dataText: return output::RowCell::ofText(value.textValue);
        default: return {};
    }
}

std::string discreteChoice(const Study& study, const model::StudyVariable& variable, int level) {
    for (const model::DiscreteParameter& parameter : study.project.file_user_disc) {
        if (parameter.id != variable.id || parameter.setIndex < 0) continue;
        const auto& choices =
            study.project.user_discrete_sets[static_cast<std::size_t>(parameter.setIndex)]
                .discSetChoices;
        if (level >= 0 && static_cast<std::size_t>(level) < choices.size()) {
            return choices[static_cast<std::size_t>(level)];
        }
    }
    return std::to_string(level + 1);
}

double realAt(const design::Design& design, std::size_t index) {
    return index < design.reals.size() ? design.reals[index] : 0.0;
}

void addResponseCells(const Study& study, const design::Design& design,
                      std::vector<output::RowCell>& cells) {
    const auto& goals = study.performance().goals;
    for (const std::string& name : distinctResponseNames(study)) {
        const auto first = std::find_if(goals.begin(), goals.end(),
                                        [&](const auto& goal) { return goal.name == name; });
        cells.push_back(
            valueCell(design.responseValues, static_cast<std::size_t>(first - goals.begin())));
    }
}

void addVariableCells(const Study& study, const design::Design& design,
                      std::vector<output::RowCell>& cells) {
    const auto& variables = study.project.dvar.front().data;
    for (std::size_t i = 0; i < variables.size(); ++i) {
        const double value = realAt(design, i);
        cells.push_back(variables[i].discrete ? output::RowCell::ofText(discreteChoice(
                                                    study, variables[i], static_cast<int>(value)))
                                              : output::RowCell::of(value));
    }
    const std::size_t fixedCount = study.project.file_user_fixed.size();
    for (std::size_t j = 0; j < fixedCount; ++j) {
        cells.push_back(output::RowCell::of(realAt(design, variables.size() + j)));
    }
    for (std::size_t j = 0; j < study.project.file_user_depn.size(); ++j) {
        cells.push_back(valueCell(design.dependentValues, j));
    }
    for (const model::StringParameter& parameter : study.project.file_user_strings) {
        cells.push_back(output::RowCell::ofText(parameter.stringValue));
    }
}

long elapsedSeconds(const Study& study) {
    return static_cast<long>(support::wallClockSeconds() - study.output.startSeconds);
}

}  // namespace

void writeDesignRow(Study& study, const design::Design& design) {
    if (study.output.rowsWritten.count(design.id) != 0) return;
    if (!study.output.tables) {
        const output::StudyFileNames names = studyFileNames(study);
        const std::string results = output::studyFilePath(names, ".res", true);
        const std::string graph = output::studyFilePath(names, ".gph", true);
        output::checkPathLength(results);
        study.output.tables.emplace(results, graph, tableLayout(study), continuesEarlierRun(study));
    }
    study.output.tables->writeRow(resultRow(study, design));
    study.output.rowsWritten.insert(design.id);
}

namespace {

output::BestDesignBanner bestDesignBanner(const Study& study) {
    output::BestDesignBanner banner{
        study.libraryName, study.versionText, {}, study.output.startTime};
    for (const model::ResponseGoal& goal : study.performance().goals) {
        if (goal.flag != model::kindObjective) continue;
        const bool target = goal.opt == 0 || goal.opt == 2;
        banner.goals.push_back({goal.coef, goal.offset, target, target ? goal.target : goal.norm});
    }
    return banner;
}

std::vector<output::BestDesignVariable> bestDesignVariables(const Study& study,
                                                            const design::Design& design) {
    std::vector<output::BestDesignVariable> variables;
    const auto& studyVariables = study.project.dvar.front().data;
    for (std::size_t i = 0; i < studyVariables.size(); ++i) {
        const model::StudyVariable& variable = studyVariables[i];
        const int level = i < design.ints.size() ? design.ints[i]
                                                 : static_cast<int>(realAt(design, i));
        const bool discrete = variable.discrete != 0;
        variables.push_back({variable.name, variable.id, discrete, realAt(design, i),
                             discrete ? level + 1 : level,
                             discrete ? discreteChoice(study, variable, level) : std::string()});
    }
    return variables;
}

void writeBestDesign(Study& study, const design::Design& design) {
    StudyOutputState& state = study.output;
    state.bestPerformance = design.performance;
    state.bestResponses = studyOrderValues(design);
    output::BestDesignEntry entry;
    entry.elapsedSeconds = static_cast<unsigned>(std::max(elapsedSeconds(study), 0L));
    entry.currentTime = support::localTimeText();
    entry.failed = design.status.status == design::statusError;
    entry.agent = study.agent().number;
    entry.cycle = study.cycle.cycleCounter;
    entry.evaluation = study.agent().data.evaluationsDone;
    entry.variables = bestDesignVariables(study, design);
    entry.performance = design.performance;
    for (const model::ResponseGoal& goal : study.performance().goals) {
        entry.responseNames.push_back(goal.name);
    }
    entry.responseValues = state.bestResponses;
    std::string text = output::bestDesignEntry(entry);
    if (!state.bestDesignFileStarted)
        text = output::bestDesignBanner(bestDesignBanner(study)) + text;
    const std::string path = output::studyFilePath(studyFileNames(study), ".dat", true);
    output::appendToFile(path, text, !state.bestDesignFileStarted && !continuesEarlierRun(study));
    state.bestDesignFileStarted = true;
}

}  // namespace

output::TableLayout tableLayout(const Study& study) {
    output::TableLayout layout;
    const int type = study.agent().type;
    layout.showPerformance = type == search::agentOptimization || type == search::agentEvaluation;
    layout.outputPrecision = study.agent().data.outputPrecision;
    layout.columns = distinctResponseNames(study);
    for (const model::StudyVariable& variable : study.project.dvar.front().data) {
        layout.columns.push_back(variable.name);
    }
    for (const auto& parameter : study.project.file_user_fixed)
        layout.columns.push_back(parameter.name);
    for (const auto& parameter : study.project.file_user_depn)
        layout.columns.push_back(parameter.name);
    for (const auto& parameter : study.project.file_user_strings) {
        layout.columns.push_back(parameter.name);
    }
    return layout;
}

output::ResultRow resultRow(const Study& study, const design::Design& design) {
    output::ResultRow row;
    row.elapsedSeconds = elapsedSeconds(study);
    row.cycle = study.cycle.cycleCounter;
    row.evaluation = study.agent().data.evaluationsDone;
    if (!design.source.empty()) row.source = design.source;
    row.name = design.name;
    row.status = design.status.status;
    row.performance = design.performance;
    addResponseCells(study, design, row.cells);
    addVariableCells(study, design, row.cells);
    return row;
}

void recordEvaluatedDesign(Study& study, const design::Design& design) {
    if (filesSuppressed(study)) return;
    writeDesignRow(study, design);
    const bool search = search::isHybridSearch(study.agent().method_used);
    if (search && design.status.status != design::statusError &&
        design.performance > study.output.bestPerformance) {
        writeBestDesign(study, design);
    }
}

void recordCycleProgress(Study& study) {
    if (filesSuppressed(study) || !search::isHybridSearch(study.agent().method_used)) return;
    StudyOutputState& state = study.output;
    if (!state.bestDesignFileStarted) return;  // no evaluated design yet
    std::vector<std::string> names;
    for (const model::ResponseGoal& goal : study.performance().goals) names.push_back(goal.name);
    output::PlotRow row{static_cast<unsigned>(std::max(elapsedSeconds(study), 0L)),
                        study.cycle.cycleCounter, study.agent().data.evaluationsDone,
                        state.bestPerformance, state.bestResponses};
    std::string text = output::plotRow(names, row);
    if (!state.plotStarted) text = output::plotHeader(names) + text;
    const std::string path = output::studyFilePath(studyFileNames(study), ".plot", true);
    output::appendToFile(path, text, !state.plotStarted && !continuesEarlierRun(study));
    state.plotStarted = true;
}

}  // namespace varno
