// The tracked allocator: blocks handed to the host come from here and go back
// through VARNO_freePtr. While tracking is on, every live block is recorded
// with a tag naming its use, so a release of a block the library never handed
// out is caught instead of corrupting the heap.
#pragma once

#include <cstddef>

namespace varno {

// Size 0 gives null. Exhausted memory and over-long tags are fatal errors.
void* fmalloc(std::size_t size, const char* tag);
void* frealloc(void* block, std::size_t size, const char* tag);
void ffree(void* block);

// A tracked copy of `text` (with its terminating NUL).
char* fstrdup(const char* text, const char* tag);

void setAllocationTracking(bool on);

// Number of recorded live blocks.
std::size_t trackedBlockCount();

}  // namespace varno
