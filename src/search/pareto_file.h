// The agent's Pareto output file: one block per cycle listing the archive's
// design ids with their ranks, numbered on from the blocks already in the
// file.
#pragma once

#include <string>
#include <vector>

#include "search/agent.h"
#include "search/pareto.h"

namespace varno::search {

// The file's path in `folder`: prefix and agent number, with "_post" before
// the number for the design-file run modes.
std::string paretoFilePath(const std::string& folder, const std::string& prefix, int agent,
                           int runMode);

// The cycle number of the file's last header line, 0 for a missing file or
// one without headers.
int lastParetoCycle(const std::string& path);

class ParetoFile {
public:
    explicit ParetoFile(std::string path) : path_(std::move(path)) {}

    // At the start of a search: creates the file when it does not exist yet,
    // so that the blocks of an earlier run of the study keep their numbers.
    // Fatal when it cannot be created.
    void create() const;

    // Appends the block of the next cycle for `archive`. Fatal when the file
    // cannot be opened.
    void append(const std::vector<ParetoDesign>& archive) const;

    const std::string& path() const { return path_; }

private:
    std::string path_;
};

}  // namespace varno::search
