// The process-wide state of the library: the lifecycle flags, the message log
// and the allocation table, which outlive a study, and the one current study,
// which initialisation creates and the end of a study destroys.
#pragma once

#include <cstddef>
#include <deque>
#include <memory>
#include <string>
#include <unordered_map>

#include "support/analysis_environment.h"
#include "support/file_io.h"

namespace varno {

// The part of the current study that the frame's services use: where messages
// go and how the run ended. The study aggregate extends it with everything
// else, so that one object holds the whole study.
struct StudyCore {
    virtual ~StudyCore() = default;
    std::string runStatus = "Complete";  // "Complete", "Error" or "Cancelled"
    std::string workingDirectory;
    int verbose = 0;
    std::unique_ptr<support::FileWriter> messageFile;
    std::unique_ptr<support::AnalysisEnvironment> analysis;
    // The files that close a run (the report tails), written with the
    // end-of-run information; the study aggregate knows what they are.
    virtual void writeEndOfRunFiles() {}
};

// Blocks of the tracked allocator, with the tag that names their use.
struct AllocationTable {
    static constexpr std::size_t capacity = 80000;
    static constexpr std::size_t maxTagLength = 99;
    bool trackingOn = false;  // off until the first initialisation
    bool full = false;        // once full, tracking stops for good
    std::unordered_map<void*, std::string> blocks;
};

struct Library {
    int libraryUsable = 1;
    int studyInitialised = 0;
    int studyFinalised = 0;
    int designSetPending = 0;
    int studyComplete = 0;
    int deleteResults = 1;  // kept from one initialisation to the next
    bool comInitialised = false;
    std::deque<std::string> messageLog;  // deque: entries never move
    AllocationTable allocations;
    std::unique_ptr<StudyCore> study;
};

// The one library state of the process.
Library& library();

// The frame's view of the current study, or null before initialisation and
// after its end.
StudyCore* currentStudyCore();

}  // namespace varno
