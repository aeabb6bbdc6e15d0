#include "study/robustness_study.h"

#include <algorithm>
#include <map>
#include <optional>
#include <span>

#include "doe/rr_sampling.h"
#include "doe/rr_statistics.h"
#include "frame/fatal_error.h"
#include "frame/message_writer.h"
#include "frame/text_format.h"
#include "model/block_reader.h"
#include "model/data_value.h"
#include "search/agent.h"
#include "study/study.h"
#include "support/binary_io.h"
#include "support/file_io.h"
#include "surrogate/surface_fitting.h"
#include "surrogate/variable_range.h"

namespace varno {

namespace {

constexpr int performanceId = 0;

void checkGoals(const Study& study) {
    const model::PerformanceDefinition& performance = study.performance();
    const int agent = study.agent().number;
    if (study.agent().method_used == search::studyRobustness &&
        performance.objectiveCount + performance.constraintCount > 0) {
        const std::string first = formatText("Performance id %d cannot have any objectives or "
                                             "constraints defined ",
                                             performanceId);
        fatalError(formatText("%s as it is being used by a R&R agent (id=%d) for robustness "
                              "assessment.",
                              first.c_str(), agent));
    }
    if (study.agent().method_used == search::studyReliability && performance.constraintCount == 0) {
        std::string text =
            formatText("Performance id %d must have at least one constraint ", performanceId);
        text = formatText("%s as it is being used for reliability calculations.", text.c_str());
        fatalError(formatText("%s Please define at least one constraint under the \"Responses\" "
                              "area in the \"Assembly\" tab.",
                              text.c_str()));
    }
}

void warnAboutVariableDistributions(const Study& study) {
    for (const model::StudyVariable& variable : study.project.dvar.front().data) {
        if (variable.distribution < 0) continue;
        writeMessage("outptr", "warning",
                     formatText("%s The distributions applied to the other variables will be "
                                "ignored and the baseline values will be used.",
                                "The R&R agent will perform the stochastic study by applying the "
                                "distributions to the parameters (Fixed variables) only."));
        return;
    }
}

// The fixed parameters that carry a distribution, with their positions.
std::vector<doe::ScatteredParameter> scatteredParameters(Study& study,
                                                         std::vector<std::size_t>& positions) {
    std::vector<doe::ScatteredParameter> scattered;
    const auto& fixed = study.project.file_user_fixed;
    for (std::size_t i = 0; i < fixed.size(); ++i) {
        if (fixed[i].distribution < 0) continue;
        model::DistributionRecord& record =
            study.project.user_distributions.at(static_cast<std::size_t>(fixed[i].distribution));
        if (!record.object) continue;
        scattered.push_back({fixed[i].name, fixed[i].baseline, record.object.get()});
        positions.push_back(i);
    }
    if (scattered.empty()) {
        const std::string first = formatText("No distributions have been applied to any "
                                             "parameters (Fixed variables) for the R&R agent "
                                             "number %d.",
                                             study.agent().number);
        fatalError(formatText("%s At least one parameter must be defined with a distribution.",
                              first.c_str()));
    }
    return scattered;
}

// Each sample becomes one design: every variable at its baseline, the
// parameters at their sampled values.
void sampleDesigns(Study& study) {
    std::vector<std::size_t> positions;
    const std::vector<doe::ScatteredParameter> scattered = scatteredParameters(study, positions);
    const doe::DoeSettings& settings = study.doeSettings;
    const auto samples =
        doe::sampleParameters(settings.kind, settings.numRuns, scattered, study.random);
    std::vector<double> baseline;
    for (const model::StudyVariable& variable : study.project.dvar.front().data) {
        baseline.push_back(variable.baseline);
    }
    const std::size_t variableCount = baseline.size();
    for (const model::FixedParameter& fixed : study.project.file_user_fixed) {
        baseline.push_back(fixed.baseline);
    }
    doe::DoeRuns runs;
    for (const std::vector<double>& sample : samples) {
        std::vector<double> values = baseline;
        for (std::size_t p = 0; p < positions.size(); ++p) {
            values[variableCount + positions[p]] = sample[p];
        }
        runs.runToDesign.push_back(static_cast<int>(runs.designValues.size()));
        runs.designValues.push_back(std::move(values));
    }
    study.doeRuns = std::move(runs);
}

// One successfully evaluated sample: its values (variables, then
// parameters) and its responses in study order.
struct Sample {
    std::vector<double> reals;
    std::vector<model::DataValueArray> responses;
};

// Nothing when the run's design failed or is not in the store.
std::optional<Sample> runSample(const Study& study, const std::map<int, std::size_t>& storeIndex,
                                int designId) {
    const auto found = storeIndex.find(designId);
    if (found == storeIndex.end()) return std::nullopt;
    const design::StoredDesign& stored = study.store.record(found->second);
    if (stored.status.status == design::statusError) return std::nullopt;
    const std::span<const double> reals = study.store.reals(found->second);
    return Sample{{reals.begin(), reals.end()}, stored.responseValues()};
}

std::vector<Sample> successfulRuns(const Study& study) {
    std::map<int, std::size_t> storeIndex;
    for (std::size_t i = 0; i < study.store.size(); ++i) {
        storeIndex.emplace(study.store.record(i).id, i);
    }
    const doe::DoeRuns& runs = study.doeRuns;
    std::vector<Sample> successful;
    for (int design : runs.runToDesign) {
        const int id = runs.designIds.at(static_cast<std::size_t>(design));
        if (auto sample = runSample(study, storeIndex, id))
            successful.push_back(std::move(*sample));
    }
    const int failed = static_cast<int>(runs.runToDesign.size() - successful.size());
    if (failed > 0) {
        writeMessage("outptr", "note",
                     formatText("%d of the %d samples of the R&R study failed; the statistics "
                                "and the reliability use the %d successful samples only.",
                                failed, static_cast<int>(runs.runToDesign.size()),
                                static_cast<int>(successful.size())));
    }
    return successful;
}

// The scalar values of study response `goal` over the successful runs;
// nothing when the response is vector-valued.
std::optional<std::vector<double>> scalarValues(const std::vector<Sample>& runs, std::size_t goal) {
    std::vector<double> values;
    for (const Sample& run : runs) {
        const std::vector<model::DataValueArray>& responses = run.responses;
        if (goal >= responses.size() || model::valueArraySize(responses[goal]) != 1) {
            return std::nullopt;
        }
        values.push_back(model::doubleValueOf(responses[goal].front()));
    }
    return values;
}

// The distributed parameters, each over the range its samples span.
std::vector<std::pair<std::size_t, surrogate::VariableRange>> sampledRanges(
    const Study& study, const std::vector<Sample>& runs) {
    std::vector<std::pair<std::size_t, surrogate::VariableRange>> ranges;
    const std::size_t first = study.project.dvar.front().data.size();
    const auto& fixed = study.project.file_user_fixed;
    for (std::size_t j = 0; j < fixed.size(); ++j) {
        if (fixed[j].distribution < 0) continue;
        surrogate::VariableRange range{fixed[j].name, fixed[j].baseline, fixed[j].baseline};
        for (const Sample& run : runs) {
            range.min = std::min(range.min, run.reals.at(first + j));
            range.max = std::max(range.max, run.reals.at(first + j));
        }
        ranges.emplace_back(first + j, range);
    }
    return ranges;
}

// Least-squares surfaces of the scalar responses over the distributed
// parameters, with their model and error files.
void fitSurfaces(const Study& study, const std::vector<Sample>& runs) {
    const auto ranges = sampledRanges(study, runs);
    surrogate::SurfaceFitRequest request;
    request.points.resize(static_cast<Eigen::Index>(runs.size()),
                          static_cast<Eigen::Index>(ranges.size()));
    for (std::size_t r = 0; r < runs.size(); ++r) {
        for (std::size_t c = 0; c < ranges.size(); ++c) {
            request.points(static_cast<Eigen::Index>(r), static_cast<Eigen::Index>(c)) =
                surrogate::normalise(runs[r].reals.at(ranges[c].first), ranges[c].second);
        }
    }
    for (const auto& [position, range] : ranges) request.ranges.push_back(range);
    std::vector<std::vector<double>> columns;
    const model::PerformanceDefinition& performance = study.performance();
    for (std::size_t goal = 0; goal < performance.size(); ++goal) {
        if (auto values = scalarValues(runs, goal)) {
            columns.push_back(std::move(*values));
            request.responseNames.push_back(performance.goals[goal].name);
        }
    }
    request.values.resize(static_cast<Eigen::Index>(runs.size()),
                          static_cast<Eigen::Index>(columns.size()));
    for (std::size_t c = 0; c < columns.size(); ++c) {
        for (std::size_t r = 0; r < runs.size(); ++r) {
            request.values(static_cast<Eigen::Index>(r), static_cast<Eigen::Index>(c)) =
                columns[c][r];
        }
    }
    request.studyFolder = study.workingDirectory;
    request.agent = study.agent().number;
    request.writeFiles = true;
    surrogate::ResponseSurfaceStore store;
    surrogate::fitResponseSurfaces(request, store);
}

std::string reliabilitySection(const Study& study, std::size_t goal,
                               const std::vector<double>& values) {
    const model::PerformanceDefinition& performance = study.performance();
    writeMessage("outptr", "note",
                 formatText("Starting the reliability calculation for constraint %s",
                            performance.goals[goal].name.c_str()));
    return doe::reliabilityText(doe::reliabilityOf(performance, static_cast<int>(goal), values));
}

void writeWholeFile(const std::string& path, const std::string& text) {
    if (!support::replaceFile(path, text)) {
        fatalError(formatText("%s The name of the file is:  %s",
                              "Error in opening the R&R agents results file for writing.",
                              path.c_str()));
    }
}

}  // namespace

bool isRRStudy(const Study& study) {
    const int method = study.agent().method_used;
    return method == search::studyRobustness || method == search::studyReliability;
}

void defineRRMethod(Study& study, const LineList& lines) {
    model::BlockReader reader(lines, "Study");
    reader.name();
    study.doeSettings = doe::readRRSettings(reader);
    study.agent().data.populationSize = study.doeSettings.numRuns;
}

void startRRStudy(Study& study) {
    // The samples are handed out once and keep their parameter values.
    if (study.agent().type != search::agentReliability) {
        fatalError("A robustness or reliability study needs a study of type \"reliability and "
                   "robustness\".");
    }
    checkGoals(study);
    warnAboutVariableDistributions(study);
    sampleDesigns(study);
}

void writeRRResults(Study& study) {
    const auto runs = successfulRuns(study);
    const model::PerformanceDefinition& performance = study.performance();
    const bool reliability = study.agent().method_used == search::studyReliability;
    std::vector<std::pair<std::string, std::string>> files;  // path and text, in response order
    for (std::size_t goal = 0; goal < performance.size(); ++goal) {
        const std::optional<std::vector<double>> values = scalarValues(runs, goal);
        if (!values) continue;
        const std::string& name = performance.goals[goal].name;
        if (values->empty()) {
            writeMessage("outptr", "warning",
                         formatText("No sample of the R&R study was evaluated successfully; the "
                                    "statistics of response %s hold no samples.",
                                    name.c_str()));
        }
        std::string text = doe::rrStatisticsText(name, doe::responseStatistics(*values));
        if (reliability && performance.goals[goal].flag == model::kindConstraint &&
            !values->empty()) {
            text += reliabilitySection(study, goal, *values);
        }
        const std::string path =
            doe::rrFilePath(study.workingDirectory, study.agent().number, name);
        files.emplace_back(path, text);
    }
    std::map<std::string, std::string> byPath;  // responses of one name share a file
    for (const auto& [path, text] : files) byPath[path] += text;
    for (const auto& [path, text] : byPath) writeWholeFile(path, text);
    if (study.doeSettings.genRSMAfterStudy != "NONE" && !runs.empty()) fitSurfaces(study, runs);
}

}  // namespace varno
