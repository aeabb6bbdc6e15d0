#include "search/population_search.h"

#include <algorithm>
#include <stdexcept>

namespace varno::search {

PopulationSearch::PopulationSearch(int agentNumber, int populationSize,
                                   bool structuredInitialization, std::vector<int> fieldSizes,
                                   RandomStream& random, SearchMessages messages)
    : fieldSizes_(std::move(fieldSizes)), random_(random), messages_(std::move(messages)),
      adaptive_(populationSize), operators_(fieldSizes_, random, adaptive_),
      agentNumber_(agentNumber), populationSize_(populationSize),
      structuredInitialization_(structuredInitialization) {}

Population& PopulationSearch::buildInitialPopulation(std::vector<design::Design> seeded) {
    if (awaitingResults()) throw std::logic_error("a population is still out for evaluation");
    const InitialPopulationRequest request{populationSize_, fieldSizes_, structuredInitialization_,
                                           generation_};
    return handOut(search::buildInitialPopulation(std::move(seeded), request, random_),
                   PendingKind::initial);
}

Population& PopulationSearch::breed(const StoreView& store, int cycle) {
    if (awaitingResults() || !canBreed()) {
        throw std::logic_error("breeding needs an evaluated population");
    }
    return handOut(breedPopulation(store, cycle), PendingKind::bred);
}

void PopulationSearch::acceptResults(const AgentDesigns& agentDesigns) {
    if (!awaitingResults()) throw std::logic_error("no population is out for evaluation");
    takeResults(pendingKind_, agentDesigns);
    if (pendingKind_ != PendingKind::initial) ++generation_;
    pending_.clear();
    pendingKind_ = PendingKind::none;
}

Population& PopulationSearch::handOut(Population population, PendingKind kind) {
    pending_ = std::move(population);
    stampChangedMembers(pending_, agentNumber_);
    pendingKind_ = kind;
    return pending_;
}

long PopulationSearch::attemptLimit() const {
    constexpr long triesPerDesign = 20;
    constexpr long fewestTries = 1000;
    double designs = 1.0;
    for (int levels : fieldSizes_) designs *= std::max(levels, 1);
    const double tries = std::max(triesPerDesign * designs, static_cast<double>(fewestTries));
    return tries >= static_cast<double>(mutationAttemptLimit) ? mutationAttemptLimit
                                                              : static_cast<long>(tries);
}

std::optional<PopulationMember> PopulationSearch::mutateUntilNew(const PopulationMember& start,
                                                                 const Population& parents,
                                                                 const NewDesignTest& isNew) {
    const long limit = attemptLimit();
    for (long attempt = 0; attempt < 2 * limit; ++attempt) {
        PopulationMember trial = start;
        if (attempt < limit) {
            if (operators_.mutate(trial, parents) == tagUnchanged) continue;
        } else {
            trial = randomMember(fieldSizes_, generation_ + 1, random_);
            trial.parent1 = start.parent1;
        }
        if (!isNew(trial)) continue;
        trial.changed = true;
        trial.generation = generation_ + 1;
        return trial;
    }
    return std::nullopt;
}

}  // namespace varno::search
