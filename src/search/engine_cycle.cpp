#include "search/engine_cycle.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <span>

#include "frame/text_format.h"

namespace varno::search {

namespace {

// Generations in a row that may consist of designs the store already knows
// before the search counts as finished.
constexpr int maxKnownGenerations = 100;

int variableCount(const EngineRequest& request) {
    return static_cast<int>(request.encoding.fieldSizes().size());
}

// Design-space exhaustion ends the search like a spent budget: every design
// the variables' levels allow has been evaluated.
bool designSpaceExhausted(EngineRequest& request) {
    const Agent& agent = request.agent;
    double size = 1.0;
    for (int levels : request.encoding.fieldSizes()) {
        size *= levels;
        if (size > agent.MAX_EVALUATIONS) return false;
    }
    if (size > agent.data.evaluationsDone) return false;
    std::string text = "The design space has been exhausted. VARNO has performed all possible";
    text = formatText("%s design evaluations for the current setup.", text.c_str());
    text = formatText("%s Try increasing the resolution of the variables if you want to evaluate "
                      "more designs in the current space.",
                      text.c_str());
    if (request.note) request.note(text);
    return true;
}

// Before each generation: true when the search ends here.
bool checkEndOfSearch(EngineRequest& request) {
    if (designSpaceExhausted(request) || request.method.finished()) return true;
    Agent& agent = request.agent;
    if (agent.data.evaluationsDone >= agent.MAX_EVALUATIONS) agent.ncycles = request.cycleCounter;
    return false;
}

// The new designs of the pending population, numbered from the evaluations
// done so far. Members the store knows take their stored results; a member
// equal to an earlier one of the set is evaluated once.
std::vector<design::Design> handOutDesigns(EngineRequest& request) {
    std::vector<design::Design> out;
    const int firstId = request.agent.data.evaluationsDone + 1;
    for (PopulationMember& member : request.method.pending()) {
        if (!member.changed) continue;
        design::Design& d = member.design;
        d.agentTag = request.agent.number;
        d.evaluationKind = design::integerCoded;
        request.encoding.intsToDbls(d);
        const bool repeated = std::any_of(
            out.begin(), out.end(), [&](const design::Design& o) { return o.ints == d.ints; });
        if (repeated) continue;
        design::Design probe = d;
        const double saved = request.store.lookupSavedPerformance(probe, request.rescore, true);
        if (saved != design::NEW_DESIGN_MARK) {
            d = probe;
            continue;
        }
        d.id = firstId + static_cast<int>(out.size());
        d.name = formatText("Design%d", d.id);
        d.performance = UNSET_PERFORMANCE;
        out.push_back(d);
    }
    return out;
}

// The baseline design goes first, so that it is design 1 and the factors
// taken from the baseline come from it.
void putBaselineFirst(EngineRequest& request) {
    Population& population = request.method.pending();
    if (request.baseline.empty() || population.empty() || !population.front().changed) return;
    design::Design baseline;
    baseline.reals = request.baseline;
    request.encoding.dblsToInts(baseline, design::roundNearest);
    const int at = findByCodes(population, baseline.ints);
    if (at > 0 && population[static_cast<std::size_t>(at)].changed) {
        std::swap(population.front(), population[static_cast<std::size_t>(at)]);
    } else if (at < 0) {
        population.front().design.ints = baseline.ints;
    }
}

// Gathered only for a search that asks for them.
AgentDesigns agentDesigns(EngineRequest& request) {
    return AgentDesigns([&request] { return evaluatedDesigns(request); });
}

void startSearch(EngineRequest& request) {
    Agent& agent = request.agent;
    agent.data.bestPerformance = -std::numeric_limits<double>::infinity();
    std::vector<design::Design> seeded;
    if (request.state.seedFromStore) seeded = evaluatedDesigns(request);
    const auto size = static_cast<std::size_t>(agent.data.populationSize);
    if (seeded.size() > size) seeded.resize(size);
    const bool populationKnown = agent.data.evaluationsDone > 0 && seeded.size() >= size;
    const bool seededAny = !seeded.empty();
    request.method.buildInitialPopulation(std::move(seeded));
    request.state.initialHandedOut = true;
    if (!seededAny) putBaselineFirst(request);
    if (populationKnown) {
        request.method.acceptResults(agentDesigns(request));
        request.state.initialSetDone = true;
    }
}

void noteBest(EngineRequest& request) {
    double& best = request.agent.data.bestPerformance;
    best = std::max(best, request.method.bestSoFar());
}

}  // namespace

std::vector<design::Design> evaluatedDesigns(EngineRequest& request) {
    return evaluatedDesigns(request.store, request.agent.number, variableCount(request));
}

namespace {

// Stored design `index` as the search sees it: codes, values and results.
design::Design evaluatedDesign(const design::DesignStore& store, std::size_t index, int n) {
    const design::StoredDesign& stored = store.record(index);
    design::Design d;
    d.agentTag = stored.agentTag;
    d.evaluationKind = design::integerCoded;
    const std::span<const int> ints = store.ints(index);
    const std::span<const double> reals = store.reals(index);
    d.ints.assign(ints.begin(), ints.begin() + n);
    d.reals.assign(reals.begin(), reals.end() - 1);
    d.performance = stored.performance;
    d.id = stored.id;
    d.name = stored.name;
    d.status = stored.evaluationStatus();
    d.responseValues = stored.responseValues();
    return d;
}

std::vector<design::Design> evaluatedDesigns(const EngineRequest& request,
                                             const std::vector<std::int32_t>& indices) {
    std::vector<design::Design> designs;
    designs.reserve(indices.size());
    for (std::int32_t index : indices) {
        designs.push_back(evaluatedDesign(request.store, static_cast<std::size_t>(index),
                                          variableCount(request)));
    }
    return designs;
}

const design::DesignIndex* evaluatedIndex(const EngineRequest& request) {
    return request.store.evaluatedIndex(request.agent.number, variableCount(request));
}

}  // namespace

std::vector<design::Design> evaluatedDesigns(const design::DesignStore& store, int agent, int n) {
    const auto sameAgent = [](int asking, int other) { return asking == other; };
    const auto viable = store.viableDesigns(agent, n, sameAgent);
    std::vector<design::Design> designs;
    for (std::size_t i = 0; i < viable.flags.size(); ++i) {
        if (viable.flags[i] == 1) designs.push_back(evaluatedDesign(store, i, n));
    }
    return designs;
}

// Every answer comes from the store's index of the agent's evaluated designs,
// and only the designs asked for are copied out.
StoreView storeViewFor(EngineRequest& request) {
    StoreView view;
    view.savedPerformance = [&request](const design::Design& codes) {
        design::Design probe = codes;
        probe.agentTag = request.agent.number;
        probe.evaluationKind = design::integerCoded;
        request.encoding.intsToDbls(probe);
        return request.store.lookupSavedPerformance(probe, request.rescore, false);
    };
    view.storedDesigns = [&request](const design::Design& start, int count, bool nearest) {
        const design::DesignIndex* index = evaluatedIndex(request);
        const auto wanted = static_cast<std::size_t>(std::max(0, count));
        if (index == nullptr) return std::vector<design::Design>();
        return evaluatedDesigns(request,
                                nearest ? index->nearest(start.ints, wanted) : index->best(wanted));
    };
    view.designsInBox = [&request](const std::vector<int>& low, const std::vector<int>& high,
                                   int limit, RandomStream& random) {
        const design::DesignIndex* index = evaluatedIndex(request);
        if (index == nullptr) return std::vector<design::Design>();
        const std::vector<std::int32_t> inside = index->inBox(low, high);
        std::vector<std::int32_t> kept;
        for (int k : random.sample(static_cast<int>(inside.size()), limit)) {
            kept.push_back(inside[static_cast<std::size_t>(k)]);
        }
        return evaluatedDesigns(request, kept);
    };
    view.evaluatedCount = [&request] {
        const design::DesignIndex* index = evaluatedIndex(request);
        return index == nullptr ? 0 : static_cast<int>(index->size());
    };
    view.goals = request.goals;
    return view;
}

std::vector<design::Design> produceDesigns(EngineRequest& request) {
    Agent& agent = request.agent;
    if (request.cycleCounter >= agent.ncycles ||
        agent.data.evaluationsDone >= agent.MAX_EVALUATIONS) {
        request.state.finished = true;
        return {};
    }
    if (!request.state.initialHandedOut) {
        startSearch(request);
        if (!request.state.initialSetDone) {
            std::vector<design::Design> out = handOutDesigns(request);
            --request.cycleCounter;  // the initial population is no cycle of its own
            if (!out.empty()) return out;
            ++request.cycleCounter;
            request.method.acceptResults(agentDesigns(request));
            request.state.initialSetDone = true;
        }
    }
    for (int attempt = 0; attempt < maxKnownGenerations; ++attempt) {
        if (checkEndOfSearch(request)) break;
        if (!request.method.reinitialize(request.cycleCounter, agent.ncycles)) {
            request.method.breed(storeViewFor(request), request.cycleCounter);
        }
        std::vector<design::Design> out = handOutDesigns(request);
        if (!out.empty()) return out;
        // All known: learn from them and breed again.
        request.method.acceptResults(agentDesigns(request));
        noteBest(request);
    }
    request.state.finished = true;
    return {};
}

void acceptResults(EngineRequest& request, const std::vector<design::Design>& evaluated) {
    for (PopulationMember& member : request.method.pending()) {
        if (member.design.performance != UNSET_PERFORMANCE) continue;
        const auto found =
            std::find_if(evaluated.begin(), evaluated.end(),
                         [&](const design::Design& d) { return d.ints == member.design.ints; });
        if (found != evaluated.end()) member.design = *found;
    }
    request.method.acceptResults(agentDesigns(request));
    request.state.initialSetDone = true;
    noteBest(request);
    const Agent& agent = request.agent;
    if (request.method.finished() || request.cycleCounter >= agent.ncycles ||
        agent.data.evaluationsDone >= agent.MAX_EVALUATIONS) {
        request.state.finished = true;
    }
}

}  // namespace varno::search
