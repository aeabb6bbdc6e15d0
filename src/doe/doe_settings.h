// The DOE settings of an agent, read from its method block.
#pragma once

#include <cstdint>
#include <string>

#include "model/block_reader.h"

namespace varno::doe {

struct DoeSettings {
    int lhsTries = 0;
    int order = 0;  // full factorials: k; fractional factorials: p
    int kind = 0;
    int numFactors = 0;
    int numRuns = 0;
    int numLevels = 0;
    int taguchiArray = -1;
    double lhcoTimeLimit = 60.0;  // seconds
    std::string genRSMAfterStudy;
};

enum class KindContext { doe, sampling };

// The kind code of a `sampleMethod` keyword; any other text is fatal.
int doeKindFromText(const std::string& text, KindContext context);

// `genRSMAfterStudy` of a method block; "NONE" writes the note that the
// study named by `studyWord` ends without response surfaces.
std::string readSurfaceChoice(const model::BlockReader& reader, const char* studyWord);

// Reads the kind (`sampleMethod`, or `kindKey`), the kind's properties and
// `genRSMAfterStudy` (reader of type "Study"). Writes the D-optimal note and
// the no-surfaces note.
DoeSettings readDoeSettings(const model::BlockReader& reader,
                            const std::string& kindKey = "sampleMethod");

// The number of runs the settings ask for, in 64 bits (before building):
// exact for the classical kinds, numEvals for the others.
std::int64_t plannedRuns(const DoeSettings& settings);

// The number of level values a factor must carry for the kind, or 0 when the
// kind does not fix it (the mixed orthogonal arrays, the file, existing designs).
int requiredLevelValues(const DoeSettings& settings);

}  // namespace varno::doe
