#include "study/result_queries.h"

#include <algorithm>
#include <string>
#include <vector>

#include "frame/message_log.h"
#include "frame/tracked_allocator.h"
#include "model/responses.h"
#include "search/pareto.h"
#include "study/study.h"

namespace varno {

namespace {

// The archive size of a multi-objective search; 0 for other studies.
int archiveSize(const Study& study) {
    const auto& agent = study.setup.agent;
    if (!agent || agent->method_used != search::studyMoTravok) return 0;
    return agent->data.populationSize;
}

}  // namespace

int paretoDesignIds(Study& study, int** paretoIds, int** paretoRanks) {
    const search::Agent& agent = study.agent();
    const int variables = static_cast<int>(study.encoding->fieldSizes().size());
    const std::vector<design::Design> designs =
        search::evaluatedDesigns(study.store, agent.number, variables);
    std::string refusal;
    const std::vector<search::ParetoDesign> front =
        search::paretoQuery(designs, study.performance(), agent.data.populationSize,
                            std::max(0, agent.data.breedingSize), study.random, refusal);
    if (!refusal.empty()) {
        appendToMessageLog(refusal);
        return 0;
    }
    if (front.empty()) return 0;
    auto ids = trackedArray<int>(front.size(), "desIds");
    auto ranks = trackedArray<int>(front.size(), "rankIds");
    for (std::size_t k = 0; k < front.size(); ++k) {
        ids[k] = front[k].id;
        ranks[k] = front[k].rank;
    }
    *paretoIds = ids.release();
    *paretoRanks = ranks.release();
    return static_cast<int>(front.size());
}

int studyCount(const Study* study, int dataId) {
    if (dataId < 0 || dataId > 5) return -1;
    if (study == nullptr) return 0;
    const model::ProjectModel& project = study->project;
    const model::PerformanceDefinition* performance =
        project.per_type.empty() ? nullptr : &project.per_type.front();
    switch (dataId) {
        case 0: return archiveSize(*study);
        case 1: return static_cast<int>(project.dvar.front().data.size());
        case 2: return performance ? static_cast<int>(performance->size()) : 0;
        case 3: return static_cast<int>(project.file_user_fixed.size());
        case 4: return performance ? model::countByKind(*performance, model::kindObjective) : 0;
        default: return performance ? model::countByKind(*performance, model::kindConstraint) : 0;
    }
}

}  // namespace varno
