#include "search/travok_search.h"

#include <algorithm>

#include "frame/text_format.h"

namespace varno::search {

TravokSettings TravokSettings::fromAgent(const Agent& agent) {
    TravokSettings settings;
    settings.agentNumber = agent.number;
    settings.populationSize = agent.data.populationSize;
    settings.tournamentSize = agent.data.tournamentSize;
    settings.crowdingFactor = agent.data.crowdingFactor;
    settings.parallelEvaluations = agent.MAX_ALLOWED_EVALS;
    settings.reinitializeInterval = agent.data.reinitializeInterval;
    settings.reinitializeKeepFraction = agent.data.reinitializeKeepFraction;
    settings.structuredInitialization = agent.data.structuredInitialization != 0;
    settings.modelSwitch = agent.data.modelSwitch;
    return settings;
}

TravokSearch::TravokSearch(const TravokSettings& settings, std::vector<int> fieldSizes,
                           RandomStream& random, SearchMessages messages)
    : PopulationSearch(settings.agentNumber, settings.populationSize,
                       settings.structuredInitialization, std::move(fieldSizes), random,
                       std::move(messages)),
      settings_(settings),
      reinitialization_(settings.reinitializeInterval, settings.reinitializeKeepFraction,
                        settings.keepsBestOnReinitialization) {}

bool TravokSearch::reinitialize(int cycle, int ncycles) {
    if (awaitingResults()) return false;
    Population rebuilt = current_;
    int best = statistics_.bestIndex;
    if (!reinitialization_.check(rebuilt, best, cycle, ncycles, fieldSizes_, generation() + 1,
                                 random_)) {
        return false;
    }
    handOut(std::move(rebuilt), PendingKind::reinitialized);
    return true;
}

// Thresholds of the first cycle: the raw fitness a third of the way up and a
// tenth from the top of the population in ascending order.
void TravokSearch::recordThresholds() {
    std::vector<double> raw;
    for (const PopulationMember& member : current_) raw.push_back(member.rawFitness());
    std::sort(raw.begin(), raw.end());
    const int p = static_cast<int>(raw.size());
    lowerThreshold_ = raw[static_cast<std::size_t>(static_cast<int>(p / 3.0 - 0.333))];
    upperThreshold_ = raw[static_cast<std::size_t>(p - p / 10 - 1)];
}

// One TRAVOK cycle: thresholds in the first cycle, the candidates, the
// crowding generation, and the candidates placed over unchanged children.
Population TravokSearch::breedPopulation(const StoreView& store, int cycle) {
    if (cycle == 0) recordThresholds();
    for (PopulationMember& member : current_) member.changed = false;
    candidates_.clear();
    if (settings_.designsFromHost || settings_.parallelEvaluations > 1) {
        prepareCandidates(store, cycle);
    }

    Population bred;
    if (populationSize() >= 2 && settings_.crowdingFactor > 0) {
        bred = crowdingGeneration(store);
    } else {
        for (int i = 0; i < static_cast<int>(current_.size()); ++i) bred.push_back(copyOf(i));
    }
    placed_ = placeCandidates(bred, candidates_, generation() + 1);
    const int prepared = static_cast<int>(candidates_.size());
    if (settings_.parallelEvaluations > 1 && populationSize() > 6 && placed_ > 0 &&
        placed_ != prepared) {
        messages_.log(formatText(
            "\n\t Internal error 32487 (%d, %d). Please report this error to technical support.",
            placed_, prepared));
        messages_.log("\n\t This is a non fatal error, but could negatively impact the "
                      "performance of the run.");
    }
    return bred;
}

void TravokSearch::takeResults(PendingKind kind, const AgentDesigns&) {
    const bool bred = kind != PendingKind::initial;
    if (bred) adaptive_.credit(pending_, current_, bestSoFar_);
    if (kind == PendingKind::bred) creditCandidates();
    statistics_ = takeStatistics(pending_, messages_);
    const bool improved = statistics_.maximum > bestSoFar_;
    if (improved) bestCodes_ = pending_[static_cast<std::size_t>(statistics_.bestIndex)].codes();
    if (bred && statistics_.maximum < bestSoFar_) recordLostBest();
    bestSoFar_ = std::max(bestSoFar_, statistics_.maximum);
    if (bred) reinitialization_.countGeneration(improved);
    current_ = std::move(pending_);
}

// The generation replaces the whole population, so the best design found so
// far can drop out of it. It then becomes the newest start record: the next
// surrogate step searches around it as well as around the population's best,
// which keeps a local search going from the best design while the
// population explores.
void TravokSearch::recordLostBest() {
    if (bestCodes_.empty()) return;
    std::erase_if(startRecords_, [this](const StartRecord& r) { return r.codes == bestCodes_; });
    startRecords_.push_back({bestCodes_, bestSoFar_});
}

const PopulationMember& TravokSearch::bestMember() const {
    return current_.at(static_cast<std::size_t>(statistics_.bestIndex));
}

// The number of new designs wanted from breeding when `candidates` model-
// guided designs join them: three quarters of the population, rounded to
// whole batches of simultaneous evaluations when those are allowed.
int TravokSearch::cycleSize(int candidates) {
    const int p = populationSize();
    const int parallel = settings_.parallelEvaluations;
    const int n = static_cast<int>(0.75 * p);
    if (parallel < 2) {
        if (p < 6 && !random_.flip(0.5)) return n;
        return n - candidates;
    }
    const int batches = n / parallel;
    const int rest = n % parallel;
    int target = batches * parallel;
    if (rest == 0) {
        target = n;
    } else if (n < parallel) {
        target = parallel;
    } else if (p - target >= parallel &&
               (p <= 6 || static_cast<double>(parallel - rest) / p < 0.1)) {
        target = (batches + 1) * parallel;
    }
    if (target - candidates > 0 || p - candidates < parallel) return target - candidates;
    return target - candidates + parallel;
}

}  // namespace varno::search
