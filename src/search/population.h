// Population members of the genetic searches: a design whose integer codes
// are the chromosome and whose performance is the raw fitness.
#pragma once

#include <vector>

#include "design/design.h"
#include "search/agent.h"

namespace varno::search {

// Operator and candidate tags recorded in each member.
enum OperatorTag : int {
    tagUnchanged = 0,
    tagSingleField = 6,
    tagMultiFieldSecond = 7,
    tagMultiFieldFirst = 8,
    tagGaussianFields = 9,
    tagTwoPoint = 60,
    tagUniform = 70,
    tagBlendFallback = 80,
    tagBlend = 85,
    tagLargestLevel = 90,  // also the least-squares surrogate candidate
    tagSimplex = 91,
    tagBaselineStep = 92,
    tagKriging = 94,
    tagRadialBasis = 95,
};

struct PopulationMember {
    design::Design design;  // design.ints: the chromosome; design.performance: raw fitness
    double fitness = 0.0;   // what selection compares
    int parent1 = -1;       // indices into the population it was bred from
    int parent2 = -1;
    int tag = tagUnchanged;
    int generation = 0;
    int mutationWidth = 0;  // block width of a multi-field mutation
    bool changed = false;   // to be evaluated

    const design::IntegerCodes& codes() const { return design.ints; }
    design::IntegerCodes& codes() { return design.ints; }
    double rawFitness() const { return design.performance; }
    bool evaluated() const { return design.performance != UNSET_PERFORMANCE; }
};

using Population = std::vector<PopulationMember>;

inline bool isCrossoverTag(int tag) {
    return tag == tagTwoPoint || tag == tagUniform || tag == tagBlendFallback || tag == tagBlend;
}

inline bool isMutationTag(int tag) {
    return tag == tagSingleField || tag == tagMultiFieldSecond || tag == tagMultiFieldFirst ||
           tag == tagGaussianFields;
}

// The candidate tags whose success is credited like a mutation's.
inline bool isExplorationTag(int tag) {
    return tag == tagLargestLevel || tag == tagKriging || tag == tagRadialBasis;
}

// Index of the first member with these codes, or -1.
inline int findByCodes(const Population& population, const design::IntegerCodes& codes) {
    for (std::size_t i = 0; i < population.size(); ++i) {
        if (population[i].codes() == codes) return static_cast<int>(i);
    }
    return -1;
}

// Evaluation status of a design bred by a search.
inline constexpr int bredStatus = 1;

// A new design of `agent` with these codes, not yet evaluated.
inline design::Design freshDesign(design::IntegerCodes codes, int agent) {
    design::Design design;
    design.agentTag = agent;
    design.evaluationKind = design::integerCoded;
    design.ints = std::move(codes);
    design.performance = UNSET_PERFORMANCE;
    return design;
}

// Changed members are new designs: a clean record with their codes, the bred
// status and the agent number.
inline void stampChangedMembers(Population& population, int agent) {
    for (PopulationMember& member : population) {
        if (!member.changed) continue;
        member.design = freshDesign(std::move(member.design.ints), agent);
        member.design.tag1 = bredStatus;
        member.design.tag2 = agent;
    }
}

// A member holding `codes`, not yet evaluated.
inline PopulationMember unevaluatedMember(design::IntegerCodes codes, int generation) {
    PopulationMember member;
    member.design.ints = std::move(codes);
    member.design.performance = UNSET_PERFORMANCE;
    member.generation = generation;
    return member;
}

}  // namespace varno::search
