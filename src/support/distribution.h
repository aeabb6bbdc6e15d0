// Probability distributions of the extension category "Distribution": objects
// created by type name from a definition block, which the engine centres on a
// baseline, seeds, samples and evaluates.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace varno::support {

class Distribution {
public:
    virtual ~Distribution() = default;

    // Sets "baseline" (a finite double) or "randomSeed" (an integer in
    // 0..1000000, which restarts the object's generator); false for an unknown
    // property or an unreadable value, which leave the object unchanged. A
    // baseline that a centred distribution cannot be centred on (a spread of
    // cov x 0, a LogNormal mean of 0 or less) is kept but answered with false;
    // until a usable baseline is set, sample, cdf and inverseCdf give NaN.
    virtual bool setProperty(const std::string& name, const std::string& value) = 0;

    // A named property as text ("type", "baseline", "randomSeed" and the
    // parameters given in the definition, numbers as "%.17g"); false when the
    // object has no such property.
    virtual bool property(const std::string& name, std::string& value) const = 0;

    // One draw from the object's own generator.
    virtual double sample() = 0;

    // Cumulative probability of `x`, and its inverse for 0 < p < 1; p <= 0
    // and p >= 1 give the lower and upper end of the support (possibly
    // infinite), NaN gives NaN.
    virtual double cdf(double x) const = 0;
    virtual double inverseCdf(double p) const = 0;
};

// Reads the number stored under `key` in a distribution's definition block.
// Returns false when the key is absent (leaving `error` empty) or its value is
// not a number (with the reason in `error`).
using NumberLookup = std::function<bool(const std::string& key, double& value, std::string& error)>;

// The extension category that creates distributions by type name.
class DistributionExtension {
public:
    virtual ~DistributionExtension() = default;

    // Creates a distribution of `type` (matched without regard to case) whose
    // parameters are read through `lookup`. Null, with the reason in `error`,
    // for an unknown type or missing or invalid parameters. A new object has
    // baseline 0 and randomSeed 0.
    virtual std::unique_ptr<Distribution> create(const std::string& type,
                                                 const NumberLookup& lookup,
                                                 std::string& error) const = 0;
};

// Entry point of the extensions: hands out an extension by category.
class ExtensionManager {
public:
    static ExtensionManager& instance();

    // The extension of `category`, or null when there is none. The category
    // "Distribution" is always present.
    const DistributionExtension* distributionExtension(const std::string& category) const;
};

}  // namespace varno::support
