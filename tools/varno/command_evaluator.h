// Runs an external command once per design, up to N at once, each in its own
// folder <workdir>/designs/<id>/. The design goes to the command's standard
// input as one JSON object; the command prints the response values by name
// as one JSON object on its standard output.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "evaluator.h"

namespace varno::tool {

struct CommandSettings {
    std::string command;
    double timeoutSeconds = 0.0;  // 0: no limit
    int parallel = 1;
    std::filesystem::path workingDirectory;
    // Relative paths in the command are taken from here (the study file's
    // folder for an [evaluator] block); the child sees it as VARNO_STUDY_DIR.
    std::filesystem::path baseDirectory = std::filesystem::current_path();
};

// The program and its arguments, split at blanks as a shell would, with
// single and double quotes and backslashes, but never run through a shell
// (write "sh -c '...'" for shell syntax). As the child runs in its design folder, a
// relative program path with a "/" and arguments naming existing files are
// made absolute against `base`.
std::vector<std::string> commandArguments(const std::string& command,
                                          const std::filesystem::path& base);

// {"id":..,"name":..,"variables":{..},"parameters":{..}}
nlohmann::json designInput(const StudyModel& model, const DesignRequest& design);

// A failed evaluation and why.
DesignResult failedDesign(std::string why);

// The response values by name from the command's output.
DesignResult readEvaluatorOutput(const std::string& output,
                                 const std::vector<StudyResponse>& responses);

class CommandEvaluator : public Evaluator {
public:
    CommandEvaluator(const StudyModel& model, CommandSettings settings);
    std::vector<DesignResult> evaluate(const std::vector<DesignRequest>& designs,
                                       const EvaluationHooks& hooks = {}) override;

private:
    const StudyModel& model_;
    CommandSettings settings_;
    std::vector<std::string> arguments_;
};

}  // namespace varno::tool
