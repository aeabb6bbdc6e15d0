// The population-wide steps of the genetic core: the initial population,
// per-generation statistics and periodic re-initialisation.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "design/design.h"
#include "search/population.h"
#include "search/random_stream.h"

namespace varno::search {

// Where a search writes its messages; an empty sink drops them.
struct SearchMessages {
    std::function<void(const std::string&)> warning;  // decorated as a warning
    std::function<void(const std::string&)> runLog;   // written as it is

    void warn(const std::string& text) const {
        if (warning) warning(text);
    }
    void log(const std::string& text) const {
        if (runLog) runLog(text);
    }
};

// The square root of a variance; a negative variance gives 0 and a warning.
double guardedSquareRoot(double variance, const SearchMessages& messages);

struct PopulationStatistics {
    double minimum = 0.0;
    double maximum = 0.0;
    double average = 0.0;
    double sigma = 0.0;  // sample standard deviation
    int bestIndex = 0;   // first member with the largest raw fitness
};

// Sets each member's fitness to its raw fitness and summarises the raw fitness.
PopulationStatistics takeStatistics(Population& population, const SearchMessages& messages);

struct InitialPopulationRequest {
    int populationSize = 0;
    std::vector<int> fieldSizes;
    bool structured = true;  // optimised Latin hypercube rather than random codes
    int generation = 0;
};

// The initial population: the `seeded` stored designs first (evaluated, not
// changed), the free slots filled with new members to evaluate. With at least
// a population of seeded designs, the first of them form the population.
Population buildInitialPopulation(std::vector<design::Design> seeded,
                                  const InitialPopulationRequest& request, RandomStream& random);

// The code of a Latin hypercube level among `points` levels for a field of
// `fieldSize` codes.
int hypercubeCode(int level, int points, int fieldSize);

// A member with a random code in every field.
PopulationMember randomMember(const std::vector<int>& fieldSizes, int generation,
                              RandomStream& random);

// Periodic re-initialisation of a stagnating search. Two generation counters
// decide when: `generationsSinceRestart` counts the generations bred since the
// search started or was last re-initialised; `stagnantGenerations` counts the
// generations since the raw fitness last improved on the best so far. Both
// must reach the interval.
class Reinitialization {
public:
    Reinitialization(int interval, float keepFraction, bool keepsBest)
        : interval_(interval), keepFraction_(keepFraction), keepsBest_(keepsBest) {}

    // After every bred generation: `improved` when it beat the best so far.
    void countGeneration(bool improved);

    // When due, rebuilds `population` (the best first when kept, the members
    // from the kept count on replaced by random members to evaluate) and
    // returns true; `bestIndex` follows the kept best. `cycle` and `ncycles`
    // set the next interval.
    bool check(Population& population, int& bestIndex, int cycle, int ncycles,
               const std::vector<int>& fieldSizes, int generation, RandomStream& random);

    int interval() const { return interval_; }
    int generationsSinceRestart() const { return generationsSinceRestart_; }
    int stagnantGenerations() const { return stagnantGenerations_; }
    void restore(int interval, int sinceRestart, int stagnant) {
        interval_ = interval;
        generationsSinceRestart_ = sinceRestart;
        stagnantGenerations_ = stagnant;
    }

private:
    int interval_;
    float keepFraction_;
    bool keepsBest_;
    int generationsSinceRestart_ = 0;
    int stagnantGenerations_ = 0;
};

}  // namespace varno::search
