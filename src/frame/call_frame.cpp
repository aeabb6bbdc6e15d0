#include "frame/call_frame.h"

#include <exception>
#include <new>

#include "frame/fatal_error.h"
#include "frame/message_log.h"
#include "frame/text_format.h"

namespace varno {

bool lifecycleAllows(const CallRule& rule) {
    const Library& lib = library();
    if (rule.lifecycle == Lifecycle::setUp && lib.studyFinalised) {
        const char* operation = rule.operation != nullptr ? rule.operation : rule.name;
        appendToMessageLog(formatText("%s cannot be done after finalizing the study.", operation));
        return false;
    }
    if (rule.lifecycle == Lifecycle::finalised && !lib.studyFinalised) {
        appendToMessageLog(formatText("%s cannot be done before finalizing the study.", rule.name));
        return false;
    }
    return true;
}

void containFailure() noexcept {
    try {
        try {
            throw;
        } catch (const FatalError&) {
            // Already written and cleaned up by fatalError.
        } catch (const std::bad_alloc&) {
            recordFatalError("Out of memory");
        } catch (const std::exception& error) {
            recordFatalError(formatText("Internal error: %s", error.what()));
        } catch (...) {
            recordFatalError("Internal error: unknown exception");
        }
    } catch (...) {
        // Reporting failed as well (memory is exhausted); the failed state
        // below is all that can still be done.
    }
    library().libraryUsable = 0;
}

void reportNotAvailable(const char* name) {
    appendToMessageLog(formatText("%s is not available in this build.", name));
}

}  // namespace varno
