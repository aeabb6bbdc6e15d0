#include "output/best_design_file.h"

#include <algorithm>

#include "frame/message_writer.h"
#include "frame/text_format.h"
#include "support/file_io.h"

namespace varno::output {

namespace {

constexpr const char* frameLine = "/*---------------------------------------------------*/\n";

// "%1.17e", one digit less for a negative value so that the columns keep
// their width.
std::string wideNumber(double value) {
    return formatText(value < 0.0 ? "%1.16e" : "%1.17e", value);
}

int plotColumnWidth(const std::string& name) {
    return std::max(14, static_cast<int>(name.size()) + 1);
}

void appendVariable(std::string& text, const BestDesignVariable& variable) {
    if (variable.discrete) {
        text +=
            formatText("Discrete design variable id: %d %s", variable.id, variable.name.c_str());
        text += formatText("\nDiscrete value= %d %s\n", variable.level, variable.choice.c_str());
        return;
    }
    text += formatText("Continuous design variable id: %d %s", variable.id, variable.name.c_str());
    text += formatText("\nContinuous value= %1.15e or mapped integer value= %d \n", variable.value,
                       variable.level);
}

}  // namespace

std::string bestDesignBanner(const BestDesignBanner& banner) {
    std::string text = frameLine;
    text += formatText("/*------          %s v%s             --------*/\n",
                       banner.libraryName.c_str(), banner.version.c_str());
    text += frameLine;
    text += "/*------     PERFORMANCE MEASURE QUADRATIC   --------*/\n";
    for (std::size_t i = 0; i < banner.goals.size(); ++i) {
        text += formatText("C2[%d]=%f\n", static_cast<int>(i), banner.goals[i].quadratic);
    }
    text += "/*------     PERFORMANCE MEASURE LINEAR      --------*/\n";
    for (std::size_t i = 0; i < banner.goals.size(); ++i) {
        text += formatText("C1[%d]=%f\n", static_cast<int>(i), banner.goals[i].linear);
    }
    text += "/*------PERFORMANCE MEASURE TARGET/NORM VALUES-------*/\n";
    for (std::size_t i = 0; i < banner.goals.size(); ++i) {
        const GoalWeights& goal = banner.goals[i];
        text += formatText(goal.hasTarget ? "Target[%d]=%f\n" : "Norm[%d]=%f\n",
                           static_cast<int>(i), goal.targetOrNorm);
    }
    text += frameLine;
    return text + "RUN START TIME: " + banner.startTime;
}

std::string bestDesignEntry(const BestDesignEntry& entry) {
    std::string text = formatText("\nElapsed time: %u seconds\n", entry.elapsedSeconds);
    text += "Current time: " + entry.currentTime;
    if (entry.failed) text += "This design was not successfully evaluated.\n";
    text += "**********NEXT-BEST-DESIGN************\n\n";
    text += formatText("Agent=%d Cycle=%d Evl= %d\n\n", entry.agent, std::max(entry.cycle, 1),
                       entry.evaluation);
    for (const BestDesignVariable& variable : entry.variables) appendVariable(text, variable);
    text += "Performance   : " + wideNumber(entry.performance) + "\n";
    for (std::size_t i = 0; i < entry.responseNames.size() && i < entry.responseValues.size();
         ++i) {
        text += formatText("%-14s: ", entry.responseNames[i].c_str()) +
                wideNumber(entry.responseValues[i]) + "\n";
    }
    text += "**************************************\n";
    return text + "**************************************\n";
}

std::string plotHeader(const std::vector<std::string>& responseNames) {
    std::string text = "    Time(sec),         cycle,          eval,   performance";
    for (const std::string& name : responseNames) {
        text += formatText(",%*s", plotColumnWidth(name), name.c_str());
    }
    return text + "\n";
}

std::string plotRow(const std::vector<std::string>& responseNames, const PlotRow& row) {
    std::string text =
        formatText("%13u, %13d, %13d", row.elapsedSeconds, std::max(row.cycle, 1), row.evaluations);
    text += formatText(row.bestPerformance < 0.0 ? ", %8.5e" : ", %8.6e", row.bestPerformance);
    for (std::size_t i = 0; i < responseNames.size() && i < row.responseValues.size(); ++i) {
        const double value = row.responseValues[i];
        text += formatText(value < 0.0 ? ", %*.5e" : ", %*.6e",
                           plotColumnWidth(responseNames[i]) - 1, value);
    }
    return text + "\n";
}

void appendToFile(const std::string& path, const std::string& text, bool fresh) {
    support::FileWriter writer(path, !fresh);
    if (writer.is_open()) {
        writer.write(text);
        if (writer.close()) return;
    }
    writeMessage("outptr", "warning",
                 formatText("The VARNO output file \"%s\" could not be written.", path.c_str()));
}

}  // namespace varno::output
