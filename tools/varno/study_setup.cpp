#include "study_setup.h"

#include <cstdlib>
#include <sstream>

#include "library.h"
#include "varno.h"

namespace varno::tool {

namespace {

using SetupCall = int (*)(const char*, const char*);

SetupCall setupCallOf(BlockKind kind) {
    switch (kind) {
        case BlockKind::parameter: return VARNO_defineNewProjectParameter;
        case BlockKind::discreteSet: return VARNO_defineNewDiscreteSet;
        case BlockKind::distribution: return VARNO_defineNewDistribution;
        case BlockKind::curve: return VARNO_defineNewCurve;
        case BlockKind::format: return VARNO_defineNewFormat;
        case BlockKind::response: return VARNO_defineNewProjectResponse;
        case BlockKind::study: return VARNO_createNewStudy;
        case BlockKind::studyData: return VARNO_defineStudyLevelData;
        case BlockKind::method: return VARNO_defineSearchMethodData;
        case BlockKind::options: return VARNO_defineStudyRuntimeOptions;
        case BlockKind::variable: return VARNO_addVariableToStudy;
        case BlockKind::factor: return VARNO_addDOEFactorToStudy;
        case BlockKind::objective:
        case BlockKind::constraint:
        case BlockKind::studyResponse: return VARNO_addResponseToStudy;
        case BlockKind::evaluator:
        case BlockKind::executor: return nullptr;
    }
    return nullptr;
}

// Blocks the library reads only after the study-level data.
bool needsStudyLevelData(BlockKind kind) {
    switch (kind) {
        case BlockKind::method:
        case BlockKind::options:
        case BlockKind::variable:
        case BlockKind::factor:
        case BlockKind::objective:
        case BlockKind::constraint:
        case BlockKind::studyResponse: return true;
        default: return false;
    }
}

// The study-level data asking the engine for batches of at least `parallel`
// designs: its nParallel raised to that number.
std::string withParallel(const std::string& text, int parallel) {
    if (parallel <= 1) return text;
    std::istringstream lines(text);
    std::string result;
    bool given = false;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("nParallel:", 0) == 0) {
            given = true;
            if (std::atoi(line.c_str() + 10) < parallel)
                line = "nParallel: " + std::to_string(parallel);
        }
        result += (result.empty() ? "" : "\n") + line;
    }
    return given ? result : result + "\nnParallel: " + std::to_string(parallel);
}

std::string definitionText(const Block& block, int parallel) {
    switch (block.kind) {
        case BlockKind::studyData: return withParallel(block.text(), parallel);
        case BlockKind::objective: return "type: objective\n" + block.text();
        case BlockKind::constraint: return "type: constraint\n" + block.text();
        case BlockKind::studyResponse: return "type: response\n" + block.text();
        default: return block.text();
    }
}

void apply(const StudyFile& file, const Block& block, int parallel) {
    const SetupCall call = setupCallOf(block.kind);
    if (call == nullptr) return;
    const std::string text = definitionText(block, parallel);
    if (call(block.name.c_str(), text.c_str()) == 1) return;
    throw StudyFileError(file.fileName, block.line,
                         std::string("[") + blockKindWord(block.kind) + " " + block.name +
                             "] was refused by the library:\n" + messageLog());
}

void applyDefaultStudyLevelData(const StudyFile& file, const Block& study, int parallel) {
    const std::string text = withParallel(defaultStudyLevelData(study.name), parallel);
    if (VARNO_defineStudyLevelData(study.name.c_str(), text.c_str()) == 1) return;
    throw StudyFileError(file.fileName, study.line,
                         "the default study-level data were refused:\n" + messageLog());
}

}  // namespace

std::string defaultStudyLevelData(const std::string& studyName) {
    return "startAgent: 0\nendAgent: 0\nfilePrefix: " + studyName +
           "\nrandomSeed: 0.5\nmode: newStudy";
}

void defineStudy(const StudyFile& file, int parallel) {
    const Block* study = file.find(BlockKind::study);
    if (study == nullptr) {
        throw StudyFileError(file.fileName, 0, "the file has no [study NAME] block");
    }
    bool levelDataGiven = file.find(BlockKind::studyData) != nullptr;
    for (const Block& block : file.blocks) {
        if (!levelDataGiven && needsStudyLevelData(block.kind)) {
            applyDefaultStudyLevelData(file, *study, parallel);
            levelDataGiven = true;
        }
        apply(file, block, parallel);
    }
    if (!levelDataGiven) applyDefaultStudyLevelData(file, *study, parallel);
    if (VARNO_finalizeStudyData() != 1) {
        throw StudyFileError(file.fileName, 0,
                             "the library refused the study when finalising it:\n" + messageLog());
    }
}

}  // namespace varno::tool
