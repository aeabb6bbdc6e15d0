// Time for the end-of-run information.
#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "support/clock.h"
#include "support/seams.h"
#include "test_support.h"

namespace varno::support {
namespace {

// In UTC the text is fixed to the second: English day and month names, the
// day of the month padded with a blank to two characters.
TEST(Clock, LocalTimeHasTheFixedEnglishForm) {
    varno::testing::setEnvironment("TZ", "UTC0");
#if defined(_WIN32)
    _tzset();
#else
    tzset();
#endif
    seams().wallClockSeconds = [] { return std::int64_t{992606400}; };
    EXPECT_EQ(localTimeText(), "Fri Jun 15 12:00:00 2001\n");
    seams().wallClockSeconds = [] { return std::int64_t{988768805}; };
    EXPECT_EQ(localTimeText(), "Wed May  2 02:00:05 2001\n");
    // The last millisecond of a second stays in that second.
    seams().wallClockMillis = [] { return std::int64_t{988768805999}; };
    EXPECT_EQ(localTimeStamp(), "2001-05-02T02:00:05.999");
    seams().wallClockMillis = [] { return std::int64_t{988768806000}; };
    EXPECT_EQ(localTimeStamp(), "2001-05-02T02:00:06.000");
    resetSeams();
}

}  // namespace
}  // namespace varno::support
