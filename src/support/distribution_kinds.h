// Shared machinery of the distribution kinds: the reader that checks a
// definition's parameters, the base that owns baseline, seed and generator,
// and the creation function of each kind.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <boost/math/policies/policy.hpp>

#include "support/distribution.h"

namespace varno::support::detail {

namespace policies = boost::math::policies;

// Boost.Math reports every error through its result (NaN or infinity) rather
// than by throwing, and keeps double arithmetic in double so that results do
// not depend on the width of the platform's long double.
using MathPolicy =
    policies::policy<policies::domain_error<policies::ignore_error>,
                     policies::pole_error<policies::ignore_error>,
                     policies::overflow_error<policies::ignore_error>,
                     policies::underflow_error<policies::ignore_error>,
                     policies::denorm_error<policies::ignore_error>,
                     policies::evaluation_error<policies::ignore_error>,
                     policies::rounding_error<policies::ignore_error>,
                     policies::indeterminate_result_error<policies::ignore_error>,
                     policies::promote_float<false>, policies::promote_double<false>>;

// Shortest text that reads back as `value` (for messages), and the "%.17g"
// form (for properties); both independent of the C locale.
std::string shortNumberText(double value);
std::string fullNumberText(double value);

// A parameter key and the value its definition gave.
using Parameter = std::pair<std::string, double>;

// Reads and checks the parameters of one definition. The first problem fails
// the reader with its message; later reads then give nothing.
class ParameterReader {
public:
    ParameterReader(std::string type, const NumberLookup& lookup);

    // The finite value of `key`; nothing when it is absent or unusable.
    std::optional<double> read(const std::string& key);
    // As read, but the value must be positive.
    std::optional<double> readPositive(const std::string& key);
    // As read and readPositive, but an absent key fails the reader.
    std::optional<double> require(const std::string& key);
    std::optional<double> requirePositive(const std::string& key);

    // Fails the reader with a sentence (its first letter made upper case);
    // `needs` with the one for an absent required key.
    void fail(const std::string& message);
    void needs(const std::string& key);
    bool failed() const { return !error_.empty(); }
    const std::string& error() const { return error_; }

    // A type's name with its article: "a Normal distribution".
    std::string subject() const;
    const std::string& type() const { return type_; }
    const std::vector<Parameter>& given() const { return given_; }

private:
    std::string type_;
    const NumberLookup& lookup_;
    std::string error_;
    std::vector<Parameter> given_;
};

// A centre and a spread around it: the centre is the definition's `mean` or
// else the baseline; the spread is given absolutely under its own key, or by
// `cov` as a standard deviation of cov x |centre| times `perStdDev` (the
// spread that one standard deviation takes for the kind's shape).
class Scatter {
public:
    static std::optional<Scatter> read(ParameterReader& reader, const std::string& spreadKey,
                                       double perStdDev);
    double centre(double baseline) const { return mean_.value_or(baseline); }
    double spread(double centre) const;
    bool centred() const { return !mean_; }

private:
    std::optional<double> mean_;
    std::optional<double> spread_;
    double cov_ = 0.0;
    double perStdDev_ = 1.0;
};

// Baseline, seed, generator and properties common to all kinds; a kind adds
// its support, CDF and quantile and how it follows the baseline.
class DistributionBase : public Distribution {
public:
    DistributionBase(std::string type, std::vector<Parameter> parameters);

    bool setProperty(const std::string& name, const std::string& value) final;
    bool property(const std::string& name, std::string& value) const final;
    double sample() final;
    double cdf(double x) const final;
    double inverseCdf(double p) const final;

    // Re-derives the kind's parameters for `baseline`; false, leaving the
    // object unusable, when they are invalid there.
    bool centreOn(double baseline);

protected:
    virtual bool recentre(double baseline) = 0;
    // The ends of the support; cdfInside and quantileInside are called only
    // strictly between them and for 0 < p < 1.
    virtual double lowest() const = 0;
    virtual double highest() const = 0;
    virtual double cdfInside(double x) const = 0;
    virtual double quantileInside(double p) const = 0;

private:
    bool setSeed(const std::string& text);
    // A uniform number strictly inside (0, 1) from 52 bits of two draws.
    double nextUniform();

    std::string type_;
    std::vector<Parameter> parameters_;
    double baseline_ = 0.0;
    std::uint32_t seed_ = 0;
    std::mt19937 generator_{0};
    bool usable_ = true;
};

using KindCreator = std::unique_ptr<DistributionBase> (*)(ParameterReader& reader);

std::unique_ptr<DistributionBase> createNormal(ParameterReader& reader);
std::unique_ptr<DistributionBase> createLogNormal(ParameterReader& reader);
std::unique_ptr<DistributionBase> createUniform(ParameterReader& reader);
std::unique_ptr<DistributionBase> createTriangular(ParameterReader& reader);
std::unique_ptr<DistributionBase> createWeibull(ParameterReader& reader);
std::unique_ptr<DistributionBase> createGumbel(ParameterReader& reader);
std::unique_ptr<DistributionBase> createExponential(ParameterReader& reader);
std::unique_ptr<DistributionBase> createTruncatedNormal(ParameterReader& reader);

}  // namespace varno::support::detail
