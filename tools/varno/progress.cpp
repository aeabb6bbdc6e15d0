#include "progress.h"

#include <cstdio>

#include "number_text.h"

namespace varno::tool {

namespace {

std::string clockText(double seconds) {
    const long total = static_cast<long>(seconds + 0.5);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%ld:%02ld", total / 60, total % 60);
    return buffer;
}

}  // namespace

ProgressLine::ProgressLine(std::ostream& out, bool enabled, bool terminal)
    : out_(out), enabled_(enabled), terminal_(terminal), start_(std::chrono::steady_clock::now()) {}

std::string ProgressLine::format(const ProgressState& state, double elapsedSeconds) {
    std::string line = "cycle " + std::to_string(state.cycle) + "  evaluations " +
                       std::to_string(state.evaluations);
    if (state.budget > 0) line += "/" + std::to_string(state.budget);
    line += "  best " + (state.best ? shortNumberText(*state.best) : std::string("-"));
    line += "  feasible " + std::to_string(state.feasible);
    line += "  elapsed " + clockText(elapsedSeconds);
    if (state.budget > 0 && state.evaluations > 0 && state.evaluations < state.budget) {
        const double left = elapsedSeconds * (state.budget - state.evaluations) / state.evaluations;
        line += "  left ~" + clockText(left);
    }
    return line;
}

void ProgressLine::update(const ProgressState& state) {
    if (!enabled_) return;
    const auto now = std::chrono::steady_clock::now();
    const std::string line = format(state, std::chrono::duration<double>(now - start_).count());
    if (terminal_) {
        out_ << '\r' << line;
        if (line.size() < shownLength_) out_ << std::string(shownLength_ - line.size(), ' ');
        out_ << std::flush;
        shownLength_ = line.size();
    } else if (state.cycle == 1 || now - lastPrint_ >= std::chrono::seconds(1)) {
        out_ << line << std::endl;
        lastPrint_ = now;
        unprinted_.reset();
        return;
    }
    unprinted_ = state;
}

void ProgressLine::clear() {
    if (!terminal_ || shownLength_ == 0) return;
    out_ << '\r' << std::string(shownLength_, ' ') << '\r';
    shownLength_ = 0;
}

void ProgressLine::note(const std::string& text) {
    const bool wasShown = shownLength_ > 0;
    clear();
    out_ << text << std::endl;
    if (wasShown && unprinted_) update(*unprinted_);
}

void ProgressLine::finish() {
    if (!enabled_) return;
    if (terminal_ && shownLength_ > 0) {
        out_ << std::endl;
    } else if (!terminal_ && unprinted_) {
        const auto elapsed = std::chrono::steady_clock::now() - start_;
        out_ << format(*unprinted_, std::chrono::duration<double>(elapsed).count()) << std::endl;
    }
    shownLength_ = 0;
    unprinted_.reset();
}

}  // namespace varno::tool
