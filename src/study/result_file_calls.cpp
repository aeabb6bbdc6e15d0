#include "study/result_file_calls.h"

#include <algorithm>
#include <span>
#include <utility>

#include "frame/message_log.h"
#include "frame/text_format.h"
#include "model/responses.h"
#include "output/study_cleanup.h"
#include "search/pareto.h"
#include "search/pareto_file.h"
#include "study/doe_study.h"
#include "study/report_files.h"
#include "study/result_rows.h"
#include "study/study.h"
#include "support/file_io.h"

namespace varno {

namespace {

// A stored design as a design record: its real and integer vectors without
// the agent tag that the store appends.
design::Design loadDesign(const design::DesignStore& store, std::size_t index) {
    const design::StoredDesign& stored = store.record(index);
    const std::span<const int> ints = store.ints(index);
    const std::span<const double> reals = store.reals(index);
    design::Design design;
    design.agentTag = stored.agentTag;
    design.evaluationKind = stored.evaluationKind;
    design.id = stored.id;
    design.name = stored.name;
    design.source = stored.source;
    design.ints.assign(ints.begin(), ints.end() - (ints.empty() ? 0 : 1));
    design.reals.assign(reals.begin(), reals.end() - (reals.empty() ? 0 : 1));
    design.responseValues = stored.responseValues();
    design.dependentValues = stored.dependentValues();
    design.status = stored.evaluationStatus();
    design.performance = stored.performance;
    design.rawPerformance = stored.rawPerformance;
    return design;
}

int missingHandedOut(const Study& study) {
    const auto& hasResults = study.cycle.handedOutHasResults;
    return static_cast<int>(std::count(hasResults.begin(), hasResults.end(), false));
}

// The designs of the DOE array that have no results yet, counted without
// handing anything out: the cycle's set and the run table are put back.
int missingArrayDesigns(Study& study) {
    if (isExistingDesignsDoe(study)) return static_cast<int>(study.cycle.shared.size());
    auto handedOut = std::move(study.cycle.handedOut);
    auto hasResults = std::move(study.cycle.handedOutHasResults);
    auto runs = study.doeRuns;
    collectDoeDesigns(study);
    const int missing = static_cast<int>(study.cycle.handedOut.size());
    study.cycle.handedOut = std::move(handedOut);
    study.cycle.handedOutHasResults = std::move(hasResults);
    study.doeRuns = std::move(runs);
    return missing;
}

// Designs of a DOE or robustness study still without results. Robustness
// studies hand out no designs yet, so theirs are all missing until complete.
int missingStudyDesigns(Study& study, bool wasComplete) {
    if (library().designSetPending) return missingHandedOut(study);
    if (study.agent().method_used == search::studyDoe) return missingArrayDesigns(study);
    return wasComplete ? 0 : 1;
}

int arrayStudyResults(Study& study, bool wasComplete) {
    if (missingStudyDesigns(study, wasComplete) == 0) return 1;
    appendToMessageLog("Error in calling the VARNO_generateStudyResultsFiles function. Not all "
                       "designs for the study have been shared before trying to create the study "
                       "results.");
    return 0;
}

std::vector<search::ParetoDesign> successfulParetoDesigns(const Study& study) {
    const int variables = static_cast<int>(study.encoding->fieldSizes().size());
    std::vector<search::ParetoDesign> designs;
    for (const design::Design& design :
         search::evaluatedDesigns(study.store, study.agent().number, variables)) {
        if (design.status.status == design::statusError) continue;
        designs.push_back(search::prepareObjectives(design, study.performance()));
    }
    return designs;
}

// Rebuilds the Pareto archive from the successful designs in store order, as
// the search would have grown it, and appends each step's archive to the
// Pareto file.
int paretoResults(Study& study) {
    const search::Agent& agent = study.agent();
    const std::vector<search::ParetoDesign> designs = successfulParetoDesigns(study);
    const int archive = agent.data.populationSize;
    if (static_cast<int>(designs.size()) < archive) {
        appendToMessageLog(formatText("The number of successful designs in the database (%d) is "
                                      "less than the archive size (%d). No Pareto information "
                                      "will be created.",
                                      static_cast<int>(designs.size()), archive));
        return 0;
    }
    const double boundary =
        search::boundaryDistanceFor(model::countByKind(study.performance(), model::kindObjective));
    const search::ParetoFile file(search::paretoFilePath(
        study.workingDirectory, study.setup.study.filePrefix, agent.number, agent.modeCode));
    const std::size_t step = static_cast<std::size_t>(std::max(1, agent.data.breedingSize));
    std::vector<search::ParetoDesign> current(designs.begin(), designs.begin() + archive);
    std::size_t next = static_cast<std::size_t>(archive);
    do {
        const std::size_t end = std::min(designs.size(), next + step);
        current.insert(current.end(), designs.begin() + static_cast<long>(next),
                       designs.begin() + static_cast<long>(end));
        next = end;
        current = search::paretoSelect(current, archive, boundary, study.random);
        file.append(current);
    } while (next < designs.size());
    return 1;
}

std::string analysisFolder(int agentType) {
    if (agentType == search::agentDoe) return "DOE";
    return agentType == search::agentReliability ? "RandR" : std::string();
}

std::vector<std::string> responseNames(const Study& study) {
    std::vector<std::string> names;
    if (study.project.per_type.empty()) return names;
    for (const model::ResponseGoal& goal : study.performance().goals) names.push_back(goal.name);
    return names;
}

}  // namespace

int generateDesignResultsFile(Study& study) {
    library().studyComplete = 1;
    const int agent = study.agent().number;
    for (std::size_t i = 0; i < study.store.size(); ++i) {
        const design::StoredDesign& stored = study.store.record(i);
        if (stored.status.agent != agent) continue;
        writeDesignRow(study, loadDesign(study.store, i));
    }
    return 1;
}

int generateStudyResultsFiles(Study& study) {
    Library& lib = library();
    const bool wasComplete = lib.studyComplete != 0;
    lib.studyComplete = 1;
    const search::Agent& agent = study.agent();
    if (agent.type == search::agentDoe || agent.type == search::agentReliability) {
        return arrayStudyResults(study, wasComplete);
    }
    if (agent.type == search::agentOptimization && agent.method_used == search::studyMoTravok) {
        return paretoResults(study);
    }
    return 1;
}

void removeEndOfStudyFiles(Study& study, bool deleteResults) {
    if (!study.setup.study.defined || !study.setup.agent) return;
    output::CleanupRequest request;
    request.names = studyFileNames(study);
    support::removeFile(
        support::joinPath(study.workingDirectory, output::lockFileName(request.names)));
    request.analysisFolder = analysisFolder(study.agent().type);
    request.deleteResults = deleteResults;
    request.parallel = study.setup.study.parallel;
    request.responseNames = responseNames(study);
    output::removeStudyFiles(request);
}

}  // namespace varno
