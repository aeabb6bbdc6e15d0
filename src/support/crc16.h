// The 16-bit CRC with which designs are hashed.
#pragma once

#include <cstddef>
#include <cstdint>

namespace varno::support {

// CRC-16/CCITT over `size` bytes at `data`: polynomial 0x1021, initial value
// 0xFFFF, no reflection, no final XOR ("123456789" gives 0x29B1).
std::uint16_t crc16_ccitt(const void* data, std::size_t size);

// The same CRC continued from `crc` instead of 0xFFFF.
std::uint16_t crc16_ccitt(std::uint16_t crc, const void* data, std::size_t size);

// `crc` continued over `count` zero bytes. The CRC is linear: for texts `a`
// and `b` of one length, crc16_ccitt(a) ^ crc16_ccitt(b) is the CRC from 0 of
// a ^ b, which for texts that differ only in the bytes from `at` to `at + n`
// is crc16_ccitt_zeros(crc16_ccitt(0, those bytes of a ^ b, n), length - at - n).
std::uint16_t crc16_ccitt_zeros(std::uint16_t crc, std::size_t count);

}  // namespace varno::support
