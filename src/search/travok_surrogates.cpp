// The surrogate candidates of the TRAVOK search: Kriging and radial-basis
// surrogates fitted to the stored designs around a start and searched from
// many trial points, or a least-squares surface searched from the start.
#include <algorithm>
#include <cmath>
#include <span>
#include <utility>

#include "frame/text_format.h"
#include "search/surface_goals.h"
#include "search/travok_search.h"

namespace varno::search {

namespace {

constexpr int surrogateStatus = 3;  // evaluation status of a surrogate candidate
constexpr int trialStarts = 100;    // the start and 99 random points of the trust region
// Of the random trial points, only the most promising by the surface's own
// value start an SQP search: the surface costs one evaluation per point, an
// SQP search up to sqpEvaluationLimit with gradients, and searches from the
// best-valued points reach the same peaks as searches from all of them.
constexpr std::size_t searchedTrials = 8;
constexpr int krigingDesigns = 150;
constexpr int radialBasisDesigns = 100;
constexpr std::size_t fewestFitDesigns = 3;
constexpr std::size_t boxDesigns = 10;  // the box grows until it holds these
// Objective evaluations of one SQP search. Fitted surfaces are smooth, so
// SLSQP converges well within this; it bounds the cost of the 100 trials.
constexpr int sqpEvaluationLimit = 50;
constexpr int linearOrder = 0;
constexpr int quadraticOrder = 1;

// The codes a surface is fitted over, per field; each maps to [-1, 1].
struct CodeRange {
    std::vector<int> low;
    std::vector<int> high;
};

// The span of the designs' codes and the start's, a field without spread
// widened by one code where its levels allow.
CodeRange fitRange(const std::vector<design::Design>& designs, std::span<const int> start,
                   const std::vector<int>& fieldSizes) {
    const std::vector<int> startCodes(start.begin(), start.end());
    CodeRange range{startCodes, startCodes};
    for (const design::Design& d : designs) {
        for (std::size_t j = 0; j < start.size(); ++j) {
            range.low[j] = std::min(range.low[j], d.ints[j]);
            range.high[j] = std::max(range.high[j], d.ints[j]);
        }
    }
    for (std::size_t j = 0; j < start.size(); ++j) {
        if (range.low[j] < range.high[j]) continue;
        if (range.high[j] + 1 < fieldSizes[j]) {
            ++range.high[j];
        } else if (range.low[j] > 0) {
            --range.low[j];
        }
    }
    return range;
}

Eigen::VectorXd unitPoint(std::span<const int> codes, const CodeRange& range) {
    Eigen::VectorXd x(static_cast<Eigen::Index>(codes.size()));
    for (std::size_t j = 0; j < codes.size(); ++j) {
        const double span = range.high[j] - range.low[j];
        x[static_cast<Eigen::Index>(j)] = span > 0 ? 2.0 * (codes[j] - range.low[j]) / span - 1.0
                                                   : 0.0;
    }
    return x;
}

std::vector<int> codesOf(const Eigen::VectorXd& x, const CodeRange& range) {
    std::vector<int> codes(range.low.size());
    for (std::size_t j = 0; j < codes.size(); ++j) {
        const double span = range.high[j] - range.low[j];
        const double code = range.low[j] + (x[static_cast<Eigen::Index>(j)] + 1.0) * 0.5 * span;
        codes[j] = std::clamp(static_cast<int>(std::lround(code)), range.low[j], range.high[j]);
    }
    return codes;
}

// A quarter of one code's width in the unit coordinates of each field: an
// SQP search over a surface stops once its steps no longer move the code
// its answer rounds to.
Eigen::VectorXd quarterCodes(const CodeRange& range) {
    Eigen::VectorXd tolerance(static_cast<Eigen::Index>(range.low.size()));
    for (std::size_t j = 0; j < range.low.size(); ++j) {
        const double span = range.high[j] - range.low[j];
        tolerance[static_cast<Eigen::Index>(j)] = span > 0 ? 0.5 / span : 0.0;
    }
    return tolerance;
}

// The part of the fit range within `radius` of `centre`: a surface fitted
// over a wide box predicts poorly far from the start, where its designs thin
// out.
std::pair<Eigen::VectorXd, Eigen::VectorXd> trustRegion(const Eigen::VectorXd& centre,
                                                        double radius) {
    return {(centre.array() - radius).max(-1.0), (centre.array() + radius).min(1.0)};
}

Eigen::MatrixXd unitPoints(const std::vector<design::Design>& designs, const CodeRange& range) {
    Eigen::MatrixXd points(static_cast<Eigen::Index>(designs.size()),
                           static_cast<Eigen::Index>(range.low.size()));
    for (std::size_t k = 0; k < designs.size(); ++k) {
        points.row(static_cast<Eigen::Index>(k)) = unitPoint(designs[k].ints, range).transpose();
    }
    return points;
}

bool someFieldNeverChanges(const std::vector<design::Design>& designs) {
    for (std::size_t j = 0; j < designs.front().ints.size(); ++j) {
        const bool changes = std::any_of(designs.begin(), designs.end(), [&](const auto& d) {
            return d.ints[j] != designs.front().ints[j];
        });
        if (!changes) return true;
    }
    return false;
}

std::string unchangedFieldWarning() {
    const std::string text =
        "\n\t Error 10832 (no change in one of the variables/parameters). This warning will most "
        "likely not affect your results, but please send the project files to VARNO support";
    return formatText("%s\n\t through your technical support contact.", text.c_str());
}

surrogate::SurfaceKind kindOf(int tag) {
    return tag == tagKriging ? surrogate::SurfaceKind::kriging
                             : surrogate::SurfaceKind::radialBasis;
}

CandidateSource sourceOf(int tag) {
    if (tag == tagKriging) return CandidateSource::kriging;
    if (tag == tagRadialBasis) return CandidateSource::radialBasis;
    return CandidateSource::leastSquares;
}

}  // namespace

bool TravokSearch::isUnknown(std::span<const int> codes, const StoreView& store) const {
    const bool candidate =
        std::any_of(candidates_.begin(), candidates_.end(),
                    [&](const Candidate& c) { return std::ranges::equal(c.design.ints, codes); });
    return !candidate &&
           !storeKnows(freshDesign(design::IntegerCodes(codes.begin(), codes.end())), store);
}

// From the best member and the most recent unused start record, candidates of
// one surrogate kind drawn by the surrogate weights. A record that is the best
// member itself adds no second start.
void TravokSearch::addSurrogateCandidates(const StoreView& store) {
    if (!settings_.modelSwitch || !store.goals || !store.designsInBox || !store.evaluatedCount) {
        return;
    }
    std::vector<design::Design> starts = {bestMember().design};
    const auto unused = std::find_if(startRecords_.rbegin(), startRecords_.rend(),
                                     [](const StartRecord& r) { return r.uses == 0; });
    if (unused != startRecords_.rend()) {
        ++unused->uses;
        if (unused->codes != starts.front().ints) {
            starts.push_back(freshDesign(unused->codes));
            starts.back().performance = unused->rawFitness;
        }
    }
    const int tag = surrogateChoice_.draw(random_);
    for (const design::Design& start : starts) {
        std::optional<design::Design> made = tag == tagLargestLevel
                                                 ? leastSquaresStep(store, start)
                                                 : surrogateSearch(store, start, tag);
        if (!made) continue;
        made->tag1 = surrogateStatus;
        made->tag2 = settings_.agentNumber;
        candidates_.push_back({std::move(*made), tag, start.performance, sourceOf(tag)});
    }
}

// The stored designs in a box around the start that grows until it holds
// enough of them, thinned at random to `sizeLimit`. The box starts small in
// the first surrogate search and larger in later ones.
std::vector<design::Design> TravokSearch::gatherAround(const StoreView& store,
                                                       const design::Design& start, int sizeLimit) {
    const int rmax = *std::max_element(fieldSizes_.begin(), fieldSizes_.end());
    double d = 0.7;
    double step = 0.05;
    if (surrogateSteps_ == 0) {
        d = std::min(0.001, 1.0 / rmax);
        step = std::max(0.0001, 1.0 / rmax < 1e-5 ? 100.0 / rmax : 0.001);
    } else if (surrogateSteps_ == 1) {
        d = 0.3;
        step = 0.005;
    }
    const bool canGrow = store.evaluatedCount() >= static_cast<int>(boxDesigns);
    std::vector<design::Design> designs;
    std::vector<int> low(fieldSizes_.size());
    std::vector<int> high(fieldSizes_.size());
    for (;;) {
        for (std::size_t j = 0; j < fieldSizes_.size(); ++j) {
            const int half = static_cast<int>(fieldSizes_[j] * d);
            low[j] = std::max(0, start.ints[j] - half);
            high[j] = std::min(fieldSizes_[j] - 1, start.ints[j] + half);
        }
        designs = store.designsInBox(low, high, sizeLimit, random_);
        if (designs.size() >= boxDesigns || !canGrow || d >= 1.0) break;
        d += step;
    }
    return designs;
}

// One surrogate per goal response over the gathered designs; SQP from the
// start and from the best-valued of 99 random points of the trust region.
// The candidate is the point of best predicted performance that the store
// does not know.
std::optional<design::Design> TravokSearch::surrogateSearch(const StoreView& store,
                                                            const design::Design& start, int tag) {
    const int base = tag == tagKriging ? krigingDesigns : radialBasisDesigns;
    const int sizeLimit = std::max(base, static_cast<int>(1.5 * fieldCount()));
    const std::vector<design::Design> designs = gatherAround(store, start, sizeLimit);
    ++surrogateSteps_;
    if (designs.size() < fewestFitDesigns) return std::nullopt;
    const CodeRange range = fitRange(designs, start.ints, fieldSizes_);
    const std::optional<SurfaceGoals> goals =
        SurfaceGoals::fit(*store.goals, kindOf(tag), linearOrder, unitPoints(designs, range),
                          responseTable(designs, store.goals->size()));
    if (!goals) return std::nullopt;
    const auto [lower, upper] =
        trustRegion(unitPoint(start.ints, range), surrogateChoice_.trustRadius(tag));
    const CodeRange trials{codesOf(lower, range), codesOf(upper, range)};
    SmoothProblem problem = goals->problem(lower, upper);
    problem.stepTolerance = quarterCodes(range);

    // The start always, and the random points of best predicted performance.
    std::vector<Eigen::VectorXd> randomPoints;
    for (int trial = 1; trial < trialStarts; ++trial) {
        std::vector<int> codes(start.ints.size());
        for (std::size_t j = 0; j < codes.size(); ++j) {
            codes[j] = random_.integer(trials.low[j], trials.high[j]);
        }
        randomPoints.push_back(unitPoint(codes, range));
    }
    std::vector<Eigen::VectorXd> searchStarts = {unitPoint(start.ints, range)};
    for (Eigen::VectorXd& x : bestValued(
             std::move(randomPoints),
             [&](const Eigen::VectorXd& p) { return goals->predictedPerformance(p); },
             searchedTrials)) {
        searchStarts.push_back(std::move(x));
    }

    std::vector<std::pair<double, std::vector<int>>> found;
    for (const Eigen::VectorXd& from : searchStarts) {
        const SmoothResult result = maximizeSmooth(problem, from, sqpEvaluationLimit);
        if (!result.converged) continue;
        found.emplace_back(goals->predictedPerformance(result.x), codesOf(result.x, range));
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    for (const auto& [predicted, codes] : found) {
        if (isUnknown(codes, store)) return freshDesign(codes);
    }
    return std::nullopt;
}

// A least-squares surface (quadratic once there are enough points, else
// linear) over the stored designs nearest the start, searched from the start
// within the span of those designs.
std::optional<design::Design> TravokSearch::leastSquaresStep(const StoreView& store,
                                                             const design::Design& start) {
    const int f = fieldCount();
    design::IntegerCodes codes = start.ints;
    for (int j = 0; j < f; ++j) codes[j] = std::clamp(codes[j], 0, fieldSizes_[j] - 1);
    if (!store.storedDesigns || store.evaluatedCount() < f + 1) return std::nullopt;
    const int terms = (f + 1) * (f + 2) / 2;
    const std::vector<design::Design> designs =
        store.storedDesigns(freshDesign(codes), 2 * terms, true);
    if (designs.size() < static_cast<std::size_t>(f + 1)) return std::nullopt;
    if (someFieldNeverChanges(designs)) messages_.warn(unchangedFieldWarning());
    const CodeRange range = fitRange(designs, codes, fieldSizes_);
    const int order = designs.size() >= static_cast<std::size_t>(terms) ? quadraticOrder
                                                                        : linearOrder;
    const std::optional<SurfaceGoals> goals =
        SurfaceGoals::fit(*store.goals, surrogate::SurfaceKind::leastSquares, order,
                          unitPoints(designs, range), responseTable(designs, store.goals->size()));
    if (!goals) return std::nullopt;
    const Eigen::VectorXd centre = unitPoint(codes, range);
    const auto [lower, upper] = trustRegion(centre, surrogateChoice_.trustRadius(tagLargestLevel));
    SmoothProblem problem = goals->problem(lower, upper);
    problem.stepTolerance = quarterCodes(range);
    const SmoothResult result = maximizeSmooth(problem, centre, sqpEvaluationLimit);
    std::vector<int> best = codesOf(result.x, range);
    if (!isUnknown(best, store)) return std::nullopt;
    return freshDesign(std::move(best));
}

}  // namespace varno::search
