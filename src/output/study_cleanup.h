// What the end of a study removes from the working directory. The results
// table and the report always stay.
#pragma once

#include <string>
#include <vector>

#include "output/study_file_names.h"

namespace varno::output {

struct CleanupRequest {
    StudyFileNames names;
    std::string analysisFolder;  // the agent's temporary folder ("DOE", "RandR"); may be empty
    bool deleteResults = false;  // also the Pareto, history and model files
    bool parallel = false;       // designs were evaluated in parallel
    std::vector<std::string> responseNames;  // for the model files of the responses
};

// The lock file of an agent: "<prefix><agent>.lock".
std::string lockFileName(const StudyFileNames& names);

// The names of the files in the working directory that the clean-up removes.
std::vector<std::string> filesToRemove(const CleanupRequest& request);

// Removes those files and the agent's temporary folder.
void removeStudyFiles(const CleanupRequest& request);

}  // namespace varno::output
