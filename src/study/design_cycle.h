// The design cycle as the host drives it: get a set of designs, return their
// results, share designs of its own. The cycle state lives in the study; all
// its transitions are made in design_cycle.cpp.
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
    int cycleCounter = 0;   // sets handed out that count as cycles
    int totalCycles = 0;    // the same, never lowered
    bool firstCycle = true;
    bool cycleBegun = false;
    bool initialSetDone = false;
    int sharedWaiting = 0;  // shared designs without results, counted at each get
    CyclePath path = CyclePath::shared;
    std::vector<SharedDesign> shared;
    std::vector<design::Design> handedOut;  // the set out with the host
    std::vector<bool> handedOutHasResults;
};

// The bodies of the three design-cycle calls, run inside their frames once
// the study is finalised.
int getNextSetOfDesigns(Study& study, int** designIds, double*** designValues);
int updateResultsForDesignSet(Study& study, int nDesigns, int* designIds, int* errorFlags,
                              double** responseValues, char** designNames);
int shareDesigns(Study& study, const char* namePrefix, int nDesigns, const int* evaluationTypes,
                 int nValues, double** values, int nResponses, double** responseValues,
                 int** sharedIds, char** designNames);

// The Pareto set of the agent's designs: its size, with the ids and ranks in
// new blocks; 0 with a message when there are not enough designs.
int paretoDesignIds(Study& study, int** paretoIds, int** paretoRanks);

// Scores a design from its response values in study order.
double scoreDesign(Study& study, design::Design& design, const std::vector<double>& values);

}  // namespace varno
