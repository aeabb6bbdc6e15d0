#include "frame/fatal_error.h"

#include "frame/library_state.h"
#include "frame/message_writer.h"
#include "frame/text_format.h"
#include "support/clock.h"
#include "support/com_session.h"

namespace varno {

void recordFatalError(const std::string& text) {
    if (StudyCore* study = currentStudyCore()) study->runStatus = "Error";
    writeMessage("outptr", "error", text);
    writeMessage("outptr|stderr", "none", "Run exiting due to an error");
    cleanupAfterError();
}

void fatalError(const std::string& text) {
    recordFatalError(text);
    throw FatalError(text);
}

void writeEndOfRunInformation() {
    const unsigned seconds = static_cast<unsigned>(support::processorMillis() / 1000);
    const std::string information = "************END OF RUN INFORMATION************" +
                                    formatText("\nElapsed time: %u seconds", seconds) +
                                    "\nCurrent time: " + support::localTimeText();
    writeMessage("outptr", "note", information, 0, LogPolicy::skip);
    writeToStdout("\n\n\tEnd of VARNO run.\n");
    writeMessage("outptr", "note", "End of VARNO run.", 0, LogPolicy::skip);
    if (StudyCore* study = currentStudyCore()) study->writeEndOfRunFiles();
}

void cleanupAfterError() {
    if (StudyCore* study = currentStudyCore()) {
        study->analysis.reset();
        writeEndOfRunInformation();
        if (study->messageFile) study->messageFile->close();
    }
    Library& lib = library();
    if (lib.comInitialised) {
        support::releaseCom();
        lib.comInitialised = false;
    }
}

}  // namespace varno
