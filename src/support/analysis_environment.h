// The analysis-execution environment of a study: where the engine's analysis
// tools live (the root directory) and where their per-analysis logs go (the
// working directory).
#pragma once

#include <memory>
#include <string>

#include "support/file_io.h"

namespace varno::support {

class AnalysisEnvironment {
public:
    // Null when the root directory does not exist.
    static std::unique_ptr<AnalysisEnvironment> create(const std::string& rootDirectory,
                                                       const std::string& workingDirectory);

    // Opens (appending) the log of analysis `index`; check `is_open`.
    FileWriter openAnalysisLog(int index) const;

    // Path of the log of analysis `index`.
    std::string analysisLogPath(int index) const;

    const std::string& rootDirectory() const { return root_; }

private:
    AnalysisEnvironment(std::string root, std::string working);
    std::string root_;
    std::string working_;
};

}  // namespace varno::support
