// The CRC with which designs are hashed.
#include <gtest/gtest.h>

#include <string>

#include "support/crc16.h"

namespace varno::support {
namespace {

TEST(Crc16, GivesTheCheckValueOfTheCcittFalseVariant) {
    const std::string check = "123456789";
    EXPECT_EQ(crc16_ccitt(check.data(), check.size()), 0x29B1);
}

}  // namespace
}  // namespace varno::support
