// The 16-bit CRC with which designs are hashed.
#pragma once

#include <cstddef>
#include <cstdint>

namespace varno::support {

// CRC-16/CCITT over `size` bytes at `data`: polynomial 0x1021, initial value
// 0xFFFF, no reflection, no final XOR ("123456789" gives 0x29B1).
std::uint16_t crc16_ccitt(const void* data, std::size_t size);

}  // namespace varno::support
