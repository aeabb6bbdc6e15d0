#include "dashboard_data.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>

#include "doe_plots.h"
#include "library.h"
#include "plots.h"
#include "robustness_report.h"
#include "study_runner.h"

namespace varno::tool {

namespace {

using nlohmann::json;

const char* kindWord(BlockKind kind) {
    switch (kind) {
        case BlockKind::objective: return "objective";
        case BlockKind::constraint: return "constraint";
        default: return "response";
    }
}

const char* studyKind(const StudyModel& model) {
    if (isRobustnessStudy(model)) return "robustness";
    if (!model.factors.empty()) return "doe";
    return model.objectives().size() >= 2 ? "pareto" : "optimization";
}

json studyPart(const ResultsStore& store, const StudyModel& model) {
    json responses = json::array();
    for (const StudyResponse& response : model.responses) {
        responses.push_back({{"name", response.name},
                             {"kind", kindWord(response.kind)},
                             {"option", response.option},
                             {"target", response.target}});
    }
    std::vector<std::string> variables;
    for (const StudyVariable& variable : model.variables) variables.push_back(variable.name);
    return {{"name", model.studyName},
            {"kind", studyKind(model)},
            {"method", model.method},
            {"budget", model.budget},
            {"parallel", store.setting("parallel").value_or("")},
            {"variables", variables},
            {"parameters", model.parameters},
            {"factors", model.factors},
            {"responses", responses},
            {"text", store.setting("study").value_or("")}};
}

bool isFeasible(int status) { return status == 1 || status == 2; }

// Feasible designs first, then infeasible ones, then failed ones; within
// each, non-dominated designs first, then by the measure's cost.
std::vector<int> rankOrder(const StudyModel& model, const RunRecord& record,
                           const std::vector<int>& statuses, const std::vector<int>& front) {
    const ObjectiveMeasure measure(model);
    auto group = [&](std::size_t k) {
        const int status = statuses[k];
        return record.designs[k].failed() || status == 0 ? 2 : isFeasible(status) ? 0 : 1;
    };
    auto onFront = [&](std::size_t k) {
        return std::find(front.begin(), front.end(), record.designs[k].id) != front.end();
    };
    auto cost = [&](std::size_t k) {
        if (group(k) == 2) return HUGE_VAL;
        const double value = measure.cost(record.designs[k]);
        return std::isnan(value) ? HUGE_VAL : value;
    };
    std::vector<int> order(record.designs.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const auto ka = static_cast<std::size_t>(a), kb = static_cast<std::size_t>(b);
        return std::tuple(group(ka), !onFront(ka), cost(ka)) <
               std::tuple(group(kb), !onFront(kb), cost(kb));
    });
    return order;
}

// The evaluations after which the best feasible value improved: [evaluation,
// value, design id].
json convergence(const StudyModel& model, const RunRecord& record,
                 const std::vector<int>& statuses) {
    const ObjectiveMeasure measure(model);
    json points = json::array();
    const EvaluatedDesign* leader = nullptr;
    for (std::size_t k = 0; k < record.designs.size(); ++k) {
        const EvaluatedDesign& design = record.designs[k];
        const bool usable = !design.failed() && isFeasible(statuses[k]) &&
                            std::isfinite(measure.value(design));
        if (usable && (leader == nullptr || measure.cost(design) < measure.cost(*leader))) {
            leader = &design;
            points.push_back({k + 1, measure.value(design), design.id});
        }
    }
    return {{"measure", measure.objective ? measure.objective->name : "performance"},
            {"points", points}};
}

// Per response, the mean at each value a factor takes among the designs
// evaluated successfully, and each factor's effect (mean at its highest value
// minus mean at its lowest) against its half-normal quantile.
json mainEffects(const StudyModel& model, const RunRecord& record) {
    json effects = json::array();
    for (std::size_t r = 0; r < model.responses.size(); ++r) {
        json factors = json::array();
        std::vector<std::pair<double, std::string>> sizes;
        for (const std::string& factor : model.factors) {
            const auto variable =
                std::find_if(model.variables.begin(), model.variables.end(),
                             [&](const StudyVariable& v) { return v.name == factor; });
            if (variable == model.variables.end()) continue;
            const auto column = static_cast<std::size_t>(variable - model.variables.begin());
            std::map<double, std::pair<double, int>> levels;  // value: sum, count
            for (const EvaluatedDesign& design : record.designs) {
                if (design.failed() || design.responses.size() <= r) continue;
                auto& [sum, count] = levels[design.values.at(column)];
                sum += design.responses[r], ++count;
            }
            if (levels.empty()) continue;
            json values = json::array(), means = json::array();
            for (const auto& [value, level] : levels) {
                values.push_back(value);
                means.push_back(level.first / level.second);
            }
            const double effect = means.back().get<double>() - means.front().get<double>();
            sizes.emplace_back(std::fabs(effect), factor);
            factors.push_back(
                {{"name", factor}, {"levels", values}, {"means", means}, {"effect", effect}});
        }
        std::stable_sort(sizes.begin(), sizes.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        json halfNormal = json::array();
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            const double p =
                0.5 + 0.5 * (static_cast<double>(i) + 0.5) / static_cast<double>(sizes.size());
            halfNormal.push_back({{"term", sizes[i].second},
                                  {"size", sizes[i].first},
                                  {"quantile", normalQuantile(p)}});
        }
        effects.push_back({{"response", model.responses[r].name},
                           {"factors", factors},
                           {"halfNormal", halfNormal}});
    }
    return effects;
}

}  // namespace

nlohmann::json dashboardData(const ResultsStore& store) {
    const std::optional<std::string> text = store.setting("study");
    if (!text) throw RunError("the results database holds no study");
    const StudyModel model = describeStudy(parseStudyText(*text, "the recorded study"));
    const RunRecord record{store.all()};

    std::vector<int> statuses;
    for (const EvaluatedDesign& design : record.designs) {
        statuses.push_back(judgedStatus(model, design));
    }
    // Designs the library has not yet scored count by their constraints.
    RunRecord judged = record;
    for (std::size_t k = 0; k < judged.designs.size(); ++k) judged.designs[k].status = statuses[k];
    const std::vector<int> front = model.objectives().size() >= 2 ? nonDominatedIds(model, judged)
                                                                  : std::vector<int>{};
    const std::vector<int> order = rankOrder(model, record, statuses, front);

    json designs = json::array(), failures = json::array();
    for (std::size_t k = 0; k < record.designs.size(); ++k) {
        const EvaluatedDesign& design = record.designs[k];
        designs.push_back({{"id", design.id},
                           {"status", statusWord(statuses[k])},
                           {"feasible", !design.failed() && isFeasible(statuses[k])},
                           {"values", design.values},
                           {"responses", design.responses},
                           {"cycle", design.cycle},
                           {"seconds", design.seconds}});
        if (design.failed()) failures.push_back({{"id", design.id}, {"message", design.error}});
    }
    for (std::size_t rank = 0; rank < order.size(); ++rank) {
        designs[static_cast<std::size_t>(order[rank])]["rank"] = rank + 1;
    }
    json data = {{"study", studyPart(store, model)},
                 {"designs", designs},
                 {"convergence", convergence(model, record, statuses)},
                 {"pareto", front},
                 {"failures", failures}};
    if (!model.factors.empty()) data["effects"] = mainEffects(model, record);
    return data;
}

}  // namespace varno::tool
