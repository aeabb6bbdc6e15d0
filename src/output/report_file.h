// The report file of an agent: the head, which sets out the whole study
// definition and is written when the study is finalised (and again on
// request), and the tail, appended at the end of the run.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace varno::output {

// A study variable or DOE factor as the report lists it.
struct ReportVariable {
    std::string name;
    int id = 0;
    bool discrete = false;
    // Continuous variables.
    double min = 0.0;
    double baseline = 0.0;
    double max = 0.0;
    int resolution = 0;
    std::string distribution = "None";
    // Discrete variables.
    std::string setName;
    int baselineChoice = 1;  // 1-based
    std::vector<std::string> choices;
    // DOE factors: their type and levels (values, or choice texts).
    bool doeFactor = false;
    bool noise = false;
    std::vector<double> levelValues;
    std::vector<std::string> levelTexts;
};

struct ReportParameter {
    std::string name;
    int id = 0;
    double baseline = 0.0;
    std::string distribution = "None";
};

struct ReportDependent {
    std::string name;
    int id = 0;
    std::string distribution = "None";
    std::string formula;
};

struct ReportStringParameter {
    std::string name;
    int id = 0;
    std::string value;
};

enum class ReportResponseKind { objective, constraint, plain };

struct ReportResponse {
    std::string name;
    ReportResponseKind kind = ReportResponseKind::plain;
    int option = 0;  // the goal's `opt`
    double target = 0.0;
    double norm = -1.0;   // not positive: taken from the baseline design
    std::string formula;  // formula responses only
};

struct FactorMapping {
    std::vector<int> control;
    std::vector<int> noise;
};

// Everything the head of one agent's report shows.
struct ReportHead {
    std::string version;
    std::string startTime;  // asctime text without its line end
    std::string workingDirectory;
    std::string postDirectory;
    std::string evaluationDirectory;
    std::string filePrefix;
    std::string agentName;
    std::string studyType;  // "optimization", "doe", ...
    std::string studyName;
    int agentId = 0;
    std::vector<int> agentsInGroup;
    std::string processName;
    double randomSeed = 0.0;
    std::vector<ReportVariable> variables;  // sorted by id when written
    std::optional<FactorMapping> factorMapping;
    std::vector<ReportParameter> parameters;
    std::vector<ReportDependent> dependents;
    std::vector<ReportStringParameter> strings;
    std::vector<ReportResponse> responses;
    std::vector<std::string> visualizationFiles;
    std::string agentDefinition;
    bool hashingOff = false;
};

std::string reportHeadText(const ReportHead& head);

// Writes the head to a new report file; fatal when it cannot be written.
void writeReportHead(const std::string& path, const ReportHead& head);

// "End of VARNO run.", the exit state and the end time.
std::string reportTailText(const std::string& runStatus, const std::string& endTime);

// Appends the tail; a file that cannot be opened gives a warning only.
void appendReportTail(const std::string& path, const std::string& runStatus,
                      const std::string& endTime);

}  // namespace varno::output
