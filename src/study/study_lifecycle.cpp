#include "study/study_lifecycle.h"

#include "frame/definition_text.h"
#include "frame/fatal_error.h"
#include "study/result_file_calls.h"
#include "study/study.h"
#include "study/study_history.h"
#include "frame/message_log.h"
#include "frame/message_writer.h"
#include "frame/text_format.h"
#include "frame/tracked_allocator.h"
#include "support/clock.h"
#include "support/com_session.h"
#include "support/file_io.h"
#include "support/platform.h"

namespace varno {

namespace {

constexpr std::size_t maxWorkingDirectoryLength = 258;
constexpr std::size_t maxPathBytes = 2055;
constexpr int versionYear = 2019;
constexpr int versionRelease = 1;

void resetStudyState() {
    Library& lib = library();
    lib.studyComplete = 0;
    lib.designSetPending = 0;
    lib.study = std::make_unique<Study>();
    clearMessageLog();
    lib.studyFinalised = 0;
    lib.studyInitialised = 1;
    setAllocationTracking(true);
}

void readDeleteResults(const LineList& options) {
    int value = 0;
    std::string error;
    if (readInt(options, "deleteResults", value, error)) library().deleteResults = value;
}

std::string chooseWorkingDirectory(const LineList& options) {
    std::string error;
    const Property property = findProperty(options, "workingDirectory", 1, false, error);
    if (property.line != 0) return property.value;
    std::string directory;
    if (!support::currentDirectory(directory)) {
        writeToStdout("\n*** Couldn't get cwd\n");
        return std::string();
    }
    if (directory.size() > maxPathBytes) directory.resize(maxPathBytes);
    return directory;
}

// A path this long would overflow the file names built from it later.
bool workingDirectoryTooLong(const std::string& directory) {
    if (directory.size() < maxWorkingDirectoryLength) return false;
    appendToMessageLog("\nError. Working directory name is too long.");
    appendToMessageLog("\nShorten the path of the VARNO working directory");
    appendToMessageLog(formatText("\nto be less than %d characters.",
                                  static_cast<int>(maxWorkingDirectoryLength)));
    return true;
}

void createAnalysisEnvironment(Study& study) {
    std::string root;
    if (!support::environmentVariable("VARNO_ROOT", root))
        fatalError("The required environment variable VARNO_ROOT is not set.");
    if (!library().comInitialised) library().comInitialised = support::initializeCom();
    study.analysis = support::AnalysisEnvironment::create(root, study.workingDirectory);
    if (!study.analysis) fatalError("environment setup error");
}

bool openMessageFile(Study& study) {
    const std::string path = support::joinPath(study.workingDirectory, "Solver_msg.log");
    study.messageFile = std::make_unique<support::FileWriter>(path, false);
    if (study.messageFile->is_open()) return true;
    study.messageFile.reset();
    appendToMessageLog(
        formatText("The working directory specified \"%s\" is invalid or not writable.",
                   study.workingDirectory.c_str()));
    return false;
}

void releaseStudy() {
    Library& lib = library();
    lib.study.reset();
    if (lib.comInitialised) {
        support::releaseCom();
        lib.comInitialised = false;
    }
}

}  // namespace

int initializeStudy(const char* options) {
    resetStudyState();
    Study& study = *currentStudy();
    study.versionText = formatText("%4d.%02d", versionYear, versionRelease);
    study.versionNumber = versionYear * 100 + versionRelease;
    study.output.startTime = support::localTimeText();
    study.output.startSeconds = support::wallClockSeconds();

    const LineList optionLines = splitLines(options);
    readDeleteResults(optionLines);
    study.workingDirectory = chooseWorkingDirectory(optionLines);
    if (workingDirectoryTooLong(study.workingDirectory)) return 0;

    createAnalysisEnvironment(study);
    if (!openMessageFile(study)) return 0;
    writeToMessageFile(formatText("Starting the %s study.\n", study.libraryName.c_str()));
    return 1;
}

int endStudy() {
    Library& lib = library();
    if (!lib.studyInitialised) return 0;
    Study* study = currentStudy();
    if (study != nullptr) {
        if (!lib.studyComplete && study->runStatus != "Error") study->runStatus = "Cancelled";
        writeEndOfRunInformation();
        removeHistoryFiles(*study);
    }
    lib.studyComplete = 1;
    if (study != nullptr) removeEndOfStudyFiles(*study, lib.studyFinalised && lib.deleteResults);
    if (study != nullptr && study->messageFile) {
        study->messageFile->close();
        support::removeFile(support::joinPath(study->workingDirectory, "Solver_msg.log"));
    }
    clearMessageLog();
    releaseStudy();
    lib.studyFinalised = 0;
    lib.studyInitialised = 0;
    lib.libraryUsable = 0;
    return 1;
}

}  // namespace varno
