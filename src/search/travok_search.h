// The TRAVOK search: a crowding genetic algorithm with adaptive crossover and
// mutation, plus the largest-level and simplex-reflection candidates placed
// over children that breeding left unchanged. The design cycle hands out the
// changed members of the pending population and returns their results.
#pragma once

#include <limits>
#include <vector>

#include "design/design.h"
#include "search/agent.h"
#include "search/genetic_core.h"
#include "search/population.h"
#include "search/population_search.h"
#include "search/random_stream.h"

namespace varno::search {

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
    // Designs come back from a host, so every cycle prepares the model-guided
    // candidates; without a host only simultaneous evaluations do.
    bool designsFromHost = true;

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

class TravokSearch : public PopulationSearch {
public:
    static constexpr int candidateLimit = 20;

    TravokSearch(const TravokSettings& settings, std::vector<int> fieldSizes, RandomStream& random,
                 SearchMessages messages = {});

    // Before a generation: re-initialises a stagnating search. When it returns
    // true the pending population is the re-initialised one, to hand out
    // instead of breeding.
    bool reinitialize(int cycle, int ncycles) override;
    double bestSoFar() const override { return bestSoFar_; }

    // The number of new designs a generation should make besides `candidates`.
    int cycleSize(int candidates);

    const Population& current() const { return current_; }
    const PopulationMember& bestMember() const;
    const PopulationStatistics& statistics() const { return statistics_; }
    const std::vector<Candidate>& candidates() const { return candidates_; }
    int placedCandidates() const { return placed_; }
    const SimplexRecord& simplexRecord() const { return simplex_; }
    double lowerThreshold() const { return lowerThreshold_; }
    double upperThreshold() const { return upperThreshold_; }
    // Children of the last cycle the store had already evaluated: codes and
    // stored performance.
    const std::vector<design::Design>& rememberedDesigns() const { return remembered_; }
    const Reinitialization& reinitialization() const { return reinitialization_; }

private:
    bool canBreed() const override { return !current_.empty(); }
    // One TRAVOK cycle (see the .cpp).
    Population breedPopulation(const StoreView& store, int cycle) override;
    // Credits, statistics, and the pending population becomes the current one.
    void takeResults(PendingKind kind, const AgentDesigns&) override;
    void recordThresholds();

    // Breeding (travok_generation.cpp).
    Population crowdingGeneration(const StoreView& store);
    void breedPair(const StoreView& store, const std::vector<int>& mates, Population& bred);
    bool isNewDesign(const PopulationMember& child, const StoreView& store, const Population& bred,
                     const PopulationMember* sibling);
    PopulationMember copyOf(int index) const;
    void limitBredChildren(Population& bred, int bredCount, int target) const;
    void fillByMutation(const StoreView& store, Population& bred, int target);

    // Candidates (travok_candidates.cpp).
    void prepareCandidates(const StoreView& store, int cycle);
    void addLargestLevelCandidate(const StoreView& store);
    void addSimplexCandidate(const StoreView& store);
    void dropRepeatedCandidates(const StoreView& store);
    void creditCandidates();
    bool storeKnows(const design::Design& design, const StoreView& store) const;

    TravokSettings settings_;
    Reinitialization reinitialization_;

    Population current_;
    PopulationStatistics statistics_;
    double bestSoFar_ = -std::numeric_limits<double>::infinity();
    double lowerThreshold_ = 0.0;
    double upperThreshold_ = 0.0;
    std::vector<Candidate> candidates_;
    int placed_ = 0;
    SimplexRecord simplex_;
    std::vector<design::Design> remembered_;
};

}  // namespace varno::search
