// Memory that runs out once, at every allocation in turn: each allocation of
// the set-up, of one design cycle and of each file writer fails in one run
// (N = 0, 1, … until the operation completes without reaching N). Every
// failure must end the call with the fatal "Out of memory", leave no file
// open and no block handed out, and a library that starts a study again;
// the sanitizer build adds that nothing leaks.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "study/study_history_test_support.h"
#include "support/seams.h"
#include "test_support.h"

namespace {

// Constant-initialised, so that allocations made before the tests run, or by
// the test framework, never fail.
bool armed = false;

void* allocate(std::size_t size) {
    if (armed && varno::support::allocationMustFail()) throw std::bad_alloc();
    if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
    throw std::bad_alloc();
}

void* allocateAligned(std::size_t size, std::align_val_t alignment) {
    if (armed && varno::support::allocationMustFail()) throw std::bad_alloc();
    const auto align = static_cast<std::size_t>(alignment);
    if (void* block = std::aligned_alloc(align, (size + align - 1) / align * align)) return block;
    throw std::bad_alloc();
}

}  // namespace

// Every form of the global allocation functions, so that the sanitizer
// runtime's own set is not linked beside these.
void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return allocate(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
    return operator new(size, tag);
}
void* operator new(std::size_t size, std::align_val_t alignment) {
    return allocateAligned(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
    return allocateAligned(size, alignment);
}
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    try {
        return allocateAligned(size, alignment);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, std::align_val_t alignment,
                     const std::nothrow_t& tag) noexcept {
    return operator new(size, alignment, tag);
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete(void* block, std::align_val_t) noexcept { std::free(block); }
void operator delete[](void* block, std::align_val_t) noexcept { std::free(block); }
void operator delete(void* block, std::size_t, std::align_val_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept { std::free(block); }
void operator delete(void* block, std::align_val_t, const std::nothrow_t&) noexcept {
    std::free(block);
}
void operator delete[](void* block, std::align_val_t, const std::nothrow_t&) noexcept {
    std::free(block);
}

namespace varno {
namespace {

constexpr int budget = 12;

// The history tests' study, writing its history after every evaluation.
testing::HistoryStudy studySetUp(const std::string& folder) {
    return {folder, "newStudy", budget, "disableHistory: 0\nsaveHistoryForEachEval: 1"};
}

// One set handed out and every design of it answered; the blocks are
// released whatever happens.
bool oneCycle() {
    int* ids = nullptr;
    double** values = nullptr;
    const int count = VARNO_getNextSetOfDesignsFromStudy(&ids, &values);
    bool answered = count > 0;
    for (int k = 0; k < count; ++k) {
        double row[2] = {testing::sphere(values[k]), testing::distanceToCorner(values[k])};
        double* rows = row;
        answered = VARNO_updateResultsForDesignSet(1, &ids[k], nullptr, &rows, nullptr) == 1 &&
                   answered;
    }
    VARNO_freePtr(ids);
    VARNO_freePtr(values);
    return answered;
}

bool wholeStudy(const testing::HistoryStudy& setUp) {
    if (!setUp()) return false;
    testing::HistoryHost::run(budget);
    return VARNO_isStudyComplete() == 1;
}

// Runs `prepare` unharmed, then `operation` with allocation `n` failing.
// Returns the number of allocations the operation made when none failed
// (the walk is over), -1 otherwise.
long failAllocation(long n, const std::string& folder, const std::function<bool()>& prepare,
                    const std::function<bool()>& operation, const std::string& what) {
    testing::resetLibrary();
    if (!prepare()) {
        ADD_FAILURE() << what << ": the preparation failed";
        return 0;
    }
    support::seams().allocationsBeforeFailure = n;
    support::seams().failOneAllocation = true;
    armed = true;
    const bool done = operation();
    armed = false;
    const bool failed = support::seams().allocationsBeforeFailure < 0;
    support::resetSeams();
    if (!failed) {
        EXPECT_TRUE(done) << what << " fails without a failing allocation";
        VARNO_endStudy();
        return n;
    }
    // An allocation the engine can do without (a faster lookup) may fail
    // quietly; every other failure ends the call with the fatal error.
    if (!done) {
        EXPECT_EQ(testing::lastFatalReason().rfind("*ERROR\nOut of memory", 0), 0u)
            << what << ", allocation " << n << ": " << testing::lastFatalReason();
        EXPECT_EQ(VARNO_initializeStudySetup(("workingDirectory: " + folder).c_str()), 1)
            << what << ", allocation " << n << ": the library cannot be initialised again";
    }
    VARNO_endStudy();
    EXPECT_EQ(trackedBlockCount(), 0u) << what << ", allocation " << n;
    EXPECT_EQ(support::openFileCount(), 0) << what << ", allocation " << n;
    return -1;
}

// Fails every allocation of `operation` in turn; returns how many it makes.
long walk(const std::function<bool()>& prepare, const std::function<bool()>& operation,
          const std::string& folder, const std::string& what) {
    const bool failedBefore = ::testing::Test::HasFailure();
    for (long n = 0;; ++n) {
        const long total = failAllocation(n, folder, prepare, operation, what);
        if (total >= 0 || (!failedBefore && ::testing::Test::HasFailure())) return total;
    }
}

class AllocationFailure : public ::testing::Test {
protected:
    void TearDown() override {
        testing::resetLibrary();
        support::resetSeams();
    }
    testing::TempDirectory dir;
};

TEST_F(AllocationFailure, DuringTheSetUp) {
    const testing::HistoryStudy setUp = studySetUp(dir.path());
    const long total = walk([] { return true; }, setUp, dir.path(), "the set-up");
    EXPECT_GT(total, 100);
    RecordProperty("allocations", static_cast<int>(total));
}

TEST_F(AllocationFailure, DuringADesignCycle) {
    const testing::HistoryStudy setUp = studySetUp(dir.path());
    const long total = walk(setUp, oneCycle, dir.path(), "the first cycle");
    EXPECT_GT(total, 10);
    RecordProperty("allocations", static_cast<int>(total));
}

TEST_F(AllocationFailure, DuringEachFileWriter) {
    const std::pair<const char*, std::function<int()>> writers[] = {
        {"the report file", VARNO_generateReportFile},
        {"the design results file", VARNO_generateDesignResultsFile},
        {"the end of the study", VARNO_endStudy},
    };
    const testing::HistoryStudy setUp = studySetUp(dir.path());
    for (const auto& [what, writer] : writers) {
        const long total = walk([&] { return wholeStudy(setUp); },
                                [&writer = writer] { return writer() == 1; }, dir.path(), what);
        EXPECT_GT(total, 0) << what;
    }
}

}  // namespace
}  // namespace varno
