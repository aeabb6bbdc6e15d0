// The multi-objective hybrid search: an archive of designs ranked by Pareto
// fronts and spread by crowding distance. Each cycle breeds a population of
// new designs from the archive by crowded tournaments, adaptive crossover and
// mutation; after their results the archive is rebuilt by non-dominated
// sorting, written to the Pareto file and tested for termination.
#pragma once

#include <string>
#include <vector>

#include "design/design.h"
#include "model/project_model.h"
#include "search/agent.h"
#include "search/genetic_core.h"
#include "search/genetic_operators.h"
#include "search/operator_weights.h"
#include "search/pareto.h"
#include "search/pareto_file.h"
#include "search/pareto_termination.h"
#include "search/population.h"
#include "search/random_stream.h"
#include "search/travok_search.h"

namespace varno::search {

struct MotravokSettings {
    int agentNumber = 0;
    int performanceNumber = 0;  // names the performance definition in messages
    int archiveSize = 0;
    int breedingSize = 0;
    int shutOff = 0;            // 0: no automatic termination; 2: looser limits
    int maxEvaluations = 0;
    bool structuredInitialization = true;
    bool adaptiveOperators = true;
    // When a bred child is not new and the study has constraints, its
    // replacement is mutated from the more feasible of its parents instead of
    // from the child itself. Off unless asked for.
    bool constraintRepair = false;

    static MotravokSettings fromAgent(const Agent& agent);
};

class MotravokSearch {
public:
    static constexpr long attemptLimit = 1000000;

    // Fatal when `definition` has fewer than two objectives. Creates the
    // Pareto file at `paretoPath` unless the path is empty (no file output).
    // `definition` is read whenever results are scored and must outlive the
    // search.
    MotravokSearch(const MotravokSettings& settings, std::vector<int> fieldSizes,
                   RandomStream& random, const model::PerformanceDefinition& definition,
                   std::string paretoPath, SearchMessages messages = {});

    // Archive-size members: the seeded stored designs (each with its
    // performance, id and response values), then new members to evaluate.
    Population& buildInitialPopulation(std::vector<design::Design> seeded);

    // Breeds the breeding population from the archive: every changed member is
    // a design the store has no result for and no other child repeats.
    Population& breedCycle(const StoreView& store, int cycle);

    // Once every changed pending member carries its performance, id and
    // response values: ranks the initial population into the archive, or
    // rebuilds the archive after a bred cycle. `agentDesigns` are all of the
    // agent's evaluated stored designs, with their response values.
    void acceptResults(const std::vector<design::Design>& agentDesigns);

    bool terminationMet() const { return termination_.met(); }
    const std::vector<ParetoDesign>& archive() const { return archive_; }
    Population& pending() { return pending_; }

    int lastRank() const { return lastRank_; }
    int largestLastRank() const { return largestLastRank_; }
    int generation() const { return generation_; }
    double boundary() const { return boundary_; }
    bool exploring() const { return exploring_; }
    const ParetoTermination& termination() const { return termination_; }
    AdaptiveOperators& adaptive() { return adaptive_; }
    const AdaptiveOperators& adaptive() const { return adaptive_; }
    GeneticOperators& operators() { return operators_; }

private:
    enum class PendingKind { none, initial, bred };

    int archiveSize() const { return settings_.archiveSize; }
    int breedingSize() const { return settings_.breedingSize; }
    design::Design freshDesign(std::vector<int> codes) const {
        return search::freshDesign(std::move(codes), settings_.agentNumber);
    }
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
    bool isNew(const PopulationMember& child, const StoreView& store, const Population& bred,
               std::size_t slot) const;
    PopulationMember repairBase(const PopulationMember& child) const;
    void makeNew(const StoreView& store, const Population& parents, Population& bred,
                 std::size_t slot);

    MotravokSettings settings_;
    std::vector<int> fieldSizes_;
    RandomStream& random_;
    const model::PerformanceDefinition& definition_;
    ParetoFile paretoFile_;
    SearchMessages messages_;
    AdaptiveOperators adaptive_;
    GeneticOperators operators_;
    ParetoTermination termination_;
    double boundary_ = boundaryCrowding;

    std::vector<ParetoDesign> archive_;
    Population pending_;
    PendingKind pendingKind_ = PendingKind::none;
    int cycle_ = 0;
    int generation_ = 0;
    int lastRank_ = 0;
    int largestLastRank_ = 0;
    double bestSoFar_ = UNSET_PERFORMANCE;
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
