// The crossed array of a robust parameter design: every run of the control
// (inner) array combined with every run of the noise (outer) array.
#pragma once

#include "doe/doe_designs.h"
#include "doe/doe_settings.h"
#include "doe/doe_table.h"
#include "frame/definition_text.h"

namespace varno::doe {

struct RobustDesignSettings {
    DoeSettings control;
    DoeSettings noise;
};

// Reads `controlSampleMethod` with the inner array's properties and
// `genRSMAfterStudy`, then `noiseSampleMethod`: the properties that follow it
// in the block belong to the outer array.
RobustDesignSettings readRobustDesignSettings(const LineList& lines);

struct CrossedArray {
    DoeTable inner;  // the control array, whose runs the analysis uses
    DoeRuns runs;    // control run by control run, each with every noise run
    int noiseRuns = 0;
};

// Checks both arrays' factors and builds the crossing; the control array is
// built from the control factors, the noise array from the noise factors,
// each by a classical kind (full or fractional factorial, orthogonal array).
CrossedArray crossControlAndNoise(const RobustDesignSettings& settings, const DoeContext& context);

}  // namespace varno::doe
