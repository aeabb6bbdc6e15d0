// Exported calls of the frame: initialisation, the message log, releasing
// blocks, the build number and the end of a study.
#include "varno.h"

#include "frame/call_frame.h"
#include "frame/message_log.h"
#include "study/study_lifecycle.h"
#include "frame/tracked_allocator.h"

using namespace varno;

extern "C" {

int VARNO_getBuildNumber(void) { return buildNumber; }

int VARNO_initializeStudySetup(const char* options) {
    library().libraryUsable = 1;
    const CallRule rule{"VARNO_initializeStudySetup", Lifecycle::any};
    return runTrapped(rule, 0, [&] { return initializeStudy(options); });
}

const char* VARNO_getLastMessage(void) {
    return runGuarded<const char*>(nullptr, [] { return lastLogMessage(); });
}

char* VARNO_getMessageLog(void) {
    return runGuarded<char*>(nullptr, []() -> char* {
        if (library().messageLog.empty()) return nullptr;
        return fstrdup(joinedMessageLog().c_str(), "cmbMsgLog");
    });
}

void VARNO_clearMessageLog(void) {
    runGuarded(0, [] {
        clearMessageLog();
        return 0;
    });
}

void VARNO_freePtr(void* block) {
    runGuarded(0, [&] {
        ffree(block);
        return 0;
    });
}

void VARNO_freePtrArrayData(void** blocks, int n) {
    runGuarded(0, [&] {
        if (blocks == nullptr) return 0;
        for (int i = 0; i < n; ++i) ffree(blocks[i]);
        ffree(blocks);
        return 0;
    });
}

int VARNO_isStudyComplete(void) {
    return runGuarded(0, [] { return library().studyComplete; });
}

int VARNO_endStudy(void) {
    return runGuarded(0, [] { return endStudy(); });
}

}  // extern "C"
