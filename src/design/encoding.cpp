#include "design/encoding.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <limits>
#include <set>
#include <string_view>

#include "frame/definition_text.h"
#include "frame/fatal_error.h"
#include "frame/message_writer.h"
#include "frame/text_format.h"

namespace varno::design {

namespace {

constexpr double machineEpsilon = 2.220446049250313e-16;
constexpr double boundTolerance = 0.001;

// DOE kinds whose factor range ends at the second level.
bool endsAtSecondLevel(int doeKind) {
    return doeKind == 4 || doeKind == 11 || doeKind == 12 || doeKind == 13;
}

bool isDiscrete(const model::StudyVariable& variable) {
    return variable.kindTag == model::discreteKindTag;
}

double roundingOffset(int mode) {
    if (mode < 0) return 0.0;
    if (mode == 0) return 0.5;
    return 0.9999999999999998;
}

// Truncates `q` toward zero and holds the result to 0 … top. Holding before
// converting gives the same index as converting first, and keeps NaN and
// huge values away from the undefined double-to-int conversion; NaN gives 0.
int heldIndex(double q, int top) {
    if (!(q > 0.0) || top <= 0) return 0;
    if (q >= top) return top;
    return static_cast<int>(q);
}

// Truncates toward zero, saturating at the int limits; NaN gives 0.
int truncatedToInt(double value) {
    if (std::isnan(value)) return 0;
    if (value >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (value <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(value);
}

// Position of `value` on the grid plus the rounding offset. An exact grid
// point takes no offset: from point 2 on, adding the round-up offset
// (1 - 2^-52) rounds the sum up to the next integer in double arithmetic, which
// would move an exact point to the next index.
double shiftedPosition(double position, double offset) {
    return position == std::trunc(position) ? position : position + offset;
}

}  // namespace

DesignEncoding::DesignEncoding(model::ProjectModel& project, const EncodingSettings& settings)
    : project_(project), settings_(settings) {
    for (const model::StudyVariable& variable : variables()) {
        if (variable.kindTag == model::continuousKindTag || isDiscrete(variable)) {
            fieldSizes_.push_back(variable.resolution);
        }
    }
    if (fieldSizes_.size() != variables().size()) {
        fatalError("number of fields != num_dvar in user_set_field_sizes, exit");
    }
}

const std::vector<model::StudyVariable>& DesignEncoding::variables() const {
    return project_.dvar.front().data;
}

const std::vector<model::FixedParameter>& DesignEncoding::fixedParameters() const {
    return project_.file_user_fixed;
}

bool DesignEncoding::isDoeAgent() const {
    return settings_.agent == AgentKind::doe || settings_.agent == AgentKind::reliability;
}

// Continuous variables of DOE and reliability agents move over their DOE
// levels instead of their resolution grid.
bool DesignEncoding::usesLevels(const model::StudyVariable& variable) const {
    return isDoeAgent() && !isDiscrete(variable) && variable.doeDefined != 0;
}

DesignEncoding::Ends DesignEncoding::levelEnds(std::size_t index) const {
    const model::StudyVariable& variable = variables()[index];
    const int levels = std::min(variable.doeLevelCount, static_cast<int>(variable.doe_vals.size()));
    if (levels < 2) {
        fatalError(formatText("The number of factor levels (%d) for design variable number %d "
                              "is less than 2. The number of levels must be 2 or larger.",
                              variable.doeLevelCount, static_cast<int>(index) + 1));
    }
    const double hi = endsAtSecondLevel(settings_.doeKind) ? variable.doe_vals[1]
                                                           : variable.doe_vals[levels - 1];
    return {variable.doe_vals[0], hi, levels - 1};
}

DesignEncoding::Ends DesignEncoding::valueEnds(std::size_t index) const {
    const model::StudyVariable& variable = variables()[index];
    if (usesLevels(variable)) return levelEnds(index);
    return {variable.min, variable.max, std::max(fieldSizes_[index] - 1, 0)};
}

// The ends are returned exactly; a grid without intervals has only its lower
// end. An index outside the grid extrapolates, so that decoding can report it.
double DesignEncoding::valueOfIndex(std::size_t index, int k) const {
    const model::StudyVariable& variable = variables()[index];
    if (isDiscrete(variable)) return k;
    if (isDoeAgent() && !usesLevels(variable)) return variable.baseline;
    const Ends ends = valueEnds(index);
    if (k == 0) return ends.lo;
    if (k == ends.steps) return ends.hi;
    if (ends.steps <= 0) return ends.lo;
    return (ends.hi - ends.lo) * k / ends.steps + ends.lo;
}

// An empty range (hi <= lo) or a grid without intervals gives index 0
// rather than a division by zero.
int DesignEncoding::indexOfValue(std::size_t index, double value, double offset) const {
    const model::StudyVariable& variable = variables()[index];
    if (isDiscrete(variable)) return heldIndex(std::trunc(value), fieldSizes_[index] - 1);
    const Ends ends = valueEnds(index);
    if (isDoeAgent() && !usesLevels(variable)) {
        value = variable.baseline;
    } else {
        // Values above the range always map to the last index; the lower
        // limit (and for DOE levels both) only in agents that clamp designs.
        if (!usesLevels(variable) || settings_.clampsDesigns) value = std::min(value, ends.hi);
        if (settings_.clampsDesigns) value = std::max(value, ends.lo);
    }
    if (ends.steps <= 0 || !(ends.hi > ends.lo)) return 0;
    const double position = (value - ends.lo) * ends.steps / (ends.hi - ends.lo);
    return heldIndex(shiftedPosition(position, offset), ends.steps);
}

void DesignEncoding::intsToDbls(Design& design) const {
    const std::size_t count = variables().size();
    const std::size_t givenReals = design.reals.size();
    design.reals.resize(std::max(givenReals, count + fixedParameters().size()));
    for (std::size_t i = 0; i < count; ++i) {
        design.reals[i] = valueOfIndex(i, i < design.ints.size() ? design.ints[i] : 0);
    }
    const bool overwrite = !settings_.designsFromHostAsIs &&
                           settings_.agent != AgentKind::reliability;
    for (std::size_t j = 0; j < fixedParameters().size(); ++j) {
        if (overwrite || count + j >= givenReals) {
            design.reals[count + j] = fixedParameters()[j].baseline;
        }
    }
}

void DesignEncoding::dblsToInts(Design& design, int mode) const {
    const double offset = roundingOffset(mode);
    design.ints.resize(variables().size());
    for (std::size_t i = 0; i < design.ints.size(); ++i) {
        const double value = i < design.reals.size() ? design.reals[i] : 0.0;
        design.ints[i] = indexOfValue(i, value, offset);
    }
}

void DesignEncoding::takeInHostDesign(Design& design) const {
    dblsToInts(design, roundNearest);
    if (design.evaluationKind == integerCoded) intsToDbls(design);
}

bool DesignEncoding::acceptsHostValue(int index, double value) const {
    if (index < 0 || static_cast<std::size_t>(index) >= variables().size()) return false;
    if (!std::isfinite(value)) return false;
    const model::StudyVariable& variable = variables()[index];
    if (isDiscrete(variable)) return value >= 0.0 && value < fieldSizes_[index];
    return value >= variable.min - machineEpsilon && value <= variable.max + machineEpsilon;
}

// A value outside its range by more than the tolerance is fatal; a value
// that is not a number counts as too large.
void DesignEncoding::checkBounds(std::size_t index, double value, const Design& design) const {
    const Ends ends = valueEnds(index);
    const double tolerance = boundTolerance * std::fabs(ends.hi - ends.lo) + machineEpsilon;
    const int number = static_cast<int>(index) + 1;
    const int variableId = variables()[index].id;
    std::string text;
    if (value < ends.lo - tolerance) {
        text = formatText("%d design variable value (real) small than lower bound!\n", number);
        text = formatText("%sLower bound = %f, upper bound = %f, value=%f.\n", text.c_str(),
                          ends.lo, ends.hi, value);
    } else if (!(value <= ends.hi + tolerance)) {
        text = formatText("%d design variable value (real) larger than upper bound!\n", number);
        text = formatText("%s Lower bound = %f, upper bound = %f, value=%f.\n", text.c_str(),
                          ends.lo, ends.hi, value);
    } else {
        return;
    }
    fatalError(formatText("%sid = %d, iden=%d.", text.c_str(), design.id, variableId));
}

// One draw of distribution `distribution` centred on `value`. A failure is
// logged and leaves the value as it is.
double DesignEncoding::sampled(int distribution, double value, const std::string& name,
                               const SeedSource& drawSeed) {
    auto& table = project_.user_distributions;
    const bool known = distribution >= 0 && static_cast<std::size_t>(distribution) < table.size();
    support::Distribution* object = known ? table[distribution].object.get() : nullptr;
    const bool ready = object != nullptr &&
                       object->setProperty("baseline", formatText("%.17g", value)) &&
                       object->setProperty("randomSeed", std::to_string(drawSeed ? drawSeed() : 0));
    const double sample = ready ? object->sample() : std::numeric_limits<double>::quiet_NaN();
    if (std::isfinite(sample)) return sample;
    const std::string distributionName = known ? table[distribution].name : "NONE";
    writeMessage("stderr|outptr", "error",
                 formatText("Sampling the distribution \"%s\" for \"%s\" failed. The value %g "
                            "is used as it is.",
                            distributionName.c_str(), name.c_str(), value));
    return value;
}

void DesignEncoding::setCurrent(std::size_t index, int k, double value, const Design& design,
                                const SeedSource& drawSeed) {
    const model::StudyVariable& variable = variables()[index];
    checkBounds(index, value, design);
    const bool samples = variable.distribution >= 0 && !settings_.designsFromHostAsIs &&
                         settings_.problemType != 3 && settings_.problemType != 4;
    currentIndices_[index] = k;
    currentValues_[index] = samples ? sampled(variable.distribution, value, variable.name, drawSeed)
                                    : value;
}

// Fixed parameters follow the variables in the real vector; one the design
// does not hold takes its baseline.
void DesignEncoding::decodeFixed(const Design& design, const SeedSource& drawSeed) {
    const std::size_t offset = variables().size();
    const bool samples =
        (settings_.agent == AgentKind::optimization || settings_.agent == AgentKind::evaluation) &&
        settings_.runMode != 5 && settings_.runMode != 6;
    fixedCurrentValues_.resize(fixedParameters().size());
    for (std::size_t j = 0; j < fixedParameters().size(); ++j) {
        const model::FixedParameter& fixed = fixedParameters()[j];
        double value = offset + j < design.reals.size() ? design.reals[offset + j] : fixed.baseline;
        if (samples && fixed.distribution >= 0) {
            value = sampled(fixed.distribution, value, fixed.name, drawSeed);
        }
        fixedCurrentValues_[j] = value;
    }
}

void DesignEncoding::decode(const Design& design, const SeedSource& drawSeed) {
    const std::size_t count = variables().size();
    currentIndices_.resize(count);
    currentValues_.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const int k = i < design.ints.size() ? design.ints[i] : 0;
        setCurrent(i, k, valueOfIndex(i, k), design, drawSeed);
    }
    decodeFixed(design, drawSeed);
}

// A discrete value is truncated to its index; a continuous value is kept and
// its index is the nearest grid point.
void DesignEncoding::decodeReals(const Design& design, const SeedSource& drawSeed) {
    const std::size_t count = variables().size();
    currentIndices_.resize(count);
    currentValues_.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        double value = i < design.reals.size() ? design.reals[i] : 0.0;
        int k = 0;
        if (isDiscrete(variables()[i])) {
            if (std::isfinite(value)) value = std::trunc(value);
            k = truncatedToInt(value);
        } else {
            k = indexOfValue(i, value, roundingOffset(roundNearest));
        }
        setCurrent(i, k, value, design, drawSeed);
    }
    decodeFixed(design, drawSeed);
}

std::string refusedHostValueText(int index, const std::string& designName) {
    return formatText("The value for variable number %d for design %s is outside the variable "
                      "range defined. This design will not be used.",
                      index + 1, designName.c_str());
}

namespace {

std::string_view trimmedBlanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// A design number of a range: digits only, within the int range.
std::optional<int> rangeNumber(std::string_view text) {
    text = trimmedBlanks(text);
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || text.front() == '-' || error != std::errc() ||
        end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

// The first and last number of an entry "a-b"; none when the entry does not
// split into exactly two numbers.
std::optional<std::pair<int, int>> rangeOf(std::string_view entry) {
    const std::size_t hyphen = entry.find('-');
    if (entry.find('-', hyphen + 1) != std::string_view::npos) return std::nullopt;
    const std::optional<int> first = rangeNumber(entry.substr(0, hyphen));
    const std::optional<int> last = rangeNumber(entry.substr(hyphen + 1));
    if (!first || !last) return std::nullopt;
    return std::pair{*first, *last};
}

std::vector<std::string> commaEntries(const std::string& text) {
    std::vector<std::string> entries;
    std::size_t position = 0;
    while (position <= text.size()) {
        const std::size_t end = std::min(text.find(',', position), text.size());
        if (end > position) entries.push_back(text.substr(position, end - position));
        position = end + 1;
    }
    return entries;
}

}  // namespace

std::optional<std::vector<int>> parseDesignList(const std::string& text) {
    std::vector<int> list;
    std::set<int> seen;
    for (const std::string& entry : commaEntries(text)) {
        std::pair<int, int> range;
        if (entry.find('-') == std::string::npos) {
            const int number = intField(entry, 0);
            range = {number, number};
        } else if (const auto parsed = rangeOf(entry)) {
            range = *parsed;
        } else {
            writeMessage("outptr|stderr", "error",
                         formatText("Error in the definition of the design set. The definition "
                                    "was read as: %s. The error is near %s.",
                                    text.c_str(), entry.c_str()));
            return std::nullopt;
        }
        // A wide type keeps the loop from overflowing at the int limit.
        for (long long number = range.first; number <= range.second; ++number) {
            if (seen.insert(static_cast<int>(number)).second) {
                list.push_back(static_cast<int>(number));
            }
        }
    }
    return list;
}

}  // namespace varno::design
