#include "study/finalize.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "frame/fatal_error.h"
#include "study/study.h"
#include "frame/message_writer.h"
#include "frame/text_format.h"
#include "model/formula.h"
#include "model/responses.h"
#include "study/doe_study.h"
#include "study/report_files.h"
#include "study/study_checkpoint.h"
#include "study/study_history.h"
#include "study/robust_design_study.h"
#include "study/robustness_study.h"
#include "support/clock.h"

namespace varno {

namespace {

// Number of distinct designs the variables' levels allow, or -1 when it
// exceeds `limit` (it is then unbounded for every purpose here).
double designSpaceSize(const std::vector<int>& levels, double limit) {
    double size = 1.0;
    for (int count : levels) {
        size *= count;
        if (size > limit) return -1.0;
    }
    return size;
}

void checkDesignSpace(Study& study) {
    search::Agent& agent = study.agent();
    if (!search::isHybridSearch(agent.method_used)) return;
    const double size = designSpaceSize(study.encoding->fieldSizes(), agent.MAX_EVALUATIONS);
    if (size < 0.0) return;
    if (size < agent.data.populationSize) {
        fatalError(formatText(
            "%s You should increase the variable resolutions or use a design sweep study instead "
            "if the variable resolutions are correct.",
            "Based on the current study setup, the resolution of the design variables will "
            "result in fewer runs than the cycle size. This is an invalid setup."));
    }
    writeMessage("outptr", "warning",
                 formatText("%s You should update the variable resolutions or use a design "
                            "sweep study instead if the variable resolutions are correct.",
                            "Based on the current study setup, the resolution of the design "
                            "variables will result in a fewer runs than allowed for the "
                            "optimization setup."));
}

void checkGoalsAreNumeric(const Study& study, const model::PerformanceDefinition& performance) {
    for (std::size_t i = 0; i < performance.size(); ++i) {
        if (performance.goals[i].flag == model::kindPlainResponse) continue;
        for (const model::ProjectResponse& response : study.project.prjResps) {
            if (response.name != performance.goals[i].name || response.dataType == 0) continue;
            fatalError(formatText(
                "%s Please change the data type for this response in its \"Properties\" area if "
                "it will only contain numeric data.",
                formatText("Since response \"%s\" has been defined as containing non-numeric "
                           "data, it cannot be defined as an objective or a constraint.",
                           performance.goals[i].name.c_str())
                    .c_str()));
        }
    }
}

void checkGoalCounts(Study& study, const model::PerformanceDefinition& performance) {
    const search::Agent& agent = study.agent();
    const int objectives = model::countByKind(performance, model::kindObjective);
    const bool pareto = agent.method_used == search::studyMoTravok ||
                        agent.method_used == search::studyNsga;
    if (pareto && objectives < 2) {
        fatalError(formatText("The study must have at least 2 objectives defined for a Pareto "
                              "optimization setup. The current study only has %d defined.",
                              objectives));
    }
    if (agent.type == search::agentOptimization && objectives == 0) {
        std::string text = formatText("Performance id %d must have at least one objective ", 0);
        text = formatText("%sas it is being used by an optimization agent (id=%d).", text.c_str(),
                          agent.number);
        fatalError(formatText("%s Please define at least one objective under the \"Responses\" "
                              "area in the \"Study\" tab.",
                              text.c_str()));
    }
    if (performance.size() == 0) {
        std::string text =
            formatText("Performance id %d must have at least one study response defined.", 0);
        text = formatText("%s Please make sure that at least one response is available under the "
                          "\"Responses\" area in the \"Study\" tab.",
                          text.c_str());
        fatalError(formatText("%s Only responses associated to the process files via tagging show "
                              "up in this area.",
                              text.c_str()));
    }
}

// The one agent is number 0, so the study's agent range must be 0 to 0.
void checkAgentRange(const Study& study) {
    const StudyLevelData& level = study.setup.study;
    if (level.startAgent != 0 || level.endAgent != 0) {
        fatalError("\n*** startpopnum or finishpopnum out of range.");
    }
}

design::AgentKind encodingAgentKind(int agentType) {
    switch (agentType) {
        case search::agentDoe: return design::AgentKind::doe;
        case search::agentReliability: return design::AgentKind::reliability;
        case search::agentEvaluation: return design::AgentKind::evaluation;
        default: return design::AgentKind::optimization;
    }
}

void buildEncoding(Study& study) {
    const search::Agent& agent = study.agent();
    design::EncodingSettings settings;
    settings.agent = encodingAgentKind(agent.type);
    settings.designsFromHostAsIs = agent.method_used == search::studyDesignSweep;
    settings.problemType = agent.problem_type;
    settings.runMode = study.setup.study.modeCode;
    if (agent.method_used == search::studyDoe) settings.doeKind = study.doeSettings.kind;
    study.encoding = std::make_unique<design::DesignEncoding>(study.project, settings);
}

void checkDefinition(Study& study) {
    StudySetup& setup = study.setup;
    model::buildDependencySets(study.project);
    checkAssembly(setup);
    if (study.agent().method_used < 0) {
        fatalError("The search method of the study has not been defined.");
    }
    const model::Representation& variables = study.project.dvar.front();
    search::resizeForVariables(setup.agent, setup.method, methodScope(setup),
                               static_cast<int>(variables.data.size()));
    search::checkMethodVariables(setup.agent, variables);
    if (study.project.per_type.empty()) study.project.per_type.emplace_back();
    buildEncoding(study);
    checkDesignSpace(study);
    const model::PerformanceDefinition& performance = study.project.per_type.front();
    checkGoalsAreNumeric(study, performance);
    checkGoalCounts(study, performance);
    checkAgentRange(study);
}

// Seeds the engine's generator from the study seed (0: from the clock).
void startRandomSequence(Study& study) {
    const StudyLevelData& level = study.setup.study;
    const std::optional<std::string> line =
        study.random.seedForStudy(level.randomSeed, level.startAgent, support::wallClockSeconds());
    if (line) writeToMessageFile(*line);
}

// A real-valued design that lies exactly on the variables' levels is stored
// as an integer-coded design, so that it is found again when bred as codes.
void storeDesignsOnTheGridAsCodes(Study& study) {
    const design::DesignEncoding& encoding = *study.encoding;
    study.store.setIntegerCoding([&encoding](design::Design& design) {
        design::Design coded = design;
        encoding.dblsToInts(coded, design::roundNearest);
        encoding.intsToDbls(coded);
        const std::size_t n = encoding.fieldSizes().size();
        if (coded.reals.size() < n || design.reals.size() < n ||
            !std::equal(coded.reals.begin(), coded.reals.begin() + static_cast<long>(n),
                        design.reals.begin())) {
            return false;
        }
        design.ints = coded.ints;
        design.evaluationKind = design::integerCoded;
        return true;
    });
}

// The TRAVOK settings of the agent with the study's baseline step: the
// baseline's codes when the study uses a baseline within every variable's
// bounds, else none (the search then warns and switches the step off).
search::TravokSettings travokSettings(const Study& study) {
    search::TravokSettings settings = search::TravokSettings::fromAgent(study.agent());
    settings.baselineImportant = study.setup.options.baselineIsAGoodDesign != 0;
    if (!settings.baselineImportant || !study.setup.options.useBaseline) return settings;
    design::Design baseline;
    for (const model::StudyVariable& variable : study.project.dvar.front().data) {
        const bool inside =
            variable.discrete
                ? variable.baseline >= 0.0 && variable.baseline < variable.resolution
                : variable.baseline >= variable.min && variable.baseline <= variable.max;
        if (!inside) return settings;
        baseline.reals.push_back(variable.baseline);
    }
    study.encoding->dblsToInts(baseline, design::roundNearest);
    settings.baselineCodes = std::vector<int>(baseline.ints);
    return settings;
}

void startSearch(Study& study) {
    search::Agent& agent = study.agent();
    if (!search::isHybridSearch(agent.method_used)) return;
    storeDesignsOnTheGridAsCodes(study);
    search::SearchMessages messages;
    messages.warning = [](const std::string& text) { writeMessage("outptr", "warning", text); };
    messages.runLog = [](const std::string& text) { writeToMessageFile(text); };
    const std::vector<int>& fieldSizes = study.encoding->fieldSizes();
    if (agent.method_used == search::studyTravok) {
        study.search = std::make_unique<search::TravokSearch>(travokSettings(study), fieldSizes,
                                                              study.random, messages);
        return;
    }
    const StudyLevelData& level = study.setup.study;
    const std::string paretoPath = search::paretoFilePath(study.workingDirectory, level.filePrefix,
                                                          agent.number, level.modeCode);
    study.search = std::make_unique<search::MotravokSearch>(
        search::MotravokSettings::fromAgent(agent), fieldSizes, study.random,
        study.project.per_type.front(), paretoPath, messages);
}

// Starts the cycle of the agent; the best performance so far starts at the
// worst value for larger-is-better performances.
void startCycle(Study& study) {
    search::Agent& agent = study.agent();
    RuntimeOptions& options = study.setup.options;
    options.disableHistory = options.historyRequested ? 0 : 1;
    agent.data.bestPerformance = -std::numeric_limits<double>::infinity();
    study.cycle = CycleState{};
    study.engine = search::EngineState{};
    study.engine.seedFromStore = !study.setup.study.retrace;
    startRandomSequence(study);
    const std::optional<output::Checkpoint> checkpoint = readCheckpointToExtend(study);
    startSearch(study);
    resumeFromHistory(study);
    if (checkpoint) continueFromCheckpoint(study, *checkpoint);
    if (study.agent().method_used == search::studyDoe) startDoeStudy(study);
    if (isRRStudy(study)) startRRStudy(study);
    if (isRobustDesignStudy(study)) startRobustDesignStudy(study);
}

}  // namespace

int finalizeStudy(Study& study) {
    checkDefinition(study);
    writeReportHeads(study);
    library().studyFinalised = 1;
    startCycle(study);
    return 1;
}

}  // namespace varno
