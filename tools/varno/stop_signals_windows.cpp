// Windows implementation of the stop request: Ctrl+C, Ctrl+Break and the
// console's close ask the run to stop after writing its results; a second
// one ends the process at once.
#include <windows.h>

#include <csignal>
#include <cstdlib>

#include "stop_signals.h"

namespace varno::tool {

namespace {

volatile LONG stopSignal = 0;

BOOL WINAPI onConsoleEvent(DWORD event) {
    const LONG signal = event == CTRL_C_EVENT ? SIGINT : SIGTERM;
    // The second: end now, as the default action of a signal does, without
    // the shutdown of the libraries, which could wait for a lock the stuck
    // run holds. The job objects of the evaluators end them with the runner.
    if (::InterlockedCompareExchange(&stopSignal, signal, 0) != 0) {
        ::TerminateProcess(::GetCurrentProcess(), 128 + static_cast<UINT>(signal));
    }
    return TRUE;  // handled: the run winds down by itself
}

}  // namespace

StopSignals::StopSignals() {
    stopSignal = 0;
    ::SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

StopSignals::~StopSignals() { ::SetConsoleCtrlHandler(onConsoleEvent, FALSE); }

int StopSignals::received() { return static_cast<int>(stopSignal); }

}  // namespace varno::tool
