#include "support/clock.h"

#include <chrono>
#include <cstdio>
#include <ctime>

#include "support/platform.h"
#include "support/seams.h"

namespace varno::support {

std::uint64_t processorMillis() {
    if (seams().processorMillis) return seams().processorMillis();
    const std::clock_t ticks = std::clock();
    if (ticks == static_cast<std::clock_t>(-1)) return 0;
    return static_cast<std::uint64_t>(ticks) * 1000u / CLOCKS_PER_SEC;
}

namespace {
constexpr const char* dayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* monthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
}  // namespace

std::int64_t wallClockSeconds() {
    if (seams().wallClockSeconds) return seams().wallClockSeconds();
    return static_cast<std::int64_t>(std::time(nullptr));
}

std::int64_t wallClockMillis() {
    if (seams().wallClockMillis) return seams().wallClockMillis();
    if (seams().wallClockSeconds) return seams().wallClockSeconds() * 1000;
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

std::string localTimeStamp() {
    const std::int64_t millis = wallClockMillis();
    const std::tm t = localTime(static_cast<std::time_t>(millis / 1000));
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", 1900 + t.tm_year,
                  t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec,
                  static_cast<int>(millis % 1000));
    return text;
}

std::string localTimeText() {
    const auto now = static_cast<std::time_t>(wallClockSeconds());
    const std::tm t = localTime(now);
    char text[64];
    std::snprintf(text, sizeof text, "%.3s %.3s%3d %.2d:%.2d:%.2d %d\n", dayNames[t.tm_wday % 7],
                  monthNames[t.tm_mon % 12], t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec,
                  1900 + t.tm_year);
    return text;
}

}  // namespace varno::support
