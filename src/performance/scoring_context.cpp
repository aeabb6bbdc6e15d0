#include "performance/scoring_context.h"

namespace varno::performance {

PerformanceContext scoringContext(const ScoringFacts& facts, int designId) {
    PerformanceContext context;
    context.doeAgent = facts.doeAgent;
    context.readsFromDisk = facts.readsFromDisk;
    context.fixesNormalisation = designId == 1 || facts.designFileRun || facts.readsFromDisk;
    context.designNumber = designId;
    return context;
}

}  // namespace varno::performance
