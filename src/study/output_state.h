// What the study remembers of the files it writes during a run: when the run
// started, whether the report head is out, the tables and which designs have
// their rows, and the best design so far for the best-design file.
#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "output/result_tables.h"

namespace varno {

struct StudyOutputState {
    std::string startTime;  // asctime text with its line end
    std::int64_t startSeconds = 0;
    bool reportWritten = false;
    bool reportTailWritten = false;
    std::optional<output::ResultTables> tables;  // opened with the first row
    std::set<int> rowsWritten;                   // ids of the designs with a row
    bool bestDesignFileStarted = false;
    double bestPerformance = -std::numeric_limits<double>::infinity();
    std::vector<double> bestResponses;
    bool plotStarted = false;
};

}  // namespace varno
