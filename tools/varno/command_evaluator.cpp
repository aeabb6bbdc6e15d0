#include "command_evaluator.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string_view>

#include "file_output.h"
#include "library.h"
#include "child_process.h"
#include "utf8_path.h"

namespace varno::tool {

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

// A discrete variable's value: its set item (a number when the item is one).
nlohmann::json variableValue(const StudyVariable& variable, double value) {
    const std::string* found = variable.item(value);
    if (found == nullptr) return value;
    const std::string& item = *found;
    char* end = nullptr;
    const double number = std::strtod(item.c_str(), &end);
    if (!item.empty() && *end == '\0') return number;
    return item;
}

std::string firstLine(const std::string& text) {
    const std::string line = text.substr(0, text.find('\n'));
    return line.empty() ? std::string() : ": " + line;
}

// The end of what a failed program wrote to its standard error.
std::string lastLines(const std::string& text, int count) {
    std::size_t start = text.size();
    while (start > 0 && (text[start - 1] == '\n' || text[start - 1] == '\r')) --start;
    const std::size_t end = start;
    for (int lines = 0; start > 0; --start) {
        if (text[start - 1] == '\n' && ++lines == count) break;
    }
    const std::string tail = text.substr(start, end - start);
    return tail.empty() ? std::string() : ":\n" + tail;
}

// JSON has no NaN or infinity, but many programs print them as bare words;
// they become strings here so that the response can be named as such.
constexpr std::string_view nonFiniteWords[] = {"-Infinity", "Infinity", "NaN",
                                               "-inf",      "inf",      "nan"};

bool isNonFiniteWord(const std::string& text) {
    return std::find(std::begin(nonFiniteWords), std::end(nonFiniteWords), text) !=
           std::end(nonFiniteWords);
}

std::string quoteNonFiniteWords(const std::string& output) {
    const auto& words = nonFiniteWords;
    std::string quoted;
    bool inString = false;
    for (std::size_t i = 0; i < output.size(); ++i) {
        const char c = output[i];
        if (c == '"' && (i == 0 || output[i - 1] != '\\')) inString = !inString;
        const auto word = std::find_if(std::begin(words), std::end(words), [&](auto w) {
            return !inString && output.compare(i, w.size(), w) == 0;
        });
        if (word == std::end(words)) {
            quoted += c;
            continue;
        }
        quoted += "\"" + std::string(*word) + "\"";
        i += word->size() - 1;
    }
    return quoted;
}

nlohmann::json parseObject(const std::string& text) {
    const std::string output = quoteNonFiniteWords(text);
    nlohmann::json parsed = nlohmann::json::parse(output, nullptr, false);
    if (parsed.is_object()) return parsed;
    // Tolerate chatter before the result: take the last line that parses.
    std::istringstream lines(output);
    std::string line;
    nlohmann::json last;
    while (std::getline(lines, line)) {
        nlohmann::json candidate = nlohmann::json::parse(line, nullptr, false);
        if (candidate.is_object()) last = std::move(candidate);
    }
    return last;
}

struct Job {
    std::size_t index = 0;
    fs::path folder;
    std::unique_ptr<Process> process;
    Clock::time_point started = Clock::now();
    Clock::time_point deadline = Clock::time_point::max();
    bool timedOut = false;
};

}  // namespace

std::vector<std::string> commandArguments(const std::string& command, const fs::path& base) {
    std::vector<std::string> words;
    try {
        words = splitWords(command);
    } catch (const std::invalid_argument&) {
        throw RunError("the evaluator command has an unclosed quote: " + command);
    }
    for (std::size_t k = 0; k < words.size(); ++k) {
        const fs::path path = utf8Path(words[k]);
        std::error_code ignored;
        const bool program = k == 0;
        if (path.is_relative() && ((program && path.has_parent_path()) ||
                                   (!program && fs::is_regular_file(base / path, ignored)))) {
            words[k] = utf8Text((base / path).lexically_normal());
        }
    }
    return words;
}

nlohmann::json designInput(const StudyModel& model, const DesignRequest& design) {
    nlohmann::json variables = nlohmann::json::object(), parameters = nlohmann::json::object();
    const std::size_t n = model.variables.size();
    for (std::size_t i = 0; i < n && i < design.values.size(); ++i) {
        variables[model.variables[i].name] = variableValue(model.variables[i], design.values[i]);
    }
    for (std::size_t j = 0; j < model.parameters.size() && n + j < design.values.size(); ++j) {
        parameters[model.parameters[j]] = design.values[n + j];
    }
    return {{"id", design.id},
            {"name", design.name},
            {"variables", variables},
            {"parameters", parameters}};
}

DesignResult failedDesign(std::string why) {
    DesignResult result;
    result.failed = true;
    result.error = std::move(why);
    return result;
}

DesignResult readEvaluatorOutput(const std::string& output,
                                 const std::vector<StudyResponse>& responses) {
    const nlohmann::json parsed = parseObject(output);
    if (!parsed.is_object())
        return failedDesign("the output is not a JSON object" + firstLine(output));
    DesignResult result;
    for (const StudyResponse& response : responses) {
        if (response.formula) {
            result.responses.push_back(0.0);  // filled in once the evaluator has answered
            continue;
        }
        const auto value = parsed.find(response.name);
        if (value == parsed.end()) {
            return failedDesign("the response \"" + response.name + "\" is missing");
        }
        if (value->is_string() && isNonFiniteWord(value->get<std::string>())) {
            const std::string word = value->get<std::string>();
            return failedDesign("the response \"" + response.name + "\" is " +
                                (word == "NaN" || word == "nan" ? "NaN" : "infinite") +
                                ", not a finite number");
        }
        if (!value->is_number()) {
            return failedDesign("the response \"" + response.name + "\" is not a number");
        }
        result.responses.push_back(value->get<double>());
    }
    return result;
}

CommandEvaluator::CommandEvaluator(const StudyModel& model, CommandSettings settings)
    : model_(model), settings_(std::move(settings)),
      arguments_(commandArguments(settings_.command, settings_.baseDirectory)) {
    settings_.parallel = std::max(1, settings_.parallel);
}

std::vector<DesignResult> CommandEvaluator::evaluate(const std::vector<DesignRequest>& designs,
                                                     const EvaluationHooks& hooks) {
    std::vector<DesignResult> results(designs.size());
    std::vector<Job> running;
    const Clock::time_point began = Clock::now();
    const auto limit = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(settings_.timeoutSeconds));

    auto start = [&](std::size_t index) {
        Job job;
        job.index = index;
        job.folder = settings_.workingDirectory / "designs" / std::to_string(designs[index].id);
        const std::string input = designInput(model_, designs[index]).dump() + "\n";
        try {
            fs::create_directories(job.folder);
            writeFileReplacing(job.folder / "stdin.json", input);
            const ProcessSpec spec{arguments_,
                                   utf8Text(job.folder),
                                   input,
                                   {{"VARNO_STUDY_DIR", utf8Text(settings_.baseDirectory)}}};
            job.process = std::make_unique<Process>(spec);
        } catch (const std::exception& error) {
            results[index] = failedDesign(error.what());
            if (hooks.finished) hooks.finished(index, results[index]);
            return;
        }
        if (settings_.timeoutSeconds > 0) job.deadline = Clock::now() + limit;
        running.push_back(std::move(job));
    };

    auto finish = [&](Job& job) {
        const Process& process = *job.process;
        writeFileReplacing(job.folder / "stdout.txt", process.output());
        writeFileReplacing(job.folder / "stderr.txt", process.errors());
        DesignResult& result = results[job.index];
        if (job.timedOut) {
            std::ostringstream text;
            text << "timed out after " << settings_.timeoutSeconds << " s";
            result = failedDesign(text.str());
        } else if (process.exitCode() != 0) {
            result = failedDesign(process.exitCode() < 0
                                      ? "ended by a signal"
                                      : "exited with status " + std::to_string(process.exitCode()) +
                                            lastLines(process.errors(), 20));
        } else {
            result = readEvaluatorOutput(process.output(), model_.responses);
        }
        result.seconds = std::chrono::duration<double>(Clock::now() - job.started).count();
        result.queueSeconds = std::chrono::duration<double>(job.started - began).count();
        if (hooks.finished) hooks.finished(job.index, result);
    };
    auto stopping = [&] { return hooks.stopRequested && hooks.stopRequested(); };

    std::size_t next = 0;
    while (next < designs.size() || !running.empty()) {
        if (stopping()) {
            // Designs still running are ended; neither they nor the ones not
            // started count as evaluated.
            for (Job& job : running) job.process->kill();
            for (Job& job : running) results[job.index].interrupted = true;
            for (std::size_t k = next; k < designs.size(); ++k) results[k].interrupted = true;
            break;
        }
        while (running.size() < static_cast<std::size_t>(settings_.parallel) &&
               next < designs.size()) {
            start(next++);
        }
        if (running.empty()) continue;
        std::vector<Process*> processes;
        auto nearest = Clock::now() + std::chrono::seconds(1);
        for (Job& job : running) {
            processes.push_back(job.process.get());
            nearest = std::min(nearest, job.deadline);
        }
        pumpProcesses(processes, std::chrono::duration_cast<std::chrono::milliseconds>(
                                     nearest - Clock::now()));
        const auto now = Clock::now();
        std::erase_if(running, [&](Job& job) {
            if (!job.process->finished()) {
                if (now < job.deadline) return false;
                job.process->kill();
                job.timedOut = true;
            }
            finish(job);
            return true;
        });
    }
    return results;
}

}  // namespace varno::tool
