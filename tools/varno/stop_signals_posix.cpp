#include "stop_signals.h"

#include <csignal>

#include <signal.h>

#include "child_process.h"

namespace varno::tool {

namespace {

// The one piece of state a signal handler may touch.
volatile std::sig_atomic_t stopSignal = 0;

struct sigaction previousInt, previousTerm;

extern "C" void onStopSignal(int signal) {
    if (stopSignal != 0) {
        // The second signal: end now, as the default action would, and the
        // evaluators with their own processes first, which would outlive it.
        endChildrenNow();
        ::signal(signal, SIG_DFL);
        ::raise(signal);
        return;
    }
    stopSignal = signal;
}

}  // namespace

StopSignals::StopSignals() {
    stopSignal = 0;
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, &previousInt);
    ::sigaction(SIGTERM, &action, &previousTerm);
}

StopSignals::~StopSignals() {
    ::sigaction(SIGINT, &previousInt, nullptr);
    ::sigaction(SIGTERM, &previousTerm, nullptr);
}

int StopSignals::received() { return stopSignal; }

}  // namespace varno::tool
