#include "doe/robust_design_array.h"

#include <algorithm>

#include "frame/fatal_error.h"
#include "frame/text_format.h"
#include "model/block_reader.h"

namespace varno::doe {

namespace {

bool isNameLine(const std::string& line) { return line.rfind("name:", 0) == 0; }

bool crossableKind(int kind) {
    return kind == kindFullFactorial2 || kind == kindFractionalFactorial2 ||
           kind == kindFullFactorial3 || kind == kindFractionalFactorial3 ||
           kind == kindOrthogonalArray;
}

DoeSettings readPart(const LineList& lines, const std::string& kindKey) {
    model::BlockReader reader(lines, "Study");
    reader.name();
    DoeSettings settings = readDoeSettings(reader, kindKey);
    if (!crossableKind(settings.kind)) {
        fatalError("Unknown type of DOE defined in the *CONTROL_DOE keyword.");
    }
    return settings;
}

// The representation as one of the two arrays sees it: its own factors only.
model::Representation factorsOnly(const model::Representation& variables,
                                  const std::vector<int>& factors) {
    model::Representation part = variables;
    part.doe_factor_map = factors;
    part.doe_control_factor_map.clear();
    part.doe_noise_factor_map.clear();
    return part;
}

void checkFactorCounts(const model::Representation& variables, int agentNumber) {
    if (variables.doe_control_factor_map.size() < 2) {
        fatalError(formatText("At least TWO control factors need to be defined for using the "
                              "taguchi Robust DOE study in agent # %d.",
                              agentNumber));
    }
    if (variables.doe_noise_factor_map.empty()) {
        fatalError(formatText("\n\t At least ONE noise factors need to be defined for using the "
                              "taguchi Robust DOE study in agent # %d.",
                              agentNumber));
    }
}

std::vector<std::size_t> positionsOf(const model::Representation& variables,
                                     const std::vector<int>& ids) {
    std::vector<std::size_t> positions;
    for (std::size_t i = 0; i < variables.data.size(); ++i) {
        if (std::find(ids.begin(), ids.end(), variables.data[i].id) != ids.end()) {
            positions.push_back(i);
        }
    }
    return positions;
}

// The values of every run of a table (repeated designs repeated).
std::vector<std::vector<double>> runValues(const DoeTable& table, const DoeSettings& settings,
                                           const model::Representation& variables) {
    const DoeRuns runs = doeRunValues(table, settings, variables);
    std::vector<std::vector<double>> values;
    for (int design : runs.runToDesign) {
        values.push_back(runs.designValues[static_cast<std::size_t>(design)]);
    }
    return values;
}

}  // namespace

RobustDesignSettings readRobustDesignSettings(const LineList& lines) {
    const auto noiseStart = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
        return line.rfind("noiseSampleMethod", 0) == 0;
    });
    LineList inner, outer;
    for (auto it = lines.begin(); it != lines.end(); ++it) {
        if (isNameLine(*it)) {
            inner.push_back(*it);
            outer.push_back(*it);
        } else {
            (it < noiseStart ? inner : outer).push_back(*it);
        }
    }
    RobustDesignSettings settings;
    settings.control = readPart(inner, "controlSampleMethod");
    settings.noise = readPart(outer, "noiseSampleMethod");
    return settings;
}

CrossedArray crossControlAndNoise(const RobustDesignSettings& settings, const DoeContext& context) {
    const model::Representation& variables = context.variables;
    checkFactorCounts(variables, context.agentNumber);
    const model::Representation control = factorsOnly(variables, variables.doe_control_factor_map);
    const model::Representation noise = factorsOnly(variables, variables.doe_noise_factor_map);
    const DoeContext controlContext{control, context.agentNumber, context.random,
                                    context.studyFolder};
    const DoeContext noiseContext{noise, context.agentNumber, context.random, context.studyFolder};
    checkDoeFactors(settings.control, controlContext);
    checkDoeFactors(settings.noise, noiseContext);
    const std::int64_t total = plannedRuns(settings.control) * plannedRuns(settings.noise);
    if (total > maximumDesignsPerStudy) {
        fatalError(formatText("The DOE array of the study has %lld runs, more than the limit of "
                              "%d designs per study.",
                              static_cast<long long>(total), maximumDesignsPerStudy));
    }
    CrossedArray crossed{buildDoeTable(settings.control, controlContext), {}, 0};
    const DoeTable outer = buildDoeTable(settings.noise, noiseContext);
    const auto controlValues = runValues(crossed.inner, settings.control, control);
    const auto noiseValues = runValues(outer, settings.noise, noise);
    const std::vector<std::size_t> noisePositions =
        positionsOf(variables, variables.doe_noise_factor_map);
    crossed.noiseRuns = static_cast<int>(noiseValues.size());
    for (const std::vector<double>& inner : controlValues) {
        for (const std::vector<double>& outerRun : noiseValues) {
            std::vector<double> values = inner;
            for (std::size_t p : noisePositions) values[p] = outerRun[p];
            crossed.runs.runToDesign.push_back(static_cast<int>(crossed.runs.designValues.size()));
            crossed.runs.designValues.push_back(std::move(values));
        }
    }
    return crossed;
}

}  // namespace varno::doe
