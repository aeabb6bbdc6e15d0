// The baseline step of the TRAVOK search: when the study counts its baseline
// as a good design, a local search that starts at the baseline proposes one
// candidate per cycle with one of three local methods: a step to the best
// point of a quadratic model of the nearby designs, a Nelder-Mead reflection,
// or a coordinate pattern step.
#include <algorithm>
#include <cmath>
#include <span>

#include "design/design_store.h"
#include "search/smooth_maximizer.h"
#include "search/travok_search.h"
#include "surrogate/surrogate_model.h"

namespace varno::search {

namespace {

constexpr int patternStepShare = 20;  // the first pattern step: 1/20 of the levels
constexpr int localEvaluationLimit = 50;

std::string baselineNotSetWarning() {
    return "The baseline design was not set properly. As a result, the Advanced Study Option "
           "\"Baseline design is important\" is being disabled for this study.";
}

// Codes around `centre` mapped to [-1, 1] over its span in the designs.
struct LocalFrame {
    std::vector<int> low;
    std::vector<int> high;

    LocalFrame(const std::vector<design::Design>& designs, std::span<const int> centre,
               const std::vector<int>& fieldSizes)
        : low(centre.begin(), centre.end()), high(centre.begin(), centre.end()) {
        for (const design::Design& d : designs) {
            for (std::size_t j = 0; j < centre.size(); ++j) {
                low[j] = std::min(low[j], d.ints[j]);
                high[j] = std::max(high[j], d.ints[j]);
            }
        }
        for (std::size_t j = 0; j < centre.size(); ++j) {
            if (low[j] == high[j]) high[j] = std::min(fieldSizes[j] - 1, high[j] + 1);
        }
    }
    double unit(int code, std::size_t j) const {
        return high[j] > low[j] ? 2.0 * (code - low[j]) / (high[j] - low[j]) - 1.0 : 0.0;
    }
    int code(double x, std::size_t j) const {
        const double c = low[j] + (x + 1.0) * 0.5 * (high[j] - low[j]);
        return std::clamp(static_cast<int>(std::lround(c)), low[j], high[j]);
    }
};

std::vector<int> clampedCodes(const std::vector<double>& point, const std::vector<int>& sizes) {
    std::vector<int> codes(point.size());
    for (std::size_t j = 0; j < point.size(); ++j) {
        codes[j] = std::clamp(static_cast<int>(std::lround(point[j])), 0, sizes[j] - 1);
    }
    return codes;
}

}  // namespace

void TravokSearch::addBaselineCandidate(const StoreView& store) {
    if (!settings_.baselineImportant) return;
    if (settings_.baselineCodes.empty()) {
        messages_.warn(baselineNotSetWarning());
        settings_.baselineImportant = false;
        return;
    }
    if (!baseline_.started) {
        baseline_.started = true;
        baseline_.incumbent = freshDesign(settings_.baselineCodes);
        baseline_.incumbent.performance = design::NEW_DESIGN_MARK;
        for (int size : fieldSizes_) {
            baseline_.patternSteps.push_back(std::max(1, size / patternStepShare));
        }
    }
    if (baseline_.incumbent.performance == design::NEW_DESIGN_MARK) {
        baseline_.incumbent.performance = store.savedPerformance(baseline_.incumbent);
    }
    const double reference = baseline_.incumbent.performance;
    if (reference == design::NEW_DESIGN_MARK) {
        // The baseline itself comes first when it has not been evaluated.
        candidates_.push_back({baseline_.incumbent, tagBaselineStep, -HUGE_VAL,
                               CandidateSource::baseline, LocalMethod::pattern});
        return;
    }
    const int evaluations = store.evaluatedCount ? store.evaluatedCount() : 0;
    LocalMethod method = localMethods_.draw(random_, fieldCount(), evaluations);
    std::optional<design::Design> made = localStep(method, store);
    if (!made && method != LocalMethod::pattern) {
        method = LocalMethod::pattern;
        made = localStep(method, store);
    }
    if (!made) return;
    localMethods_.used(method);
    made->tag1 = bredStatus;
    made->tag2 = settings_.agentNumber;
    candidates_.push_back(
        {std::move(*made), tagBaselineStep, reference, CandidateSource::baseline, method});
}

std::optional<design::Design> TravokSearch::localStep(LocalMethod method, const StoreView& store) {
    switch (method) {
        case LocalMethod::trustRegion: return trustRegionStep(store);
        case LocalMethod::simplex: return simplexStep(store);
        case LocalMethod::pattern: return patternStep(store);
    }
    return std::nullopt;
}

// The best point of a quadratic model of the performance over the stored
// designs nearest the incumbent, within their span (the region where the
// model is trusted); a linear model while too few designs are stored.
std::optional<design::Design> TravokSearch::trustRegionStep(const StoreView& store) {
    if (!store.storedDesigns) return std::nullopt;
    const int f = fieldCount();
    const int terms = (f + 1) * (f + 2) / 2;
    const design::IntegerCodes& centre = baseline_.incumbent.ints;
    const std::vector<design::Design> near =
        store.storedDesigns(baseline_.incumbent, 2 * terms, true);
    if (static_cast<int>(near.size()) < f + 1) return std::nullopt;
    const LocalFrame frame(near, centre, fieldSizes_);
    Eigen::MatrixXd points(static_cast<Eigen::Index>(near.size()), f);
    Eigen::VectorXd values(static_cast<Eigen::Index>(near.size()));
    for (std::size_t k = 0; k < near.size(); ++k) {
        for (int j = 0; j < f; ++j) {
            points(static_cast<Eigen::Index>(k), j) =
                frame.unit(near[k].ints[static_cast<std::size_t>(j)], static_cast<std::size_t>(j));
        }
        values[static_cast<Eigen::Index>(k)] = near[k].performance;
    }
    const int order = static_cast<int>(near.size()) >= terms ? 1 : 0;
    const std::unique_ptr<surrogate::SurrogateModel> model =
        surrogate::fitPolynomialSurrogate(order, points, values);
    if (!model) return std::nullopt;
    SmoothProblem problem;
    problem.objective = [&model](const Eigen::VectorXd& x, Eigen::VectorXd* gradient) {
        if (gradient) *gradient = model->gradient(x);
        return model->evaluate(x);
    };
    problem.lower = -Eigen::VectorXd::Ones(f);
    problem.upper = Eigen::VectorXd::Ones(f);
    Eigen::VectorXd start(f);
    for (int j = 0; j < f; ++j) {
        start[j] = frame.unit(centre[static_cast<std::size_t>(j)], static_cast<std::size_t>(j));
    }
    const SmoothResult result = maximizeSmooth(problem, start, localEvaluationLimit);
    std::vector<int> codes(centre.size());
    for (std::size_t j = 0; j < codes.size(); ++j) {
        codes[j] = frame.code(result.x[static_cast<Eigen::Index>(j)], j);
    }
    if (!isUnknown(codes, store)) return std::nullopt;
    return freshDesign(std::move(codes));
}

// The worst of the F + 1 designs nearest the incumbent reflected through the
// centroid of the others; contracted half-way towards the centroid when the
// reflection is already known.
std::optional<design::Design> TravokSearch::simplexStep(const StoreView& store) {
    if (!store.storedDesigns) return std::nullopt;
    const int points = fieldCount() + 1;
    const std::vector<design::Design> simplex =
        store.storedDesigns(baseline_.incumbent, points, true);
    if (static_cast<int>(simplex.size()) < points) return std::nullopt;
    const auto worst =
        std::min_element(simplex.begin(), simplex.end(), [](const auto& a, const auto& b) {
            return a.performance < b.performance;
        });
    std::vector<double> centroid(fieldSizes_.size(), 0.0);
    for (auto it = simplex.begin(); it != simplex.end(); ++it) {
        if (it == worst) continue;
        for (std::size_t j = 0; j < centroid.size(); ++j) centroid[j] += it->ints[j];
    }
    for (double& c : centroid) c /= points - 1;
    for (double coefficient : {1.0, -0.5}) {
        std::vector<double> point(centroid.size());
        for (std::size_t j = 0; j < point.size(); ++j) {
            point[j] = centroid[j] + coefficient * (centroid[j] - worst->ints[j]);
        }
        std::vector<int> codes = clampedCodes(point, fieldSizes_);
        if (isUnknown(codes, store)) return freshDesign(std::move(codes));
    }
    return std::nullopt;
}

// A step along one coordinate from the incumbent, the directions taken in
// turn; once every direction of the current steps is known the steps halve.
std::optional<design::Design> TravokSearch::patternStep(const StoreView& store) {
    const int directions = 2 * fieldCount();
    for (;;) {
        for (int tried = 0; tried < directions; ++tried) {
            const int direction = (baseline_.patternDirection + tried) % directions;
            const auto field = static_cast<std::size_t>(direction / 2);
            const int step = direction % 2 == 0 ? baseline_.patternSteps[field]
                                                : -baseline_.patternSteps[field];
            design::IntegerCodes codes = baseline_.incumbent.ints;
            codes[field] = std::clamp(codes[field] + step, 0, fieldSizes_[field] - 1);
            if (codes == baseline_.incumbent.ints || !isUnknown(codes, store)) continue;
            baseline_.lastDirection = direction;
            baseline_.patternDirection = (direction + 1) % directions;
            return freshDesign(std::move(codes));
        }
        if (std::all_of(baseline_.patternSteps.begin(), baseline_.patternSteps.end(),
                        [](int s) { return s <= 1; })) {
            return std::nullopt;
        }
        for (int& s : baseline_.patternSteps) s = std::max(1, s / 2);
    }
}

// A baseline candidate that beats the incumbent becomes the incumbent; a
// successful pattern step is repeated in the same direction.
void TravokSearch::creditBaselineCandidate(const Candidate& candidate,
                                           const PopulationMember& evaluated) {
    if (evaluated.rawFitness() <= candidate.reference) return;
    // The baseline's own evaluation is no step of a method.
    if (std::isfinite(candidate.reference)) localMethods_.succeeded(candidate.method);
    baseline_.incumbent = evaluated.design;
    if (candidate.method == LocalMethod::pattern) {
        baseline_.patternDirection = baseline_.lastDirection;
    }
}

}  // namespace varno::search
