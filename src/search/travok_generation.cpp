// The crowding generation of the TRAVOK search: crossover pairs from the
// tournament winners, each child new to the store and to the generation,
// copies for the other places, and mutated copies up to the cycle's target.
#include <algorithm>

#include "design/design_store.h"
#include "search/travok_search.h"

namespace varno::search {

PopulationMember TravokSearch::copyOf(int index) const {
    PopulationMember copy = current_[static_cast<std::size_t>(index)];
    copy.parent1 = index;
    copy.parent2 = -1;
    copy.tag = tagUnchanged;
    copy.changed = false;
    return copy;
}

bool TravokSearch::storeKnows(const design::Design& design, const StoreView& store) const {
    return store.savedPerformance(design) != design::NEW_DESIGN_MARK;
}

// A child is new when the store has no result for it and it equals no
// candidate, no member bred so far and not its sibling.
bool TravokSearch::isNewDesign(const PopulationMember& child, const StoreView& store,
                               const Population& bred, const PopulationMember* sibling) {
    const design::Design probe = freshDesign(child.codes());
    if (store.savedPerformance(probe) != design::NEW_DESIGN_MARK) return false;
    if (sibling != nullptr && sibling->codes() == child.codes()) return false;
    if (findByCodes(bred, child.codes()) >= 0) return false;
    return std::none_of(candidates_.begin(), candidates_.end(),
                        [&](const Candidate& c) { return c.design.ints == child.codes(); });
}

void TravokSearch::breedPair(const StoreView& store, const std::vector<int>& mates,
                             Population& bred) {
    const int p = populationSize();
    PopulationMember child1;
    PopulationMember child2;
    int mate1 = 0;
    int mate2 = 0;
    bool new1 = false;
    bool new2 = false;
    for (int attempt = 0; attempt < 20 * p; ++attempt) {
        mate1 = mates[static_cast<std::size_t>(random_.index(p))];
        mate2 = mates[static_cast<std::size_t>(random_.index(p))];
        operators_.crossover(current_[static_cast<std::size_t>(mate1)],
                             current_[static_cast<std::size_t>(mate2)], child1, child2);
        new1 = isNewDesign(child1, store, bred, nullptr);
        new2 = isNewDesign(child2, store, bred, new1 ? &child1 : nullptr);
        if (new1 && new2) break;
    }
    for (auto [child, isNew] : {std::pair{&child1, new1}, std::pair{&child2, new2}}) {
        if (!isNew || static_cast<int>(bred.size()) >= p) continue;
        child->parent1 = mate1;
        child->parent2 = mate2;
        child->changed = true;
        bred.push_back(*child);
    }
}

// When the target is reached by crossover alone, only the first
// max(1, target - 2) children stay new; the others go back to being copies of
// their first parent.
void TravokSearch::limitBredChildren(Population& bred, int bredCount, int target) const {
    if (target > bredCount) return;
    for (int i = std::max(1, target - 2); i < bredCount; ++i) {
        bred[static_cast<std::size_t>(i)] = copyOf(bred[static_cast<std::size_t>(i)].parent1);
    }
}

// Replaces copies, first to last, by mutations of them that are new to the
// store and to the generation, until `target` members are changed.
void TravokSearch::fillByMutation(const StoreView& store, Population& bred, int target) {
    int flagged = static_cast<int>(
        std::count_if(bred.begin(), bred.end(), [](const auto& m) { return m.changed; }));
    const NewDesignTest isNew = [&](const PopulationMember& trial) {
        return isNewDesign(trial, store, bred, nullptr);
    };
    for (std::size_t slot = 0; slot < bred.size() && flagged < target; ++slot) {
        if (bred[slot].changed) continue;
        std::optional<PopulationMember> mutated = mutateUntilNew(bred[slot], current_, isNew);
        if (!mutated) continue;
        bred[slot] = std::move(*mutated);
        ++flagged;
    }
}

Population TravokSearch::crowdingGeneration(const StoreView& store) {
    const int p = populationSize();
    std::vector<int> mates(static_cast<std::size_t>(p));
    for (int& mate : mates) mate = operators_.select(current_, settings_.tournamentSize);
    const int target = cycleSize(static_cast<int>(candidates_.size()));
    adaptive_.updateWeights(fieldCount());

    const double exactPairs = p * adaptive_.crossoverRate / 2.0;
    int pairs = static_cast<int>(exactPairs);
    if (random_.flip(exactPairs - pairs)) ++pairs;

    Population bred;
    bred.reserve(static_cast<std::size_t>(p));
    for (int pair = 0; pair < pairs && static_cast<int>(bred.size()) < p; ++pair) {
        breedPair(store, mates, bred);
    }
    const int bredCount = static_cast<int>(bred.size());
    for (int i = bredCount; i < p; ++i) bred.push_back(copyOf(mates[static_cast<std::size_t>(i)]));
    limitBredChildren(bred, bredCount, target);
    fillByMutation(store, bred, target);
    return bred;
}

}  // namespace varno::search
