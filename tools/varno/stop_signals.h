// Interrupting a run: while a StopSignals object lives, the first SIGINT or
// SIGTERM asks the run to stop after writing its results; a second one ends
// the process at once, with its evaluators (the results database keeps what
// it committed).
// Implemented per platform (stop_signals_posix.cpp, stop_signals_windows.cpp;
// on Windows the console's Ctrl+C and Ctrl+Break stand for the signals).
#pragma once

namespace varno::tool {

class StopSignals {
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // The signal that asked for the stop, 0 while none came.
    static int received();
};

}  // namespace varno::tool
