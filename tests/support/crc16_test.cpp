// The CRC with which designs are hashed.
#include <gtest/gtest.h>

#include <boost/crc.hpp>

#include <random>
#include <string>

#include "support/crc16.h"

namespace varno::support {
namespace {

// The check value of the CCITT-FALSE variant; the eight-byte slices and the
// byte-wise tail agree with a plain byte-wise CRC for every length around the
// slice size.
TEST(Crc16, AgreesWithTheByteWiseCcittFalseCrcForEveryLength) {
    EXPECT_EQ(crc16_ccitt("123456789", 9), 0x29B1);
    std::mt19937 random(7);
    std::string text;
    for (int length = 0; length < 40; ++length) {
        boost::crc_ccitt_type reference;
        reference.process_bytes(text.data(), text.size());
        EXPECT_EQ(crc16_ccitt(text.data(), text.size()), reference.checksum()) << length;
        text.push_back(static_cast<char>(random()));
    }
}

}  // namespace
}  // namespace varno::support
