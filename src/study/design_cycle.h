// The design cycle as the host drives it: get a set of designs, return their
// results. The cycle state lives in the study; its transitions are made in
// design_cycle.cpp, and the sharing of host designs adds to it.
#pragma once

#include <vector>

#include "design/design.h"

namespace varno {

struct Study;

// Where the designs of the current set come from.
enum class CyclePath {
    shared,       // designs shared by the host
    engine,       // bred by the search engine (TRAVOK, MOTRAVOK)
    arraySet,     // the whole array of a DOE-type study
    unsupported,  // a method the interface does not run
};

struct SharedDesign {
    design::Design design;
    bool hasResults = false;
    std::vector<double> values;  // the host's response values, study order
    int errorFlag = 0;
};

struct CycleState {
    int cycleCounter = 0;  // sets handed out that count as cycles
    int totalCycles = 0;   // the same, never lowered
    bool firstCycle = true;
    bool cycleBegun = false;
    bool initialSetDone = false;
    int sharedWaiting = 0;  // shared designs without results, counted at each get
    CyclePath path = CyclePath::shared;
    std::vector<SharedDesign> shared;
    std::vector<design::Design> handedOut;  // the set out with the host
    std::vector<bool> handedOutHasResults;
};

// The bodies of the two design-cycle calls, run inside their frames once
// the study is finalised.
int getNextSetOfDesigns(Study& study, int** designIds, double*** designValues);
int updateResultsForDesignSet(Study& study, int nDesigns, int* designIds, int* errorFlags,
                              double** responseValues, char** designNames);

// The evaluations the study may still make: the rest of an optimisation's
// budget, or the limit of designs per study for the other study types.
int evaluationsLeft(const Study& study);

}  // namespace varno
