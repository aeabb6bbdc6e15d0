#include "frame/message_log.h"

#include "frame/library_state.h"

namespace varno {

void appendToMessageLog(const std::string& text) { library().messageLog.push_back(text); }

const char* lastLogMessage() {
    const auto& log = library().messageLog;
    return log.empty() ? nullptr : log.back().c_str();
}

std::string joinedMessageLog() {
    const auto& log = library().messageLog;
    std::string joined;
    for (std::size_t i = 0; i < log.size(); ++i) {
        if (i > 0) joined += "\n\n";
        joined += log[i];
    }
    return joined;
}

void clearMessageLog() { library().messageLog.clear(); }

}  // namespace varno
