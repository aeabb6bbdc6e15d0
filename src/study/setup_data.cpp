// The study-creation call's agent assembly, the study-level data and the
// runtime options.
#include "study/setup_data.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <iterator>

#include "frame/fatal_error.h"
#include "frame/message_writer.h"
#include "frame/text_format.h"
#include "frame/tracked_allocator.h"
#include "model/block_reader.h"

namespace varno {

namespace {

// Through the exported interface a study always has exactly one agent.
constexpr int agentCount = 1;

constexpr const char* assemblyText =
    "id: 0\nname: Search_1\ngroup: Study_1\nrepresentation: 0\nperformance: 0\nprocess: 0\n"
    "neighbors: 0";

struct AgentTypeWord {
    const char* word;
    search::AgentType code;
};

constexpr AgentTypeWord agentTypeWords[] = {
    {"optimization", search::agentOptimization},
    {"doe", search::agentDoe},
    {"reliability and robustness", search::agentReliability},
    {"evaluation", search::agentEvaluation},
};

search::AgentType agentTypeCode(const std::string& word) {
    for (const AgentTypeWord& entry : agentTypeWords) {
        if (word == entry.word) return entry.code;
    }
    writeMessage("outptr", "error",
                 formatText("Unsupported agent type specified (%s). Allowed types are: "
                            "optimization, doe, reliability and robustness, evaluation",
                            word.c_str()));
    fatalError("Setup error");
}

search::Agent readAssembly(const LineList& lines) {
    model::BlockReader reader(lines, "Study agent assembly data");
    search::Agent agent;
    agent.number = reader.requiredInt("id");
    agent.name = reader.name();
    agent.group = reader.requiredText("group");
    agent.representationNumber = reader.requiredInt("representation");
    agent.performanceNumber = reader.requiredInt("performance");
    agent.processNumber = reader.requiredInt("process");
    agent.neighborCount = reader.requiredInt("neighbors");
    agent.type = agentTypeCode(reader.requiredText("type"));
    agent.data.agentNumber = agent.number;
    return agent;
}

// The study-level values every agent of the range carries.
void applyStudyLevelToAgent(StudySetup& setup) {
    if (!setup.agent) return;
    setup.agent->modeCode = setup.study.modeCode;
    setup.agent->MAX_ALLOWED_EVALS = setup.study.nParallel;
}

void checkStartAgent(int start) {
    if (start < 0) {
        fatalError(formatText("Illegal value for starting agent number (%d) defined in the study "
                              "file. Must be greater than or equal to zero.",
                              start));
    }
}

void checkEndAgent(int start, int end) {
    if (end < 0 || end > agentCount - 1) {
        fatalError(formatText("Illegal value for ending agent number (%d) defined in the study "
                              "file. Must be greater than 0 and <= %d.",
                              end, agentCount - 1));
    }
    if (end < start) {
        fatalError(formatText("The ending agent number (%d) defined in the study file must be "
                              "greater than starting agent (%d).",
                              end, start));
    }
}

float readRandomSeed(const model::BlockReader& reader) {
    const double seed = reader.requiredDouble("randomSeed");
    if (seed < 0.0 || seed > 1.0) {
        fatalError(formatText("When reading \"%s\" input for \"%s\" of type \"%s\" from file "
                              "\"%s\", the value read (%g) is outside the expected range [%g, "
                              "%g]",
                              "randomSeed", reader.objectName().c_str(), reader.typeLabel().c_str(),
                              apiSource, seed, 0.0, 1.0));
    }
    return static_cast<float>(seed);
}

struct RunModeEntry {
    const char* word;
    search::RunMode code;
    bool resume;
    bool retrace;
    bool extend;
    bool checkSetup;
    bool noEvaluation;
};

constexpr RunModeEntry runModes[] = {
    {"resume", search::modeResume, true, false, false, false, false},
    {"retraceResume", search::modeRetraceResume, true, true, false, false, false},
    {"extend", search::modeExtend, false, false, true, false, false},
    {"checkSetup", search::modeCheckSetup, false, false, false, true, false},
    {"runDesignFiles", search::modeRunDesignFiles, false, false, false, false, false},
    {"writeDesignFiles", search::modeWriteDesignFiles, false, false, false, false, true},
    {"noEvaluations", search::modeNoEvaluations, false, false, false, false, true},
};

// A new study after a resuming mode stays a resumed study. A word outside
// the table leaves the mode as it was. Flags of earlier modes stay set.
void applyRunMode(StudyLevelData& study, const std::string& word) {
    if (word == "newStudy") {
        if (study.resume) {
            writeMessage("outptr", "warning",
                         "Since the \"useHistory\" command line option was specified, the study "
                         "will be treated as a resumed study instead of a new study.");
            return;
        }
        study.modeCode = search::modeNewStudy;
        return;
    }
    const auto entry = std::find_if(std::begin(runModes), std::end(runModes),
                                    [&](const RunModeEntry& e) { return word == e.word; });
    if (entry == std::end(runModes)) return;
    study.modeCode = entry->code;
    study.resume = study.resume || entry->resume;
    study.retrace = study.retrace || entry->retrace;
    study.extend = study.extend || entry->extend;
    study.checkSetup = study.checkSetup || entry->checkSetup;
    study.noEvaluation = study.noEvaluation || entry->noEvaluation;
}

// --- runtime options ---------------------------------------------------------

// The value of `key` with booleans mapped, or nothing when the key is absent.
std::optional<std::string> optionValue(const LineList& lines, const std::string& key) {
    std::string ignored;
    const Property property = findProperty(lines, key, 1, true, ignored);
    if (property.line == 0) return std::nullopt;
    return property.value;
}

// A leading decimal integer as atoi reads it (0 when there is none); values
// beyond the int range saturate instead of being undefined.
int atoiValue(const std::string& text) {
    const long value = std::strtol(text.c_str(), nullptr, 10);
    return static_cast<int>(std::clamp<long>(value, INT_MIN, INT_MAX));
}

struct IntOption {
    const char* key;
    int RuntimeOptions::*member;
};

constexpr IntOption plainIntOptions[] = {
    {"outputMigrationData", &RuntimeOptions::outputMigrationData},
    {"turnOffHashing", &RuntimeOptions::turnOffHashing},
    {"reevaluateDesigns", &RuntimeOptions::reevaluateDesigns},
    {"suppressOutputFiles", &RuntimeOptions::suppressOutputFiles},
    {"captureOutput", &RuntimeOptions::captureOutput},
    {"overwriteResults", &RuntimeOptions::overwriteResults},
    {"turnOnMemManagement", &RuntimeOptions::turnOnMemManagement},
    {"baselineIsAGoodDesign", &RuntimeOptions::baselineIsAGoodDesign},
    {"disableHistory", &RuntimeOptions::disableHistory},
    {"verbose", &RuntimeOptions::verbose},
    {"reevaluateErrorDesigns", &RuntimeOptions::reevaluateErrorDesigns},
    {"dontStopOnDesignErrors", &RuntimeOptions::dontStopOnDesignErrors},
    {"readDesignResultsFromDisk", &RuntimeOptions::readDesignResultsFromDisk},
    {"scriptingVerboseMode", &RuntimeOptions::scriptingVerboseMode},
    {"saveHistoryForEachEval", &RuntimeOptions::saveHistoryForEachEval},
    // Read after outputMigrationData, into the same setting.
    {"structedInitialization", &RuntimeOptions::outputMigrationData},
};

void readSpecialOptions(const LineList& lines, RuntimeOptions& options, bool firstRead) {
    const auto tcsh = optionValue(lines, "usingTcsh");
    if (tcsh && options.captureOutput != 0 && atoiValue(*tcsh) == 1) options.captureOutput = 2;
    const auto baseline = optionValue(lines, "useBaseline");
    if (baseline && firstRead) options.useBaseline = atoiValue(*baseline);
    const auto threads = optionValue(lines, "maxThreads");
    if (threads && !threads->empty() && isNumberSyntax(*threads)) {
        options.maxThreads = atoiValue(*threads);
    }
    const auto contribution = optionValue(lines, "newpopFitnessContribution");
    if (contribution) {
        options.newpopFitnessContribution = {doubleField(*contribution, 0),
                                             doubleField(*contribution, 1)};
    }
}

}  // namespace

void createNewStudy(StudySetup& setup, const LineList& lines) {
    std::string ignored;
    const Property type = findProperty(lines, "type", 1, true, ignored);
    const std::string text = type.line != 0
                                 ? formatText("%s\ntype: %s", assemblyText, type.value.c_str())
                                 : formatText("%s\ntype: optimization", assemblyText);
    setup.agent = readAssembly(splitLines(text.c_str()));
    setup.method = search::MethodSettings{};
    applyStudyLevelToAgent(setup);
    checkAssembly(setup);
}

search::MethodScope methodScope(const StudySetup& setup) {
    return {setup.study.name, setup.study.extend};
}

void checkAssembly(const StudySetup& setup) {
    if (!setup.agent) fatalError(formatText("Agent %d is not defined in Assembly.in file.", 0));
    const search::Agent& agent = *setup.agent;
    if (agent.representationNumber == search::UNSET_RECORD) {
        fatalError(formatText("Agent %d is not defined or the representation id for agent %d is "
                              "not defined in the Assembly.in file.",
                              agent.number, agent.number));
    }
    if (agent.number == 0 && agent.type < 0) {
        fatalError("Agent zero has not been defined for the study");
    }
}

void defineStudyLevelData(StudySetup& setup, const LineList& lines) {
    model::BlockReader reader(lines, "Study", "Name not defined yet");
    StudyLevelData& study = setup.study;
    study.text = joinLines(lines, '\n');
    study.name = reader.name();
    study.startAgent = reader.requiredInt("startAgent");
    checkStartAgent(study.startAgent);
    study.endAgent = reader.requiredInt("endAgent");
    checkEndAgent(study.startAgent, study.endAgent);
    study.filePrefix = reader.requiredText("filePrefix");
    study.randomSeed = readRandomSeed(reader);
    study.nParallel = reader.optionalInt("nParallel").value_or(1);
    study.parallel = study.nParallel > 1;
    applyRunMode(study, reader.requiredText("mode"));
    study.defined = true;
    applyStudyLevelToAgent(setup);
}

void defineRuntimeOptions(StudySetup& setup, const LineList& lines) {
    RuntimeOptions& options = setup.options;
    for (const IntOption& option : plainIntOptions) {
        const auto value = optionValue(lines, option.key);
        if (value) options.*option.member = atoiValue(*value);
    }
    const auto history = optionValue(lines, "disableHistory");
    if (history) options.historyRequested = atoiValue(*history) == 0;
    readSpecialOptions(lines, options, !setup.runtimeOptionsRead);
    setup.runtimeOptionsRead = true;
    // Tracking is only ever switched off here: blocks allocated while it was
    // off could not be matched if it came back on.
    if (options.turnOnMemManagement == 0) setAllocationTracking(false);
}

}  // namespace varno
