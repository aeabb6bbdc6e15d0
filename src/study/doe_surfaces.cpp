#include "study/doe_surfaces.h"

#include <span>
#include <stdexcept>
#include <unordered_map>

#include "study/study.h"
#include "surrogate/surface_fitting.h"

namespace varno {

namespace {

// The control factors among the study variables, by position.
std::vector<std::size_t> controlFactors(const model::Representation& variables) {
    std::vector<std::size_t> factors;
    for (std::size_t i = 0; i < variables.data.size(); ++i) {
        const model::StudyVariable& variable = variables.data[i];
        if (variable.doeDefined != 0 && variable.factorType == 0) factors.push_back(i);
    }
    return factors;
}

// Store indices of the array's designs that have results, each once, in
// store order of ids.
std::vector<std::size_t> evaluatedArrayDesigns(const Study& study) {
    std::unordered_map<int, std::size_t> byId;
    for (std::size_t i = study.store.size(); i-- > 0;) byId[study.store.record(i).id] = i;
    std::vector<std::size_t> designs;
    for (int id : study.doeRuns.designIds) {
        const auto found = byId.find(id);
        if (found == byId.end() ||
            study.store.record(found->second).status.status == design::statusError) {
            continue;
        }
        designs.push_back(found->second);
    }
    return designs;
}

surrogate::SurfaceFitRequest fitRequest(const Study& study) {
    const model::Representation& variables = study.project.dvar.front();
    const std::vector<std::size_t> factors = controlFactors(variables);
    const std::vector<std::size_t> designs = evaluatedArrayDesigns(study);
    const auto responses = study.performance().goals.size();
    surrogate::SurfaceFitRequest request;
    for (std::size_t f : factors) {
        request.ranges.push_back(
            {variables.data[f].name, variables.data[f].min, variables.data[f].max});
    }
    for (const model::ResponseGoal& goal : study.performance().goals) {
        request.responseNames.push_back(goal.name);
    }
    request.points.resize(static_cast<Eigen::Index>(designs.size()),
                          static_cast<Eigen::Index>(factors.size()));
    request.values.resize(static_cast<Eigen::Index>(designs.size()),
                          static_cast<Eigen::Index>(responses));
    for (std::size_t d = 0; d < designs.size(); ++d) {
        const auto row = static_cast<Eigen::Index>(d);
        const std::span<const double> reals = study.store.reals(designs[d]);
        for (std::size_t j = 0; j < factors.size(); ++j) {
            if (factors[j] >= reals.size()) throw std::out_of_range("design without the factor");
            request.points(row, static_cast<Eigen::Index>(j)) =
                surrogate::normalise(reals[factors[j]], request.ranges[j]);
        }
        const std::vector<model::DataValueArray> values =
            study.store.record(designs[d]).responseValues();
        for (std::size_t r = 0; r < responses; ++r) {
            const bool present = r < values.size() && !values[r].empty();
            request.values(row, static_cast<Eigen::Index>(r)) =
                present ? values[r].front().doubleValue : 0.0;
        }
    }
    request.studyFolder = study.workingDirectory;
    request.agent = study.agent().number;
    request.writeFiles = true;
    return request;
}

}  // namespace

int fitSurfacesAfterDoe(Study& study) {
    if (study.doeSettings.genRSMAfterStudy == "NONE") return -1;
    surrogate::ResponseSurfaceStore store;
    return surrogate::fitResponseSurfaces(fitRequest(study), store);
}

}  // namespace varno
