// The message writer: every error, warning and note of the engine goes to the
// API message log and, in verbose mode, to the channels named by the caller:
// "analysis", "outptr" (the study message file), "stderr", "stdout", joined
// with "|".
#pragma once

#include <string>

namespace varno {

enum class LogPolicy { append, skip };

// Kinds: "error", "warning", "internal error", "note", "output" (each with its
// decoration), "implied" (decoration taken from "ERROR:"-style line prefixes)
// and "none".
void writeMessage(const std::string& channels, const std::string& kind, const std::string& text,
                  int analysisIndex = 0, LogPolicy policy = LogPolicy::append);

// "*ERROR\n" and the like for `kind`; empty for "none" and "implied".
std::string decorationFor(const std::string& kind);

// The text of one message as it is written to a file: decoration, line feeds
// at either end dropped, runs of line feeds collapsed, lines broken at the
// first blank past column 110, and the closing line break(s).
std::string layoutForFile(const std::string& channels, const std::string& kind,
                          const std::string& text);

// Writes `text` as it is to the study message file, when one is open.
void writeToMessageFile(const std::string& text);
void writeToStdout(const std::string& text);
void writeToStderr(const std::string& text);

}  // namespace varno
