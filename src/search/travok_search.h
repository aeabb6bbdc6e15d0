// The TRAVOK search: a crowding genetic algorithm with adaptive crossover and
// mutation, plus model-guided candidates (the largest-level design, surrogate
// proposals, a simplex reflection and the baseline step) placed over children
// that breeding left unchanged. The design cycle hands out the
// changed members of the pending population and returns their results.
#pragma once

#include <limits>
#include <optional>
#include <span>
#include <vector>

#include "design/design.h"
#include "search/agent.h"
#include "search/candidate_credit.h"
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
    bool modelSwitch = true;  // surrogate candidates
    // The baseline step: on when the baseline counts as a good design; the
    // baseline's codes are empty when the baseline was never set.
    bool baselineImportant = false;
    std::vector<int> baselineCodes;
    // Designs come back from a host, so every cycle prepares the model-guided
    // candidates; without a host only simultaneous evaluations do.
    bool designsFromHost = true;

    static TravokSettings fromAgent(const Agent& agent);
};

// Where a candidate came from; the largest-level design and the least-squares
// surrogate share their tag.
enum class CandidateSource { largestLevel, leastSquares, kriging, radialBasis, simplex, baseline };

// A model-guided candidate with its source tag and the raw fitness it must
// beat to count as a success (the raw fitness of the design its step started
// from).
struct Candidate {
    design::Design design;
    int tag = tagUnchanged;
    double reference = 0.0;
    CandidateSource source = CandidateSource::largestLevel;
    LocalMethod method = LocalMethod::pattern;  // baseline candidates only
};

// An earlier successful surrogate candidate, or the best design so far once
// the population has lost it: a further start for surrogate steps once;
// `uses` counts the steps started from it.
struct StartRecord {
    design::IntegerCodes codes;
    double rawFitness = 0.0;
    int uses = 0;
};

// Where the baseline step stands: the best design of its local search (the
// baseline until a step beats it) and the pattern method's steps and next
// direction.
struct BaselineStepState {
    bool started = false;
    design::Design incumbent;
    std::vector<int> patternSteps;
    int patternDirection = 0;  // field * 2, plus 1 for a step down
    int lastDirection = 0;
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
    // Beyond this many variables no surrogate is fitted.
    static constexpr int modelVariableLimit = 160;

    TravokSearch(const TravokSettings& settings, std::vector<int> fieldSizes, RandomStream& random,
                 SearchMessages messages = {});

    // Before a generation: re-initialises a stagnating search. When it returns
    // true the pending population is the re-initialised one, to hand out
    // instead of breeding.
    bool reinitialize(int cycle, int ncycles) override;
    double bestSoFar() const override { return bestSoFar_; }
    // The current population, the baseline step's incumbent apart, and
    // everything learnt; only between generations.
    std::optional<SearchSnapshot> snapshot() const override;
    bool restore(const SearchSnapshot& snapshot) override;

    // The number of new designs a generation should make besides `candidates`.
    int cycleSize(int candidates);

    const Population& current() const { return current_; }
    const PopulationMember& bestMember() const;
    const PopulationStatistics& statistics() const { return statistics_; }
    const std::vector<Candidate>& candidates() const { return candidates_; }
    int placedCandidates() const { return placed_; }
    const SimplexRecord& simplexRecord() const { return simplex_; }
    const SurrogateChoice& surrogateChoice() const { return surrogateChoice_; }
    const LocalMethodChoice& localMethods() const { return localMethods_; }
    const std::vector<StartRecord>& startRecords() const { return startRecords_; }
    bool modelSwitch() const { return settings_.modelSwitch; }
    double lowerThreshold() const { return lowerThreshold_; }
    double upperThreshold() const { return upperThreshold_; }
    const Reinitialization& reinitialization() const { return reinitialization_; }

private:
    bool canBreed() const override { return !current_.empty(); }
    // One TRAVOK cycle (see the .cpp).
    Population breedPopulation(const StoreView& store, int cycle) override;
    // Credits, statistics, and the pending population becomes the current one.
    void takeResults(PendingKind kind, const AgentDesigns&) override;
    void recordLostBest();
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
    void creditCandidate(const Candidate& candidate, const PopulationMember& evaluated);

    // Surrogate candidates (travok_surrogates.cpp).
    void addSurrogateCandidates(const StoreView& store);
    std::optional<design::Design> surrogateSearch(const StoreView& store,
                                                  const design::Design& start, int tag);
    std::optional<design::Design> leastSquaresStep(const StoreView& store,
                                                   const design::Design& start);
    std::vector<design::Design> gatherAround(const StoreView& store, const design::Design& start,
                                             int sizeLimit);
    bool isUnknown(std::span<const int> codes, const StoreView& store) const;

    // Baseline step (travok_baseline.cpp).
    void addBaselineCandidate(const StoreView& store);
    std::optional<design::Design> localStep(LocalMethod method, const StoreView& store);
    std::optional<design::Design> trustRegionStep(const StoreView& store);
    std::optional<design::Design> simplexStep(const StoreView& store);
    std::optional<design::Design> patternStep(const StoreView& store);
    void creditBaselineCandidate(const Candidate& candidate, const PopulationMember& evaluated);
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
    SurrogateChoice surrogateChoice_;
    LocalMethodChoice localMethods_;
    std::vector<StartRecord> startRecords_;
    design::IntegerCodes bestCodes_;  // the codes of the best design so far
    int surrogateSteps_ = 0;          // Kriging and radial-basis searches made
    BaselineStepState baseline_;
};

}  // namespace varno::search
