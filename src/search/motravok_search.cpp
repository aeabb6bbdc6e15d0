#include "search/motravok_search.h"

#include <algorithm>
#include <span>

#include "frame/fatal_error.h"
#include "frame/text_format.h"
#include "model/responses.h"

namespace varno::search {

namespace {

constexpr double firstCrossoverRate = 0.6;
constexpr double firstMutationRate = 0.4;

// The adaptive decision step: below this share of children entering the
// archive the search explores.
constexpr double exploreBelowShare = 0.1;
constexpr float smallestExplorationWeight = 0.02f;
constexpr float largestExplorationWeight = 0.2f;

[[noreturn]] void rejectTooFewObjectives(int found, int performanceNumber) {
    std::string text = "At least 2 objectives must be defined for a multi-objective run.";
    text = formatText("%s Found only %d in the Performance%d.in file.\n\t Exiting.\n", text.c_str(),
                      found, performanceNumber);
    fatalError(text);
}

std::vector<ParetoDesign> prepareAll(const std::vector<design::Design>& designs,
                                     const model::PerformanceDefinition& definition) {
    std::vector<ParetoDesign> prepared;
    prepared.reserve(designs.size());
    for (const design::Design& d : designs) prepared.push_back(prepareObjectives(d, definition));
    return prepared;
}

int feasibleCount(const std::vector<ParetoDesign>& designs) {
    return static_cast<int>(std::count_if(designs.begin(), designs.end(),
                                          [](const ParetoDesign& d) { return d.feasible(); }));
}

bool holdsCodes(const std::vector<ParetoDesign>& designs, std::span<const int> codes) {
    return std::any_of(designs.begin(), designs.end(),
                       [&](const ParetoDesign& d) { return std::ranges::equal(d.codes, codes); });
}

}  // namespace

MotravokSettings MotravokSettings::fromAgent(const Agent& agent) {
    MotravokSettings settings;
    settings.agentNumber = agent.number;
    settings.performanceNumber = agent.performanceNumber;
    settings.archiveSize = agent.data.populationSize;
    settings.breedingSize = agent.data.breedingSize;
    settings.shutOff = agent.data.shutOff;
    settings.maxEvaluations = agent.MAX_EVALUATIONS;
    settings.structuredInitialization = agent.data.structuredInitialization != 0;
    settings.adaptiveOperators = agent.data.adaptiveOperators;
    settings.realStep = agent.data.realStep;
    settings.constraintRepair = agent.data.constraintRepair;
    return settings;
}

MotravokSearch::MotravokSearch(const MotravokSettings& settings, std::vector<int> fieldSizes,
                               RandomStream& random, const model::PerformanceDefinition& definition,
                               std::string paretoPath, SearchMessages messages)
    : PopulationSearch(settings.agentNumber, settings.archiveSize,
                       settings.structuredInitialization, std::move(fieldSizes), random,
                       std::move(messages)),
      settings_(settings), definition_(definition), paretoFile_(std::move(paretoPath)),
      termination_(settings.shutOff, settings.archiveSize, settings.breedingSize,
                   settings.maxEvaluations) {
    const int objectives = model::countByKind(definition_, model::kindObjective);
    if (objectives < 2) rejectTooFewObjectives(objectives, settings_.performanceNumber);
    boundary_ = boundaryDistanceFor(objectives);
    adaptive_.weights.startMultiObjective();
    adaptive_.crossoverRate = firstCrossoverRate;
    adaptive_.mutationRate = firstMutationRate;
    if (!paretoFile_.path().empty()) paretoFile_.create();
}

ParetoDesign MotravokSearch::prepared(const PopulationMember& member) const {
    ParetoDesign p = prepareObjectives(member.design, definition_);
    p.generation = member.generation;
    return p;
}

void MotravokSearch::takeResults(PendingKind kind, const AgentDesigns& agentDesigns) {
    if (kind == PendingKind::initial) {
        acceptInitial();
    } else {
        acceptBred(agentDesigns.get());
    }
}

void MotravokSearch::takeArchive(std::vector<ParetoDesign> archive) {
    archive_ = std::move(archive);
    if (!paretoFile_.path().empty()) paretoFile_.append(archive_);
    lastRank_ = archive_.empty() ? 0 : archive_.back().rank;
    largestLastRank_ = std::max(largestLastRank_, lastRank_);
    for (const ParetoDesign& member : archive_) {
        if (!member.failed) bestPerformance_ = std::max(bestPerformance_, member.performance);
    }
}

void MotravokSearch::acceptInitial() {
    std::vector<ParetoDesign> population;
    population.reserve(pending_.size());
    for (const PopulationMember& member : pending_) population.push_back(prepared(member));
    assignRanks(population, boundary_, random_);
    sortByRankAndCrowding(population);
    takeArchive(std::move(population));
}

// The archive is rebuilt from the old archive and the children while the
// store holds fewer feasible designs than archive and breeding population
// together, and from every evaluated design of the agent after that.
void MotravokSearch::acceptBred(const std::vector<design::Design>& agentDesigns) {
    std::vector<ParetoDesign> source = prepareAll(agentDesigns, definition_);
    if (feasibleCount(source) < archiveSize() + breedingSize()) {
        source = archive_;
        for (const PopulationMember& member : pending_) {
            if (member.changed) source.push_back(prepared(member));
        }
    }
    if (settings_.adaptiveOperators)
        adaptive_.credit(pending_, archivePopulation(), bestPerformance_);
    takeArchive(paretoSelect(source, archiveSize(), boundary_, random_));
    if (settings_.adaptiveOperators) decideOperators();
    termination_.update(archive_, cycle_);
}

// The multi-objective decision step. A child that entered the archive is a
// success of its operator, credited on top of the performance-based credit;
// the weights then move as in the single-objective update. When fewer than a
// tenth of the children entered the archive the search explores: multi-field
// mutations take their second kind and the exploration weight grows by a
// quarter (up to 0.2); otherwise exploration stops and the weight shrinks by a
// fifth (down to 0.02).
void MotravokSearch::decideOperators() {
    int children = 0;
    int survivors = 0;
    for (const PopulationMember& member : pending_) {
        if (!member.changed) continue;
        ++children;
        if (!holdsCodes(archive_, member.codes())) continue;
        ++survivors;
        if (member.tag != tagUnchanged) adaptive_.recordSuccess(member.tag);
    }
    exploring_ = children > 0 && survivors < exploreBelowShare * children;
    float& weight = adaptive_.weights.exploration;
    weight = exploring_ ? std::min(largestExplorationWeight, weight * 1.25f)
                        : std::max(smallestExplorationWeight, weight * 0.8f);
    operators_.setExploring(exploring_);
    adaptive_.updateWeights(fieldCount());
}

std::vector<ParetoDesign> paretoQuery(const std::vector<design::Design>& agentDesigns,
                                      const model::PerformanceDefinition& definition,
                                      int archiveSize, int breedingSize, RandomStream& random,
                                      std::string& refusal) {
    std::vector<ParetoDesign> all = prepareAll(agentDesigns, definition);
    std::vector<ParetoDesign> withoutError;
    std::copy_if(all.begin(), all.end(), std::back_inserter(withoutError),
                 [](const ParetoDesign& d) { return !d.failed; });
    if (static_cast<int>(withoutError.size()) < archiveSize) {
        refusal = "Not enough designs in the database to form a Pareto Front.";
        return {};
    }
    const bool fewFeasible = feasibleCount(withoutError) < archiveSize + breedingSize;
    const double boundary =
        boundaryDistanceFor(model::countByKind(definition, model::kindObjective));
    return paretoSelect(fewFeasible ? withoutError : all, archiveSize, boundary, random);
}

}  // namespace varno::search
