#include "support/crc16.h"

#include <array>

namespace varno::support {
namespace {

constexpr std::uint16_t polynomial = 0x1021;
constexpr int slices = 8;

using Table = std::array<std::array<std::uint16_t, 256>, slices>;

// tables[k][b]: the CRC contribution of byte b followed by k zero bytes, so
// eight bytes are folded in with eight lookups and no dependency chain
// between them.
constexpr Table makeTables() {
    Table tables{};
    for (unsigned b = 0; b < 256; ++b) {
        auto crc = static_cast<std::uint16_t>(b << 8);
        for (int bit = 0; bit < 8; ++bit) {
            crc = static_cast<std::uint16_t>((crc & 0x8000) ? (crc << 1) ^ polynomial : crc << 1);
        }
        tables[0][b] = crc;
    }
    for (int k = 1; k < slices; ++k) {
        for (unsigned b = 0; b < 256; ++b) {
            const std::uint16_t previous = tables[k - 1][b];
            tables[k][b] = static_cast<std::uint16_t>((previous << 8) ^ tables[0][previous >> 8]);
        }
    }
    return tables;
}

constexpr Table tables = makeTables();

}  // namespace

std::uint16_t crc16_ccitt(const void* data, std::size_t size) {
    return crc16_ccitt(0xFFFF, data, size);
}

std::uint16_t crc16_ccitt(std::uint16_t crc, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (; size >= slices; size -= slices, bytes += slices) {
        crc = static_cast<std::uint16_t>(
            tables[7][(crc >> 8) ^ bytes[0]] ^ tables[6][(crc & 0xFF) ^ bytes[1]] ^
            tables[5][bytes[2]] ^ tables[4][bytes[3]] ^ tables[3][bytes[4]] ^ tables[2][bytes[5]] ^
            tables[1][bytes[6]] ^ tables[0][bytes[7]]);
    }
    for (; size > 0; --size, ++bytes) {
        crc = static_cast<std::uint16_t>((crc << 8) ^ tables[0][(crc >> 8) ^ *bytes]);
    }
    return crc;
}

std::uint16_t crc16_ccitt_zeros(std::uint16_t crc, std::size_t count) {
    for (; count >= slices; count -= slices) {
        crc = static_cast<std::uint16_t>(tables[7][crc >> 8] ^ tables[6][crc & 0xFF]);
    }
    for (; count > 0; --count) {
        crc = static_cast<std::uint16_t>((crc << 8) ^ tables[0][crc >> 8]);
    }
    return crc;
}

}  // namespace varno::support
