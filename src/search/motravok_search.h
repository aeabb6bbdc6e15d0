// The multi-objective hybrid search: an archive of designs ranked by Pareto
// fronts and spread by crowding distance. Each cycle breeds a population of
// new designs from the archive by crowded tournaments, adaptive crossover and
// mutation; after their results the archive is rebuilt by non-dominated
// sorting, written to the Pareto file and tested for termination.
#pragma once

#include <limits>
#include <string>
#include <vector>

#include "design/design.h"
#include "model/project_model.h"
#include "search/agent.h"
#include "search/genetic_core.h"
#include "search/pareto.h"
#include "search/pareto_file.h"
#include "search/pareto_termination.h"
#include "search/population.h"
#include "search/population_search.h"
#include "search/random_stream.h"

namespace varno::search {

struct MotravokSettings {
    int agentNumber = 0;
    int performanceNumber = 0;  // names the performance definition in messages
    int archiveSize = 0;
    int breedingSize = 0;
    int shutOff = 0;  // 0: no automatic termination; 2: looser limits
    int maxEvaluations = 0;
    bool structuredInitialization = true;
    bool adaptiveOperators = true;
    // When a bred child is not new and the study has constraints, its
    // replacement is mutated from the more feasible of its parents instead of
    // from the child itself (the method key constraintRepair: 1). Off unless
    // asked for.
    bool constraintRepair = false;
    // Children of real-valued fields by simulated binary crossover and
    // polynomial mutation instead of the adaptive operators (the method key
    // realStep: 1); a child they leave unchanged or repeated is mutated until
    // new as usual. Off unless asked for.
    bool realStep = false;

    static MotravokSettings fromAgent(const Agent& agent);
};

class MotravokSearch : public PopulationSearch {
public:
    // Fatal when `definition` has fewer than two objectives. Creates the
    // Pareto file at `paretoPath` unless the path is empty (no file output).
    // `definition` is read whenever results are scored and must outlive the
    // search. The archive size is the population size of the initial
    // population; every bred population has the breeding size, and each of
    // its changed members is a design the store has no result for and no
    // other child repeats.
    MotravokSearch(const MotravokSettings& settings, std::vector<int> fieldSizes,
                   RandomStream& random, const model::PerformanceDefinition& definition,
                   std::string paretoPath, SearchMessages messages = {});

    // True once the archive's spread has settled (see ParetoTermination).
    bool finished() const override { return termination_.met(); }
    // The archive and everything learnt, in the state; only between
    // generations.
    std::optional<SearchSnapshot> snapshot() const override;
    bool restore(const SearchSnapshot& snapshot) override;
    // A Pareto search has no single best value.
    double bestSoFar() const override { return -std::numeric_limits<double>::infinity(); }

    const std::vector<ParetoDesign>& archive() const { return archive_; }
    int lastRank() const { return lastRank_; }
    int largestLastRank() const { return largestLastRank_; }
    double boundary() const { return boundary_; }
    bool exploring() const { return exploring_; }
    const ParetoTermination& termination() const { return termination_; }

private:
    bool canBreed() const override { return !archive_.empty(); }
    // Breeds the breeding population from the archive.
    Population breedPopulation(const StoreView& store, int cycle) override;
    // Ranks the initial population into the archive, or rebuilds the archive
    // after a bred cycle. `agentDesigns` are all of the agent's evaluated
    // stored designs, with their response values.
    void takeResults(PendingKind kind, const AgentDesigns& agentDesigns) override;

    int archiveSize() const { return populationSize(); }
    int breedingSize() const { return settings_.breedingSize; }
    ParetoDesign prepared(const PopulationMember& member) const;
    void acceptInitial();
    void acceptBred(const std::vector<design::Design>& agentDesigns);
    void takeArchive(std::vector<ParetoDesign> archive);
    void decideOperators();

    // Breeding (motravok_breeding.cpp).
    Population archivePopulation() const;
    std::vector<int> shuffledArchiveIndices();
    int tournament(int first, int second);
    void walkList(const std::vector<int>& list, const Population& parents, Population& bred);
    void breedPair(const Population& parents, int mate1, int mate2, Population& bred);
    // The real-valued step (motravok_real_step.cpp).
    void realStepPair(const Population& parents, int mate1, int mate2, Population& bred);
    void simulatedBinaryCrossover(design::IntegerCodes& first, design::IntegerCodes& second);
    void polynomialMutation(design::IntegerCodes& codes);
    bool isNew(const PopulationMember& child, const StoreView& store, const Population& bred,
               std::size_t slot) const;
    PopulationMember repairBase(const PopulationMember& child) const;
    void makeNew(const StoreView& store, const Population& parents, Population& bred,
                 std::size_t slot);

    MotravokSettings settings_;
    const model::PerformanceDefinition& definition_;
    ParetoFile paretoFile_;
    ParetoTermination termination_;
    double boundary_ = boundaryCrowding;

    std::vector<ParetoDesign> archive_;
    int cycle_ = 0;
    int lastRank_ = 0;
    int largestLastRank_ = 0;
    // The best scalar performance in any archive so far, which credits the
    // operators of children that reach it.
    double bestPerformance_ = UNSET_PERFORMANCE;
    bool exploring_ = false;
};

// The Pareto query: the archive-size best of the agent's evaluated stored
// designs. Refuses with a reason in `refusal` (and returns nothing) when
// fewer designs than the archive size were evaluated without error.
std::vector<ParetoDesign> paretoQuery(const std::vector<design::Design>& agentDesigns,
                                      const model::PerformanceDefinition& definition,
                                      int archiveSize, int breedingSize, RandomStream& random,
                                      std::string& refusal);

}  // namespace varno::search
