#include "study/doe_study.h"

#include <span>

#include "frame/text_format.h"
#include "model/block_reader.h"
#include "search/agent.h"
#include "study/design_results.h"
#include "study/study.h"

namespace varno {

namespace {

design::Design doeDesign(Study& study, const std::vector<double>& values) {
    design::Design design;
    design.agentTag = study.agent().number;
    design.evaluationKind = design::realValued;
    // Array runs give the study variables; samples give the parameters too.
    design.reals = values;
    const auto& fixed = study.project.file_user_fixed;
    const std::size_t variables = study.project.dvar.front().data.size();
    for (std::size_t j = design.reals.size(); j < variables + fixed.size(); ++j) {
        design.reals.push_back(fixed[j - variables].baseline);
    }
    study.encoding->dblsToInts(design, design::roundNearest);
    return design;
}

void takeDoeTable(Study& study, doe::DoeTable table) {
    study.doeSettings.numRuns = table.num_runs;
    study.agent().data.populationSize = table.num_runs;
    study.doeTable = std::move(table);
    study.factorNames.clear();
    for (int i = 0; i < study.doeTable->num_factors; ++i) {
        study.factorNames.push_back(study.doeTable->col_name[static_cast<std::size_t>(i)].data());
    }
}

// The designs the store holds for this study (the host's shared designs
// among them, once their results are in), each as its study-variable values.
void buildExistingDesignsArray(Study& study) {
    const model::Representation& variables = study.project.dvar.front();
    const std::size_t width = variables.data.size();
    doe::DoeRuns runs;
    for (std::size_t i = 0; i < study.store.size(); ++i) {
        const design::StoredDesign& stored = study.store.record(i);
        const std::span<const double> reals = study.store.reals(i);
        if (reals.size() < width) continue;
        runs.designValues.emplace_back(reals.begin(), reals.begin() + static_cast<long>(width));
        runs.runToDesign.push_back(static_cast<int>(runs.designIds.size()));
        runs.designIds.push_back(stored.id);
    }
    takeDoeTable(study, doe::existingDesignsTable(runs.designValues, variables));
    study.doeRuns = std::move(runs);
}

}  // namespace

void defineDoeMethod(Study& study, const LineList& lines) {
    model::BlockReader reader(lines, "Study");
    reader.name();
    study.doeSettings = doe::readDoeSettings(reader);
}

bool isExistingDesignsDoe(const Study& study) {
    return study.agent().method_used == search::studyDoe &&
           study.doeSettings.kind == doe::kindExistingDesigns;
}

void startDoeStudy(Study& study) {
    const doe::DoeContext context{study.project.dvar.front(), study.agent().number, study.random,
                                  study.workingDirectory};
    doe::checkDoeFactors(study.doeSettings, context);
    // The existing designs are known once the host has shared them.
    if (isExistingDesignsDoe(study)) return;
    doe::DoeTable table = doe::buildDoeTable(study.doeSettings, context);
    study.doeRuns = doe::doeRunValues(table, study.doeSettings, context.variables);
    takeDoeTable(study, std::move(table));
}

void finishExistingDesignsDoe(Study& study) { buildExistingDesignsArray(study); }

void collectDoeDesigns(Study& study) {
    std::vector<design::Design>& out = study.cycle.handedOut;
    out.clear();
    // Every existing design has its results: the array is complete as it is.
    if (isExistingDesignsDoe(study)) {
        buildExistingDesignsArray(study);
        return;
    }
    doe::DoeRuns& runs = study.doeRuns;
    runs.designIds.assign(runs.designValues.size(), 0);
    const int firstId = study.agent().data.evaluationsDone + 1;
    const auto rescore = [&study](design::Design& d) {
        return scoreDesign(study, d, studyOrderValues(d));
    };
    for (std::size_t i = 0; i < runs.designValues.size(); ++i) {
        design::Design d = doeDesign(study, runs.designValues[i]);
        if (study.store.lookupSavedPerformance(d, rescore, true) != design::NEW_DESIGN_MARK) {
            runs.designIds[i] = d.id;
            continue;
        }
        d.id = firstId + static_cast<int>(out.size());
        d.name = formatText("Design%d", d.id);
        runs.designIds[i] = d.id;
        out.push_back(std::move(d));
    }
}

char** doeFactorNames(Study* study, int* count) {
    if (count != nullptr) *count = 0;
    if (study == nullptr || !study->doeTable || study->factorNames.empty()) return nullptr;
    if (count != nullptr) *count = static_cast<int>(study->factorNames.size());
    return study->factorNames.data();
}

}  // namespace varno
