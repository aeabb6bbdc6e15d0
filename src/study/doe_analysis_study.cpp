#include "study/doe_analysis_study.h"

#include <unordered_map>

#include "doe/doe_analysis.h"
#include "frame/message_writer.h"
#include "frame/text_format.h"
#include "study/doe_surfaces.h"
#include "study/study.h"
#include "support/file_io.h"

namespace varno {

namespace {

std::string reportPath(const std::string& folder, int agentNumber, const std::string& response) {
    return formatText("%s%cDOE_%d_%s.out", folder.c_str(), support::pathSeparator, agentNumber,
                      support::fileNamePart(response).c_str());
}

bool isVectorValued(const DoeRunValues& runs, std::size_t response) {
    for (const auto& run : runs) {
        if (response < run.size() && model::valueArraySize(run[response]) > 1) return true;
    }
    return false;
}

std::vector<double> responseOverRuns(const DoeRunValues& runs, std::size_t response) {
    std::vector<double> values;
    for (const auto& run : runs) {
        const bool present = response < run.size() && !run[response].empty();
        values.push_back(present ? run[response].front().doubleValue : 0.0);
    }
    return values;
}

// The stored record of every run's design; false when a design has no
// result or failed.
bool collectRunValues(const Study& study, DoeRunValues& runs) {
    std::unordered_map<int, std::size_t> byId;
    for (std::size_t i = study.store.size(); i-- > 0;) byId[study.store.record(i).id] = i;
    for (int design : study.doeRuns.runToDesign) {
        const int id = study.doeRuns.designIds.at(static_cast<std::size_t>(design));
        const auto found = byId.find(id);
        if (found == byId.end()) return false;
        const design::StoredDesign& record = study.store.record(found->second);
        if (record.status.status == design::statusError) return false;
        runs.push_back(record.responseValues());
    }
    return true;
}

bool isAnalysedKind(int kind) {
    return kind != doe::kindLatinHypercube && kind != doe::kindOptimizedLatinHypercube &&
           kind != doe::kindHammersley && kind != doe::kindExistingDesigns &&
           kind != doe::kindRobustDesign;
}

// The row pointers and labels the queries hand out, into the table.
void publishLevelMeans(Study& study) {
    doe::DoeTable& table = *study.doeTable;
    study.doeEffectRows.clear();
    for (std::vector<double>& row : table.effects) study.doeEffectRows.push_back(row.data());
    study.doeInteractionNames.clear();
    for (std::size_t c = static_cast<std::size_t>(table.num_factors); c < table.inter_name.size();
         ++c) {
        study.doeInteractionNames.push_back(table.inter_name[c].data());
    }
}

void analyseDoeStudy(Study& study) {
    if (!study.doeTable || !isAnalysedKind(study.doeSettings.kind)) return;
    DoeRunValues runs;
    if (!collectRunValues(study, runs)) {
        writeMessage("outptr", "warning",
                     "Since some of the design evaluations failed to complete successfully, some "
                     "DOE post processing will be skipped.");
        writeMessage("outptr", "warning",
                     "The DOE annova calculations are not performed when some designs have "
                     "errors.");
        return;
    }
    std::vector<std::string> names;
    for (const model::ResponseGoal& goal : study.performance().goals) names.push_back(goal.name);
    if (analyseDoeResponses(*study.doeTable, runs, names, study.workingDirectory,
                            study.agent().number)) {
        publishLevelMeans(study);
    }
}

}  // namespace

bool analyseDoeResponses(doe::DoeTable& table, const DoeRunValues& runs,
                         const std::vector<std::string>& responseNames, const std::string& folder,
                         int agentNumber) {
    bool analysed = false;
    for (std::size_t i = 0; i < responseNames.size(); ++i) {
        if (isVectorValued(runs, i)) {
            writeMessage("outptr", "warning",
                         formatText("The DOE calculations are not performed on vector valued "
                                    "responses. Skipping \"%s\"",
                                    responseNames[i].c_str()));
            continue;
        }
        doe::analyseDoeResponse(table, responseOverRuns(runs, i),
                                reportPath(folder, agentNumber, responseNames[i]));
        analysed = true;
    }
    return analysed;
}

void finishDoeStudy(Study& study) {
    analyseDoeStudy(study);
    fitSurfacesAfterDoe(study);
}

double** doeEffectsData(Study* study, int* nLevels, int* nTerms) {
    if (nLevels != nullptr) *nLevels = 0;
    if (nTerms != nullptr) *nTerms = 0;
    if (study == nullptr || !study->doeTable || study->doeEffectRows.empty()) return nullptr;
    if (nLevels != nullptr) *nLevels = study->doeTable->max_levels;
    if (nTerms != nullptr) *nTerms = study->doeTable->num_cols;
    return study->doeEffectRows.data();
}

double* doePercentContribution(Study* study, int* count) {
    if (count != nullptr) *count = 0;
    if (study == nullptr || !study->doeTable || study->doeEffectRows.empty()) return nullptr;
    if (count != nullptr) *count = study->doeTable->num_cols;
    return study->doeTable->contrib.data();
}

char** doeInteractionNames(Study* study, int* count) {
    if (count != nullptr) *count = 0;
    if (study == nullptr || !study->doeTable || study->doeEffectRows.empty() ||
        study->doeInteractionNames.empty()) {
        return nullptr;
    }
    if (count != nullptr) *count = static_cast<int>(study->doeInteractionNames.size());
    return study->doeInteractionNames.data();
}

}  // namespace varno
