// The best-design file (.dat), which gains an entry each time the best design
// improves, and the progress plot (.plot), which gains a row each cycle.
#pragma once

#include <string>
#include <vector>

namespace varno::output {

struct GoalWeights {
    double quadratic = 0.0;  // C2
    double linear = 0.0;     // C1
    bool hasTarget = false;  // a target, else a norm, is listed
    double targetOrNorm = 0.0;
};

struct BestDesignBanner {
    std::string libraryName;
    std::string version;
    std::vector<GoalWeights> goals;  // one per objective
    std::string startTime;           // asctime text with its line end
};

struct BestDesignVariable {
    std::string name;
    int id = 0;
    bool discrete = false;
    double value = 0.0;  // continuous value
    int level = 0;       // the level index of either kind
    std::string choice;  // discrete choice text
};

struct BestDesignEntry {
    unsigned elapsedSeconds = 0;
    std::string currentTime;  // asctime text with its line end
    bool failed = false;
    int agent = 0;
    int cycle = 1;
    int evaluation = 0;
    std::vector<BestDesignVariable> variables;
    double performance = 0.0;
    std::vector<std::string> responseNames;
    std::vector<double> responseValues;
};

std::string bestDesignBanner(const BestDesignBanner& banner);
std::string bestDesignEntry(const BestDesignEntry& entry);

struct PlotRow {
    unsigned elapsedSeconds = 0;
    int cycle = 1;
    int evaluations = 0;
    double bestPerformance = 0.0;
    std::vector<double> responseValues;  // of the best design
};

std::string plotHeader(const std::vector<std::string>& responseNames);
std::string plotRow(const std::vector<std::string>& responseNames, const PlotRow& row);

// Appends `text` to `path` (truncating first when `fresh`); a file that cannot
// be written gives a warning naming it.
void appendToFile(const std::string& path, const std::string& text, bool fresh);

}  // namespace varno::output
