// The tracked allocator: recording of live blocks, the release rules, tag and
// memory failures, and the host-facing release calls.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "frame/call_frame.h"
#include "frame/fatal_error.h"
#include "study/study.h"
#include "frame/tracked_allocator.h"
#include "support/seams.h"
#include "test_support.h"
#include "varno.h"

namespace varno {
namespace {

using ::testing::internal::CaptureStderr;
using ::testing::internal::GetCapturedStderr;

class TrackedAllocator : public ::testing::Test {
protected:
    void SetUp() override {
        testing::resetLibrary();  // tests of one process share the library
        setAllocationTracking(true);
    }
    ~TrackedAllocator() override { support::resetSeams(); }
};

TEST_F(TrackedAllocator, RecordsAndReleasesItsOwnBlocksOnceTrackingIsOn) {
    EXPECT_EQ(fmalloc(0, "nothing"), nullptr);
    void* a = fmalloc(16, "first");
    void* b = fmalloc(32, "second");
    EXPECT_EQ(trackedBlockCount(), 2u);
    EXPECT_EQ(library().allocations.blocks.at(a), "first");
    ffree(a);
    ffree(nullptr);
    EXPECT_EQ(trackedBlockCount(), 1u);
    ffree(b);
    EXPECT_EQ(trackedBlockCount(), 0u);
    setAllocationTracking(false);  // as before initialisation
    void* untracked = fmalloc(8, "untracked");
    EXPECT_EQ(trackedBlockCount(), 0u);
    ffree(untracked);  // a plain release; the sanitizer build catches a leak here
    setAllocationTracking(true);
    // Foreign blocks are never released.
    void* foreign = std::malloc(8);
    CaptureStderr();
    ffree(foreign);
    const std::string err = GetCapturedStderr();
    EXPECT_EQ(err.rfind("\nFailure.  Set breakpoint here to trap culprit ", 0), 0u) << err;
    std::free(foreign);  // still ours to release: ffree left it alone
}

TEST_F(TrackedAllocator, ReallocationMovesTheRecordAndTheHostReleasesArrays) {
    auto* block = static_cast<char*>(fmalloc(4, "grow"));
    block[0] = 'x';
    auto* grown = static_cast<char*>(frealloc(block, 4096, "grown"));
    EXPECT_EQ(grown[0], 'x');
    EXPECT_EQ(trackedBlockCount(), 1u);
    EXPECT_EQ(library().allocations.blocks.at(grown), "grown");
    EXPECT_EQ(frealloc(grown, 0, "gone"), nullptr);
    EXPECT_EQ(trackedBlockCount(), 0u);
    // The host releases arrays of blocks.
    auto** array = static_cast<void**>(fmalloc(3 * sizeof(void*), "array"));
    array[0] = fmalloc(4, "entry");
    array[1] = nullptr;
    array[2] = fmalloc(4, "entry");
    VARNO_freePtrArrayData(array, 3);
    EXPECT_EQ(trackedBlockCount(), 0u);
    VARNO_freePtrArrayData(nullptr, 5);
    void* single = fmalloc(4, "single");
    VARNO_freePtr(single);
    VARNO_freePtr(nullptr);
    EXPECT_EQ(trackedBlockCount(), 0u);
}

TEST_F(TrackedAllocator, TagsLongerThan99CharactersAreFatal) {
    void* fits = fmalloc(1, std::string(99, 't').c_str());
    ffree(fits);
    CaptureStderr();
    EXPECT_THROW(fmalloc(1, std::string(100, 't').c_str()), FatalError);
    EXPECT_EQ(GetCapturedStderr(), "\n***Bad call to fmalloc. ");
    EXPECT_EQ(testing::lastFatalReason(), "*ERROR\nName too long in fmalloc");
    EXPECT_EQ(trackedBlockCount(), 0u);
}

TEST_F(TrackedAllocator, ExhaustedMemoryIsFatalForBothOperations) {
    void* block = fmalloc(8, "kept");
    support::seams().allocationsBeforeFailure = 0;
    CaptureStderr();
    EXPECT_THROW(frealloc(block, 64, "bigger"), FatalError);
    EXPECT_EQ(GetCapturedStderr(), "\nOut of memory in frealloc, while mallocing data for bigger");
    EXPECT_EQ(testing::logEntries().front(), "*ERROR\nOut of memory in frealloc");
    EXPECT_EQ(trackedBlockCount(), 1u) << "a failed reallocation keeps the old block";
    ffree(block);

    support::seams().allocationsBeforeFailure = 1;
    void* granted = fmalloc(8, "granted");
    EXPECT_NE(granted, nullptr);
    CaptureStderr();
    EXPECT_THROW(fmalloc(8, "refused"), FatalError);
    GetCapturedStderr();
    ffree(granted);
}

TEST_F(TrackedAllocator, AFullTableStopsTrackingForGood) {
    std::vector<void*> blocks;
    for (std::size_t i = 0; i < 80000; ++i) blocks.push_back(fmalloc(1, "filler"));
    EXPECT_EQ(trackedBlockCount(), 80000u);
    EXPECT_FALSE(library().allocations.full);
    void* overflow = fmalloc(1, "overflow");
    EXPECT_TRUE(library().allocations.full);
    EXPECT_EQ(trackedBlockCount(), 80000u);
    ffree(overflow);  // unrecorded, yet released because the table is full
    for (void* b : blocks) ffree(b);
    EXPECT_EQ(trackedBlockCount(), 0u);
    void* after = fmalloc(1, "after");
    EXPECT_EQ(trackedBlockCount(), 0u) << "tracking does not restart";
    ffree(after);
}

}  // namespace
}  // namespace varno
