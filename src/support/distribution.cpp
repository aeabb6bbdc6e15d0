// The distribution extension: creation by type name, parameter checking, and
// the baseline, seed, sampling and evaluation shared by every kind.
#include "support/distribution.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>
#include <system_error>

#include "support/distribution_kinds.h"

namespace varno::support {
namespace detail {
namespace {

constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();
constexpr std::uint32_t largestSeed = 1000000;

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

// Reads the whole of `text` (blanks around it aside) as a T.
template <class T>
std::optional<T> parseWhole(const std::string& text) {
    const std::string_view view = trimmed(text);
    T value{};
    const auto [end, status] = std::from_chars(view.data(), view.data() + view.size(), value);
    if (status != std::errc() || end != view.data() + view.size() || view.empty()) {
        return std::nullopt;
    }
    return value;
}

std::string numberText(double value, std::chars_format format, std::optional<int> precision) {
    std::array<char, 64> buffer{};
    const auto result =
        precision
            ? std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, format, *precision)
            : std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return std::string(buffer.data(), result.ptr);
}

}  // namespace

std::string shortNumberText(double value) {
    return numberText(value, std::chars_format::general, std::nullopt);
}

std::string fullNumberText(double value) {
    return numberText(value, std::chars_format::general, 17);
}

// ---- ParameterReader ----

ParameterReader::ParameterReader(std::string type, const NumberLookup& lookup)
    : type_(std::move(type)), lookup_(lookup) {}

std::string ParameterReader::subject() const {
    const bool vowel = type_.find_first_of("AEIO") == 0;
    return (vowel ? "an " : "a ") + type_ + " distribution";
}

void ParameterReader::fail(const std::string& message) {
    if (failed() || message.empty()) return;
    error_ = message;
    if (error_[0] >= 'a' && error_[0] <= 'z') error_[0] = static_cast<char>(error_[0] - 'a' + 'A');
}

void ParameterReader::needs(const std::string& key) {
    fail(subject() + " needs the parameter \"" + key + "\".");
}

std::optional<double> ParameterReader::read(const std::string& key) {
    if (failed()) return std::nullopt;
    double value = 0.0;
    std::string reason;
    if (!lookup_(key, value, reason)) {
        if (!reason.empty()) {
            fail("The parameter \"" + key + "\" of " + subject() + " cannot be read: " + reason);
        }
        return std::nullopt;
    }
    if (!std::isfinite(value)) {
        fail("The parameter \"" + key + "\" of " + subject() + " must be a finite number, not " +
             shortNumberText(value) + ".");
        return std::nullopt;
    }
    given_.emplace_back(key, value);
    return value;
}

std::optional<double> ParameterReader::readPositive(const std::string& key) {
    const std::optional<double> value = read(key);
    if (value && !(*value > 0.0)) {
        fail("The parameter \"" + key + "\" of " + subject() + " must be positive, not " +
             shortNumberText(*value) + ".");
        return std::nullopt;
    }
    return value;
}

std::optional<double> ParameterReader::require(const std::string& key) {
    const std::optional<double> value = read(key);
    if (!value) needs(key);
    return value;
}

std::optional<double> ParameterReader::requirePositive(const std::string& key) {
    const std::optional<double> value = readPositive(key);
    if (!value) needs(key);
    return value;
}

// ---- Scatter ----

std::optional<Scatter> Scatter::read(ParameterReader& reader, const std::string& spreadKey,
                                     double perStdDev) {
    Scatter scatter;
    scatter.perStdDev_ = perStdDev;
    scatter.mean_ = reader.read("mean");
    scatter.spread_ = reader.readPositive(spreadKey);
    const std::optional<double> cov = reader.readPositive("cov");
    if (reader.failed()) return std::nullopt;
    if (scatter.spread_.has_value() == cov.has_value()) {
        const std::string choice = "\"" + spreadKey + "\" or \"cov\"";
        reader.fail(scatter.spread_ ? reader.subject() + " takes " + choice + ", not both."
                                    : reader.subject() + " needs " + choice + ".");
        return std::nullopt;
    }
    if (cov && scatter.mean_ && *scatter.mean_ == 0.0) {
        reader.fail("The parameter \"cov\" of " + reader.subject() + " needs a non-zero \"mean\".");
        return std::nullopt;
    }
    scatter.cov_ = cov.value_or(0.0);
    return scatter;
}

double Scatter::spread(double centre) const {
    return spread_ ? *spread_ : cov_ * std::fabs(centre) * perStdDev_;
}

// ---- DistributionBase ----

DistributionBase::DistributionBase(std::string type, std::vector<Parameter> parameters)
    : type_(std::move(type)), parameters_(std::move(parameters)) {}

bool DistributionBase::centreOn(double baseline) {
    baseline_ = baseline;
    usable_ = recentre(baseline);
    return usable_;
}

bool DistributionBase::setSeed(const std::string& text) {
    const std::optional<std::uint32_t> seed = parseWhole<std::uint32_t>(text);
    if (!seed || *seed > largestSeed) return false;
    seed_ = *seed;
    generator_.seed(seed_);
    return true;
}

bool DistributionBase::setProperty(const std::string& name, const std::string& value) {
    if (name == "randomSeed") return setSeed(value);
    if (name != "baseline") return false;
    const std::optional<double> baseline = parseWhole<double>(value);
    return baseline && std::isfinite(*baseline) && centreOn(*baseline);
}

bool DistributionBase::property(const std::string& name, std::string& value) const {
    if (name == "type") {
        value = type_;
    } else if (name == "baseline") {
        value = fullNumberText(baseline_);
    } else if (name == "randomSeed") {
        value = std::to_string(seed_);
    } else {
        const auto found = std::find_if(parameters_.begin(), parameters_.end(),
                                        [&](const Parameter& p) { return p.first == name; });
        if (found == parameters_.end()) return false;
        value = fullNumberText(found->second);
    }
    return true;
}

double DistributionBase::nextUniform() {
    const std::uint64_t high = generator_() >> 6;
    const std::uint64_t low = generator_() >> 6;
    const double k = static_cast<double>((high << 26) | low);
    return (k + 0.5) / 4503599627370496.0;  // 2^52
}

double DistributionBase::sample() {
    if (!usable_) return notANumber;
    return std::clamp(quantileInside(nextUniform()), lowest(), highest());
}

double DistributionBase::cdf(double x) const {
    if (!usable_ || std::isnan(x)) return notANumber;
    if (x <= lowest()) return 0.0;
    if (x >= highest()) return 1.0;
    return std::clamp(cdfInside(x), 0.0, 1.0);
}

double DistributionBase::inverseCdf(double p) const {
    if (!usable_ || std::isnan(p)) return notANumber;
    if (p <= 0.0) return lowest();
    if (p >= 1.0) return highest();
    return std::clamp(quantileInside(p), lowest(), highest());
}

// ---- The extension ----

namespace {

struct Kind {
    std::string_view name;
    KindCreator create;
};

constexpr std::array<Kind, 8> kinds{{
    {"Normal", createNormal},
    {"LogNormal", createLogNormal},
    {"Uniform", createUniform},
    {"Triangular", createTriangular},
    {"Weibull", createWeibull},
    {"Gumbel", createGumbel},
    {"Exponential", createExponential},
    {"TruncatedNormal", createTruncatedNormal},
}};

bool sameIgnoringCase(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [&](char x, char y) { return lower(x) == lower(y); });
}

std::string unknownTypeMessage(const std::string& type) {
    std::string message = "Unknown distribution type \"" + type + "\"; the known types are ";
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        message += i == 0 ? "" : i + 1 == kinds.size() ? " and " : ", ";
        message += kinds[i].name;
    }
    return message + ".";
}

class DistributionFactory final : public DistributionExtension {
public:
    std::unique_ptr<Distribution> create(const std::string& type, const NumberLookup& lookup,
                                         std::string& error) const override {
        error.clear();
        const auto kind = std::find_if(kinds.begin(), kinds.end(), [&](const Kind& k) {
            return sameIgnoringCase(k.name, type);
        });
        if (kind == kinds.end()) {
            error = unknownTypeMessage(type);
            return nullptr;
        }
        ParameterReader reader(std::string(kind->name), lookup);
        std::unique_ptr<DistributionBase> distribution = kind->create(reader);
        if (!distribution) {
            error = reader.error();
            return nullptr;
        }
        distribution->centreOn(0.0);
        return distribution;
    }
};

constexpr std::string_view distributionCategory = "Distribution";
const DistributionFactory distributionFactory{};

// The manager holds no data, so its one instance carries no mutable state.
ExtensionManager extensionManager;

}  // namespace
}  // namespace detail

ExtensionManager& ExtensionManager::instance() { return detail::extensionManager; }

const DistributionExtension* ExtensionManager::distributionExtension(
    const std::string& category) const {
    return category == detail::distributionCategory ? &detail::distributionFactory : nullptr;
}

}  // namespace varno::support
