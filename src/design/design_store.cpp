#include "design/design_store.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <tuple>

#include "frame/fatal_error.h"
#include "frame/message_writer.h"
#include "frame/text_format.h"
#include "support/crc16.h"
#include "support/seams.h"

namespace varno::design {

static_assert(sizeof(int) == 4, "design vectors are hashed as 32-bit integers");

namespace {

constexpr const char* unknownKindText = "Error in determining the evaluation type.";
constexpr std::size_t hashedNumberWidth = 16;

// Asks for the cache lines of up to `limit` bytes from `start` ahead of their
// use, where the compiler offers a way to. Lines about to be written are asked
// for in the same way: a line only this core has read is written without a
// further wait. A prefetch is no side effect to the compiler, which may then
// drop the whole loop as one that does nothing; the empty statement marked
// volatile keeps it.
void prefetchLines(const void* start, std::size_t bytes, std::size_t limit = 256) {
#if defined(__GNUC__) || defined(__clang__)
    const auto* first = static_cast<const char*>(start);
    for (std::size_t at = 0; at < std::min(bytes, limit); at += 64) {
        __builtin_prefetch(first + at);
        asm volatile("" : : "r"(first + at));
    }
#else
    static_cast<void>(start);
    static_cast<void>(bytes);
    static_cast<void>(limit);
#endif
}

// The lists of value arrays a take-over writes into, asked for before the
// search so that they arrive while it runs: a design may have been made long
// before it is looked up.
void prefetchValueLists(const Design& design) {
    prefetchLines(design.status.responseStates.data(),
                  design.status.responseStates.size() * sizeof(int));
    for (const auto* arrays : {&design.responseValues, &design.dependentValues}) {
        prefetchLines(arrays->data(), arrays->size() * sizeof(model::DataValueArray));
    }
}

// The arrays themselves, once their lists are at hand.
void prefetchValueArrays(const std::vector<model::DataValueArray>& arrays) {
    for (const model::DataValueArray& values : arrays) {
        prefetchLines(values.data(), values.size() * sizeof(model::VARNODataVal), 128);
    }
}

// Those of both lists, asked for when the design's key is worked out: that
// read the design a little after its lists were asked for.
void prefetchValueArrays(const Design& design) {
    prefetchValueArrays(design.responseValues);
    prefetchValueArrays(design.dependentValues);
}

bool hasKnownKind(const Design& design) {
    return design.evaluationKind == integerCoded || design.evaluationKind == realValued;
}

// Powers of ten from 1e-300 to 1e300, as near as doubles hold them.
const std::array<double, 601>& powersOfTen() {
    static const std::array<double, 601> powers = [] {
        std::array<double, 601> table{};
        for (int k = -300; k <= 300; ++k)
            table[static_cast<std::size_t>(k + 300)] = std::pow(10.0, k);
        return table;
    }();
    return powers;
}

// A magnitude from 1e-290 to 1e290 scaled to nine digits before the point,
// the scale, and the decimal exponent of its first digit. The scaling is off
// by a few units in the last place at most, so the digits "%.8e" prints are
// the scaled value rounded whenever it lies `roundingMargin` or nearer to the
// integer it rounds to and the choice of exponent was `certain`: not made for
// a value that rounds to 1e9 at the smaller exponent by less than the margin.
struct NineDigits {
    double scaled;
    double scale;
    int exponent;
    bool certain;
};

constexpr double roundingMargin = 0.5 - 1e-6;

NineDigits nineDigits(double magnitude) {
    // The decimal exponent is the binary one times log10(2), or one more. The
    // binary one is read from the bits, the value being a normal number.
    const auto bits = std::bit_cast<std::uint64_t>(magnitude);
    const int binaryExponent = static_cast<int>((bits >> 52) & 0x7ffu) - 1023;
    // floor(binaryExponent * log10(2)) in integers, exact for |binaryExponent| <= 1100
    int exponent = (binaryExponent * 78913) >> 18;
    double scale = powersOfTen()[static_cast<std::size_t>(8 - exponent + 300)];
    const double unshifted = magnitude * scale;
    if (unshifted >= 999999999.5) {
        scale = powersOfTen()[static_cast<std::size_t>(7 - exponent + 300)];
        ++exponent;
    }
    const bool certain = std::fabs(unshifted - 999999999.5) >= 0.5 - roundingMargin;
    return {magnitude * scale, scale, exponent, certain};
}

// Rounded as std::nearbyint rounds it: adding 2^52 to a value from 0 to 2^52
// leaves no bits for its fraction.
double roundedToInteger(double value) { return (value + 0x1p52) - 0x1p52; }

bool inScalingRange(double magnitude) { return magnitude > 1e-290 && magnitude < 1e290; }

// The nine digits "%.8e" prints, in `digits`, when the scaled value is well
// away from a rounding boundary and so rounds to them whatever its last bits.
bool clearDigits(const NineDigits& nine, double& digits) {
    digits = roundedToInteger(nine.scaled);
    return nine.certain && digits >= 1e8 && digits < 1e9 &&
           std::fabs(nine.scaled - digits) < roundingMargin;
}

// Whether two values print alike as "%16.8e", decided without printing them:
// both scaled to nine digits before the point round to the same digits, each
// well away from a rounding boundary. Values near a boundary, or outside
// 1e-290 to 1e290, print alike here only when identical.
bool printAlike(double a, double b) {
    if (std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b)) return true;
    const double magnitude = std::fabs(a);
    if (!inScalingRange(magnitude) || std::signbit(a) != std::signbit(b)) return false;
    const NineDigits nine = nineDigits(magnitude);
    double digits = 0.0;
    return clearDigits(nine, digits) &&
           std::fabs(std::fabs(b) * nine.scale - digits) < roundingMargin;
}

// ------------------------------------------------------------------ hashing

// Little-endian bytes, so a design hashes alike on every platform.
void appendLittleEndian(std::string& out, int value) {
    const auto bits = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<char>((bits >> shift) & 0xFFu));
    }
}

// "00" to "99", two characters each.
constexpr std::array<char, 200> digitPairs = [] {
    std::array<char, 200> pairs{};
    for (std::size_t i = 0; i < 100; ++i) {
        pairs[2 * i] = static_cast<char>('0' + i / 10);
        pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
    return pairs;
}();

// The text printf's "%16.8e" gives in the C locale, whatever the host's locale,
// into the 16 characters at `slot`; no value prints longer. Values well away
// from a rounding boundary are written from their scaled digits, the others by
// the library's exact conversion.
void writeScientific(char* slot, double value) {
    std::memset(slot, ' ', hashedNumberWidth);
    const double magnitude = std::fabs(value);
    const NineDigits nine = nineDigits(inScalingRange(magnitude) ? magnitude : 1.0);
    double rounded = 0.0;
    if (!inScalingRange(magnitude) || !clearDigits(nine, rounded)) {
        char text[32];
        const char* end =
            std::to_chars(text, text + sizeof text, value, std::chars_format::scientific, 8).ptr;
        const auto length = std::min(static_cast<std::size_t>(end - text), hashedNumberWidth);
        std::memcpy(slot + hashedNumberWidth - length, text, length);
        return;
    }
    const int exponent = std::abs(nine.exponent);
    // The sign, nine digits and the point, "e", the exponent's sign and digits.
    const int length = (std::signbit(value) ? 1 : 0) + 12 + (exponent >= 100 ? 3 : 2);
    char* at = slot + hashedNumberWidth - length;
    if (std::signbit(value)) *at++ = '-';
    auto digits = static_cast<std::uint32_t>(rounded);
    for (char* pair = at + 10; pair > at + 2; digits /= 100) {
        pair -= 2;
        std::memcpy(pair, &digitPairs[2 * (digits % 100)], 2);
    }
    at[0] = static_cast<char>('0' + digits);
    at[1] = '.';
    at[10] = 'e';
    at[11] = nine.exponent < 0 ? '-' : '+';
    at += 12;
    if (exponent >= 100) *at++ = static_cast<char>('0' + exponent / 100);
    std::memcpy(at, &digitPairs[2 * static_cast<std::size_t>(exponent % 100)], 2);
}

// What printing `other` in place of `value` in a hashed text changes in its
// CRC, when `trailingBytes` follow the value's text.
std::uint16_t crcChange(double value, double other, std::size_t trailingBytes) {
    std::array<char, hashedNumberWidth> change{};
    std::array<char, hashedNumberWidth> otherText{};
    writeScientific(change.data(), value);
    writeScientific(otherText.data(), other);
    for (std::size_t i = 0; i < change.size(); ++i) change[i] ^= otherText[i];
    return support::crc16_ccitt_zeros(support::crc16_ccitt(0, change.data(), change.size()),
                                      trailingBytes);
}

void hashedIntegers(const Design& design, std::string& out) {
    for (int value : design.ints) appendLittleEndian(out, value);
    appendLittleEndian(out, design.agentTag);
}

void hashedReals(const Design& design, std::string& out) {
    out.resize(hashedNumberWidth * (design.reals.size() + 1));
    char* slot = out.data();
    for (double value : design.reals) {
        writeScientific(slot, value);
        slot += hashedNumberWidth;
    }
    writeScientific(slot, static_cast<double>(design.agentTag));
}

// ---------------------------------------------------------------- design keys
//
// Designs that can be equal share a 64-bit key: integer-coded designs by their
// integers and agent tag, real-valued designs by the cells of their values.
// A value's cell groups the doubles in value order, 2^38 at a time, which
// keeps 14 of the 52 significant bits. Values the same by sameRealValue are
// less than 2^27 doubles apart, so a stored value that can be the same as a
// design's value lies in the cell of one of the two ends of the design
// value's neighbourhood of 2^28 doubles either side: one cell, or two for
// about one value in 500. The cells are shifted by 2^29 doubles so that
// values of up to 23 significant bits (integers, halves, ...) lie deep inside
// a cell.

constexpr int cellShift = 38;
constexpr std::int64_t cellOffset = std::int64_t{1} << 29;
constexpr std::int64_t neighbourhood = std::int64_t{1} << 28;
// Beyond this many values with two cells a design is searched for record by
// record rather than through 2^n keys.
constexpr int maxTwoCellValues = 10;
// Entries of the key table when the store is created; it doubles from there.
constexpr std::size_t initialKeyTableSize = 4096;

// The doubles in value order as integers, -0 and +0 alike.
std::int64_t orderedBits(double value) {
    const auto bits = std::bit_cast<std::int64_t>(value);
    return bits < 0 ? -(bits & std::numeric_limits<std::int64_t>::max()) : bits;
}

std::int64_t cellOfOrdered(std::int64_t ordered) { return (ordered + cellOffset) >> cellShift; }

std::uint64_t startKey(std::uint64_t seed, std::size_t size) {
    return (seed ^ size) * 0x9e3779b97f4a7c15u;
}

std::uint64_t mixIntoKey(std::uint64_t key, std::uint64_t value) {
    return (std::rotl(key, 23) ^ value) * 0x9e3779b97f4a7c15u;
}

// Spreads every bit over the low bits that pick a table entry.
std::uint64_t finishKey(std::uint64_t key) {
    key ^= key >> 33;
    key *= 0xff51afd7ed558ccdu;
    key ^= key >> 33;
    key *= 0xc4ceb9fe1a85ec53u;
    return key ^ (key >> 33);
}

constexpr std::uint64_t integerKeySeed = 0x6a09e667f3bcc908u;
constexpr std::uint64_t realKeySeed = 0xbb67ae8584caa73bu;

std::uint64_t integerKey(std::span<const int> ints, int agentTag) {
    std::uint64_t key = startKey(integerKeySeed, ints.size());
    for (int value : ints) key = mixIntoKey(key, static_cast<std::uint32_t>(value));
    return finishKey(mixIntoKey(key, static_cast<std::uint32_t>(agentTag)));
}

// The key of a real-valued design with the cells of its own values, under
// which it is stored.
std::uint64_t realKey(std::span<const double> reals) {
    std::uint64_t key = startKey(realKeySeed, reals.size());
    for (double value : reals)
        key = mixIntoKey(key, static_cast<std::uint64_t>(realValueCell(value)));
    return finishKey(key);
}

std::uint64_t storedKey(const Design& design) {
    return design.evaluationKind == integerCoded ? integerKey(design.ints, design.agentTag)
                                                 : realKey(design.reals);
}

[[noreturn]] void failUnknownStoredKind() {
    std::string text = unknownKindText;
    text =
        formatText("%s Internal Error -121. Please send your project file to the ", text.c_str());
    text = formatText("%s VARNO support team.", text.c_str());
    fatalError(text);
}

// ------------------------------------------------------------------ records

// Entries of an array that are kept: those before its end-of-list entry, or
// one when it has none, as model::valueArraySize counts (without its warning).
std::size_t packedCount(const model::DataValueArray& values) {
    const auto end = std::find_if(values.begin(), values.end(),
                                  [](const auto& v) { return v.dataType == model::dataEndOfList; });
    const auto count = end == values.end() ? 1 : static_cast<std::size_t>(end - values.begin());
    return std::min(count, values.size());
}

std::size_t stringHeapBytes(const std::string& text) {
    static const std::size_t inlineCapacity = std::string().capacity();
    return text.capacity() > inlineCapacity ? text.capacity() + 1 : 0;
}

template <typename T>
std::size_t vectorHeapBytes(const std::vector<T>& values) {
    return values.capacity() * sizeof(T);
}

StoredDesign makeRecord(const Design& design) {
    StoredDesign record;
    record.useCount = 1;
    record.agentTag = design.agentTag;
    record.evaluationKind = design.evaluationKind;
    record.id = design.id;
    record.tag1 = design.tag1;
    record.tag2 = design.tag2;
    record.numVariables = static_cast<int>(design.ints.size());
    record.responseArrays = design.responseValues.size();
    record.values =
        PackedValues(design.responseValues, design.dependentValues, design.status.responseStates);
    const EvaluationStatus& status = design.status;
    record.status = {status.ok, status.complete, status.agent, status.status};
    record.performance = design.performance;
    record.rawPerformance = design.rawPerformance;
    record.source = design.source;
    record.name = design.name;
    return record;
}

void takeOverStored(Design& design, const StoredDesign& stored) {
    const std::span<const std::byte> apart = stored.values.heldApart();
    prefetchLines(apart.data(), apart.size(), apart.size());
    design.id = stored.id;
    design.tag1 = stored.tag1;
    design.tag2 = stored.tag2;
    design.agentTag = stored.agentTag;
    EvaluationStatus& status = design.status;
    std::tie(status.ok, status.complete, status.agent, status.status) = std::tie(
        stored.status.ok, stored.status.complete, stored.status.agent, stored.status.status);
    stored.values.unpackInto(stored.responseArrays, design.responseValues, design.dependentValues,
                             status.responseStates);
}

void resetEvaluationStatus(Design& design) {
    EvaluationStatus& status = design.status;
    status.ok = 1;
    status.complete = 1;
    status.agent = design.agentTag;
    status.status = statusError;
    std::fill(status.responseStates.begin(), status.responseStates.end(), 0);
}

bool isViable(const StoredDesign& stored, int agent, int numVariables,
              const DesignStore::SameGroup& sameGroup) {
    if (stored.status.status == statusError) return false;
    if (stored.evaluationKind != integerCoded && stored.evaluationKind != realValued) return false;
    if (stored.numVariables != numVariables) return false;
    const int storedAgent = stored.agentTag;
    return storedAgent == agent || (sameGroup && sameGroup(agent, storedAgent));
}

}  // namespace

// ------------------------------------------------------------ PackedValues

PackedValues::PackedValues(const std::vector<model::DataValueArray>& first,
                           const std::vector<model::DataValueArray>& second,
                           const std::vector<int>& states) {
    std::size_t entries = first.size() + second.size();  // one leading entry per array
    std::size_t texts = 0;
    for (const auto* arrays : {&first, &second}) {
        for (const model::DataValueArray& values : *arrays) {
            const auto end = values.begin() + static_cast<std::ptrdiff_t>(packedCount(values));
            entries += static_cast<std::size_t>(end - values.begin());
            texts += static_cast<std::size_t>(std::count_if(
                values.begin(), end, [](const auto& v) { return !v.textValue.empty(); }));
        }
    }
    const std::size_t size = entries * sizeof(Entry) + states.size() * sizeof(int);
    if (entries > std::numeric_limits<std::uint32_t>::max() ||
        states.size() > std::numeric_limits<std::uint32_t>::max()) {
        throw std::bad_alloc();
    }
    if (size > inlineBytes) spilled_.resize(size);
    texts_.reserve(texts);
    std::byte* at = spilled_.empty() ? inline_.data() : spilled_.data();
    for (const model::DataValueArray& values : first) append(at, values);
    for (const model::DataValueArray& values : second) append(at, values);
    entryCount_ = static_cast<std::uint32_t>(entries);
    stateCount_ = static_cast<std::uint32_t>(states.size());
    if (!states.empty()) std::memcpy(at, states.data(), states.size() * sizeof(int));
}

PackedValues::Entry PackedValues::entry(std::size_t index) const {
    Entry packed;
    std::memcpy(&packed, bytes() + index * sizeof(Entry), sizeof(Entry));
    return packed;
}

void PackedValues::append(std::byte*& at, const model::DataValueArray& values) {
    const auto put = [&at](const Entry& packed) {
        std::memcpy(at, &packed, sizeof(Entry));
        at += sizeof(Entry);
    };
    // Counted as the constructor counted them, and warned of as a deep copy
    // warns of an array without its end.
    const std::size_t count = packedCount(values);
    if (count == values.size() || values[count].dataType != model::dataEndOfList) {
        static_cast<void>(model::valueArraySize(values));
    }
    put({0.0, static_cast<std::int32_t>(count), 0, 0, 0, false});
    ++arrayCount_;
    for (std::size_t i = 0; i < count; ++i) {
        const model::VARNODataVal value = model::copyDataValue(values[i]);
        const bool hasText = !value.textValue.empty();
        put({value.doubleValue, value.intValue, static_cast<std::int8_t>(value.set),
             static_cast<std::int8_t>(value.dataType), static_cast<std::int8_t>(value.empty),
             hasText});
        if (hasText) texts_.push_back(value.textValue);
    }
}

std::vector<model::DataValueArray> PackedValues::unpack(std::size_t firstArray,
                                                        std::size_t count) const {
    firstArray = std::min(firstArray, arrayCount());
    Cursor at;
    skip(at, firstArray);
    std::vector<model::DataValueArray> arrays;
    unpackArrays(at, std::min(count, arrayCount() - firstArray), arrays);
    return arrays;
}

void PackedValues::unpackInto(std::size_t firstCount, std::vector<model::DataValueArray>& first,
                              std::vector<model::DataValueArray>& second,
                              std::vector<int>& states) const {
    firstCount = std::min(firstCount, arrayCount());
    Cursor at;
    unpackArrays(at, firstCount, first);
    unpackArrays(at, arrayCount() - firstCount, second);
    statesInto(states);
}

std::vector<int> PackedValues::states() const {
    std::vector<int> states;
    statesInto(states);
    return states;
}

void PackedValues::statesInto(std::vector<int>& states) const {
    states.resize(stateCount_);
    if (stateCount_ > 0) {
        std::memcpy(states.data(), bytes() + entryCount_ * sizeof(Entry),
                    stateCount_ * sizeof(int));
    }
}

void PackedValues::skip(Cursor& at, std::size_t count) const {
    for (std::size_t a = 0; a < count; ++a) {
        const auto size = static_cast<std::size_t>(entry(at.entry++).intValue);
        for (std::size_t i = 0; i < size; ++i) at.text += entry(at.entry++).hasText ? 1 : 0;
    }
}

// Every field is written in place, so arrays of the same sizes as before
// are refilled without allocating.
void PackedValues::unpackArrays(Cursor& at, std::size_t count,
                                std::vector<model::DataValueArray>& arrays) const {
    arrays.resize(count);
    for (model::DataValueArray& values : arrays) {
        const auto size = static_cast<std::size_t>(entry(at.entry++).intValue);
        values.resize(size + 1);
        for (std::size_t i = 0; i < size; ++i) {
            const Entry packed = entry(at.entry++);
            model::VARNODataVal& value = values[i];
            value.set = packed.set;
            value.dataType = packed.dataType;
            value.empty = packed.empty;
            value.intValue = packed.intValue;
            value.doubleValue = packed.doubleValue;
            if (packed.hasText) {
                value.textValue = texts_[at.text++];
            } else {
                value.textValue.clear();
            }
        }
        model::VARNODataVal& end = values[size];  // as model::endOfListValue() gives it
        end.set = end.empty = end.intValue = 0;
        end.dataType = model::dataEndOfList;
        end.doubleValue = 0.0;
        end.textValue.clear();
    }
}

std::size_t PackedValues::bytesHeld() const {
    std::size_t bytes = vectorHeapBytes(spilled_) + vectorHeapBytes(texts_);
    for (const std::string& text : texts_) bytes += stringHeapBytes(text);
    return bytes;
}

// ------------------------------------------------------------- StoredDesign

std::vector<model::DataValueArray> StoredDesign::responseValues() const {
    return values.unpack(0, responseArrays);
}

std::vector<model::DataValueArray> StoredDesign::dependentValues() const {
    return values.unpack(responseArrays, values.arrayCount() - responseArrays);
}

EvaluationStatus StoredDesign::evaluationStatus() const {
    return {status.ok, status.complete, status.agent, status.status, values.states()};
}

std::size_t StoredDesign::bytesHeld() const {
    return values.bytesHeld() + stringHeapBytes(source) + stringHeapBytes(name);
}

std::int64_t realValueCell(double value) {
    // NaN is the same as nothing; its cell only has to be one.
    if (std::isnan(value)) return std::numeric_limits<std::int64_t>::max() >> cellShift;
    return cellOfOrdered(orderedBits(value));
}

// -------------------------------------------------------------- DesignStore

std::span<const int> DesignStore::ints(std::size_t index) const {
    const StoredDesign& stored = records_.at(index);
    return std::span(intCodes_).subspan(stored.intStart, stored.intCount);
}

std::span<const double> DesignStore::reals(std::size_t index) const {
    const StoredDesign& stored = records_.at(index);
    return std::span(realCodes_).subspan(stored.realStart, stored.realCount);
}

bool DesignStore::sameIntegers(const StoredDesign& stored, const Design& design) const {
    const int* codes = intCodes_.data() + stored.intStart;
    return stored.intCount == design.ints.size() + 1 &&
           std::equal(design.ints.begin(), design.ints.end(), codes) &&
           codes[design.ints.size()] == design.agentTag;
}

// The stored real vector ends with the agent tag, which is not compared.
bool DesignStore::sameReals(const StoredDesign& stored, const Design& design) const {
    return stored.realCount > 0 &&
           sameRealValues(std::span(realCodes_).subspan(stored.realStart, stored.realCount - 1),
                          design.reals);
}

// Whether an equal stored design was hashed from the same bytes as `design`,
// and so has its hash. Equal integer-coded designs always are; real-valued
// ones when their values and agent tag are identical.
bool DesignStore::hashedAlike(const StoredDesign& stored, const Design& design) const {
    if (design.evaluationKind == integerCoded) return true;
    return stored.agentTag == design.agentTag &&
           std::memcmp(realCodes_.data() + stored.realStart, design.reals.data(),
                       design.reals.size() * sizeof(double)) == 0;
}

bool DesignStore::matchesStored(std::size_t index, const Design& design) const {
    const StoredDesign& stored = records_.at(index);
    if (stored.evaluationKind != design.evaluationKind) return false;
    switch (stored.evaluationKind) {
        case integerCoded: return sameIntegers(stored, design);
        case realValued: return sameReals(stored, design);
        default: failUnknownStoredKind();
    }
}

// The key of a stored design from its codes, which end with the agent tag.
std::uint64_t DesignStore::keyOfStored(const StoredDesign& stored) const {
    if (stored.evaluationKind == integerCoded) {
        return integerKey(std::span(intCodes_).subspan(stored.intStart, stored.intCount - 1),
                          intCodes_[stored.intStart + stored.intCount - 1]);
    }
    return realKey(std::span(realCodes_).subspan(stored.realStart, stored.realCount - 1));
}

std::optional<std::uint16_t> DesignStore::hashOf(const Design& design) const {
    hashText_.clear();
    if (design.evaluationKind == integerCoded) {
        hashedIntegers(design, hashText_);
    } else if (design.evaluationKind == realValued) {
        hashedReals(design, hashText_);
    } else {
        writeMessage("outptr", "warning", unknownKindText);
        return std::nullopt;
    }
    return support::crc16_ccitt(hashText_.data(), hashText_.size());
}

// The equal designs are found through their keys; the 16-bit hash then
// decides as it always has: nothing is found while no design has the hash,
// and the latest design with the hash is the answer when it is equal. An
// equal design hashed from the same bytes has the hash, and answers at once
// when it is the latest with it; the hash is only computed for designs equal
// but not identical to a stored one.
FindResult DesignStore::search(const Design& design, std::optional<std::uint16_t> hash,
                               bool forLookup) const {
    if (keyTable_.empty()) return {};
    const EqualDesigns equal = equalDesigns(design, forLookup);
    if (equal.first < 0) return {};
    if (equal.hashKnown) {
        hash = equal.hash;
    } else if (!hash) {
        hash = hashOf(design);
    }
    // An equal design with the hash shows it in use without reading its slot.
    if (equal.sameHash < 0 && !slots_[*hash].used) return {};
    // With every equal design found, the latest design with the hash is equal
    // exactly when it is one of them.
    if (!equal.someMissed && everyHashedDesignKeyed_) {
        for (int k = 0; k < equal.latestCount; ++k) {
            if (equal.latest[static_cast<std::size_t>(k)].first == *hash) {
                return {equal.latest[static_cast<std::size_t>(k)].second, true};
            }
        }
        return {equal.first, true};
    }
    const HashSlot& slot = slots_[*hash];
    const bool latestEqual = slot.index == equal.first ||
                             matchesStored(static_cast<std::size_t>(slot.index), design);
    return {latestEqual ? slot.index : equal.first, true};
}

DesignStore::EqualDesigns DesignStore::equalDesigns(const Design& design, bool forLookup) const {
    EqualDesigns equal;
    if (design.evaluationKind == integerCoded) {
        const std::uint64_t key = integerKey(design.ints, design.agentTag);
        if (forLookup) prefetchValueArrays(design);
        collectEqual(key, design, forLookup, equal);
        return equal;
    }
    // The first cell of each value's neighbourhood, and the values that have
    // a second one: the keys of all choices of cells are searched.
    std::uint64_t key = startKey(realKeySeed, design.reals.size());
    int twoCellValues = 0;
    for (double value : design.reals) {
        if (std::isnan(value)) return equal;  // the same as nothing
        const std::int64_t ordered = orderedBits(value);
        const std::int64_t first = cellOfOrdered(ordered - neighbourhood);
        twoCellValues += cellOfOrdered(ordered + neighbourhood) != first ? 1 : 0;
        key = mixIntoKey(key, static_cast<std::uint64_t>(first));
    }
    if (forLookup) prefetchValueArrays(design);
    if (twoCellValues == 0) {
        collectEqual(finishKey(key), design, forLookup, equal);
    } else if (twoCellValues <= maxTwoCellValues) {
        for (unsigned choice = 0; choice < (1u << twoCellValues); ++choice) {
            key = startKey(realKeySeed, design.reals.size());
            unsigned bit = 0;
            for (double value : design.reals) {
                const std::int64_t ordered = orderedBits(value);
                std::int64_t cell = cellOfOrdered(ordered - neighbourhood);
                if (cellOfOrdered(ordered + neighbourhood) != cell) cell += (choice >> bit++) & 1u;
                key = mixIntoKey(key, static_cast<std::uint64_t>(cell));
            }
            collectEqual(finishKey(key), design, forLookup, equal);
        }
    } else {
        equal.someMissed = true;  // the scan ends at the first design of the same bytes
        for (std::size_t i = 0; i < records_.size(); ++i) {
            if (!matchesStored(i, design)) continue;
            equal.first = equal.first < 0 ? static_cast<int>(i) : equal.first;
            if (hashedAlike(records_[i], design)) {
                equal.sameHash = static_cast<int>(i);
                equal.hash = records_[i].hash;
                equal.hashKnown = true;
                break;
            }
        }
    }
    return equal;
}

// Every entry of the key's run is looked at: designs stored without a
// duplicate search can be equal to each other.
void DesignStore::collectEqual(std::uint64_t key, const Design& design, bool forLookup,
                               EqualDesigns& equal) const {
    const std::size_t mask = keyTable_.size() - 1;
    for (std::size_t at = key & mask; keyTable_[at].index >= 0; at = (at + 1) & mask) {
        const KeyEntry& entry = keyTable_[at];
        if (entry.key != key) continue;
        if (forLookup) {  // the lines of the record a repeated design reads
            const StoredDesign& record = records_[static_cast<std::size_t>(entry.index)];
            const auto* first = reinterpret_cast<const char*>(&record);
            const auto bytes =
                static_cast<std::size_t>(reinterpret_cast<const char*>(&record.useCount) - first);
            prefetchLines(first, bytes, bytes);
        }
        if (!entryMatches(entry, design)) continue;
        if (equal.first < 0 || entry.index < equal.first) equal.first = entry.index;
        if (!equal.hashKnown) {
            if (const auto own = hashFromEqual(entry, design)) {
                equal.hash = *own;
                equal.hashKnown = true;
            }
        }
        if (equal.sameHash < 0 && equal.hashKnown && entry.hash == equal.hash) {
            equal.sameHash = entry.index;
        }
        if (!entry.latestWithHash) continue;
        if (equal.latestCount == static_cast<int>(equal.latest.size())) {
            equal.someMissed = true;
        } else {
            equal.latest[static_cast<std::size_t>(equal.latestCount++)] = {entry.hash, entry.index};
        }
    }
}

// matchesStored, read from the entry and the store's codes.
bool DesignStore::entryMatches(const KeyEntry& entry, const Design& design) const {
    if (design.evaluationKind == integerCoded) {
        if (entry.realValued || entry.codeCount != design.ints.size() + 1) return false;
        const int* codes = intCodes_.data() + entry.codes;
        return std::equal(design.ints.begin(), design.ints.end(), codes) &&
               codes[design.ints.size()] == design.agentTag;
    }
    return entry.realValued && entry.codeCount == design.reals.size() + 1 &&
           sameRealValues(std::span(realCodes_).subspan(entry.codes, design.reals.size()),
                          design.reals);
}

// The hash of a design equal to the keyed design `entry`, worked out from the
// entry's own; none when their agent tags differ. Equal integer-coded designs
// have the same text. Of real values, only those that do not print alike
// change the text, and the CRC with it.
std::optional<std::uint16_t> DesignStore::hashFromEqual(const KeyEntry& entry,
                                                        const Design& design) const {
    if (!entry.realValued) return entry.hash;
    const double* codes = realCodes_.data() + entry.codes;
    const std::size_t n = design.reals.size();
    if (codes[n] != static_cast<double>(design.agentTag)) return std::nullopt;
    std::uint16_t hash = entry.hash;
    if (std::memcmp(codes, design.reals.data(), n * sizeof(double)) == 0) return hash;
    for (std::size_t i = 0; i < n; ++i) {
        if (printAlike(codes[i], design.reals[i])) continue;
        // The value's text is followed by those of the later values and the tag.
        hash ^= crcChange(codes[i], design.reals[i], (n - i) * hashedNumberWidth);
    }
    return hash;
}

FindResult DesignStore::findDesign(const Design& design) const {
    if (!hasKnownKind(design)) {
        writeMessage("outptr", "warning", unknownKindText);
        return {};
    }
    return search(design, std::nullopt);
}

int DesignStore::addDesign(Design& design) {
    if (integerCoding_ && design.evaluationKind == realValued) integerCoding_(design);
    const std::optional<std::uint16_t> hash = hashOf(design);
    if (hash && checkSavedFitness_ && !sharedDesigns_) {
        const FindResult duplicate = search(design, hash);
        if (duplicate.found) return duplicate.index;
    }
    return storeNew(design, hash);
}

int DesignStore::storeNew(const Design& design, std::optional<std::uint16_t> hash) {
    makeRoom();
    const std::size_t intEnd = intCodes_.size();
    const std::size_t realEnd = realCodes_.size();
    try {
        StoredDesign record = makeRecord(design);
        appendCodes(design, record);
        records_.push_back(std::move(record));
    } catch (const std::bad_alloc&) {
        intCodes_.resize(intEnd);  // a design is stored whole or not at all
        realCodes_.resize(realEnd);
        return -1;  // the log already tells why duplicates are no longer checked
    }
    const auto index = static_cast<std::int32_t>(records_.size() - 1);
    if (hash && !slots_.empty()) {
        HashSlot& slot = slots_[*hash];
        if (slot.used) {
            if (KeyEntry* previous = entryOf(slot.index)) previous->latestWithHash = false;
        }
        slot = {true, index};
        records_.back().hash = *hash;
        indexKey(design, index, *hash);
    }
    indexEvaluated(index);
    return index;
}

namespace {

// Appends `values` and then `tag` to `codes`, making room for a chunk of
// designs like this one when `codes` is full; a failed chunk falls back on
// the vector's own growth.
template <typename T>
std::uint64_t appendWithTag(std::vector<T>& codes, std::span<const T> values, T tag) {
    const std::size_t count = values.size() + 1;
    if (codes.capacity() - codes.size() < count) {
        try {
            codes.reserve(codes.size() + count * storeChunkSize);
        } catch (const std::bad_alloc&) {
            // the insert below grows the vector as it can
        } catch (const std::length_error&) {
        }
    }
    const std::size_t start = codes.size();
    codes.insert(codes.end(), values.begin(), values.end());
    codes.push_back(tag);
    return start;
}

}  // namespace

void DesignStore::appendCodes(const Design& design, StoredDesign& record) {
    if (design.ints.size() >= std::numeric_limits<std::uint32_t>::max() ||
        design.reals.size() >= std::numeric_limits<std::uint32_t>::max()) {
        throw std::bad_alloc();
    }
    record.intStart = appendWithTag<int>(intCodes_, design.ints, design.agentTag);
    record.intCount = static_cast<std::uint32_t>(design.ints.size() + 1);
    record.realStart =
        appendWithTag<double>(realCodes_, design.reals, static_cast<double>(design.agentTag));
    record.realCount = static_cast<std::uint32_t>(design.reals.size() + 1);
}

void DesignStore::indexEvaluated(std::int32_t index) {
    const StoredDesign& stored = records_[static_cast<std::size_t>(index)];
    const bool knownKind = stored.evaluationKind == integerCoded ||
                           stored.evaluationKind == realValued;
    if (stored.status.status == statusError || !knownKind) return;
    const auto [entry, added] = evaluated_.try_emplace(
        {stored.agentTag, stored.numVariables}, static_cast<std::size_t>(stored.numVariables));
    entry->second.add(ints(static_cast<std::size_t>(index)), index, stored.performance);
}

const DesignIndex* DesignStore::evaluatedIndex(int agent, int numVariables) const {
    const auto found = evaluated_.find({agent, numVariables});
    return found == evaluated_.end() ? nullptr : &found->second;
}

// The key entry of a keyed design; nullptr for a design left out of the keys.
DesignStore::KeyEntry* DesignStore::entryOf(std::int32_t index) {
    const std::uint64_t key = keyOfStored(records_[static_cast<std::size_t>(index)]);
    const std::size_t mask = keyTable_.size() - 1;
    for (std::size_t at = key & mask; keyTable_[at].index >= 0; at = (at + 1) & mask) {
        if (keyTable_[at].index == index) return &keyTable_[at];
    }
    return nullptr;
}

void DesignStore::growKeyTable() {
    std::vector<KeyEntry> larger(2 * keyTable_.size());
    const std::size_t mask = larger.size() - 1;
    for (const KeyEntry& entry : keyTable_) {
        if (entry.index < 0) continue;
        std::size_t at = entry.key & mask;
        while (larger[at].index >= 0) at = (at + 1) & mask;
        larger[at] = entry;
    }
    keyTable_ = std::move(larger);
}

void DesignStore::indexKey(const Design& design, std::int32_t index, std::uint16_t hash) {
    try {
        if (2 * (keyedCount_ + 1) > keyTable_.size()) growKeyTable();
    } catch (const std::bad_alloc&) {
        everyHashedDesignKeyed_ = false;
        stopCheckingSavedFitness(false);  // an unindexed design could be missed
        return;
    }
    const StoredDesign& stored = records_[static_cast<std::size_t>(index)];
    const bool real = design.evaluationKind == realValued;
    const std::uint64_t key = storedKey(design);
    KeyEntry entry;
    entry.key = key;
    entry.codes = real ? stored.realStart : stored.intStart;
    entry.index = index;
    entry.codeCount = real ? stored.realCount : stored.intCount;
    entry.hash = hash;
    entry.realValued = real;
    entry.latestWithHash = true;
    const std::size_t mask = keyTable_.size() - 1;
    std::size_t at = key & mask;
    while (keyTable_[at].index >= 0) at = (at + 1) & mask;
    keyTable_[at] = entry;
    ++keyedCount_;
}

// Creates the store at its first use and grows it by a chunk when full. When
// that fails the design is still stored if the vector's own growth succeeds;
// earlier records are never lost.
void DesignStore::makeRoom() {
    if (records_.size() < records_.capacity()) return;
    const bool atCreation = !created_;
    created_ = true;
    try {
        if (support::allocationMustFail()) throw std::bad_alloc();
        if (atCreation) {
            std::vector<HashSlot> slots(hashSlotCount);
            std::vector<KeyEntry> keys(initialKeyTableSize);
            slots_ = std::move(slots);
            keyTable_ = std::move(keys);
        }
        records_.reserve(records_.capacity() + storeChunkSize);
    } catch (const std::bad_alloc&) {
        stopCheckingSavedFitness(atCreation);
    }
}

// Written undecorated (kind "none") to the log and, in verbose mode, the
// study message file; only once, when checking stops.
void DesignStore::stopCheckingSavedFitness(bool atCreation) {
    if (!checkSavedFitness_) return;
    checkSavedFitness_ = false;
    if (atCreation) {
        writeMessage("outptr", "none", "\n*** Out of memory malloc'ing hash table.");
        writeMessage("outptr", "none", "  Will not check for saved fitnesses\n");
    } else {
        writeMessage("outptr", "none", "\n*** Out of memory malloc'ing bigger hash table.");
        writeMessage("outptr", "none", "\n  No longer will check for saved fitnesses\n");
    }
}

double DesignStore::lookupSavedPerformance(Design& design, const PerformanceFunction& recompute,
                                           bool resetStatus) const {
    if (sharedDesigns_) return NEW_DESIGN_MARK;
    FindResult found;
    if (checkSavedFitness_ && hasKnownKind(design)) {
        prefetchValueLists(design);
        found = search(design, std::nullopt, true);
    } else if (checkSavedFitness_) {
        found = findDesign(design);  // warns of the unknown kind
    }
    if (!found.found) {
        if (resetStatus) resetEvaluationStatus(design);
        return NEW_DESIGN_MARK;
    }
    const StoredDesign& stored = records_[static_cast<std::size_t>(found.index)];
    takeOverStored(design, stored);
    double performance = recompute ? recompute(design) : stored.performance;
    if (performance == NEW_DESIGN_MARK) performance = NEW_DESIGN_MARK - 1e-8;
    design.performance = performance;
    return performance;
}

int DesignStore::bestDesignId() const {
    double best = -1e308;
    int bestId = 0;
    for (const StoredDesign& stored : records_) {
        if (stored.performance > best) {
            best = stored.performance;
            bestId = stored.id;
        }
    }
    return bestId;
}

bool DesignStore::performanceById(int id, double& performance) const {
    const auto stored = std::find_if(records_.begin(), records_.end(),
                                     [id](const StoredDesign& s) { return s.id == id; });
    performance = stored == records_.end() ? failedPerformance : stored->performance;
    return stored != records_.end();
}

bool DesignStore::statusById(int id, int& status) const {
    const auto stored = std::find_if(records_.begin(), records_.end(),
                                     [id](const StoredDesign& s) { return s.id == id; });
    status = stored == records_.end() ? statusNotEvaluated : stored->status.status;
    return stored != records_.end();
}

ViableDesigns DesignStore::viableDesigns(int agent, int numVariables,
                                         const SameGroup& sameGroup) const {
    ViableDesigns viable;
    viable.flags.reserve(records_.size());
    for (const StoredDesign& stored : records_) {
        const bool ok = isViable(stored, agent, numVariables, sameGroup);
        viable.flags.push_back(ok ? 1 : -1);
        viable.count += ok ? 1 : 0;
    }
    return viable;
}

std::size_t DesignStore::bytesHeld() const {
    std::size_t bytes = vectorHeapBytes(records_) + vectorHeapBytes(slots_) +
                        vectorHeapBytes(keyTable_) + vectorHeapBytes(intCodes_) +
                        vectorHeapBytes(realCodes_) + stringHeapBytes(hashText_);
    for (const auto& [group, index] : evaluated_) bytes += index.bytesHeld();
    for (const StoredDesign& stored : records_) bytes += stored.bytesHeld();
    return bytes;
}

}  // namespace varno::design
