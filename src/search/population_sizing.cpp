#include "search/population_sizing.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "frame/fatal_error.h"
#include "frame/message_writer.h"
#include "frame/text_format.h"

namespace varno::search {

namespace {

constexpr int smallestPopulation = 4;
constexpr int largestPopulation = 40;
constexpr int fewestCycles = 17;
constexpr int mostCyclesBeforeGrowing = 70;
constexpr int fewestBatches = 10;

// Divisor of the population when the budget allows fewer than 17 cycles: the
// double that 0.55 * 17 + 1 gives, not the double nearest 10.35.
constexpr double shortBudgetDivisor = 10.350000000000001;
static_assert(shortBudgetDivisor == 0.55 * fewestCycles + 1.0);

// Cuts towards zero, saturating at the int range.
int truncToInt(double value) {
    if (value >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (value <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(value);
}

// Odd sizes are increased by 1 (the largest int, being odd, stays).
int evenUp(int size) { return size % 2 != 0 && size < INT_MAX ? size + 1 : size; }

// Cycles that the budget left after the first population allows.
int cyclesFor(int evaluations, int size, double perCycle) {
    return truncToInt((static_cast<double>(evaluations) - size) / std::max(1.0, perCycle));
}

double hybridPerCycle(int size, int x) { return 0.55 * size + x; }

std::string insufficientText(const char* format, int evaluations, const SizingContext& context) {
    return formatText(format, evaluations, context.agentNumber, context.studyName.c_str());
}

void warn(const SizingContext& context, const std::string& text) {
    if (context.report) writeMessage("outptr", "warning", text);
}

void warnRandomSearchOnly(int evaluations, const SizingContext& context) {
    std::string text = insufficientText(
        "The max. number of evaluations input %d for Agent %d for study \"%s\" is insufficient "
        "for",
        evaluations, context);
    text = formatText("%s performing any sort of optimization.", text.c_str());
    text = formatText("%s Performing some random search only.\n", text.c_str());
    warn(context, text);
}

void warnNoGlobalSearch(int evaluations, const SizingContext& context) {
    std::string text = insufficientText(
        "\n\t The max. number of evaluations input %d for Agent %d for study \"%s\" is "
        "insufficient for",
        evaluations, context);
    for (const char* format :
         {"%s an effective global search of the design space.",
          "%s The parameters of the run would be adjusted to accomodate the input # of",
          "%s evaluations. However, these changes will be detrimental to finding the best "
          "solution.",
          "%s The solutions obtained would most likely, at best, be sub-optimal.",
          "%s If possible, increase the number of allowed evaluations and restart the run.",
          "%s Continuing the run with the adjusted parameters.\n"}) {
        text = formatText(format, text.c_str());
    }
    warn(context, text);
}

// The batch warning names the method twice; `method` is "TRAVOK" or
// "MO-TRAVOK".
void warnFewBatches(const char* method, int parallel, int batches, const SizingContext& context) {
    std::string text = formatText(
        "Performing %d simultaneous evaluations, as specified, during the optimization could "
        "result in a ",
        parallel);
    text = formatText("%s decrease in the performance of the search with %s. %s is a dynamic "
                      "algorithm that learns with",
                      text.c_str(), method, method);
    text = formatText("%s each batch of evaluations. The more batches it can do, the better the "
                      "learning process. With the current settings",
                      text.c_str());
    text = formatText("%s approximately %d batches of evaluations can be performed. A better "
                      "search process may be achieved by increasing",
                      text.c_str(), batches);
    text = formatText("%s the total number of evaluations that can be performed during the "
                      "optimization or",
                      text.c_str());
    text =
        formatText("%s by reducing the number of simultaneous evaluations allowed.", text.c_str());
    warn(context, text);
}

void note(const std::string& text) { writeMessage("outptr", "note", text); }

// Step 5 when fewer than 17 cycles fit: 17 cycles of a smaller population,
// or, when even 4 members leave no cycle, one cycle of random search.
void sizeForShortBudget(int evaluations, int variables, int x, const SizingContext& context,
                        TravokSizing& sizing, int& cycles) {
    cycles = fewestCycles;
    int size =
        truncToInt((static_cast<double>(evaluations) - fewestCycles * x) / shortBudgetDivisor);
    size = evenUp(std::max(1, size));
    if (size < smallestPopulation) {
        size = smallestPopulation;
        cycles = truncToInt((evaluations - 4.0) / std::max(1.0, x + 2.2));
        if (cycles < 1) {
            warnRandomSearchOnly(evaluations, context);
            cycles = 1;
            size = truncToInt(evaluations / 1.5);
        } else {
            warnNoGlobalSearch(evaluations, context);
        }
    } else if (static_cast<double>(variables) / size > 1.5) {
        // This warning is also meant to need the engine's current population
        // to be below 40; a study's first sizing always meets that (it is
        // still 0), so the gate always passes.
        warnNoGlobalSearch(evaluations, context);
    }
    sizing.populationSize = size;
}

// Step 7: a population that is a whole number of batches of P designs.
void fitToBatches(int evaluations, int x, int parallel, const SizingContext& context, int& size,
                  int& cycles) {
    if (parallel > size) {
        size = parallel;
    } else {
        size = size - size % parallel + parallel;
        const int floor = 4 + truncToInt(0.6 * size);
        if (floor > size) size = floor;
    }
    cycles = cyclesFor(evaluations, size, hybridPerCycle(size, x));
    if (cycles < fewestBatches) warnFewBatches("TRAVOK", parallel, cycles + 1, context);
}

}  // namespace

int grow_population(int evaluations, int x, int size) {
    const int cap = std::min(largestPopulation, std::max(12, 2 * size));
    int grown = size;
    // The cycles a size leaves fall and the growth bar rises with the size,
    // so the first size that fails ends the growth.
    for (int p = size + 2; p <= cap; p += 2) {
        const double cycles = std::trunc((static_cast<double>(evaluations) - p) / (p + x));
        if (cycles <= 10.0 * std::pow(p - size, 1.1) + 70.0) break;
        grown = p;
    }
    return std::min(grown, cap);
}

TravokSizing size_travok_population(int evaluations, int variables, int parallel,
                                    const SizingContext& context) {
    const int x = variables == 1 ? 0 : 1;
    TravokSizing sizing;
    int cycles = 1;
    int size = variables;
    if (evaluations < 7 || (evaluations < variables && evaluations < 20)) {
        warnRandomSearchOnly(evaluations, context);
        sizing.randomSearchOnly = true;
        size = evaluations < 7 ? evaluations : truncToInt(evaluations / 1.5);
    }
    size = evenUp(std::clamp(size, smallestPopulation, largestPopulation));
    if (!sizing.randomSearchOnly) {
        cycles = cyclesFor(evaluations, size, hybridPerCycle(size, x));
        if (cycles < fewestCycles) {
            sizeForShortBudget(evaluations, variables, x, context, sizing, cycles);
            size = sizing.populationSize;
        } else if (cycles > mostCyclesBeforeGrowing) {
            size = grow_population(evaluations, x, size);
            cycles = cyclesFor(evaluations, size, hybridPerCycle(size, x));
        }
    }
    sizing.firstPopulationSize = size;
    if (parallel >= 2) fitToBatches(evaluations, x, parallel, context, size, cycles);
    const int settled = evenUp(std::max(smallestPopulation, size));
    if (settled != size) {
        const double perCycle = parallel < 2 ? hybridPerCycle(settled, x) : settled;
        cycles = cyclesFor(evaluations, settled, perCycle);
    }
    sizing.populationSize = settled;
    sizing.ncycles = std::max(1, cycles);
    return sizing;
}

namespace {

int archiveFor(int requested) {
    int archive = requested;
    if (archive < 10) {
        note(formatText("The Archive size must be greater than or equal to 12. Found (%d). "
                        "Incrementing Archive size to 12.",
                        archive));
        archive = 12;
    }
    if (archive % 4 != 0) {
        const int rounded = archive < INT_MAX - 3 ? archive + 4 - archive % 4 : INT_MAX - 3;
        note(formatText("Archive size must be a multiple of 4. Found %d, incrementing to %d.",
                        archive, rounded));
        archive = rounded;
    }
    return archive;
}

int derivedBreedingSize(int evaluations, int archive) {
    int breeding = std::min(evaluations / archive, archive);
    breeding = std::max({breeding, archive / 2, 6});
    return evenUp(breeding);
}

int checkedBreedingSize(int breeding, int archive) {
    if (breeding < 6) {
        fatalError(formatText("The Breeding size must be at least 6. Found (%d).\n", breeding));
    }
    if (breeding % 2 != 0) {
        note(formatText("Only even values are allowed for breeding size (%d). Incrementing by 1 "
                        "to %d.\n",
                        breeding, breeding + 1));
        ++breeding;
    }
    if (breeding > archive) {
        fatalError(formatText("The breeding size (%d) cannot be greater than the archive size "
                              "(%d).",
                              breeding, archive));
    }
    return breeding;
}

// Step 6: a breeding population of whole batches of P designs.
int breedingForBatches(int breeding, int archive, int parallel) {
    if (parallel > archive) {
        std::string text = formatText("The maximum number of parallel designs requested (%d) is "
                                      "greater than the archive size (%d).",
                                      parallel, archive);
        text = formatText("%s The archive size is the maximum number of simultaneous designs "
                          "that can be evaluated.",
                          text.c_str());
        text = formatText("%s Please increase the archive size or reduce the number of "
                          "simultaneous design evaluations requested.",
                          text.c_str());
        fatalError(text);
    }
    if (parallel == archive) return archive;
    if (breeding / parallel < 1) return parallel;
    breeding = breeding / parallel * parallel;
    while (breeding > archive) breeding -= parallel;
    return breeding;
}

}  // namespace

MotravokSizing size_motravok_population(const MotravokInput& input) {
    const int evaluations = input.evaluations;
    const int parallel = input.parallel;
    const int archive = archiveFor(input.archiveSize);
    int breeding = input.breedingSize == -1 ? derivedBreedingSize(evaluations, archive)
                                            : input.breedingSize;
    breeding = checkedBreedingSize(breeding, archive);
    if (!input.extendRun && evaluations < static_cast<long long>(breeding) + archive) {
        fatalError(formatText("Max evaluations must be at least breeding size (%d) plus archive "
                              "size (%d). Found (%d).",
                              breeding, archive, evaluations));
    }
    if (parallel >= 2) breeding = breedingForBatches(breeding, archive, parallel);
    breeding = std::max(6, breeding);
    if (breeding % 2 != 0) --breeding;
    if (parallel >= 2 && breeding < parallel) {
        std::string text = formatText("For a Pareto optimization, the search cycle size must be "
                                      "even. As a result, the number of simultaneous evaluations "
                                      "specified (%d) cannot be honored.",
                                      parallel);
        text = formatText("%s The number of simultaneous evaluations will be limited to %d.",
                          text.c_str(), breeding);
        writeMessage("outptr", "warning", text);
    }
    const long long batches = (static_cast<long long>(evaluations) - archive) / breeding;
    if (batches < fewestBatches && parallel >= 2) {
        warnFewBatches("MO-TRAVOK", parallel, static_cast<int>(batches) + 1, SizingContext{});
    }
    MotravokSizing sizing;
    sizing.archiveSize = archive;
    sizing.breedingSize = breeding;
    sizing.ncycles = evaluations / breeding;  // trunc(N / b + 0.5) with N / b in integers
    return sizing;
}

}  // namespace varno::search
