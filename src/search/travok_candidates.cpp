// The model-guided candidates of the TRAVOK search: preparation, placement
// over unchanged children, and credit once their results are in.
#include <algorithm>

#include "design/design_store.h"
#include "search/travok_search.h"

namespace varno::search {

namespace {

constexpr int simplexStatus = 10;  // evaluation status of a simplex candidate
constexpr float bestSimplexChance = 0.1f;

// Per field, the whole-code mean of the simplex points other than `worst`,
// and the worst point reflected through it, kept within the field's codes.
std::vector<int> reflectWorst(const std::vector<design::Design>& simplex, std::size_t worst,
                              const std::vector<int>& fieldSizes) {
    const int fields = static_cast<int>(fieldSizes.size());
    std::vector<int> reflected(static_cast<std::size_t>(fields));
    for (int j = 0; j < fields; ++j) {
        long sum = 0;
        for (std::size_t k = 0; k < simplex.size(); ++k) {
            if (k != worst) sum += simplex[k].ints[static_cast<std::size_t>(j)];
        }
        const int centroid = static_cast<int>(sum / fields);
        const int code = 2 * centroid - simplex[worst].ints[static_cast<std::size_t>(j)];
        reflected[static_cast<std::size_t>(j)] = std::clamp(code, 0, fieldSizes[j] - 1);
    }
    return reflected;
}

}  // namespace

void TravokSearch::prepareCandidates(const StoreView& store, int cycle) {
    if (settings_.largestLevelCandidate && cycle > 3) addLargestLevelCandidate(store);
    // Beyond the variable limit no surrogate is fitted, now or later.
    if (fieldCount() > modelVariableLimit) settings_.modelSwitch = false;
    addSurrogateCandidates(store);
    addSimplexCandidate(store);
    addBaselineCandidate(store);
    dropRepeatedCandidates(store);
}

void TravokSearch::addLargestLevelCandidate(const StoreView& store) {
    std::vector<int> codes;
    for (int size : fieldSizes_) codes.push_back(size - 1);
    design::Design largest = freshDesign(std::move(codes));
    if (storeKnows(largest, store)) return;
    candidates_.push_back(
        {std::move(largest), tagLargestLevel, 0.0, CandidateSource::largestLevel});
}

// Reflects the worst of F + 1 stored designs through the centroid of the
// others: mostly the designs nearest the best member, sometimes the best ones.
void TravokSearch::addSimplexCandidate(const StoreView& store) {
    const PopulationMember& start = bestMember();
    const bool nearest = random_.draw() > bestSimplexChance;
    // The start is the best member, so either simplex is judged against it.
    const double reference = start.rawFitness();
    if (!store.storedDesigns) return;
    const int points = fieldCount() + 1;
    const std::vector<design::Design> simplex = store.storedDesigns(start.design, points, nearest);
    if (static_cast<int>(simplex.size()) < points) return;
    std::size_t worst = 0;
    for (std::size_t k = 1; k < simplex.size(); ++k) {
        if (simplex[k].performance < simplex[worst].performance) worst = k;
    }
    design::Design reflected = freshDesign(reflectWorst(simplex, worst, fieldSizes_));
    if (storeKnows(reflected, store)) return;
    reflected.tag1 = simplexStatus;
    reflected.tag2 = settings_.agentNumber;
    candidates_.push_back({std::move(reflected), tagSimplex, reference, CandidateSource::simplex});
}

// Drops candidates equal to an earlier one or known to the store, and keeps
// the buffer within its limit.
void TravokSearch::dropRepeatedCandidates(const StoreView& store) {
    std::vector<Candidate> kept;
    for (Candidate& candidate : candidates_) {
        const bool repeated = std::any_of(kept.begin(), kept.end(), [&](const Candidate& k) {
            return k.design.ints == candidate.design.ints;
        });
        if (repeated || storeKnows(candidate.design, store)) continue;
        if (static_cast<int>(kept.size()) < candidateLimit) kept.push_back(std::move(candidate));
    }
    candidates_ = std::move(kept);
}

int placeCandidates(Population& population, const std::vector<Candidate>& candidates,
                    int generation) {
    int placed = 0;
    for (PopulationMember& member : population) {
        if (placed == static_cast<int>(candidates.size())) break;
        if (member.changed) continue;
        const Candidate& candidate = candidates[static_cast<std::size_t>(placed++)];
        member.design = candidate.design;
        member.tag = candidate.tag;
        member.parent2 = -1;
        member.generation = generation;
        member.changed = true;
    }
    return placed;
}

// Each placed candidate found again in the evaluated population is credited
// to its source; a baseline candidate not found again does not count as used.
void TravokSearch::creditCandidates() {
    for (int k = 0; k < placed_; ++k) {
        const Candidate& candidate = candidates_[static_cast<std::size_t>(k)];
        const int index = findByCodes(pending_, candidate.design.ints);
        if (index >= 0) {
            creditCandidate(candidate, pending_[static_cast<std::size_t>(index)]);
        } else if (candidate.source == CandidateSource::baseline) {
            localMethods_.lost(candidate.method);
        }
    }
}

// Surrogate candidates credit their kind and, when they beat their start,
// become start records; simplex candidates count as found and successful.
void TravokSearch::creditCandidate(const Candidate& candidate, const PopulationMember& evaluated) {
    const double raw = evaluated.rawFitness();
    switch (candidate.source) {
        case CandidateSource::leastSquares:
        case CandidateSource::kriging:
        case CandidateSource::radialBasis:
            surrogateChoice_.credit(candidate.tag, candidate.reference, raw);
            if (raw > candidate.reference) startRecords_.push_back({evaluated.codes(), raw});
            break;
        case CandidateSource::simplex:
            ++simplex_.found;
            if (raw > candidate.reference) ++simplex_.successful;
            break;
        case CandidateSource::baseline: creditBaselineCandidate(candidate, evaluated); break;
        case CandidateSource::largestLevel: break;
    }
}

}  // namespace varno::search
