#include "model/formula.h"

#include "frame/fatal_error.h"
#include "frame/message_writer.h"
#include "frame/text_format.h"

namespace varno::model {

namespace {

constexpr const char* resultName = "_result";

bool mayEndTheRun(const std::string& line) {
    for (const char* call : {"quit()", "exit()", "quit ()", "exit ()"}) {
        if (line.find(call) != std::string::npos) return true;
    }
    return false;
}

void warnAboutEndingTheRun(const std::string& name) {
    std::string text = formatText(
        "Detected a possible use of \"quit() or exit()\" in the formula definition for \"%s\". "
        "These commands should NOT be used",
        name.c_str());
    text = formatText("%s in your formula definition. When this command is invoked within a "
                      "formula calcuation, ",
                      text.c_str());
    text = formatText("%sit will result in the VARNO run being terminated. Please check to make "
                      "sure that you are not",
                      text.c_str());
    text = formatText("%s using this command in the formula definition.", text.c_str());
    writeMessage("outptr", "warning", text);
}

bool setsResult(const std::string& line) {
    const std::size_t first = line.find_first_not_of(' ');
    return first != std::string::npos && line.compare(first, 7, resultName) == 0;
}

}  // namespace

std::string buildFormula(const std::string& name, const std::vector<std::string>& lines) {
    std::string joined;
    bool warned = false;
    bool anySetsResult = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) joined += '\n';
        joined += lines[i];
        if (!warned && mayEndTheRun(lines[i])) {
            warnAboutEndingTheRun(name);
            warned = true;
        }
        anySetsResult = anySetsResult || setsResult(lines[i]);
    }
    if (lines.size() == 1) {
        return anySetsResult ? lines[0] : formatText("%s=%s", resultName, lines[0].c_str());
    }
    if (!anySetsResult) {
        std::string text = formatText(
            "Error in the formula definition for \"%s\". A multiple line formula must set the "
            "\"%s\" variable to the final value from your calculation.",
            name.c_str(), resultName);
        text = formatText("%s\ne.g. %s = 1.0 - variable_1", text.c_str(), resultName);
        fatalError(text);
    }
    return joined;
}

}  // namespace varno::model
