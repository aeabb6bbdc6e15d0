// One request of the search engine: produce the next set of designs of a
// TRAVOK agent, hand out the new ones, and take their results back.
#pragma once

#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "design/design.h"
#include "design/design_store.h"
#include "design/encoding.h"
#include "search/agent.h"
#include "search/motravok_search.h"
#include "search/travok_search.h"

namespace varno::search {

// Where the engine's current request stands.
struct EngineState {
    bool initialHandedOut = false;  // the initial population has gone out
    bool initialSetDone = false;    // ... and its results are in
    bool finished = false;          // no further designs will be produced
};

// A population-based search as the engine drives it: an initial population,
// then one bred population per request, each taken back with its results.
class SearchMethod {
public:
    virtual ~SearchMethod() = default;
    virtual Population& buildInitialPopulation(std::vector<design::Design> seeded) = 0;
    // True when a re-initialised population replaces this request's breeding.
    virtual bool reinitialize(int cycle, int ncycles) = 0;
    virtual Population& breed(const StoreView& store, int cycle) = 0;
    virtual Population& pending() = 0;
    // The pending members carry their results; `agentDesigns` are all the
    // agent's evaluated designs in the store.
    virtual void acceptResults(const std::vector<design::Design>& agentDesigns) = 0;
    // True when the search has met its own criteria for ending.
    virtual bool finished() const { return false; }
    virtual double bestSoFar() const = 0;
};

// TRAVOK as a search method.
class TravokMethod : public SearchMethod {
public:
    explicit TravokMethod(std::unique_ptr<TravokSearch> search) : search_(std::move(search)) {}
    Population& buildInitialPopulation(std::vector<design::Design> seeded) override {
        return search_->buildInitialPopulation(std::move(seeded));
    }
    bool reinitialize(int cycle, int ncycles) override {
        return search_->reinitializeCheck(cycle, ncycles);
    }
    Population& breed(const StoreView& store, int cycle) override {
        // Designs always come back from the host through the interface.
        return search_->breedCycle(store, cycle, true);
    }
    Population& pending() override { return search_->pending(); }
    void acceptResults(const std::vector<design::Design>&) override { search_->acceptResults(); }
    double bestSoFar() const override { return search_->bestSoFar(); }
    TravokSearch& search() { return *search_; }

private:
    std::unique_ptr<TravokSearch> search_;
};

// MOTRAVOK as a search method: each request breeds from the Pareto archive.
class MotravokMethod : public SearchMethod {
public:
    explicit MotravokMethod(std::unique_ptr<MotravokSearch> search) : search_(std::move(search)) {}
    Population& buildInitialPopulation(std::vector<design::Design> seeded) override {
        return search_->buildInitialPopulation(std::move(seeded));
    }
    bool reinitialize(int, int) override { return false; }
    Population& breed(const StoreView& store, int cycle) override {
        return search_->breedCycle(store, cycle);
    }
    Population& pending() override { return search_->pending(); }
    void acceptResults(const std::vector<design::Design>& agentDesigns) override {
        search_->acceptResults(agentDesigns);
    }
    bool finished() const override { return search_->terminationMet(); }
    // A Pareto search has no single best value.
    double bestSoFar() const override { return -std::numeric_limits<double>::infinity(); }
    MotravokSearch& search() { return *search_; }

private:
    std::unique_ptr<MotravokSearch> search_;
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
