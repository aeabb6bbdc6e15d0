// A whole host session through the C interface, chosen by the input: the
// definition calls in any order with fuzzed names and texts, finalising, a
// few design cycles answered with fuzzed values (NaN, infinities, huge
// numbers), shared designs, the queries, and the end of the study.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_host.h"
#include "fuzz_input.h"
#include "varno.h"

namespace {

using varno::fuzz::FuzzInput;

constexpr int maxCalls = 40;
constexpr int maxCycles = 3;
constexpr int maxValues = 64;

// Gets a set and answers it: each design with fuzzed values or as failed.
void cycle(FuzzInput& input) {
    int* ids = nullptr;
    double** values = nullptr;
    const int count = VARNO_getNextSetOfDesignsFromStudy(&ids, &values);
    const int responses = VARNO_getIntStudyData(2);
    if (count > 0 && ids != nullptr && responses >= 0 && responses <= maxValues) {
        std::vector<std::vector<double>> answers(static_cast<std::size_t>(count));
        std::vector<double*> pointers;
        std::vector<int> flags;
        for (auto& answer : answers) {
            for (int r = 0; r < responses; ++r) answer.push_back(input.number());
            pointers.push_back(input.choice(8) == 0 ? nullptr : answer.data());
            flags.push_back(static_cast<int>(input.choice(3)));
        }
        VARNO_updateResultsForDesignSet(count, ids, flags.data(), pointers.data(), nullptr);
    }
    VARNO_freePtr(ids);
    VARNO_freePtr(values);
}

// Shares a few designs of fuzzed values, some with results.
void share(FuzzInput& input) {
    const int designs = static_cast<int>(input.choice(4));
    const int values = static_cast<int>(input.choice(6));
    const int responses = static_cast<int>(input.choice(4));
    std::vector<std::vector<double>> rows(static_cast<std::size_t>(designs));
    std::vector<std::vector<double>> results(static_cast<std::size_t>(designs));
    std::vector<double*> rowPointers, resultPointers;
    std::vector<int> types;
    for (int d = 0; d < designs; ++d) {
        for (int v = 0; v < values; ++v) rows[d].push_back(input.number());
        for (int r = 0; r < responses; ++r) results[d].push_back(input.number());
        rowPointers.push_back(rows[d].data());
        resultPointers.push_back(results[d].data());
        types.push_back(static_cast<int>(input.choice(4)));
    }
    int* shared = nullptr;
    VARNO_shareDesigns("host", designs, types.data(), values, rowPointers.data(), responses,
                       input.choice(2) == 0 ? nullptr : resultPointers.data(), &shared, nullptr);
    VARNO_freePtr(shared);
}

void queries(FuzzInput& input) {
    const int id = static_cast<int>(input.choice(64)) - 8;
    double performance = 0;
    VARNO_getPerformanceValueForDesign(id, &performance);
    VARNO_getDesignStatus(id);
    VARNO_getBestDesignId();
    VARNO_isStudyComplete();
    int* pareto = nullptr;
    int* ranks = nullptr;
    VARNO_getParetoDesignIds(&pareto, &ranks);
    VARNO_freePtr(pareto);
    VARNO_freePtr(ranks);
    // The DOE answers belong to the library: read whole, never freed.
    volatile double sink = 0;
    int count = 0;
    int levels = 0;
    for (char** names : {VARNO_getFactorNames(&count), VARNO_getInteractionNames(&count)}) {
        for (int i = 0; names != nullptr && i < count; ++i)
            sink = sink + std::string(names[i]).size();
    }
    const double* contributions = VARNO_getPercentContribution(&count);
    for (int i = 0; contributions != nullptr && i < count; ++i) sink = sink + contributions[i];
    double** effects = VARNO_getDOEEffectsData(&levels, &count);
    for (int l = 0; effects != nullptr && l < levels; ++l) {
        for (int t = 0; t < count; ++t) sink = sink + effects[l][t];
    }
    char* log = VARNO_getMessageLog();
    VARNO_freePtr(log);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    varno::fuzz::initialize();
    int cycles = 0;
    for (int call = 0; call < maxCalls && !input.empty(); ++call) {
        const unsigned what = input.choice(std::size(varno::fuzz::defineCalls) + 4);
        if (what < std::size(varno::fuzz::defineCalls)) {
            const std::string name = input.text(64);
            const std::string text = input.text(4096);
            varno::fuzz::defineCalls[what](name.c_str(), text.c_str());
            continue;
        }
        switch (what - std::size(varno::fuzz::defineCalls)) {
            case 0: VARNO_finalizeStudyData(); break;
            case 1:
                if (cycles++ < maxCycles) cycle(input);
                break;
            case 2: share(input); break;
            default: queries(input); break;
        }
    }
    VARNO_endStudy();
    return 0;
}
