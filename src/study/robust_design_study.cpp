#include "study/robust_design_study.h"

#include <map>
#include <optional>

#include "doe/doe_analysis.h"
#include "frame/fatal_error.h"
#include "frame/message_writer.h"
#include "frame/text_format.h"
#include "model/data_value.h"
#include "search/agent.h"
#include "study/study.h"
#include "support/file_io.h"

namespace varno {

namespace {

constexpr int performanceId = 0;

void checkNoGoals(const Study& study) {
    const model::PerformanceDefinition& performance = study.performance();
    if (performance.objectiveCount + performance.constraintCount == 0) return;
    const std::string first = formatText("Performance id %d cannot have any objectives or "
                                         "constraints defined ",
                                         performanceId);
    fatalError(formatText("%s as it is being used by a DOE agent (id=%d).", first.c_str(),
                          study.agent().number));
}

// The value of study response `goal` in every run, nothing for a failed run;
// nothing at all when the response is vector-valued.
std::optional<std::vector<std::optional<double>>> runValues(const Study& study, std::size_t goal) {
    std::map<int, std::size_t> storeIndex;
    for (std::size_t i = 0; i < study.store.size(); ++i) {
        storeIndex.emplace(study.store.record(i).id, i);
    }
    std::vector<std::optional<double>> values;
    for (int design : study.doeRuns.runToDesign) {
        const auto found =
            storeIndex.find(study.doeRuns.designIds.at(static_cast<std::size_t>(design)));
        if (found == storeIndex.end()) {
            values.emplace_back();
            continue;
        }
        const design::StoredDesign& stored = study.store.record(found->second);
        const std::vector<model::DataValueArray> responses = stored.responseValues();
        if (goal >= responses.size() || model::valueArraySize(responses[goal]) != 1) {
            return std::nullopt;
        }
        if (stored.status.status == design::statusError) {
            values.emplace_back();
        } else {
            values.emplace_back(model::doubleValueOf(responses[goal].front()));
        }
    }
    return values;
}

// The control array's analysis of a response's means and, when finite, its
// signal-to-noise ratios, each like a DOE response of the control runs. The
// analysis needs a value for every control run: with an incomplete run it is
// skipped with a warning (the summaries stay with the study either way).
void analyseControlRunVectors(Study& study, const std::string& response,
                              const doe::ControlRunSummary& summary) {
    study.controlRunSummaries.emplace_back(response, summary);
    doe::DoeTable& control = *study.doeTable;
    if (static_cast<int>(summary.means.size()) != control.num_runs) {
        writeMessage("outptr", "warning",
                     formatText("Some control runs of response \"%s\" are incomplete; its "
                                "means and signal-to-noise ratios are not analysed.",
                                response.c_str()));
        return;
    }
    doe::analyseDoeResponse(control, summary.means, robustAnalysisPath(study, response, "means"));
    if (!summary.snRatios.empty()) {
        doe::analyseDoeResponse(control, summary.snRatios,
                                robustAnalysisPath(study, response, "SNratio"));
    }
}

}  // namespace

bool isRobustDesignStudy(const Study& study) {
    return study.agent().method_used == search::studyRobustParameterDesign;
}

void defineRobustDesignMethod(Study& study, const LineList& lines) {
    study.robustDesign = doe::readRobustDesignSettings(lines);
    study.doeSettings = study.robustDesign.control;
}

void startRobustDesignStudy(Study& study) {
    // The crossed array is handed out once and scored as a DOE's runs.
    if (study.agent().type != search::agentDoe) {
        fatalError("A robust parameter design needs a study of type \"doe\".");
    }
    checkNoGoals(study);
    const doe::DoeContext context{study.project.dvar.front(), study.agent().number, study.random,
                                  study.workingDirectory};
    doe::CrossedArray crossed = doe::crossControlAndNoise(study.robustDesign, context);
    study.noiseRuns = crossed.noiseRuns;
    study.doeRuns = std::move(crossed.runs);
    study.agent().data.populationSize = static_cast<int>(study.doeRuns.runToDesign.size());
    study.doeTable = std::move(crossed.inner);
    study.factorNames.clear();
    for (int i = 0; i < study.doeTable->num_factors; ++i) {
        study.factorNames.push_back(study.doeTable->col_name[static_cast<std::size_t>(i)].data());
    }
}

void analyseRobustDesign(Study& study) {
    study.controlRunSummaries.clear();
    const model::PerformanceDefinition& performance = study.performance();
    for (std::size_t goal = 0; goal < performance.size(); ++goal) {
        const model::ResponseGoal& response = performance.goals[goal];
        if (response.flag != model::kindPlainResponse || response.opt == doe::snNone) continue;
        const auto values = runValues(study, goal);
        if (!values) continue;
        analyseControlRunVectors(
            study, response.name,
            doe::summariseControlRuns(response.name, response.opt, *values, study.noiseRuns));
    }
}

std::string robustAnalysisPath(const Study& study, const std::string& response,
                               const std::string& vector) {
    return support::joinPath(study.workingDirectory,
                             formatText("DOE_%d_%s_%s.out", study.agent().number,
                                        support::fileNamePart(response).c_str(), vector.c_str()));
}

}  // namespace varno
