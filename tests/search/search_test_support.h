// Helpers shared by the search tests: evaluated designs, a two-objective
// definition, TRAVOK settings and a store of designs by their codes.
#pragma once

#include <map>
#include <utility>
#include <vector>

#include "design/design_store.h"
#include "search/population_search.h"
#include "search/travok_search.h"
#include "test_support.h"

namespace varno::search {

// A design of `codes` with its performance and one value per response.
inline design::Design evaluatedDesign(std::vector<int> codes, double performance,
                                      const std::vector<double>& responses = {}) {
    design::Design d;
    d.ints = std::move(codes);
    d.performance = performance;
    for (double value : responses) d.responseValues.push_back({model::makeDoubleValue(value)});
    return d;
}

// The objectives "f1" and "f2", both minimised.
inline model::PerformanceDefinition twoObjectives() {
    model::PerformanceDefinition def;
    def.add(testing::goalOf("f1", model::kindObjective, -1, 0.0, 1.0));
    def.add(testing::goalOf("f2", model::kindObjective, -1, 0.0, 1.0));
    return def;
}

// A TRAVOK search of `populationSize` members and crowding factor 2 that
// does not reinitialise within a test's cycles.
inline TravokSettings travokSettings(int populationSize, int parallel = 1) {
    TravokSettings s;
    s.populationSize = populationSize;
    s.parallelEvaluations = parallel;
    s.crowdingFactor = 2;
    s.reinitializeInterval = 1000;
    return s;
}

// The designs evaluated so far, by their codes; the view tells a search
// whether a design is stored.
struct DesignsByCodes {
    std::map<design::IntegerCodes, design::Design> stored;

    std::vector<design::Design> all() const {
        std::vector<design::Design> designs;
        for (const auto& entry : stored) designs.push_back(entry.second);
        return designs;
    }
    StoreView view() {
        StoreView v;
        v.savedPerformance = [this](const design::Design& d) {
            const auto found = stored.find(d.ints);
            return found == stored.end() ? design::NEW_DESIGN_MARK : found->second.performance;
        };
        return v;
    }
};

// A TRAVOK search over fields of `sizes` codes whose initial population
// `store` has evaluated and the search has accepted.
template <class Store>
struct StartedSearch {
    StartedSearch(const TravokSettings& s, std::vector<int> sizes, Store designs = {},
                  float seed = 0.5f, SearchMessages messages = {})
        : random(seed), search(s, std::move(sizes), random, std::move(messages)),
          store(std::move(designs)) {
        store.evaluate(search.buildInitialPopulation({}));
        search.acceptResults({});
    }
    RandomStream random;
    TravokSearch search;
    Store store;
};

}  // namespace varno::search
