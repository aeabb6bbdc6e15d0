// The distribution kinds: how each reads its parameters, follows the baseline
// and is evaluated through Boost.Math.
#include "support/distribution_kinds.h"

#include <boost/math/distributions/exponential.hpp>
#include <boost/math/distributions/extreme_value.hpp>
#include <boost/math/distributions/lognormal.hpp>
#include <boost/math/distributions/normal.hpp>
#include <boost/math/distributions/triangular.hpp>
#include <boost/math/distributions/uniform.hpp>
#include <boost/math/distributions/weibull.hpp>
#include <cmath>
#include <initializer_list>
#include <limits>

namespace varno::support::detail {
namespace {

using Normal = boost::math::normal_distribution<double, MathPolicy>;
using LogNormal = boost::math::lognormal_distribution<double, MathPolicy>;
using Uniform = boost::math::uniform_distribution<double, MathPolicy>;
using Triangular = boost::math::triangular_distribution<double, MathPolicy>;
using Weibull = boost::math::weibull_distribution<double, MathPolicy>;
using Gumbel = boost::math::extreme_value_distribution<double, MathPolicy>;
using Exponential = boost::math::exponential_distribution<double, MathPolicy>;

constexpr double infinity = std::numeric_limits<double>::infinity();

// A kind evaluated through the Boost.Math distribution D, moved by `shift`.
// As it stands it ignores the baseline.
template <class D>
class BoostKind : public DistributionBase {
public:
    explicit BoostKind(const ParameterReader& reader)
        : DistributionBase(reader.type(), reader.given()) {}

    void use(D shape, double lowest, double highest, double shift = 0.0) {
        shape_.emplace(shape);
        lowest_ = lowest;
        highest_ = highest;
        shift_ = shift;
    }

protected:
    bool recentre(double) override { return true; }
    double lowest() const override { return lowest_; }
    double highest() const override { return highest_; }
    double cdfInside(double x) const override { return boost::math::cdf(*shape_, x - shift_); }
    double quantileInside(double p) const override {
        return shift_ + boost::math::quantile(*shape_, p);
    }

private:
    std::optional<D> shape_;
    double lowest_ = -infinity;
    double highest_ = infinity;
    double shift_ = 0.0;
};

// A kind placed on a centre and a spread (see Scatter); `place` sets its
// distribution, false when the two give none.
template <class D>
class ScatterKind final : public BoostKind<D> {
public:
    using Place = bool (*)(BoostKind<D>& kind, double centre, double spread);

    ScatterKind(const ParameterReader& reader, const Scatter& scatter, Place place)
        : BoostKind<D>(reader), scatter_(scatter), place_(place) {}

protected:
    bool recentre(double baseline) override {
        const double centre = scatter_.centre(baseline);
        const double spread = scatter_.spread(centre);
        return std::isfinite(spread) && spread > 0.0 && place_(*this, centre, spread);
    }

private:
    Scatter scatter_;
    Place place_;
};

bool placeNormal(BoostKind<Normal>& kind, double mean, double stdDev) {
    kind.use(Normal(mean, stdDev), -infinity, infinity);
    return true;
}

// The log-space parameters that give the variable itself this mean and
// standard deviation.
bool placeLogNormal(BoostKind<LogNormal>& kind, double mean, double stdDev) {
    const double cov = stdDev / mean;
    const double logVariance = std::log1p(cov * cov);
    if (!(mean > 0.0 && logVariance > 0.0 && std::isfinite(logVariance))) return false;
    kind.use(LogNormal(std::log(mean) - logVariance / 2.0, std::sqrt(logVariance)), 0.0, infinity);
    return true;
}

bool placeUniform(BoostKind<Uniform>& kind, double mean, double halfWidth) {
    const double lower = mean - halfWidth;
    const double upper = mean + halfWidth;
    if (!(lower < upper)) return false;
    kind.use(Uniform(lower, upper), lower, upper);
    return true;
}

bool placeTriangular(BoostKind<Triangular>& kind, double mode, double halfWidth) {
    const double lower = mode - halfWidth;
    const double upper = mode + halfWidth;
    if (!(lower < mode && mode < upper)) return false;
    kind.use(Triangular(lower, mode, upper), lower, upper);
    return true;
}

// A centred kind, or one whose definition fixes its centre and must then be
// usable at once.
template <class D>
std::unique_ptr<DistributionBase> scatterKind(ParameterReader& reader, const Scatter& scatter,
                                              typename ScatterKind<D>::Place place) {
    auto kind = std::make_unique<ScatterKind<D>>(reader, scatter, place);
    if (!scatter.centred() && !kind->centreOn(0.0)) {
        reader.fail("The spread of " + reader.subject() +
                    " is too small to be told apart from its \"mean\" (" +
                    shortNumberText(scatter.centre(0.0)) + ").");
        return nullptr;
    }
    return kind;
}

// Reads the first form's keys; when one is given, none of `otherKeys` (the
// centre-and-spread form) may be, and all of `keys` must be. False when the
// first form is not used.
bool readAbsoluteForm(ParameterReader& reader, std::initializer_list<const char*> keys,
                      std::initializer_list<const char*> otherKeys,
                      std::vector<std::optional<double>>& values) {
    const char* used = nullptr;
    for (const char* key : keys) {
        values.push_back(reader.read(key));
        if (!used && values.back()) used = key;
    }
    if (!used) return false;
    for (const char* key : otherKeys) {
        if (reader.read(key)) {
            reader.fail(reader.subject() + " takes \"" + used + "\" or \"" + key + "\", not both.");
        }
    }
    auto value = values.begin();
    for (const char* key : keys) {
        if (!*value++) reader.needs(key);
    }
    return true;
}

void checkOrder(ParameterReader& reader, const char* lowKey, double low, const char* highKey,
                double high) {
    if (low < high) return;
    reader.fail("The parameter \"" + std::string(lowKey) + "\" (" + shortNumberText(low) + ") of " +
                reader.subject() + " must be less than \"" + highKey + "\" (" +
                shortNumberText(high) + ").");
}

// A normal distribution cut to [lower, upper] and rescaled. When the whole
// interval lies above the mean, the upper tail's probabilities are used, so
// that intervals far out in either tail keep their precision.
class TruncatedNormal final : public DistributionBase {
public:
    TruncatedNormal(const ParameterReader& reader, const Scatter& scatter, double lower,
                    double upper)
        : DistributionBase(reader.type(), reader.given()), scatter_(scatter), lower_(lower),
          upper_(upper) {}

protected:
    bool recentre(double baseline) override {
        mean_ = scatter_.centre(baseline);
        stdDev_ = scatter_.spread(mean_);
        if (!(stdDev_ > 0.0 && std::isfinite(stdDev_))) return false;
        const double alpha = (lower_ - mean_) / stdDev_;
        const double beta = (upper_ - mean_) / stdDev_;
        upperTail_ = alpha > 0.0;
        start_ = upperTail_ ? phi(-alpha) : phi(alpha);
        mass_ = upperTail_ ? start_ - phi(-beta) : phi(beta) - start_;
        return mass_ > 0.0 && std::isfinite(mass_);
    }
    double lowest() const override { return lower_; }
    double highest() const override { return upper_; }
    double cdfInside(double x) const override {
        const double z = (x - mean_) / stdDev_;
        return upperTail_ ? (start_ - phi(-z)) / mass_ : (phi(z) - start_) / mass_;
    }
    double quantileInside(double p) const override {
        const double z = upperTail_ ? -phiInverse(start_ - p * mass_)
                                    : phiInverse(start_ + p * mass_);
        return mean_ + stdDev_ * z;
    }

private:
    static double phi(double z) { return boost::math::cdf(Normal(), z); }
    static double phiInverse(double p) { return boost::math::quantile(Normal(), p); }

    Scatter scatter_;
    double lower_;
    double upper_;
    double mean_ = 0.0;
    double stdDev_ = 1.0;
    bool upperTail_ = false;
    double start_ = 0.0;  // probability below the near end (upper tail: above it)
    double mass_ = 1.0;   // probability of the interval
};

}  // namespace

std::unique_ptr<DistributionBase> createNormal(ParameterReader& reader) {
    const std::optional<Scatter> scatter = Scatter::read(reader, "stdDev", 1.0);
    if (!scatter) return nullptr;
    return scatterKind<Normal>(reader, *scatter, placeNormal);
}

std::unique_ptr<DistributionBase> createLogNormal(ParameterReader& reader) {
    std::vector<std::optional<double>> log;
    if (readAbsoluteForm(reader, {"logMean", "logStdDev"}, {"mean", "stdDev", "cov"}, log)) {
        if (log[1] && !(*log[1] > 0.0)) {
            reader.fail("The parameter \"logStdDev\" of " + reader.subject() +
                        " must be positive, not " + shortNumberText(*log[1]) + ".");
        }
        if (reader.failed()) return nullptr;
        auto kind = std::make_unique<BoostKind<LogNormal>>(reader);
        kind->use(LogNormal(*log[0], *log[1]), 0.0, infinity);
        return kind;
    }
    const std::optional<Scatter> scatter = Scatter::read(reader, "stdDev", 1.0);
    if (!scatter) return nullptr;
    if (!scatter->centred() && !(scatter->centre(0.0) > 0.0)) {
        reader.fail("The parameter \"mean\" of " + reader.subject() + " must be positive, not " +
                    shortNumberText(scatter->centre(0.0)) + ".");
        return nullptr;
    }
    return scatterKind<LogNormal>(reader, *scatter, placeLogNormal);
}

std::unique_ptr<DistributionBase> createUniform(ParameterReader& reader) {
    std::vector<std::optional<double>> ends;
    if (readAbsoluteForm(reader, {"lower", "upper"}, {"mean", "halfWidth", "cov"}, ends)) {
        if (!reader.failed()) checkOrder(reader, "lower", *ends[0], "upper", *ends[1]);
        if (reader.failed()) return nullptr;
        auto kind = std::make_unique<BoostKind<Uniform>>(reader);
        kind->use(Uniform(*ends[0], *ends[1]), *ends[0], *ends[1]);
        return kind;
    }
    const std::optional<Scatter> scatter = Scatter::read(reader, "halfWidth", std::sqrt(3.0));
    if (!scatter) return nullptr;
    return scatterKind<Uniform>(reader, *scatter, placeUniform);
}

std::unique_ptr<DistributionBase> createTriangular(ParameterReader& reader) {
    std::vector<std::optional<double>> v;
    if (readAbsoluteForm(reader, {"lower", "mode", "upper"}, {"mean", "halfWidth", "cov"}, v)) {
        if (!reader.failed()) checkOrder(reader, "lower", *v[0], "upper", *v[2]);
        if (!reader.failed() && !(*v[0] <= *v[1] && *v[1] <= *v[2])) {
            reader.fail("The parameter \"mode\" (" + shortNumberText(*v[1]) + ") of " +
                        reader.subject() + " must lie between \"lower\" (" +
                        shortNumberText(*v[0]) + ") and \"upper\" (" + shortNumberText(*v[2]) +
                        ").");
        }
        if (reader.failed()) return nullptr;
        auto kind = std::make_unique<BoostKind<Triangular>>(reader);
        kind->use(Triangular(*v[0], *v[1], *v[2]), *v[0], *v[2]);
        return kind;
    }
    const std::optional<Scatter> scatter = Scatter::read(reader, "halfWidth", std::sqrt(6.0));
    if (!scatter) return nullptr;
    return scatterKind<Triangular>(reader, *scatter, placeTriangular);
}

std::unique_ptr<DistributionBase> createWeibull(ParameterReader& reader) {
    const std::optional<double> shape = reader.requirePositive("shape");
    const std::optional<double> scale = reader.requirePositive("scale");
    const double shift = reader.read("shift").value_or(0.0);
    if (reader.failed()) return nullptr;
    auto kind = std::make_unique<BoostKind<Weibull>>(reader);
    kind->use(Weibull(*shape, *scale), shift, infinity, shift);
    return kind;
}

std::unique_ptr<DistributionBase> createGumbel(ParameterReader& reader) {
    const std::optional<double> location = reader.require("location");
    const std::optional<double> scale = reader.requirePositive("scale");
    if (reader.failed()) return nullptr;
    auto kind = std::make_unique<BoostKind<Gumbel>>(reader);
    kind->use(Gumbel(*location, *scale), -infinity, infinity);
    return kind;
}

std::unique_ptr<DistributionBase> createExponential(ParameterReader& reader) {
    const std::optional<double> rate = reader.requirePositive("rate");
    const double shift = reader.read("shift").value_or(0.0);
    if (reader.failed()) return nullptr;
    auto kind = std::make_unique<BoostKind<Exponential>>(reader);
    kind->use(Exponential(*rate), shift, infinity, shift);
    return kind;
}

std::unique_ptr<DistributionBase> createTruncatedNormal(ParameterReader& reader) {
    const std::optional<Scatter> scatter = Scatter::read(reader, "stdDev", 1.0);
    const double lower = reader.read("lower").value_or(-infinity);
    const double upper = reader.read("upper").value_or(infinity);
    if (!reader.failed() && std::isinf(lower) && std::isinf(upper)) {
        reader.fail(reader.subject() + " needs \"lower\", \"upper\" or both.");
    }
    if (!reader.failed()) checkOrder(reader, "lower", lower, "upper", upper);
    if (reader.failed()) return nullptr;
    auto kind = std::make_unique<TruncatedNormal>(reader, *scatter, lower, upper);
    if (!scatter->centred() && !kind->centreOn(0.0)) {
        reader.fail(reader.subject() + " has no probability between \"lower\" (" +
                    shortNumberText(lower) + ") and \"upper\" (" + shortNumberText(upper) +
                    ") around its \"mean\" (" + shortNumberText(scatter->centre(0.0)) + ").");
        return nullptr;
    }
    return kind;
}

}  // namespace varno::support::detail
