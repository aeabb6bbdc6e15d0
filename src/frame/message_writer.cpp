#include "frame/message_writer.h"

#include <cstdio>
#include <string_view>

#include "frame/library_state.h"
#include "frame/message_log.h"
#include "frame/text_format.h"

namespace varno {

namespace {

constexpr std::size_t wrapColumn = 110;

struct ImpliedPrefix {
    std::string_view prefix;
    std::string_view kind;
};

// Line prefixes of an "implied" message and the kind each one stands for.
constexpr ImpliedPrefix impliedPrefixes[] = {{"INTERNAL ERROR:", "internal error"},
                                             {"ERROR:", "error"},
                                             {"WARNING:", "warning"},
                                             {"NOTE:", "note"},
                                             {"OUTPUT:", "output"}};

// At the start of a line of an "implied" message: writes the decoration of its
// prefix and returns the prefix length (0 when the line has none).
std::size_t writeImpliedDecoration(std::string_view rest, std::string& out) {
    for (const ImpliedPrefix& p : impliedPrefixes) {
        if (rest.substr(0, p.prefix.size()) == p.prefix) {
            out += decorationFor(std::string(p.kind));
            return p.prefix.size();
        }
    }
    return 0;
}

bool wantsBlankLineAfter(const std::string& channels, const std::string& kind) {
    const bool messageFileOnly = channels == "outptr" || channels == "outptr|stderr" ||
                                 channels == "outptr|stdout";
    return messageFileOnly && kind != "none";
}

void writeToFileChannel(const std::string& layout) {
    StudyCore* study = currentStudyCore();
    study->messageFile->write(layout);
    study->messageFile->flush();
}

bool messageFileOpen() {
    const StudyCore* study = currentStudyCore();
    return study != nullptr && study->messageFile && study->messageFile->is_open();
}

bool writeToAnalysisLog(int analysisIndex, const std::string& layout) {
    const StudyCore* study = currentStudyCore();
    if (study == nullptr || !study->analysis) return false;
    support::FileWriter log = study->analysis->openAnalysisLog(analysisIndex);
    if (!log.is_open()) return false;
    log.write(layout);
    log.close();
    return true;
}

void reportUnknownChannels(const std::string& channels, const std::string& text) {
    const std::string report =
        formatText("*ERROR\nInternal error in writing out a message. Could not identify the "
                   "media type requested (%s).",
                   channels.c_str()) +
        formatText("\nThe message being output was:\n%s", text.c_str());
    writeToStderr(report);
    writeToStdout(report);
}

}  // namespace

std::string decorationFor(const std::string& kind) {
    if (kind == "error") return "*ERROR\n";
    if (kind == "warning") return "*WARNING\n";
    if (kind == "internal error") return "*INTERNAL ERROR\n";
    if (kind == "note") return "*NOTE\n";
    if (kind == "output") return "*OUTPUT\n";
    return "";
}

std::string layoutForFile(const std::string& channels, const std::string& kind,
                          const std::string& text) {
    const bool implied = kind == "implied";
    std::string out = decorationFor(kind);
    std::string_view body(text);
    if (!body.empty() && body.front() == '\n') body.remove_prefix(1);
    if (!body.empty() && body.back() == '\n') body.remove_suffix(1);

    std::size_t column = 0;
    bool lineStart = true;
    std::size_t i = 0;
    while (i < body.size()) {
        if (implied && lineStart) {
            i += writeImpliedDecoration(body.substr(i), out);
            lineStart = false;
            continue;
        }
        const char c = body[i];
        if (c == '\n') {
            while (i < body.size() && body[i] == '\n') ++i;
            out += '\n';
            column = 0;
            lineStart = true;
            continue;
        }
        const bool breakAfter = c == ' ' && column > wrapColumn;
        out += c;
        ++column;
        ++i;
        if (breakAfter) {
            out += '\n';
            column = 0;
        }
    }
    out += '\n';
    if (wantsBlankLineAfter(channels, kind)) out += '\n';
    return out;
}

void writeMessage(const std::string& channels, const std::string& kind, const std::string& text,
                  int analysisIndex, LogPolicy policy) {
    if (policy == LogPolicy::append) appendToMessageLog(decorationFor(kind) + text);
    const StudyCore* study = currentStudyCore();
    if (study == nullptr || study->verbose == 0) return;

    const std::string layout = layoutForFile(channels, kind, text);
    const bool toAnalysis = channels.find("analysis") != std::string::npos;
    const bool toOutptr = channels.find("outptr") != std::string::npos;
    const bool toStderr = channels.find("stderr") != std::string::npos;
    const bool toStdout = channels.find("stdout") != std::string::npos;
    if (!toAnalysis && !toOutptr && !toStderr && !toStdout) {
        reportUnknownChannels(channels, text);
        return;
    }
    if (toAnalysis && !writeToAnalysisLog(analysisIndex, layout)) {
        writeMessage("outptr", kind, text, analysisIndex, LogPolicy::skip);
    }
    if (toOutptr) {
        if (!messageFileOpen()) {
            writeToStderr(layout);
            return;
        }
        writeToFileChannel(layout);
    }
    if (toStderr) writeToStderr(layout);
    if (toStdout) writeToStdout(layout);
}

void writeToMessageFile(const std::string& text) {
    if (!messageFileOpen()) return;
    writeToFileChannel(text);
}

void writeToStdout(const std::string& text) {
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
}

void writeToStderr(const std::string& text) {
    std::fputs(text.c_str(), stderr);
    std::fflush(stderr);
}

}  // namespace varno
