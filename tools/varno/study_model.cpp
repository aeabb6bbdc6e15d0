#include "study_model.h"

#include <cmath>
#include <cstdlib>
#include <regex>
#include <stdexcept>

#include "number_text.h"

namespace varno::tool {

namespace {

int integerProperty(const Block* block, const std::string& key) {
    if (block == nullptr) return 0;
    const auto value = block->property(key);
    return value ? std::atoi(value->c_str()) : 0;
}

std::string textProperty(const Block& block, const std::string& key) {
    return block.property(key).value_or("");
}

// The items of the set a discrete project parameter refers to.
std::vector<std::string> discreteItems(const StudyFile& file, const std::string& variable) {
    for (const Block* parameter : file.all(BlockKind::parameter)) {
        if (parameter->name != variable) continue;
        const std::string set = textProperty(*parameter, "set");
        for (const Block* candidate : file.all(BlockKind::discreteSet)) {
            if (candidate->name == set) return candidate->list("values");
        }
    }
    return {};
}

bool isFormulaResponse(const StudyFile& file, const std::string& name) {
    for (const Block* response : file.all(BlockKind::response)) {
        if (response->name == name) return textProperty(*response, "type") == "Formula";
    }
    return false;
}

// A number of the evaluator block within [lowest, highest]; non-finite values
// are refused, so no later conversion or duration can overflow.
double boundedNumber(const Block& block, const std::string& key, const StudyFile& file,
                     double lowest, double highest) {
    const std::string where = std::string("[") + blockKindWord(block.kind) + "] ";
    const std::string text = textProperty(block, key);
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(value) || value < lowest ||
        value > highest) {
        throw StudyFileError(file.fileName, block.line,
                             where + key + ": expected a number from " +
                                 shortNumberText(lowest, 6) + " to " + shortNumberText(highest, 6) +
                                 ", got \"" + text + "\"");
    }
    return value;
}

EvaluatorSettings evaluatorSettings(const Block& block, const StudyFile& file) {
    EvaluatorSettings settings;
    settings.command = textProperty(block, "command");
    if (settings.command.empty()) {
        throw StudyFileError(file.fileName, block.line, "[evaluator] needs \"command: ...\"");
    }
    if (block.property("timeout")) {
        settings.timeoutSeconds =
            boundedNumber(block, "timeout", file, minimumTimeoutSeconds, maximumTimeoutSeconds);
    }
    if (block.property("parallel")) {
        settings.parallel = static_cast<int>(
            std::floor(boundedNumber(block, "parallel", file, 1, maximumParallelEvaluations)));
    }
    return settings;
}

// Slurm's time limits: minutes, minutes:seconds, hours:minutes:seconds,
// days-hours, days-hours:minutes, days-hours:minutes:seconds, or UNLIMITED.
bool isSlurmTime(const std::string& text) {
    static const std::regex form(
        R"(\d+(:\d+){0,2}|\d+-\d+(:\d+){0,2}|UNLIMITED|unlimited|infinite)");
    return std::regex_match(text, form);
}

// sbatch options the executor sets itself for every job.
constexpr const char* reservedOptions[] = {"--parsable", "--chdir", "-D", "--output",
                                           "-o",         "--error", "-e", "--job-name",
                                           "-J",         "--array", "-a", "--wrap"};

ExecutorSettings executorSettings(const Block& block, const StudyFile& file) {
    ExecutorSettings settings;
    auto fail = [&](const std::string& key, const std::string& why) {
        int line = block.line;
        for (const Block::Key& entry : block.keys()) {
            if (entry.key == key) line = entry.line;
        }
        throw StudyFileError(file.fileName, line, "[executor] " + key + ": " + why);
    };
    settings.partition = textProperty(block, "partition");
    settings.account = textProperty(block, "account");
    for (const auto& [key, value] :
         {std::pair{"partition", settings.partition}, std::pair{"account", settings.account}}) {
        if (value.find_first_of(" \t'\"") != std::string::npos) {
            fail(key, "a name without blanks or quotes, got \"" + value + "\"");
        }
    }
    settings.timeLimit = textProperty(block, "time");
    if (block.property("time") && !isSlurmTime(settings.timeLimit)) {
        fail("time", "expected a Slurm time limit such as 30, 2:00:00 or 1-12:00:00, got \"" +
                         settings.timeLimit + "\"");
    }
    settings.options = splitWords(textProperty(block, "options"));
    for (const std::string& option : settings.options) {
        if (option.empty() || option[0] != '-') {
            fail("options", "\"" + option + "\" is not an sbatch option (write --name=value)");
        }
        const std::string name = option.substr(0, option.find('='));
        for (const char* reserved : reservedOptions) {
            if (name == reserved) {
                fail("options", name + " is set by varno for each job and cannot be given");
            }
        }
    }
    if (block.property("poll")) {
        settings.pollSeconds =
            boundedNumber(block, "poll", file, minimumPollSeconds, maximumPollSeconds);
    }
    return settings;
}

// On Windows a backslash separates the folders of a path (C:\tools\solver.exe),
// so there it only keeps a following quote; elsewhere it keeps any character,
// as in a shell.
bool escapes(const std::string& text, std::size_t i) {
    if (text[i] != '\\' || i + 1 >= text.size()) return false;
#if defined(_WIN32)
    return text[i + 1] == '"' || text[i + 1] == '\'';
#else
    return true;
#endif
}

}  // namespace

std::vector<std::string> splitWords(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    char quote = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quote != 0) {
            if (c == quote) quote = 0;
            else if (quote == '"' && escapes(text, i)) word += text[++i];
            else word += c;
        } else if (c == '\'' || c == '"') {
            quote = c;
            inWord = true;
        } else if (escapes(text, i)) {
            word += text[++i];
            inWord = true;
        } else if (c == ' ' || c == '\t' || c == '\n') {
            if (inWord) words.push_back(std::move(word));
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (quote != 0) throw std::invalid_argument("an unclosed quote in: " + text);
    if (inWord) words.push_back(std::move(word));
    return words;
}

const std::string* StudyVariable::item(double value) const {
    // Compared as doubles first: a negative or huge value must not be cast.
    if (!(value >= 0 && value < static_cast<double>(items.size()))) return nullptr;
    return &items[static_cast<std::size_t>(value)];
}

double StudyResponse::cost(double value) const {
    if (option == "max_value" || option == "1" || option == "greater_equal") return -value;
    if (option == "min_diff" || option == "0" || option == "equal") {
        return std::fabs(value - target);
    }
    if (option == "max_diff" || option == "2") return -std::fabs(value - target);
    return value;
}

std::vector<const StudyResponse*> StudyModel::objectives() const {
    std::vector<const StudyResponse*> found;
    for (const StudyResponse& response : responses) {
        if (response.kind == BlockKind::objective) found.push_back(&response);
    }
    return found;
}

StudyModel describeStudy(const StudyFile& file) {
    StudyModel model;
    if (const Block* study = file.find(BlockKind::study)) model.studyName = study->name;
    if (const Block* method = file.find(BlockKind::method)) {
        model.method = textProperty(*method, "method");
        model.budget = integerProperty(method, "numEvals");
        if (model.budget == 0) model.budget = integerProperty(method, "numEvalsTotal");
    }
    model.nParallel = integerProperty(file.find(BlockKind::studyData), "nParallel");
    const Block* studyData = file.find(BlockKind::studyData);
    model.filePrefix = studyData != nullptr ? textProperty(*studyData, "filePrefix") : "";
    if (model.filePrefix.empty()) model.filePrefix = model.studyName;
    for (const Block& block : file.blocks) {
        if (block.kind == BlockKind::variable) {
            const bool discrete = textProperty(block, "type") == "Discrete";
            model.variables.push_back({block.name, discrete ? discreteItems(file, block.name)
                                                            : std::vector<std::string>{}});
        } else if (block.kind == BlockKind::factor) {
            model.factors.push_back(block.name);
        } else if (block.kind == BlockKind::parameter &&
                   textProperty(block, "type") == "Parameter") {
            model.parameters.push_back(block.name);
        } else if (block.kind == BlockKind::objective || block.kind == BlockKind::constraint ||
                   block.kind == BlockKind::studyResponse) {
            model.responses.push_back({block.name, block.kind, textProperty(block, "option"),
                                       std::atof(textProperty(block, "target").c_str()),
                                       isFormulaResponse(file, block.name)});
        } else if (block.kind == BlockKind::evaluator) {
            model.evaluator = evaluatorSettings(block, file);
        } else if (block.kind == BlockKind::executor) {
            try {
                model.executor = executorSettings(block, file);
            } catch (const std::invalid_argument& error) {
                throw StudyFileError(file.fileName, block.line,
                                     std::string("[executor] options: ") + error.what());
            }
        }
    }
    return model;
}

}  // namespace varno::tool
