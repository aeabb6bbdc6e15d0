#include "support/crc16.h"

#include <boost/crc.hpp>

namespace varno::support {

std::uint16_t crc16_ccitt(const void* data, std::size_t size) {
    boost::crc_ccitt_type crc;
    crc.process_bytes(data, size);
    return static_cast<std::uint16_t>(crc.checksum());
}

}  // namespace varno::support
