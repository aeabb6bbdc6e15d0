// Population sizes and cycle counts of the hybrid searches, from the
// evaluation budget, the number of study variables and the number of
// simultaneous evaluations.
#pragma once

#include <string>

namespace varno::search {

// Who the sizing messages speak of, and whether they are written at all.
struct SizingContext {
    int agentNumber = 0;
    std::string studyName;
    bool report = true;
};

struct TravokSizing {
    int populationSize = 0;
    int firstPopulationSize = 0;  // before the parallel adjustment
    int ncycles = 0;
    bool randomSearchOnly = false;
};

// TRAVOK: population size and cycles for `evaluations` (N), `variables` (V)
// and `parallel` (P) simultaneous evaluations; warns when the budget is small.
TravokSizing size_travok_population(int evaluations, int variables, int parallel,
                                    const SizingContext& context);

// Grows a population of `size` members while the budget leaves enough cycles
// for the larger size; `x` is 0 for a single variable, else 1.
int grow_population(int evaluations, int x, int size);

struct MotravokInput {
    int evaluations = 0;
    int archiveSize = 0;
    int breedingSize = -1;  // -1: derive it from the budget
    int parallel = 1;
    bool extendRun = false;  // the study extends a previous run
};

struct MotravokSizing {
    int archiveSize = 0;
    int breedingSize = 0;
    int ncycles = 0;
};

// MOTRAVOK: archive and breeding sizes and cycles, with their notes and
// warnings; an impossible combination is a fatal error.
MotravokSizing size_motravok_population(const MotravokInput& input);

}  // namespace varno::search
