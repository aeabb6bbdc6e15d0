// The TRAVOK search: a crowding genetic algorithm with adaptive crossover and
// mutation, plus the largest-level and simplex-reflection candidates placed
// over children that breeding left unchanged. The design cycle hands out the
// changed members of the pending population and returns their results.
#pragma once

#include <functional>
#include <limits>
#include <vector>

#include "design/design.h"
#include "search/agent.h"
#include "search/genetic_core.h"
#include "search/genetic_operators.h"
#include "search/operator_weights.h"
#include "search/population.h"
#include "search/random_stream.h"

namespace varno::search {

// What the search asks of the design store. Both lookups concern the agent's
// integer-coded designs (the design passed carries its codes in `ints`, the
// agent number in `agentTag` and evaluation kind integerCoded).
struct StoreView {
    // The stored performance of a design with these codes, or
    // design::NEW_DESIGN_MARK when the store has no result for it.
    std::function<double(const design::Design&)> savedPerformance;
    // Up to `count` evaluated designs of the agent, each with its ints and
    // performance: the nearest to `start` in codes when `nearest`, else the
    // best. Fewer than `count` when the store holds fewer. May be left empty.
    std::function<std::vector<design::Design>(const design::Design& start, int count,
                                              bool nearest)>
        storedDesigns;
};

struct TravokSettings {
    int agentNumber = 0;
    int populationSize = 0;
    int tournamentSize = 2;
    int crowdingFactor = 0;
    int parallelEvaluations = 1;  // MAX_ALLOWED_EVALS
    int reinitializeInterval = 10;
    float reinitializeKeepFraction = 1.0f;
    bool keepsBestOnReinitialization = true;  // an optimisation agent keeps its best
    bool structuredInitialization = true;
    bool largestLevelCandidate = true;

    static TravokSettings fromAgent(const Agent& agent);
};

// A model-guided candidate with its source tag and, for the simplex step, the
// raw fitness it must beat to count as a success.
struct Candidate {
    design::Design design;
    int tag = tagUnchanged;
    double reference = 0.0;
};

struct SimplexRecord {
    int found = 0;       // simplex candidates found again after evaluation
    int successful = 0;  // those that beat their reference value
};

// Overwrites the unchanged members of `population`, in order, with the
// candidates (marking them changed and made in `generation`); the first
// parent of the overwritten copy stays. Returns the number placed.
int placeCandidates(Population& population, const std::vector<Candidate>& candidates,
                    int generation);

class TravokSearch {
public:
    static constexpr int candidateLimit = 20;
    static constexpr long mutationAttemptLimit = 1000000;

    TravokSearch(const TravokSettings& settings, std::vector<int> fieldSizes,
                 RandomStream& random, SearchMessages messages = {});

    // The initial population; its changed members are to be evaluated.
    Population& buildInitialPopulation(std::vector<design::Design> seeded);
    // Breeds the next generation from the current population (see the .cpp).
    Population& breedCycle(const StoreView& store, int cycle, bool designsFromHost);
    // Before a generation: re-initialises a stagnating search. When it returns
    // true the pending population is the re-initialised one, to hand out
    // instead of breeding.
    bool reinitializeCheck(int cycle, int ncycles);
    // Once every pending member carries its performance: credits, statistics,
    // and the pending population becomes the current one.
    void acceptResults();

    // The number of new designs a generation should make besides `candidates`.
    int cycleSize(int candidates);

    const Population& current() const { return current_; }
    Population& pending() { return pending_; }
    const PopulationMember& bestMember() const;
    const PopulationStatistics& statistics() const { return statistics_; }
    double bestSoFar() const { return bestSoFar_; }
    int generation() const { return generation_; }
    const std::vector<Candidate>& candidates() const { return candidates_; }
    int placedCandidates() const { return placed_; }
    const SimplexRecord& simplexRecord() const { return simplex_; }
    double lowerThreshold() const { return lowerThreshold_; }
    double upperThreshold() const { return upperThreshold_; }
    // Children of the last cycle the store had already evaluated: codes and
    // stored performance.
    const std::vector<design::Design>& rememberedDesigns() const { return remembered_; }

    AdaptiveOperators& adaptive() { return adaptive_; }
    const AdaptiveOperators& adaptive() const { return adaptive_; }
    GeneticOperators& operators() { return operators_; }
    const Reinitialization& reinitialization() const { return reinitialization_; }
    const std::vector<int>& fieldSizes() const { return fieldSizes_; }

private:
    enum class PendingKind { none, initial, bred, reinitialized };

    int populationSize() const { return settings_.populationSize; }
    int fieldCount() const { return static_cast<int>(fieldSizes_.size()); }
    design::Design freshDesign(std::vector<int> codes) const {
        return search::freshDesign(std::move(codes), settings_.agentNumber);
    }
    void recordThresholds();

    // Breeding (travok_generation.cpp).
    Population crowdingGeneration(const StoreView& store);
    void breedPair(const StoreView& store, const std::vector<int>& mates, Population& bred);
    bool isNewDesign(const PopulationMember& child, const StoreView& store,
                     const Population& bred, const PopulationMember* sibling);
    PopulationMember copyOf(int index) const;
    void limitBredChildren(Population& bred, int bredCount, int target) const;
    void fillByMutation(const StoreView& store, Population& bred, int target);
    bool mutateCopy(const StoreView& store, Population& bred, std::size_t slot);

    // Candidates (travok_candidates.cpp).
    void prepareCandidates(const StoreView& store, int cycle);
    void addLargestLevelCandidate(const StoreView& store);
    void addSimplexCandidate(const StoreView& store);
    void dropRepeatedCandidates(const StoreView& store);
    void creditCandidates();
    bool storeKnows(const design::Design& design, const StoreView& store) const;

    TravokSettings settings_;
    std::vector<int> fieldSizes_;
    RandomStream& random_;
    SearchMessages messages_;
    AdaptiveOperators adaptive_;
    GeneticOperators operators_;
    Reinitialization reinitialization_;

    Population current_;
    Population pending_;
    PendingKind pendingKind_ = PendingKind::none;
    PopulationStatistics statistics_;
    double bestSoFar_ = -std::numeric_limits<double>::infinity();
    int generation_ = 0;
    double lowerThreshold_ = 0.0;
    double upperThreshold_ = 0.0;
    std::vector<Candidate> candidates_;
    int placed_ = 0;
    SimplexRecord simplex_;
    std::vector<design::Design> remembered_;
};

}  // namespace varno::search
