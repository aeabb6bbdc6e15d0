#include "support/analysis_environment.h"

namespace varno::support {

AnalysisEnvironment::AnalysisEnvironment(std::string root, std::string working)
    : root_(std::move(root)), working_(std::move(working)) {}

std::unique_ptr<AnalysisEnvironment> AnalysisEnvironment::create(
    const std::string& rootDirectory, const std::string& workingDirectory) {
    if (!directoryExists(rootDirectory)) return nullptr;
    return std::unique_ptr<AnalysisEnvironment>(
        new AnalysisEnvironment(rootDirectory, workingDirectory));
}

std::string AnalysisEnvironment::analysisLogPath(int index) const {
    return joinPath(working_, "Analysis_" + std::to_string(index) + ".log");
}

FileWriter AnalysisEnvironment::openAnalysisLog(int index) const {
    return FileWriter(analysisLogPath(index), true);
}

}  // namespace varno::support
