#include "search/pareto.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <list>
#include <utility>

#include "performance/performance.h"
#include "search/agent.h"

namespace varno::search {

namespace {

constexpr double failedMagnitude = 1e99;

bool isFailedPerformance(double performance) {
    return performance == -failedMagnitude || performance == failedMagnitude ||
           performance == UNSET_PERFORMANCE;
}

double responseValue(const design::Design& design, std::size_t i) {
    return design.responseValues[i].front().doubleValue;
}

// Sorts `order` (indices into `designs`) by objective k, ascending: a
// quicksort whose pivots are drawn from the search's generator, so equal
// values end in an order the study seed fixes. An explicit stack bounds the
// depth for fronts of any size.
void sortByObjective(std::vector<int>& order, const std::vector<ParetoDesign>& designs,
                     std::size_t k, RandomStream& random) {
    const auto value = [&](int position) {
        return designs[static_cast<std::size_t>(order[static_cast<std::size_t>(position)])]
            .objectives[k];
    };
    std::vector<std::pair<int, int>> ranges{{0, static_cast<int>(order.size()) - 1}};
    while (!ranges.empty()) {
        const auto [low, high] = ranges.back();
        ranges.pop_back();
        if (low >= high) continue;
        const double pivot = value(low + random.index(high - low + 1));
        int i = low;
        int j = high;
        while (i <= j) {
            while (value(i) < pivot) ++i;
            while (value(j) > pivot) --j;
            if (i <= j)
                std::swap(order[static_cast<std::size_t>(i++)],
                          order[static_cast<std::size_t>(j--)]);
        }
        ranges.emplace_back(low, j);
        ranges.emplace_back(i, high);
    }
}

// Moves the first non-dominated set of `pool` out of it, in the order its
// members joined. A member the newcomer dominates goes back to the front of
// the pool, ahead of the entries still to be compared.
std::vector<int> extractFront(const std::vector<ParetoDesign>& designs, std::list<int>& pool) {
    std::list<int> elite;
    elite.splice(elite.end(), pool, pool.begin());
    for (auto p = pool.begin(); p != pool.end();) {
        bool dominated = false;
        for (auto e = elite.begin(); e != elite.end();) {
            const int result = dominates(designs[static_cast<std::size_t>(*p)],
                                         designs[static_cast<std::size_t>(*e)]);
            if (result == -1) {
                dominated = true;
                break;
            }
            if (result == 1) {
                const auto beaten = e++;
                pool.splice(pool.begin(), elite, beaten);
            } else {
                ++e;
            }
        }
        const auto next = std::next(p);
        if (!dominated) elite.splice(elite.end(), pool, p);
        p = next;
    }
    return {elite.begin(), elite.end()};
}

// The front without members whose codes equal those of an earlier member.
std::vector<int> distinctMembers(const std::vector<ParetoDesign>& designs,
                                 const std::vector<int>& front) {
    std::vector<int> kept;
    for (int index : front) {
        const auto& codes = designs[static_cast<std::size_t>(index)].codes;
        const bool repeated = std::any_of(kept.begin(), kept.end(), [&](int other) {
            return designs[static_cast<std::size_t>(other)].codes == codes;
        });
        if (!repeated) kept.push_back(index);
    }
    return kept;
}

std::vector<ParetoDesign> gather(const std::vector<ParetoDesign>& designs,
                                 const std::vector<int>& members, int rank) {
    std::vector<ParetoDesign> out;
    out.reserve(members.size());
    for (int index : members) {
        out.push_back(designs[static_cast<std::size_t>(index)]);
        out.back().rank = rank;
    }
    return out;
}

// Places the members of a front that does not fit, widest spread first.
void placeLargestDistances(std::vector<ParetoDesign> front, std::size_t places,
                           std::vector<ParetoDesign>& output, double boundary,
                           RandomStream& random) {
    crowdingDistance(front, boundary, random);
    std::stable_sort(front.begin(), front.end(),
                     [](const auto& a, const auto& b) { return a.crowding < b.crowding; });
    for (auto member = front.rbegin(); member != front.rend() && places > 0; ++member, --places) {
        output.push_back(*member);
    }
}

}  // namespace

double boundaryDistanceFor(int objectiveCount) {
    return objectiveCount < 3 ? boundaryCrowding : 0.0;
}

ParetoDesign prepareObjectives(const design::Design& design,
                               const model::PerformanceDefinition& definition) {
    ParetoDesign p;
    p.codes.assign(design.ints.begin(), design.ints.end());
    p.id = design.id;
    p.performance = design.performance;
    p.failed = isFailedPerformance(design.performance) ||
               design.responseValues.size() < definition.size();
    for (std::size_t i = 0; i < definition.size(); ++i) {
        const int kind = definition.goals[i].flag;
        if (kind != model::kindObjective && kind != model::kindConstraint) continue;
        const double v = i < design.responseValues.size() && !design.responseValues[i].empty()
                             ? responseValue(design, i)
                             : 0.0;
        const double term = performance::responseTerm(definition, static_cast<int>(i), v);
        const double scale = std::fabs(definition.goals[i].norm);
        if (kind == model::kindObjective) {
            p.objectives.push_back(-term / scale);
            continue;
        }
        p.constraints.push_back(v);
        if (term > 0.0) p.violation -= term / scale;
    }
    return p;
}

int dominates(const ParetoDesign& a, const ParetoDesign& b) {
    if (a.failed) return -1;
    if (b.failed) return 1;
    if (a.violation < 0.0 && b.violation < 0.0) {
        if (a.violation > b.violation) return 1;
        return a.violation < b.violation ? -1 : 0;
    }
    if (a.violation < 0.0) return -1;
    if (b.violation < 0.0) return 1;
    bool aBetter = false;
    bool bBetter = false;
    for (std::size_t k = 0; k < a.objectives.size() && k < b.objectives.size(); ++k) {
        if (a.objectives[k] < b.objectives[k]) aBetter = true;
        if (a.objectives[k] > b.objectives[k]) bBetter = true;
    }
    if (aBetter && !bBetter) return 1;
    if (bBetter && !aBetter) return -1;
    return 0;
}

void crowdingDistance(std::vector<ParetoDesign>& designs, const std::vector<int>& front,
                      double boundary, RandomStream& random) {
    const auto at = [&](int index) -> ParetoDesign& {
        return designs[static_cast<std::size_t>(index)];
    };
    const std::size_t n = front.size();
    if (n == 0) return;
    if (n <= 2) {
        for (int index : front) at(index).crowding = boundary;
        return;
    }
    const std::size_t objectives = at(front.front()).objectives.size();
    if (objectives == 0) return;
    std::vector<std::vector<int>> orders(objectives, front);
    for (std::size_t k = 0; k < objectives; ++k) sortByObjective(orders[k], designs, k, random);
    for (int index : front) at(index).crowding = 0.0;
    // Only the smallest value of each objective is a boundary, not the largest.
    for (const auto& order : orders) at(order.front()).crowding = boundary;
    for (std::size_t k = 0; k < objectives; ++k) {
        const auto& order = orders[k];
        const double range = at(order.back()).objectives[k] - at(order.front()).objectives[k];
        for (std::size_t j = 1; j + 1 < n; ++j) {
            ParetoDesign& member = at(order[j]);
            if (member.crowding == boundary || range == 0.0) continue;
            member.crowding +=
                (at(order[j + 1]).objectives[k] - at(order[j - 1]).objectives[k]) / range;
        }
    }
    for (int index : front) {
        if (at(index).crowding != boundary) at(index).crowding /= static_cast<double>(objectives);
    }
}

void crowdingDistance(std::vector<ParetoDesign>& front, double boundary, RandomStream& random) {
    std::vector<int> all(front.size());
    for (std::size_t i = 0; i < all.size(); ++i) all[i] = static_cast<int>(i);
    crowdingDistance(front, all, boundary, random);
}

std::vector<ParetoDesign> paretoSelect(const std::vector<ParetoDesign>& source, int outputSize,
                                       double boundary, RandomStream& random) {
    std::vector<ParetoDesign> output;
    const auto size = static_cast<std::size_t>(std::max(0, outputSize));
    output.reserve(size);
    std::list<int> pool;
    for (std::size_t i = 0; i < source.size(); ++i) pool.push_back(static_cast<int>(i));
    for (int rank = 1; output.size() < size && !pool.empty(); ++rank) {
        const std::vector<int> front = distinctMembers(source, extractFront(source, pool));
        const std::size_t places = size - output.size();
        std::vector<ParetoDesign> members = gather(source, front, rank);
        if (members.size() > places) {
            placeLargestDistances(std::move(members), places, output, boundary, random);
            break;
        }
        crowdingDistance(members, boundary, random);
        output.insert(output.end(), members.begin(), members.end());
    }
    // Duplicates left too few distinct designs: repeat the placed ones.
    for (std::size_t i = 0; !output.empty() && output.size() < size; ++i) {
        output.push_back(output[i]);
    }
    return output;
}

void assignRanks(std::vector<ParetoDesign>& population, double boundary, RandomStream& random) {
    std::list<int> pool;
    for (std::size_t i = 0; i < population.size(); ++i) pool.push_back(static_cast<int>(i));
    for (int rank = 1; !pool.empty(); ++rank) {
        if (pool.size() == 1) {
            ParetoDesign& last = population[static_cast<std::size_t>(pool.front())];
            last.rank = rank;
            last.crowding = boundaryCrowding;
            return;
        }
        const std::vector<int> front = extractFront(population, pool);
        for (int index : front) population[static_cast<std::size_t>(index)].rank = rank;
        crowdingDistance(population, front, boundary, random);
    }
}

void sortByRankAndCrowding(std::vector<ParetoDesign>& designs) {
    std::stable_sort(designs.begin(), designs.end(), [](const auto& a, const auto& b) {
        if (a.rank != b.rank) return a.rank < b.rank;
        return a.crowding > b.crowding;
    });
}

}  // namespace varno::search
