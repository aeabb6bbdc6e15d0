// One request of the search engine: produce the next set of designs of an
// agent's search, hand out the new ones, and take their results back.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "design/design.h"
#include "design/design_store.h"
#include "design/encoding.h"
#include "search/agent.h"
#include "search/population_search.h"
// The searches the engine runs, for the callers that create them.
#include "search/motravok_search.h"
#include "search/travok_search.h"

namespace varno::search {

// Where the engine's current request stands.
struct EngineState {
    bool initialHandedOut = false;  // the initial population has gone out
    bool initialSetDone = false;    // ... and its results are in
    bool finished = false;          // no further designs will be produced
    // The initial population starts from the agent's stored designs; off, it
    // is built afresh from the random stream (a retraced run), and the
    // designs the store knows are answered from it.
    bool seedFromStore = true;
};

// The collaborators of one engine request.
struct EngineRequest {
    Agent& agent;
    design::DesignStore& store;
    design::DesignEncoding& encoding;
    SearchMethod& method;
    EngineState& state;
    int& cycleCounter;
    // The variables' baseline values; when given, the baseline design is the
    // first design of the initial population (id 1).
    std::vector<double> baseline;
    // The performance of a design from its stored response values.
    std::function<double(design::Design&)> rescore;
    // Notes for the message log.
    std::function<void(const std::string&)> note;
    // The agent's objectives and constraints, for judging predicted designs.
    const model::PerformanceDefinition* goals = nullptr;
};

// Produces the next set: the initial population first, then one generation
// per request. Returns the new designs to evaluate, each with its id, name
// and values; designs the store already knows take their stored results and
// are not returned. An empty result means the search has finished.
std::vector<design::Design> produceDesigns(EngineRequest& request);

// Takes the results of the designs handed out (scored and stored by the
// caller) into the pending population and lets the search learn from them.
void acceptResults(EngineRequest& request, const std::vector<design::Design>& evaluated);

// The agent's evaluated designs in store order, with their codes, values and
// results.
std::vector<design::Design> evaluatedDesigns(const design::DesignStore& store, int agent,
                                             int variableCount);
std::vector<design::Design> evaluatedDesigns(EngineRequest& request);

// The store as the search sees it: saved performances and stored designs of
// the agent.
StoreView storeViewFor(EngineRequest& request);

}  // namespace varno::search
