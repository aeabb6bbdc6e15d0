#include "frame/tracked_allocator.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "frame/fatal_error.h"
#include "frame/library_state.h"
#include "frame/message_writer.h"
#include "frame/text_format.h"
#include "support/seams.h"

namespace varno {

namespace {

AllocationTable& table() { return library().allocations; }

bool recording() { return table().trackingOn && !table().full; }

[[noreturn]] void outOfMemory(const char* operation, std::size_t size, const char* tag) {
    const std::string notice =
        formatText("\nOut of memory in %s, while mallocing data for %s", operation, tag);
    writeToStderr(notice);
    writeToMessageFile(notice);
    writeToMessageFile(formatText("\nRequested size = %zu\n", size));
    fatalError(formatText("Out of memory in %s", operation));
}

void checkTag(const char* operation, const char* tag) {
    if (!recording() || std::strlen(tag) <= AllocationTable::maxTagLength) return;
    writeToStderr(formatText("\n***Bad call to %s. ", operation));
    fatalError(formatText("Name too long in %s", operation));
}

void* allocate(void* block, std::size_t size) {
    if (support::allocationMustFail()) return nullptr;
    return block == nullptr ? std::malloc(size) : std::realloc(block, size);
}

// Records a block just allocated; when the record itself cannot be
// allocated, the block is released before the failure goes on, so that it
// does not leak.
void record(void* block, const char* tag) {
    if (!recording()) return;
    if (table().blocks.size() >= AllocationTable::capacity) {
        table().full = true;
        return;
    }
    try {
        table().blocks.emplace(block, tag);
    } catch (...) {
        std::free(block);
        throw;
    }
}

}  // namespace

void* fmalloc(std::size_t size, const char* tag) {
    if (size == 0) return nullptr;
    if (tag == nullptr) tag = "";
    checkTag("fmalloc", tag);
    void* block = allocate(nullptr, size);
    if (block == nullptr) outOfMemory("fmalloc", size, tag);
    record(block, tag);
    return block;
}

void* frealloc(void* block, std::size_t size, const char* tag) {
    if (block == nullptr) return fmalloc(size, tag);
    if (tag == nullptr) tag = "";
    if (size == 0) {
        ffree(block);
        return nullptr;
    }
    checkTag("frealloc", tag);
    if (recording() && table().blocks.count(block) == 0) {
        writeToStderr(
            formatText("\nFailure %s.  Set breakpoint here to trap culprit %p", tag, block));
    }
    void* moved = allocate(block, size);
    if (moved == nullptr) outOfMemory("frealloc", size, tag);
    table().blocks.erase(block);
    record(moved, tag);
    return moved;
}

void ffree(void* block) {
    if (block == nullptr) return;
    AllocationTable& t = table();
    const bool known = t.blocks.erase(block) > 0;
    if (known || !t.trackingOn || t.full) {
        std::free(block);
        return;
    }
    // Not a block of ours: releasing it could corrupt the host's heap.
    writeToStderr(formatText("\nFailure.  Set breakpoint here to trap culprit %p\n", block));
}

char* fstrdup(const char* text, const char* tag) {
    const std::size_t size = std::strlen(text) + 1;
    char* copy = static_cast<char*>(fmalloc(size, tag));
    std::memcpy(copy, text, size);
    return copy;
}

void setAllocationTracking(bool on) { table().trackingOn = on; }

std::size_t trackedBlockCount() { return table().blocks.size(); }

}  // namespace varno
