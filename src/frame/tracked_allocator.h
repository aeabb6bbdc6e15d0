// The tracked allocator: blocks handed to the host come from here and go back
// through VARNO_freePtr. While tracking is on, every live block is recorded
// with a tag naming its use, so a release of a block the library never handed
// out is caught instead of corrupting the heap.
#pragma once

#include <cstddef>
#include <memory>

namespace varno {

// Size 0 gives null. Exhausted memory and over-long tags are fatal errors.
void* fmalloc(std::size_t size, const char* tag);
void* frealloc(void* block, std::size_t size, const char* tag);
void ffree(void* block);

// A tracked copy of `text` (with its terminating NUL).
char* fstrdup(const char* text, const char* tag);

// An array from fmalloc that goes back through ffree unless it is released
// to the host, so that a failure between two allocations leaks neither.
struct TrackedFree {
    void operator()(void* block) const { ffree(block); }
};
template <typename T>
using TrackedArray = std::unique_ptr<T[], TrackedFree>;

template <typename T>
TrackedArray<T> trackedArray(std::size_t count, const char* tag) {
    return TrackedArray<T>(static_cast<T*>(fmalloc(count * sizeof(T), tag)));
}

void setAllocationTracking(bool on);

// Number of recorded live blocks.
std::size_t trackedBlockCount();

}  // namespace varno
