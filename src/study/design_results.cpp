#include "study/design_results.h"

#include <algorithm>
#include <utility>

#include "model/responses.h"
#include "performance/scoring_context.h"
#include "study/result_rows.h"
#include "study/study.h"

namespace varno {

namespace {

constexpr std::size_t maxDesignNameBytes = 2054;

}  // namespace

std::vector<double> studyOrderValues(const design::Design& design) {
    std::vector<double> values;
    for (const model::DataValueArray& array : design.responseValues) {
        values.push_back(array.empty() ? 0.0 : array.front().doubleValue);
    }
    return values;
}

std::string designName(char** names, int i, const std::string& fallback) {
    if (names == nullptr || names[i] == nullptr || names[i][0] == '\0') return fallback;
    std::string name(names[i]);
    if (name.size() > maxDesignNameBytes) name.resize(maxDesignNameBytes);
    return name;
}

int waitingCount(const std::vector<SharedDesign>& shared) {
    return static_cast<int>(std::count_if(shared.begin(), shared.end(),
                                          [](const SharedDesign& s) { return !s.hasResults; }));
}

double scoreDesign(Study& study, design::Design& design, const std::vector<double>& values) {
    const int mode = study.setup.study.modeCode;
    performance::ScoringFacts facts;
    facts.doeAgent = study.agent().type == search::agentDoe;
    facts.designFileRun = mode == search::modeRunDesignFiles ||
                          mode == search::modeWriteDesignFiles;
    facts.readsFromDisk = study.setup.options.readDesignResultsFromDisk != 0;
    return performance::computePerformance(design, study.performance(), values,
                                           performance::scoringContext(facts, design.id));
}

void recordResults(Study& study, design::Design& design, const std::vector<double>& hostValues,
                   int errorFlag) {
    model::CheckedResponseValues checked =
        model::checkResponseValues(study.project, study.performance(), design.name, hostValues);
    design.responseValues = std::move(checked.values);
    const bool failed = errorFlag == 1 || checked.errorDesign;
    design.status.status = failed ? design::statusError : design::statusNoGoals;
    design.status.agent = study.agent().number;
    design.performance = scoreDesign(study, design, studyOrderValues(design));
}

void storeEvaluated(Study& study, design::Design& design) {
    study.store.addDesign(design);
    ++study.agent().data.evaluationsDone;
    recordEvaluatedDesign(study, design);
}

void mergeSharedDesigns(Study& study) {
    for (SharedDesign& shared : study.cycle.shared) {
        if (!shared.hasResults) continue;
        recordResults(study, shared.design, shared.values, shared.errorFlag);
        storeEvaluated(study, shared.design);
    }
    study.cycle.shared.clear();
}

}  // namespace varno
