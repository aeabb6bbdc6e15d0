#include "study/design_sharing.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

#include "design/design_equality.h"
#include "frame/message_log.h"
#include "frame/text_format.h"
#include "frame/tracked_allocator.h"
#include "study/design_cycle.h"
#include "study/design_results.h"
#include "study/study.h"

namespace varno {

namespace {

// The host's values of one shared design, or a refusal in the log.
bool acceptableValues(Study& study, const double* values, int nValues, int evaluationKind,
                      const std::string& name) {
    if (evaluationKind != design::integerCoded && evaluationKind != design::realValued) {
        appendToMessageLog(formatText("The evaluation type %d for design %s is not supported. "
                                      "This design will not be used.",
                                      evaluationKind, name.c_str()));
        return false;
    }
    const int variables = static_cast<int>(study.encoding->fieldSizes().size());
    for (int j = 0; j < nValues; ++j) {
        const bool ok = j < variables ? study.encoding->acceptsHostValue(j, values[j])
                                      : std::isfinite(values[j]);
        if (!ok) {
            appendToMessageLog(design::refusedHostValueText(j, name));
            return false;
        }
    }
    return true;
}

design::Design hostDesign(Study& study, const double* values, int nValues, int evaluationKind,
                          const std::string& name, int id) {
    design::Design design;
    design.name = name;
    design.id = id;
    design.agentTag = study.agent().number;
    design.evaluationKind = evaluationKind;
    design.reals.assign(values, values + nValues);
    study.encoding->takeInHostDesign(design);
    const std::size_t variables = study.encoding->fieldSizes().size();
    design.reals.resize(static_cast<std::size_t>(nValues));
    std::copy(values + variables, values + nValues,
              design.reals.begin() + static_cast<long>(variables));
    return design;
}

const SharedDesign* sharedDuplicate(const CycleState& cycle, const design::Design& design) {
    for (const SharedDesign& shared : cycle.shared) {
        if (design::sameDesign(shared.design, design)) return &shared;
    }
    return nullptr;
}

// Adds one host design to the shared list; false when it is refused.
bool shareOne(Study& study, design::Design design, const double* responseValues,
              const std::string& source) {
    if (study.store.findDesign(design).found) {
        appendToMessageLog(formatText("The design %s already exists in the database. This design "
                                      "will not be used.",
                                      design.name.c_str()));
        return false;
    }
    if (const SharedDesign* earlier = sharedDuplicate(study.cycle, design)) {
        appendToMessageLog(formatText("The design %s is a duplicate of design %s. This design "
                                      "will be ignored.",
                                      design.name.c_str(), earlier->design.name.c_str()));
        return false;
    }
    SharedDesign shared;
    shared.design = std::move(design);
    shared.design.source = source;
    if (responseValues != nullptr) {
        shared.values.assign(responseValues, responseValues + study.performance().size());
        shared.hasResults = true;
    }
    study.cycle.shared.push_back(std::move(shared));
    return true;
}

int expectedValueCount(Study& study) {
    return static_cast<int>(study.encoding->fieldSizes().size() +
                            study.project.file_user_fixed.size());
}

// Designs shared without results wait to be handed out in one set, which the
// study could never complete beyond the evaluations it may still make: refuse
// the call before any of its designs is taken.
bool withinEvaluationLimit(const Study& study, int nDesigns, double** responseValues) {
    int waiting = waitingCount(study.cycle.shared);
    for (int i = 0; i < nDesigns; ++i) {
        if (responseValues == nullptr || responseValues[i] == nullptr) ++waiting;
    }
    const int left = evaluationsLeft(study);
    if (waiting <= left) return true;
    appendToMessageLog(formatText("Sharing these designs would leave %d designs waiting for "
                                  "evaluation, more than the %d the study may still evaluate. "
                                  "None of these designs were shared.",
                                  waiting, std::max(left, 0)));
    return false;
}

}  // namespace

int shareDesigns(Study& study, const char* namePrefix, int nDesigns, const int* evaluationTypes,
                 int nValues, double** values, int nResponses, double** responseValues,
                 int** sharedIds, char** designNames) {
    if (sharedIds != nullptr) *sharedIds = nullptr;
    const int expectedValues = expectedValueCount(study);
    if (nValues != expectedValues) {
        appendToMessageLog(formatText("The number of variables specified in the call (%d) does "
                                      "not match the number of variables in the problem "
                                      "definition (%d).",
                                      nValues, expectedValues));
        return 0;
    }
    const int expectedResponses = static_cast<int>(study.performance().size());
    if (nResponses != expectedResponses) {
        appendToMessageLog(formatText("The number of responses specified in the call (%d) does "
                                      "not match the number of responses in the problem "
                                      "definition (%d).",
                                      nResponses, expectedResponses));
        return 0;
    }
    if (nDesigns > 0 && (evaluationTypes == nullptr || values == nullptr)) {
        appendToMessageLog("The evaluation types and the values of the shared designs must be "
                           "given.");
        return 0;
    }
    if (nDesigns < 0) {
        appendToMessageLog(
            formatText("The number of designs to share (%d) cannot be negative.", nDesigns));
        return 0;
    }
    if (!withinEvaluationLimit(study, nDesigns, responseValues)) return 0;
    int* ids = nullptr;
    if (sharedIds != nullptr && nDesigns > 0) {
        ids = static_cast<int*>(
            fmalloc(static_cast<std::size_t>(nDesigns) * sizeof(int), "shareDesIds"));
        std::fill(ids, ids + nDesigns, 0);
        *sharedIds = ids;
    }
    const std::string prefix = namePrefix != nullptr ? namePrefix : "";
    const int firstId = study.agent().data.evaluationsDone + waitingCount(study.cycle.shared) + 1;
    int accepted = 0;
    bool allAccepted = true;
    for (int i = 0; i < nDesigns; ++i) {
        const std::string name =
            designName(designNames, i, formatText("%s-%d", prefix.c_str(), i + 1));
        const bool ok = values[i] != nullptr &&
                        acceptableValues(study, values[i], nValues, evaluationTypes[i], name) &&
                        shareOne(study,
                                 hostDesign(study, values[i], nValues, evaluationTypes[i], name,
                                            firstId + accepted),
                                 responseValues != nullptr ? responseValues[i] : nullptr,
                                 formatText("UD(%s)", prefix.c_str()));
        if (values[i] == nullptr) {
            appendToMessageLog(formatText("The values for design %s are missing. This design "
                                          "will not be used.",
                                          name.c_str()));
        }
        if (!ok) {
            allAccepted = false;
            continue;
        }
        if (ids != nullptr) ids[i] = firstId + accepted;
        ++accepted;
    }
    if (waitingCount(study.cycle.shared) == 0) mergeSharedDesigns(study);
    return allAccepted ? 1 : 0;
}

}  // namespace varno
