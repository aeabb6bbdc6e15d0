// Time for the end-of-run information, through the clock seams.
#pragma once

#include <cstdint>
#include <string>

namespace varno::support {

// Processor time used by the process, in milliseconds.
std::uint64_t processorMillis();

// The current time in seconds since the epoch.
std::int64_t wallClockSeconds();

// The current time in milliseconds since the epoch.
std::int64_t wallClockMillis();

// The local time as "2026-12-06T14:23:13.042".
std::string localTimeStamp();

// The local time in the fixed English form "Sun Dec  6 14:23:13 2026\n".
std::string localTimeText();

}  // namespace varno::support
