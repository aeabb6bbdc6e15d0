#include "output/study_cleanup.h"

#include "frame/text_format.h"
#include "support/file_io.h"

namespace varno::output {

namespace {

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Surrogate model and error files: "<response>-<kind>-<agent>.mdl" / ".err".
void addModelFiles(const CleanupRequest& request, std::vector<std::string>& names) {
    const std::string directory = request.names.directory;
    for (const std::string& response : request.responseNames) {
        for (const std::string& name :
             support::filesStartingWith(directory, safeFileNamePart(response) + "-")) {
            const std::string agentEnd = formatText("-%d", request.names.agent);
            if (endsWith(name, agentEnd + ".mdl") || endsWith(name, agentEnd + ".err")) {
                names.push_back(name);
            }
        }
    }
}

}  // namespace

std::string lockFileName(const StudyFileNames& names) {
    return studyFileName(names, ".lock", false);
}

std::vector<std::string> filesToRemove(const CleanupRequest& request) {
    const StudyFileNames& names = request.names;
    std::vector<std::string> files;
    for (const char* extension : {".gph", ".plot", ".dat"}) {
        files.push_back(studyFileName(names, extension, true));
    }
    // History and checkpoints serve a study that ended without reaching its
    // end (a crash); one that reached it has no use for them.
    for (const char* extension : {".ckp", ".mem", ".hst"}) {
        files.push_back(studyFileName(names, extension, false));
    }
    if (request.deleteResults) {
        files.push_back(studyFileName(names, ".pto", true));
        addModelFiles(request, files);
    }
    if (request.parallel) {
        files.emplace_back("check_status_junk");
        for (const std::string& name :
             support::filesStartingWith(names.directory, "check_output_")) {
            files.push_back(name);
        }
    }
    return files;
}

void removeStudyFiles(const CleanupRequest& request) {
    if (!request.analysisFolder.empty()) {
        support::removeFolder(support::joinPath(request.names.directory, request.analysisFolder));
    }
    for (const std::string& name : filesToRemove(request)) {
        support::removeFile(support::joinPath(request.names.directory, name));
    }
}

}  // namespace varno::output
