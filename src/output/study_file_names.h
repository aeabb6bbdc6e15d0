// Names of the files a study leaves in its working directory: the working
// directory, the file prefix, "_post" in the design-file run modes, the agent
// number and the extension.
#pragma once

#include <string>

namespace varno::output {

struct StudyFileNames {
    std::string directory;
    std::string prefix;  // as the host gave it; made safe when a name is built
    int agent = 0;
    bool postNames = false;  // run modes that write or run design files
};

// A user-given part of a file name made safe: path separators, ".." and
// control characters become "_".
std::string safeFileNamePart(const std::string& part);

// W/P<N><extension> (P_post<N> with post names); `extension` starts with ".".
std::string studyFilePath(const StudyFileNames& names, const std::string& extension, bool postName);

// The same file name without the folder.
std::string studyFileName(const StudyFileNames& names, const std::string& extension, bool postName);

// Fatal, naming the path, when it is longer than the platform allows.
void checkPathLength(const std::string& path);

}  // namespace varno::output
