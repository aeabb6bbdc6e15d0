// One request of the search engine: produce the next set of designs of a
// TRAVOK agent, hand out the new ones, and take their results back.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "design/design.h"
#include "design/design_store.h"
#include "design/encoding.h"
#include "search/agent.h"
#include "search/travok_search.h"

namespace varno::search {

// Where the engine's current request stands.
struct EngineState {
    bool initialHandedOut = false;  // the initial population has gone out
    bool initialSetDone = false;    // ... and its results are in
    bool finished = false;          // no further designs will be produced
};

// The collaborators of one engine request.
struct EngineRequest {
    Agent& agent;
    design::DesignStore& store;
    design::DesignEncoding& encoding;
    TravokSearch& travok;
    EngineState& state;
    int& cycleCounter;
    // The performance of a design from its stored response values.
    std::function<double(design::Design&)> rescore;
    // Notes for the message log.
    std::function<void(const std::string&)> note;
};

// Produces the next set: the initial population first, then one generation
// per request. Returns the new designs to evaluate, each with its id, name
// and values; designs the store already knows take their stored results and
// are not returned. An empty result means the search has finished.
std::vector<design::Design> produceDesigns(EngineRequest& request);

// Takes the results of the designs handed out (scored and stored by the
// caller) into the pending population and lets the search learn from them.
void acceptResults(EngineRequest& request, const std::vector<design::Design>& evaluated);

// The store as the search sees it: saved performances and stored designs of
// the agent.
StoreView storeViewFor(EngineRequest& request);

}  // namespace varno::search
