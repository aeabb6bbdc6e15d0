// Breeding of the multi-objective search: crowded tournaments over shuffled
// archive indices, crossover with the engine's crossover rate, and mutation
// until every child is new to the store and to the breeding population.
#include <algorithm>
#include <limits>
#include <optional>

#include "design/design_store.h"
#include "model/responses.h"
#include "search/motravok_search.h"

namespace varno::search {

Population MotravokSearch::archivePopulation() const {
    Population parents;
    parents.reserve(archive_.size());
    for (const ParetoDesign& member : archive_) {
        PopulationMember parent;
        parent.design = freshDesign(member.codes);
        parent.design.id = member.id;
        parent.design.performance = member.performance;
        parent.fitness = member.performance;
        parent.generation = member.generation;
        parents.push_back(std::move(parent));
    }
    return parents;
}

// The archive indices, padded with random indices to a multiple of four and
// shuffled.
std::vector<int> MotravokSearch::shuffledArchiveIndices() {
    const int size = static_cast<int>(archive_.size());
    std::vector<int> list(static_cast<std::size_t>(size));
    for (int i = 0; i < size; ++i) list[static_cast<std::size_t>(i)] = i;
    while (list.size() % 4 != 0) list.push_back(random_.index(size));
    const int n = static_cast<int>(list.size());
    for (int i = 0; i < n; ++i) {
        std::swap(list[static_cast<std::size_t>(i)],
                  list[static_cast<std::size_t>(random_.integer(i, n - 1))]);
    }
    return list;
}

// The dominating member wins; otherwise the wider crowding distance, and a
// draw between equal distances.
int MotravokSearch::tournament(int first, int second) {
    const ParetoDesign& a = archive_[static_cast<std::size_t>(first)];
    const ParetoDesign& b = archive_[static_cast<std::size_t>(second)];
    const int result = dominates(a, b);
    if (result == 1) return first;
    if (result == -1) return second;
    if (a.crowding > b.crowding) return first;
    if (b.crowding > a.crowding) return second;
    return random_.draw() <= 0.5f ? first : second;
}

void MotravokSearch::breedPair(const Population& parents, int mate1, int mate2, Population& bred) {
    const PopulationMember& parent1 = parents[static_cast<std::size_t>(mate1)];
    const PopulationMember& parent2 = parents[static_cast<std::size_t>(mate2)];
    PopulationMember child1 = parent1;
    PopulationMember child2 = parent2;
    int tag = tagUnchanged;
    bool crossed = false;
    if (random_.flip(adaptive_.crossoverRate)) {
        const long before = operators_.crossovers();
        tag = operators_.crossover(parent1, parent2, child1, child2);
        crossed = operators_.crossovers() != before;
    }
    child1.parent1 = mate1;
    child2.parent1 = mate2;
    if (crossed) {
        child2.generation = child1.generation;
        for (PopulationMember* child : {&child1, &child2}) {
            child->changed = true;
            child->tag = tag;
            child->parent1 = mate1;
            child->parent2 = mate2;
        }
    }
    for (PopulationMember* child : {&child1, &child2}) {
        if (static_cast<int>(bred.size()) < breedingSize()) bred.push_back(std::move(*child));
    }
}

// Four entries at a time: (1, 2) and (3, 4) each play a tournament, and the
// two winners are mated.
void MotravokSearch::walkList(const std::vector<int>& list, const Population& parents,
                              Population& bred) {
    for (std::size_t i = 0; i + 3 < list.size(); i += 4) {
        if (static_cast<int>(bred.size()) >= breedingSize()) return;
        const int mate1 = tournament(list[i], list[i + 1]);
        const int mate2 = tournament(list[i + 2], list[i + 3]);
        if (settings_.realStep) {
            realStepPair(parents, mate1, mate2, bred);
        } else {
            breedPair(parents, mate1, mate2, bred);
        }
    }
}

bool MotravokSearch::isNew(const PopulationMember& child, const StoreView& store,
                           const Population& bred, std::size_t slot) const {
    if (store.savedPerformance(freshDesign(child.codes())) != design::NEW_DESIGN_MARK) {
        return false;
    }
    return std::none_of(
        bred.begin(), bred.begin() + static_cast<std::ptrdiff_t>(slot),
        [&](const PopulationMember& other) { return other.codes() == child.codes(); });
}

// With constraint repair, a child that must change starts from the more
// feasible of its parents (the first on a tie); a failed parent is the least
// feasible.
PopulationMember MotravokSearch::repairBase(const PopulationMember& child) const {
    const bool constrained = model::countByKind(definition_, model::kindConstraint) > 0;
    if (!settings_.constraintRepair || !constrained || child.parent1 < 0) return child;
    const auto feasibility = [this](int index) {
        const ParetoDesign& parent = archive_[static_cast<std::size_t>(index)];
        return parent.failed ? -std::numeric_limits<double>::infinity() : parent.violation;
    };
    int chosen = child.parent1;
    if (child.parent2 >= 0 && feasibility(child.parent2) > feasibility(chosen)) {
        chosen = child.parent2;
    }
    PopulationMember base = child;
    base.codes() = archive_[static_cast<std::size_t>(chosen)].codes;
    return base;
}

// Accepts the child in `slot` when it is new; otherwise mutates it (from its
// repair base) until it is, and when that fails leaves the slot an unchanged
// copy that is not handed out.
void MotravokSearch::makeNew(const StoreView& store, const Population& parents, Population& bred,
                             std::size_t slot) {
    if (bred[slot].changed && isNew(bred[slot], store, bred, slot)) return;
    const NewDesignTest newInBred = [&](const PopulationMember& trial) {
        return isNew(trial, store, bred, slot);
    };
    std::optional<PopulationMember> mutated =
        mutateUntilNew(repairBase(bred[slot]), parents, newInBred);
    if (mutated) {
        bred[slot] = std::move(*mutated);
    } else {
        bred[slot].changed = false;
    }
}

// Walks both shuffled lists of the archive, and freshly shuffled ones while
// the breeding population is larger, then makes every child new.
Population MotravokSearch::breedPopulation(const StoreView& store, int cycle) {
    cycle_ = cycle;
    const Population parents = archivePopulation();
    const std::vector<int> first = shuffledArchiveIndices();
    const std::vector<int> second = shuffledArchiveIndices();
    Population bred;
    bred.reserve(static_cast<std::size_t>(std::max(0, breedingSize())));
    walkList(first, parents, bred);
    walkList(second, parents, bred);
    while (static_cast<int>(bred.size()) < breedingSize()) {
        walkList(shuffledArchiveIndices(), parents, bred);
    }
    for (std::size_t slot = 0; slot < bred.size(); ++slot) makeNew(store, parents, bred, slot);
    return bred;
}

}  // namespace varno::search
