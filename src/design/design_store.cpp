#include "design/design_store.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <new>

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

// ------------------------------------------------------------------ hashing

// Little-endian bytes, so a design hashes alike on every platform.
void appendLittleEndian(std::string& out, int value) {
    const auto bits = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<char>((bits >> shift) & 0xFFu));
    }
}

// The text printf's "%16.8e" gives in the C locale, whatever the host's locale.
void appendScientific(std::string& out, double value) {
    char text[32];
    const auto end =
        std::to_chars(text, text + sizeof text, value, std::chars_format::scientific, 8).ptr;
    const auto length = static_cast<std::size_t>(end - text);
    if (length < hashedNumberWidth) out.append(hashedNumberWidth - length, ' ');
    out.append(text, length);
}

void hashedIntegers(const Design& design, std::string& out) {
    for (int value : design.ints) appendLittleEndian(out, value);
    appendLittleEndian(out, design.agentTag);
}

void hashedReals(const Design& design, std::string& out) {
    for (double value : design.reals) appendScientific(out, value);
    appendScientific(out, static_cast<double>(design.agentTag));
}

// ----------------------------------------------------------------- equality

bool sameIntegers(const StoredDesign& stored, const Design& design) {
    return stored.ints.size() == design.ints.size() + 1 &&
           std::equal(design.ints.begin(), design.ints.end(), stored.ints.begin()) &&
           stored.ints.back() == design.agentTag;
}

bool closeReals(const StoredDesign& stored, const Design& design) {
    if (stored.reals.size() != design.reals.size() + 1) return false;
    for (std::size_t i = 0; i < design.reals.size(); ++i) {
        const double s = stored.reals[i];
        if (!(std::fabs(s - design.reals[i]) <= std::fabs(s) / 1e8)) return false;
    }
    return true;
}

[[noreturn]] void failUnknownStoredKind() {
    std::string text = unknownKindText;
    text = formatText("%s Internal Error -121. Please send your project file to the ", text.c_str());
    text = formatText("%s VARNO support team.", text.c_str());
    fatalError(text);
}

// ------------------------------------------------------------------ records

// Entries of an array that are kept: those before its end-of-list entry, or
// one when it has none, as model::valueArraySize counts (without its warning).
std::size_t packedCount(const model::DataValueArray& values) {
    const auto end = std::find_if(values.begin(), values.end(), [](const auto& v) {
        return v.dataType == model::dataEndOfList;
    });
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
    record.ints.reserve(design.ints.size() + 1);
    record.ints.assign(design.ints.begin(), design.ints.end());
    record.ints.push_back(design.agentTag);
    record.reals.reserve(design.reals.size() + 1);
    record.reals.assign(design.reals.begin(), design.reals.end());
    record.reals.push_back(static_cast<double>(design.agentTag));
    record.values = PackedValueArrays(design.responseValues, design.dependentValues);
    record.status = design.status;
    record.performance = design.performance;
    record.rawPerformance = design.rawPerformance;
    record.source = design.source;
    record.name = design.name;
    return record;
}

void takeOverStored(Design& design, const StoredDesign& stored) {
    design.id = stored.id;
    design.tag1 = stored.tag1;
    design.tag2 = stored.tag2;
    design.agentTag = stored.agentTag;
    design.status = stored.status;
    design.responseValues = stored.responseValues();
    design.dependentValues = stored.dependentValues();
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
    const int storedAgent = stored.ints.back();  // the entry after the vector
    return storedAgent == agent || (sameGroup && sameGroup(agent, storedAgent));
}

}  // namespace

// ------------------------------------------------------- PackedValueArrays

PackedValueArrays::PackedValueArrays(const std::vector<model::DataValueArray>& first,
                                     const std::vector<model::DataValueArray>& second) {
    std::size_t entries = 0;
    std::size_t texts = 0;
    for (const auto* arrays : {&first, &second}) {
        for (const model::DataValueArray& values : *arrays) {
            const auto end = values.begin() + static_cast<std::ptrdiff_t>(packedCount(values));
            entries += static_cast<std::size_t>(end - values.begin());
            texts += static_cast<std::size_t>(std::count_if(
                values.begin(), end, [](const auto& v) { return !v.textValue.empty(); }));
        }
    }
    entries_.reserve(entries);
    texts_.reserve(texts);
    sizes_.reserve(first.size() + second.size());
    for (const model::DataValueArray& values : first) append(values);
    for (const model::DataValueArray& values : second) append(values);
}

void PackedValueArrays::append(const model::DataValueArray& values) {
    // Counted as a deep copy counts, with its warning for a missing end.
    const auto count = std::min(static_cast<std::size_t>(model::valueArraySize(values)),
                                values.size());
    for (std::size_t i = 0; i < count; ++i) {
        const model::VARNODataVal value = model::copyDataValue(values[i]);
        const bool hasText = !value.textValue.empty();
        entries_.push_back({value.doubleValue, value.intValue, static_cast<std::int8_t>(value.set),
                            static_cast<std::int8_t>(value.dataType),
                            static_cast<std::int8_t>(value.empty), hasText});
        if (hasText) texts_.push_back(value.textValue);
    }
    sizes_.push_back(static_cast<std::uint32_t>(count));
}

std::vector<model::DataValueArray> PackedValueArrays::unpack(std::size_t firstArray,
                                                             std::size_t count) const {
    std::vector<model::DataValueArray> arrays;
    arrays.reserve(count);
    std::size_t entry = 0;
    std::size_t text = 0;
    for (std::size_t a = 0; a < firstArray + count && a < sizes_.size(); ++a) {
        const bool wanted = a >= firstArray;
        if (wanted) arrays.emplace_back().reserve(sizes_[a] + 1);
        for (std::uint32_t i = 0; i < sizes_[a]; ++i, ++entry) {
            const Entry& packed = entries_[entry];
            if (!wanted) {
                text += packed.hasText ? 1 : 0;
                continue;
            }
            model::VARNODataVal value;
            value.set = packed.set;
            value.dataType = packed.dataType;
            value.empty = packed.empty;
            value.intValue = packed.intValue;
            value.doubleValue = packed.doubleValue;
            if (packed.hasText) value.textValue = texts_[text++];
            arrays.back().push_back(std::move(value));
        }
        if (wanted) arrays.back().push_back(model::endOfListValue());
    }
    return arrays;
}

std::size_t PackedValueArrays::bytesHeld() const {
    std::size_t bytes = vectorHeapBytes(entries_) + vectorHeapBytes(sizes_) + vectorHeapBytes(texts_);
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

std::size_t StoredDesign::bytesHeld() const {
    return vectorHeapBytes(ints) + vectorHeapBytes(reals) + values.bytesHeld() +
           vectorHeapBytes(status.responseStates) + stringHeapBytes(source) +
           stringHeapBytes(name);
}

bool matchesStored(const StoredDesign& stored, const Design& design) {
    if (stored.evaluationKind != design.evaluationKind) return false;
    switch (stored.evaluationKind) {
    case integerCoded:
        return sameIntegers(stored, design);
    case realValued:
        return closeReals(stored, design);
    default:
        failUnknownStoredKind();
    }
}

// -------------------------------------------------------------- DesignStore

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

// The latest design with the same hash is compared first; only when it
// differs are the others searched for the first equal one in store order.
// That search is narrowed without changing its answer: equal integer-coded
// designs have equal bytes and so the same hash, and real-valued designs can
// only equal those whose first value lies within the tolerance of their own.
FindResult DesignStore::search(const Design& design, std::uint16_t hash) const {
    if (slots_.empty() || !slots_[hash].used) return {hash, -1, false};
    const int latest = slots_[hash].index;
    int index = latest;
    if (!matchesStored(records_[static_cast<std::size_t>(latest)], design)) {
        index = design.evaluationKind == integerCoded ? firstEqualWithHash(design, latest)
                                                      : firstEqualReal(design);
    }
    return {hash, index, index >= 0};
}

int DesignStore::firstEqualWithHash(const Design& design, int latest) const {
    int first = -1;
    for (int i = records_[static_cast<std::size_t>(latest)].previousSameHash; i >= 0;
         i = records_[static_cast<std::size_t>(i)].previousSameHash) {
        if (matchesStored(records_[static_cast<std::size_t>(i)], design)) first = i;
    }
    return first;
}

int DesignStore::firstEqualReal(const Design& design) const {
    if (design.reals.empty()) return firstEqual(design);
    const double first = design.reals[0];
    if (!std::isfinite(first)) return -1;  // NaN and infinities equal nothing
    int found = -1;
    const auto consider = [&](auto from, auto to) {
        for (auto it = from; it != to; ++it) {
            const int index = it->second;
            if ((found < 0 || index < found) &&
                matchesStored(records_[static_cast<std::size_t>(index)], design)) {
                found = index;
            }
        }
    };
    // A finite S with |S - D| <= |S| / 1e8 lies well within 2e-8 |D| of D;
    // a stored infinity is within its own (infinite) tolerance of any D.
    const double margin = 2e-8 * std::fabs(first);
    consider(realIndex_.lower_bound(first - margin), realIndex_.upper_bound(first + margin));
    for (double infinite : {-HUGE_VAL, HUGE_VAL}) {
        const auto [from, to] = realIndex_.equal_range(infinite);
        consider(from, to);
    }
    return found;
}

int DesignStore::firstEqual(const Design& design) const {
    for (std::size_t i = 0; i < records_.size(); ++i) {
        if (matchesStored(records_[i], design)) return static_cast<int>(i);
    }
    return -1;
}

FindResult DesignStore::findDesign(const Design& design) const {
    const std::optional<std::uint16_t> hash = hashOf(design);
    return hash ? search(design, *hash) : FindResult{};
}

int DesignStore::addDesign(Design& design) {
    if (integerCoding_ && design.evaluationKind == realValued) integerCoding_(design);
    const std::optional<std::uint16_t> hash = hashOf(design);
    if (hash && checkSavedFitness_ && !sharedDesigns_) {
        const FindResult duplicate = search(design, *hash);
        if (duplicate.found) return duplicate.index;
    }
    return storeNew(design, hash);
}

int DesignStore::storeNew(const Design& design, std::optional<std::uint16_t> hash) {
    makeRoom();
    try {
        records_.push_back(makeRecord(design));
    } catch (const std::bad_alloc&) {
        return -1;  // the log already tells why duplicates are no longer checked
    }
    const auto index = static_cast<std::int32_t>(records_.size() - 1);
    if (hash && !slots_.empty()) {
        HashSlot& slot = slots_[*hash];
        if (slot.used) records_.back().previousSameHash = slot.index;
        slot = {true, index};
    }
    indexReal(index);
    return index;
}

void DesignStore::indexReal(std::int32_t index) {
    const StoredDesign& stored = records_[static_cast<std::size_t>(index)];
    if (stored.evaluationKind != realValued || stored.reals.size() < 2) return;
    try {
        realIndex_.emplace(stored.reals[0], index);
    } catch (const std::bad_alloc&) {
        stopCheckingSavedFitness(false);  // an unindexed design could be missed
    }
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
        if (atCreation) slots_.assign(hashSlotCount, HashSlot{});
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
    const FindResult found = checkSavedFitness_ ? findDesign(design) : FindResult{};
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
    // A tree node: its value, three links and a colour.
    const std::size_t indexNodeBytes =
        sizeof(std::pair<const double, std::int32_t>) + 4 * sizeof(void*);
    std::size_t bytes = vectorHeapBytes(records_) + vectorHeapBytes(slots_) +
                        realIndex_.size() * indexNodeBytes + stringHeapBytes(hashText_);
    for (const StoredDesign& stored : records_) bytes += stored.bytesHeld();
    return bytes;
}

}  // namespace varno::design
