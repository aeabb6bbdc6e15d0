// The settings of the method block that follow the method itself: output
// precision, structured initialisation, re-initialisation and the keys that
// analysis execution uses.
#include "search/method_settings.h"

#include "frame/fatal_error.h"
#include "frame/message_writer.h"
#include "frame/text_format.h"

namespace varno::search {

namespace {

constexpr int minimumPrecision = 3;
constexpr int maximumPrecision = 30;
constexpr int recommendedPrecision = 10;
constexpr std::size_t longestFolderName = 1656;

int readOutputPrecision(const model::BlockReader& reader, int current) {
    const std::optional<int> precision = reader.optionalInt("outputPrecision");
    if (!precision) return current;
    if (*precision < minimumPrecision) {
        fatalError(formatText("Error in the definition of the study results output precision. "
                              "The defined value (%d) is too small. It must be at least %d. ",
                              *precision, minimumPrecision));
    }
    if (*precision > maximumPrecision) {
        fatalError(formatText("Error in the definition of the study results output precision. "
                              "The defined value (%d) is too large. It must be smaller than %d. ",
                              *precision, maximumPrecision));
    }
    if (*precision < recommendedPrecision) {
        writeMessage("outptr", "warning",
                     formatText("The value for the study results output precision defined (%d) "
                                "is very small. This may lead to loss in precision of the data "
                                "during post processing and importing designs into other "
                                "studies. Please use a higher value (at least %d), if possible. ",
                                *precision, recommendedPrecision));
    }
    return *precision;
}

// "interval, keep percentage, keep-best flag".
ReinitializeOptions parseReinitializeOptions(const std::string& value) {
    ReinitializeOptions options;
    options.interval = intField(value, 0);
    const double percentage = doubleField(value, 1);
    options.keepBest = intField(value, 2);
    if (percentage < 0.0 || percentage > 100.0) {
        fatalError(formatText("Error in the definition of the reinitialization options. The "
                              "percentage of the population to keep (%g) must lie between 0 and "
                              "100.",
                              percentage));
    }
    if (options.keepBest != 0 && options.keepBest != 1) {
        fatalError(formatText("Error in the definition of the reinitialization options. The flag "
                              "for keeping the best design (%d) must be 0 or 1.",
                              options.keepBest));
    }
    options.keepFraction = static_cast<float>(percentage / 100.0);
    return options;
}

std::string readFolderName(const model::BlockReader& reader, const char* key) {
    const std::string folder = reader.optionalText(key).value_or("");
    if (folder.size() > longestFolderName) {
        fatalError(formatText("The folder name defined by \"%s\" is too long (%zu characters). "
                              "It must not be longer than %zu characters.",
                              key, folder.size(), longestFolderName));
    }
    return folder;
}

std::string readTerminationCondition(const model::BlockReader& reader) {
    const std::string condition = reader.optionalText("terminationCondition").value_or("");
    if (condition.find("REMOTE:") != std::string::npos) {
        fatalError(formatText("The termination condition \"%s\" names a remote location. Remote "
                              "locations are not supported for termination conditions.",
                              condition.c_str()));
    }
    return condition;
}

std::string readSaveErrorDesigns(const model::BlockReader& reader) {
    const std::string choice = reader.optionalText("saveErrorDesigns").value_or("");
    if (!choice.empty() && choice != "saveAndRename" && choice != "saveOnly" &&
        choice != "doNotSave") {
        fatalError(formatText("The value \"%s\" of \"saveErrorDesigns\" is not supported. "
                              "Allowed values are: saveAndRename, saveOnly, doNotSave.",
                              choice.c_str()));
    }
    return choice;
}

}  // namespace

void applyReinitializeOptions(Agent& agent, const std::optional<ReinitializeOptions>& options) {
    if (!options) return;
    agent.data.reinitializeInterval = options->interval;
    agent.data.reinitializeKeepFraction = options->keepFraction;
    agent.data.reinitializeKeepBest = options->keepBest;
}

void readSettingsAfterMethod(const model::BlockReader& reader, Agent& agent,
                             MethodSettings& settings) {
    ag_dta_per_proc& data = agent.data;
    data.outputPrecision = readOutputPrecision(reader, data.outputPrecision);
    settings.structuredInitialization = reader.optionalInt("structuredInitialization").value_or(0);
    // The hybrid searches always start from a structured population.
    if (!isHybridSearch(agent.method_used)) {
        data.structuredInitialization = settings.structuredInitialization;
    }
    if (const auto options = reader.optionalText("reinitializeOptions")) {
        settings.reinitialize = parseReinitializeOptions(*options);
    }
    applyReinitializeOptions(agent, settings.reinitialize);
    data.evaluationDirectory = readFolderName(reader, "evaluationDirectory");
    data.postDirectory = readFolderName(reader, "postDirectory");
    settings.terminationCondition = readTerminationCondition(reader);
    settings.saveDesigns = reader.optionalText("saveDesigns").value_or("");
    settings.evaluateInitialPopDuringInjection =
        reader.optionalInt("evaluateInitialPopDuringInjection").value_or(0);
    settings.saveErrorDesigns = readSaveErrorDesigns(reader);
    settings.visualizationFile = reader.optionalText("visualizationFile").value_or("");
}

}  // namespace varno::search
