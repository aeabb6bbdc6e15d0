// The API message log: the texts through which the host learns why a call
// failed. Every message of the engine is appended here.
#pragma once

#include <string>

namespace varno {

void appendToMessageLog(const std::string& text);

// Newest entry, or null when the log is empty; valid until the log is cleared.
const char* lastLogMessage();

// All entries, oldest first, with a blank line between consecutive entries.
std::string joinedMessageLog();

void clearMessageLog();

}  // namespace varno
