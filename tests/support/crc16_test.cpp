// The CRC with which designs are hashed.
#include <gtest/gtest.h>

#include <boost/crc.hpp>

#include <random>
#include <string>
#include <tuple>

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

// Two texts of one length that differ in a run of bytes: the CRC of one is
// that of the other changed by the CRC of the difference carried over the
// bytes after it.
TEST(Crc16, DifferenceOfTwoTextsCarriedOverTheTrailingBytes) {
    std::mt19937 random(11);
    for (const auto& [length, at, run] : {std::tuple{40, 3, 16}, {57, 41, 16}, {23, 0, 5}}) {
        std::string a(static_cast<std::size_t>(length), ' ');
        for (char& c : a) c = static_cast<char>(random());
        std::string b = a;
        std::string difference(static_cast<std::size_t>(run), '\0');
        for (int i = 0; i < run; ++i) {
            b[static_cast<std::size_t>(at + i)] ^= static_cast<char>(random() | 1);
            difference[static_cast<std::size_t>(i)] = static_cast<char>(a[at + i] ^ b[at + i]);
        }
        const std::uint16_t change =
            crc16_ccitt_zeros(crc16_ccitt(0, difference.data(), difference.size()),
                              static_cast<std::size_t>(length - at - run));
        EXPECT_EQ(crc16_ccitt(b.data(), b.size()), crc16_ccitt(a.data(), a.size()) ^ change)
            << length << " " << at;
    }
}

}  // namespace
}  // namespace varno::support
