// Time for the end-of-run information.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "support/clock.h"
#include "support/seams.h"

namespace varno::support {
namespace {

TEST(Clock, LocalTimeHasTheFixedEnglishForm) {
    // Mid-June 2001 at noon UTC: the same day and year in every time zone
    // within twelve hours of UTC.
    seams().wallClockSeconds = [] { return std::int64_t{992606400}; };
    const std::string text = localTimeText();
    resetSeams();
    EXPECT_TRUE(std::regex_match(
        text, std::regex("[A-Z][a-z]{2} Jun 1[456] \\d\\d:\\d\\d:\\d\\d 2001\n")))
        << text;
}

TEST(Clock, SingleDigitDaysArePaddedWithABlank) {
    seams().wallClockSeconds = [] { return std::int64_t{988804800}; };  // 2 May 2001 12:00 UTC
    const std::string text = localTimeText();
    resetSeams();
    EXPECT_TRUE(std::regex_match(text, std::regex("[A-Z][a-z]{2} May  [123] \\d\\d:\\d\\d:\\d\\d 2001\n")))
        << text;
}

TEST(Clock, ProcessorTimeComesFromTheSeamWhenSet) {
    seams().processorMillis = [] { return std::uint64_t{4321}; };
    EXPECT_EQ(processorMillis(), 4321u);
    resetSeams();
    EXPECT_LT(processorMillis(), 4321000u);
}

}  // namespace
}  // namespace varno::support
