// Starting and ending a study: the work of VARNO_initializeStudySetup and
// VARNO_endStudy inside their frames.
#pragma once

namespace varno {

inline constexpr int buildNumber = 8677;

// Discards any current study and starts a new one from the options text.
// Returns 1, or 0 when the working directory is unusable.
int initializeStudy(const char* options);

// Ends the current study and releases all of it. Returns 0 when no study was
// set up.
int endStudy();

}  // namespace varno
