// The progress line on standard error: rewritten in place on a terminal,
// plain lines (at most one a second) otherwise.
#pragma once

#include <chrono>
#include <optional>
#include <ostream>
#include <string>

namespace varno::tool {

struct ProgressState {
    int cycle = 0;
    int evaluations = 0;
    int budget = 0;  // 0: unknown
    std::optional<double> best;
    int feasible = 0;
};

class ProgressLine {
public:
    ProgressLine(std::ostream& out, bool enabled, bool terminal);
    void update(const ProgressState& state);
    // A message of its own line, without garbling the progress line.
    void note(const std::string& text);
    // Ends the in-place line (prints the last state on a plain stream).
    void finish();

    static std::string format(const ProgressState& state, double elapsedSeconds);

private:
    void clear();

    std::ostream& out_;
    bool enabled_, terminal_;
    std::chrono::steady_clock::time_point start_, lastPrint_;
    std::size_t shownLength_ = 0;
    std::optional<ProgressState> unprinted_;
};

}  // namespace varno::tool
