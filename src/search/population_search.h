// The engine's interface to a search, and the population-based searches that
// implement it. A population search owns what every genetic search needs: the
// field sizes, the study's random stream, the adaptive operators, the pending
// population and the generation count. It builds the initial population,
// hands out bred populations and takes their results back; each search adds
// its own breeding and its own learning from the results.
#pragma once

#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "design/design.h"
#include "model/project_model.h"
#include "search/genetic_core.h"
#include "search/genetic_operators.h"
#include "search/operator_weights.h"
#include "search/population.h"
#include "search/random_stream.h"
#include "search/random_stream.h"
#include "support/binary_io.h"

namespace varno::search {

// What a search asks of the design store. Both lookups concern the agent's
// integer-coded designs (the design passed carries its codes in `ints`, the
// agent number in `agentTag` and evaluation kind integerCoded).
struct StoreView {
    // The stored performance of a design with these codes, or
    // design::NEW_DESIGN_MARK when the store has no result for it.
    std::function<double(const design::Design&)> savedPerformance;
    // Up to `count` evaluated designs of the agent, each with its ints, reals,
    // response values and performance: the nearest to `start` in codes when `nearest`, else the
    // best. Fewer than `count` when the store holds fewer. May be left empty.
    std::function<std::vector<design::Design>(const design::Design& start, int count, bool nearest)>
        storedDesigns;
    // The agent's evaluated designs whose codes lie within [low, high] in
    // every field (inclusive), each with its ints, reals, response values and
    // performance, in store order; when more than `limit` lie there, `limit`
    // of them drawn by `random` (RandomStream::sample over their store
    // order). May be left empty.
    std::function<std::vector<design::Design>(
        const std::vector<int>& low, const std::vector<int>& high, int limit, RandomStream& random)>
        designsInBox;
    // The number of the agent's evaluated designs. May be left empty.
    std::function<int()> evaluatedCount;
    // The agent's objectives and constraints, which judge the designs that
    // fitted surfaces predict. Without them no surrogate is fitted.
    const model::PerformanceDefinition* goals = nullptr;
};

// All of an agent's evaluated designs in store order, each with its codes,
// values and results: gathered once, when a search first asks for them, as
// most searches never do.
class AgentDesigns {
public:
    using Gather = std::function<std::vector<design::Design>()>;

    AgentDesigns() = default;
    AgentDesigns(std::vector<design::Design> designs) : designs_(std::move(designs)) {}
    explicit AgentDesigns(Gather gather) : gather_(std::move(gather)) {}

    const std::vector<design::Design>& get() const {
        if (gather_) {
            designs_ = gather_();
            gather_ = nullptr;
        }
        return designs_;
    }

private:
    mutable Gather gather_;
    mutable std::vector<design::Design> designs_;
};

// A search between two generations, for checkpoints: the population the
// next generation breeds from, a further member some searches keep apart,
// and every other value the search has learnt, little-endian.
struct SearchSnapshot {
    Population members;
    PopulationMember apart;
    std::string state;
};

void writeMember(support::ByteWriter& out, const PopulationMember& member);
bool readMember(support::ByteReader& in, PopulationMember& member);

// A search as the engine drives it: an initial population, then one bred
// population per request, each taken back with its results.
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
    virtual void acceptResults(const AgentDesigns& agentDesigns) = 0;
    // True when the search has met its own criteria for ending.
    virtual bool finished() const { return false; }
    virtual double bestSoFar() const = 0;
    // The state between generations; a search that cannot be saved gives
    // nothing and refuses every snapshot.
    virtual std::optional<SearchSnapshot> snapshot() const { return std::nullopt; }
    // False when the snapshot does not fit this search, which is then no
    // longer fit to run.
    virtual bool restore(const SearchSnapshot& /*snapshot*/) { return false; }
};

class PopulationSearch : public SearchMethod {
public:
    // Mutations tried on a child before random members are tried instead,
    // as many again; fewer in a small design space (attemptLimit).
    static constexpr long mutationAttemptLimit = 1000000;

    // The operators refer to the search's own adaptive statistics.
    PopulationSearch(const PopulationSearch&) = delete;
    PopulationSearch& operator=(const PopulationSearch&) = delete;

    // Population-size members: the seeded stored designs (each with its
    // performance), then new members to evaluate.
    Population& buildInitialPopulation(std::vector<design::Design> seeded) final;
    // Breeds the next population from the evaluated one; its changed members
    // are new designs.
    Population& breed(const StoreView& store, int cycle) final;
    Population& pending() final { return pending_; }
    // Once every changed pending member carries its results: the search
    // learns from them, and a bred population counts as a generation.
    void acceptResults(const AgentDesigns& agentDesigns) final;
    bool reinitialize(int /*cycle*/, int /*ncycles*/) override { return false; }

    int generation() const { return generation_; }
    const std::vector<int>& fieldSizes() const { return fieldSizes_; }
    AdaptiveOperators& adaptive() { return adaptive_; }
    const AdaptiveOperators& adaptive() const { return adaptive_; }
    GeneticOperators& operators() { return operators_; }

protected:
    enum class PendingKind { none, initial, bred, reinitialized };
    using NewDesignTest = std::function<bool(const PopulationMember&)>;

    PopulationSearch(int agentNumber, int populationSize, bool structuredInitialization,
                     std::vector<int> fieldSizes, RandomStream& random, SearchMessages messages);

    // True when an evaluated population is there to breed from.
    virtual bool canBreed() const = 0;
    // The next population bred from the evaluated one.
    virtual Population breedPopulation(const StoreView& store, int cycle) = 0;
    // Learns from the results of the pending population, which came from `kind`.
    virtual void takeResults(PendingKind kind, const AgentDesigns& agentDesigns) = 0;

    // Makes `population` the pending one, its changed members new designs of
    // the agent.
    Population& handOut(Population population, PendingKind kind);
    bool awaitingResults() const { return pendingKind_ != PendingKind::none; }

    // A mutation of `start`, drawing field spreads from `parents`, that passes
    // `isNew`; random members once mutation keeps failing; nothing when
    // neither gives a new design. The result is changed and of the next
    // generation.
    std::optional<PopulationMember> mutateUntilNew(const PopulationMember& start,
                                                   const Population& parents,
                                                   const NewDesignTest& isNew);

    // The tries of each kind for one child: mutationAttemptLimit, or 20 per
    // design of a small space (at least 1,000), so that a space nearly used
    // up costs milliseconds instead of seconds per child.
    long attemptLimit() const;

    int agentNumber() const { return agentNumber_; }
    int populationSize() const { return populationSize_; }
    int fieldCount() const { return static_cast<int>(fieldSizes_.size()); }
    // What every population search learns: its generation count, the
    // adaptive operators and the operators' counts.
    void writeCommonState(support::ByteWriter& out) const;
    bool readCommonState(support::ByteReader& in);

    design::Design freshDesign(design::IntegerCodes codes) const {
        return search::freshDesign(std::move(codes), agentNumber_);
    }

    const std::vector<int> fieldSizes_;
    RandomStream& random_;
    const SearchMessages messages_;
    AdaptiveOperators adaptive_;
    GeneticOperators operators_;
    Population pending_;

private:
    int agentNumber_;
    int populationSize_;
    bool structuredInitialization_;
    PendingKind pendingKind_ = PendingKind::none;
    int generation_ = 0;
};

}  // namespace varno::search
