// The frame every exported call runs in: the "C" locale is pinned, the
// lifecycle state is checked against the call's rule, and every exception
// (a fatal error, exhausted memory, anything else) is caught here and turned
// into the call's failure value. Nothing unwinds into the host.
#pragma once

#include <string>
#include <utility>

#include "frame/library_state.h"
#include "support/numeric_locale.h"

namespace varno {

enum class Lifecycle {
    any,        // no state check
    setUp,      // refused once the study is finalised
    finalised,  // refused until the study is finalised
};

struct CallRule {
    const char* name;  // the exported name
    Lifecycle lifecycle;
    const char* operation = nullptr;  // word of the "after finalizing" refusal; default: name
};

// Appends the refusal text and returns false when the state forbids the call.
bool lifecycleAllows(const CallRule& rule);

// Turns the exception being handled into a failed library: a fatal error was
// already reported; exhausted memory and unexpected exceptions are reported
// here. Must be called from a catch block.
void containFailure() noexcept;

// Appends "<name> is not available in this build." to the message log.
void reportNotAvailable(const char* name);

// A trapped call: silent failure when the library is unusable, then the
// lifecycle check, then the body.
template <class Result, class Body>
Result runTrapped(const CallRule& rule, Result failure, Body&& body) noexcept {
    support::ScopedCNumericLocale locale;
    if (library().libraryUsable == 0) return failure;
    try {
        if (!lifecycleAllows(rule)) return failure;
        return std::forward<Body>(body)();
    } catch (...) {
        containFailure();
        return failure;
    }
}

// A call without the usability check and the trap of its own; an exception
// raised inside it is still contained.
template <class Result, class Body>
Result runGuarded(Result failure, Body&& body) noexcept {
    support::ScopedCNumericLocale locale;
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        containFailure();
        return failure;
    }
}

}  // namespace varno
