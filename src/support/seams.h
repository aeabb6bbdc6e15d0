// Test seams: the clock, the file layer and the allocator consult these hooks,
// so tests can fix the time or make a file open or an allocation fail. Left
// empty (the default), every hook is inactive and the real service is used.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace varno::support {

struct Seams {
    // Returns true when opening `path` must fail.
    std::function<bool(const std::string& path)> failFileOpen;
    // Processor time used so far, in milliseconds.
    std::function<std::uint64_t()> processorMillis;
    // Local time as seconds since the epoch.
    std::function<std::int64_t()> wallClockSeconds;
    // The same in milliseconds; without it, the seconds above are used.
    std::function<std::int64_t()> wallClockMillis;
    // Number of further allocations that succeed; negative: no limit.
    long allocationsBeforeFailure = -1;
    // Only the one allocation at the limit fails; the ones after it succeed
    // again (the limit returns to none), as when memory was short a moment.
    bool failOneAllocation = false;
};

// The one set of seams of the process.
Seams& seams();

// Restores every seam to its inactive default.
void resetSeams();

// Files of the file layer open now; tests check that none is left open.
int openFileCount();

// Marks one file as open for the count while it lives; moving it moves the
// mark, so a file is counted once however often it changes hands.
class OpenFileMark {
public:
    OpenFileMark() = default;
    OpenFileMark(const OpenFileMark&) = delete;
    OpenFileMark& operator=(const OpenFileMark&) = delete;
    OpenFileMark(OpenFileMark&& other) noexcept : set_(other.set_) { other.set_ = false; }
    OpenFileMark& operator=(OpenFileMark&& other) noexcept;
    ~OpenFileMark() { clear(); }
    void set();
    void clear();

private:
    bool set_ = false;
};

// Counts one allocation against `allocationsBeforeFailure`; true when this one
// must fail.
bool allocationMustFail();

}  // namespace varno::support
