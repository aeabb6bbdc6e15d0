#include "library.h"

#include "varno.h"

namespace varno::tool {

std::string messageLog() {
    char* log = VARNO_getMessageLog();
    std::string text = log == nullptr ? std::string() : std::string(log);
    VARNO_freePtr(log);
    return text;
}

LibraryStudy::LibraryStudy(const std::string& workingDirectory) {
    const std::string options = "workingDirectory: " + workingDirectory;
    if (VARNO_initializeStudySetup(options.c_str()) != 1) {
        const std::string log = messageLog();
        VARNO_endStudy();
        throw RunError("the library could not start a study in \"" + workingDirectory + "\":\n" +
                       log);
    }
}

LibraryStudy::~LibraryStudy() { VARNO_endStudy(); }

DesignSet::DesignSet() { count_ = VARNO_getNextSetOfDesignsFromStudy(&ids_, &values_); }

DesignSet::~DesignSet() {
    VARNO_freePtr(ids_);
    VARNO_freePtr(values_);
}

}  // namespace varno::tool
