#include "study_check.h"

#include <algorithm>

#include "nearest_word.h"

namespace varno::tool {

namespace {

using Words = std::vector<std::string>;

const Words variableKeys = {"type", "id", "resolution", "distribution", "factorType", "levels"};
const Words noWords;
const Words parameterKeys = {"type", "id",  "min",     "baseline",
                             "max",  "set", "formula", "distribution"};
const Words discreteSetKeys = {"ordered", "values"};
const Words studyDataKeys = {"startAgent", "endAgent",  "filePrefix",
                             "randomSeed", "nParallel", "mode"};
const Words evaluatorKeys = {"command", "timeout", "parallel"};
const Words executorKeys = {"partition", "account", "time", "options", "poll"};
const Words parameterTypes = {"Continuous", "Discrete", "Dependent", "Parameter", "String"};
const Words variableTypes = {"Continuous", "Discrete"};
const Words responseTypes = {"Formula", "Curve Fit", "FLD", "Filter", "RSM", "File", "API"};
const Words goalKeys = {"factor",    "option",    "target", "quadWt",  "linearWt",
                        "acceptMin", "acceptMax", "goal",   "dataType"};

// The keys the library reads from a block; empty for blocks whose keys
// depend on a method or a type and are left to the library.
const Words& knownKeys(BlockKind kind) {
    switch (kind) {
        case BlockKind::parameter: return parameterKeys;
        case BlockKind::discreteSet: return discreteSetKeys;
        case BlockKind::studyData: return studyDataKeys;
        case BlockKind::variable:
        case BlockKind::factor: return variableKeys;
        case BlockKind::objective:
        case BlockKind::constraint:
        case BlockKind::studyResponse: return goalKeys;
        case BlockKind::evaluator: return evaluatorKeys;
        case BlockKind::executor: return executorKeys;
        default: return noWords;
    }
}

// The words the `type` key of a block may take; empty when not checked here.
const Words& knownTypes(BlockKind kind) {
    switch (kind) {
        case BlockKind::parameter: return parameterTypes;
        case BlockKind::variable:
        case BlockKind::factor: return variableTypes;
        case BlockKind::response: return responseTypes;
        default: return noWords;
    }
}

std::string where(const Block& block) {
    return std::string("[") + blockKindWord(block.kind) +
           (block.name.empty() ? "" : " " + block.name) + "]";
}

bool contains(const Words& words, const std::string& word) {
    return std::find(words.begin(), words.end(), word) != words.end();
}

int lineOf(const Block& block, const std::string& key) {
    for (const Block::Key& entry : block.keys()) {
        if (entry.key == key) return entry.line;
    }
    return block.line;
}

void checkBlock(const StudyFile& file, const Block& block) {
    const Words& keys = knownKeys(block.kind);
    for (const Block::Key& entry : block.keys()) {
        if (keys.empty() || contains(keys, entry.key)) continue;
        throw StudyFileError(file.fileName, entry.line,
                             where(block) + " has no key \"" + entry.key + "\"" +
                                 didYouMean(entry.key, keys));
    }
    const Words& types = knownTypes(block.kind);
    const std::optional<std::string> type = block.property("type");
    if (!types.empty() && type && !contains(types, *type)) {
        std::string list;
        for (const std::string& word : types) list += (list.empty() ? "" : ", ") + word;
        throw StudyFileError(file.fileName, lineOf(block, "type"),
                             where(block) + " type \"" + *type + "\" is not one of " + list +
                                 didYouMean(*type, types));
    }
    const std::optional<std::string> mode = block.property("mode");
    if (block.kind == BlockKind::studyData && mode && *mode != "newStudy") {
        throw StudyFileError(file.fileName, lineOf(block, "mode"),
                             where(block) + " mode \"" + *mode +
                                 "\": varno run starts every study as newStudy; to continue an "
                                 "interrupted run give --resume");
    }
}

}  // namespace

void checkStudyFile(const StudyFile& file) {
    for (const Block& block : file.blocks) checkBlock(file, block);
}

}  // namespace varno::tool
