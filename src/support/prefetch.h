// Hints that ask for cache lines ahead of their use, where the compiler offers
// a way to; elsewhere they do nothing.
#pragma once

#include <algorithm>
#include <cstddef>

namespace varno::support {

// The cache line at `address`; `forWriting` when it is about to be written.
template <bool forWriting = false>
void prefetch(const void* address) {
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(address, forWriting ? 1 : 0);
#else
    static_cast<void>(address);
#endif
}

// The cache lines of up to `limit` bytes of the `bytes` from `start`.
template <bool forWriting = false>
void prefetchLines(const void* start, std::size_t bytes, std::size_t limit) {
    const auto* first = static_cast<const char*>(start);
    for (std::size_t at = 0; at < std::min(bytes, limit); at += 64) {
        prefetch<forWriting>(first + at);
    }
}

}  // namespace varno::support
