// The process-wide state of the library: the lifecycle flags, the message log
// and the allocation table, which outlive a study, and the one current study,
// which initialisation creates and the end of a study destroys.
#pragma once

#include <cstddef>
#include <deque>
#include <memory>
#include <string>
#include <unordered_map>

#include "api/design_cycle.h"
#include "design/design_store.h"
#include "design/encoding.h"
#include "model/project_model.h"
#include "search/engine_cycle.h"
#include "search/random_stream.h"
#include "search/study_setup.h"
#include "support/analysis_environment.h"
#include "support/file_io.h"

namespace varno {

// Everything that belongs to the current study. Later subsystems add their
// tables here so that ending the study releases them all at once.
struct Study {
    std::string libraryName = "VARNO Library";
    std::string versionText;
    int versionNumber = 0;
    std::string runStatus = "Complete";  // "Complete", "Error" or "Cancelled"
    std::string workingDirectory;
    int verbose = 0;
    std::unique_ptr<support::FileWriter> messageFile;
    std::unique_ptr<support::AnalysisEnvironment> analysis;
    model::ProjectModel project;
    search::StudySetup setup;  // agent, study-level data, method, runtime options
    design::DesignStore store;
    std::unique_ptr<design::DesignEncoding> encoding;  // built when the study is finalised
    CycleState cycle;
    search::RandomStream random;                  // the engine's generator
    std::unique_ptr<search::SearchMethod> search;  // the agent's search, once finalised
    search::EngineState engine;
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
    int deleteResults = 1;     // kept from one initialisation to the next
    bool comInitialised = false;
    std::deque<std::string> messageLog;  // deque: entries never move
    AllocationTable allocations;
    std::unique_ptr<Study> study;
};

// The one library state of the process.
Library& library();

// The current study, or null before initialisation and after its end.
Study* currentStudy();

}  // namespace varno
