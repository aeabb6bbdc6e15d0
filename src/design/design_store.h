// The design store: every design a study evaluates or takes in, in the order
// it was added, with duplicate detection through a 16-bit hash, the lookup of
// a repeated design's saved results and the best-design rule. Equal designs
// are found through a second, 64-bit key of their values (quantised for real
// values), so a search compares only designs that can be equal.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "design/design.h"
#include "design/design_equality.h"
#include "design/design_index.h"
#include "model/data_value.h"

namespace varno::design {

// The answer of the saved-performance lookup for a design without a stored
// result. A stored result equal to it is reported 1e-8 lower.
inline constexpr double NEW_DESIGN_MARK = -1.23456;

// The store grows by this many records at a time.
inline constexpr std::size_t storeChunkSize = 10000;

// One slot per 16-bit hash value.
inline constexpr std::size_t hashSlotCount = 65536;

// What a repeated design takes over of a stored one, in compact form: its
// response and dependent-variable value arrays, 16 bytes per value with the
// texts held apart at their own length and end-of-list entries implied, and
// its response states. Up to `inlineBytes` are held in the object itself, so
// that reading a record reads them with it. Unpacking gives the arrays a deep
// copy (model::copyValueArray) would give.
class PackedValues {
public:
    PackedValues() = default;
    // Packs `first`, then `second`, as one run of arrays, and `states`.
    PackedValues(const std::vector<model::DataValueArray>& first,
                 const std::vector<model::DataValueArray>& second, const std::vector<int>& states);

    std::size_t arrayCount() const { return arrayCount_; }
    // `count` arrays starting with array number `firstArray`.
    std::vector<model::DataValueArray> unpack(std::size_t firstArray, std::size_t count) const;
    // The first `firstCount` arrays written over `first` and the others over
    // `second`, and the states over `states`, reusing the memory they hold.
    void unpackInto(std::size_t firstCount, std::vector<model::DataValueArray>& first,
                    std::vector<model::DataValueArray>& second, std::vector<int>& states) const;
    std::vector<int> states() const;
    std::size_t bytesHeld() const;
    // The packed bytes when they are held apart from the object, else none.
    std::span<const std::byte> heldApart() const { return spilled_; }

private:
    struct Entry {
        double doubleValue;
        std::int32_t intValue;
        std::int8_t set;  // the set and empty flags are 0 or 1
        std::int8_t dataType;
        std::int8_t empty;
        bool hasText;  // its text is the next one of texts_
    };
    static constexpr std::size_t inlineBytes = 192;

    // Where the next array starts in the entries and its first text in texts_.
    struct Cursor {
        std::size_t entry = 0;
        std::size_t text = 0;
    };

    const std::byte* bytes() const { return spilled_.empty() ? inline_.data() : spilled_.data(); }
    Entry entry(std::size_t index) const;
    void append(std::byte*& at, const model::DataValueArray& values);
    void statesInto(std::vector<int>& states) const;
    void skip(Cursor& at, std::size_t count) const;
    void unpackArrays(Cursor& at, std::size_t count,
                      std::vector<model::DataValueArray>& arrays) const;

    // Per array: its length (as intValue), then its entries; then the states.
    std::uint32_t entryCount_ = 0;
    std::uint32_t arrayCount_ = 0;
    std::uint32_t stateCount_ = 0;
    alignas(8) std::array<std::byte, inlineBytes> inline_{};
    std::vector<std::byte> spilled_;  // all packed bytes, when more than fit inline
    std::vector<std::string> texts_;
};

// The evaluation status of a stored design; its response states are packed
// with its values.
struct StoredStatus {
    int ok = 1;
    int complete = 1;
    int agent = 0;
    int status = statusError;
};

// One design of the store. What a repeated design takes over from it comes
// first, in the record's first five cache lines when its values are few.
struct alignas(64) StoredDesign {
    int id = -1;
    int tag1 = 0;
    int tag2 = 0;
    int agentTag = 0;
    std::size_t responseArrays = 0;  // arrays of `values` before the dependent ones
    double performance = 0.0;
    StoredStatus status;
    PackedValues values;  // responses, then dependent variables, and the states
    int useCount = 0;     // raised each time the record is written
    int evaluationKind = 0;
    int numVariables = 0;    // N when the design was stored
    std::uint16_t hash = 0;  // its 16-bit hash (DesignStore::hashOf) when stored
    double rawPerformance = 0.0;
    // Where its integer vector and real vector, each followed by the agent
    // tag, lie in the store's codes (DesignStore::ints and DesignStore::reals).
    std::uint64_t intStart = 0;
    std::uint64_t realStart = 0;
    std::uint32_t intCount = 0;
    std::uint32_t realCount = 0;
    std::string source;
    std::string name = "Initialized";

    std::vector<model::DataValueArray> responseValues() const;
    std::vector<model::DataValueArray> dependentValues() const;
    EvaluationStatus evaluationStatus() const;  // with its response states
    std::size_t bytesHeld() const;              // heap bytes beyond the record itself
};

// The cell of a real value in the store's key of real-valued designs: values
// are grouped by their leading 14 significant bits. Values that are the same
// by sameRealValue lie in one cell or in two neighbouring ones.
std::int64_t realValueCell(double value);

struct FindResult {
    int index = -1;  // store index of the duplicate; -1 when not found
    bool found = false;
};

struct ViableDesigns {
    std::vector<int> flags;  // per stored design: 1 viable, -1 not
    int count = 0;
};

class DesignStore {
public:
    // Scores a design from its (taken over) response values.
    using PerformanceFunction = std::function<double(Design&)>;
    // Makes a real-valued design integer-coded when that is allowed and the
    // design lies exactly on the variables' grid; true when it did.
    using IntegerCoding = std::function<bool(Design&)>;
    // True when agents `asking` and `other` share their representation and
    // performance definitions (and, across processes, pass the sharing gate).
    using SameGroup = std::function<bool(int asking, int other)>;

    // Applied first by addDesign to every real-valued design. Left empty, no
    // design changes its kind (studies other than TRAVOK and MOTRAVOK).
    void setIntegerCoding(IntegerCoding coding) { integerCoding_ = std::move(coding); }

    // While the host shares designs, designs are stored without a duplicate
    // search and the saved-performance lookup finds nothing.
    void setSharedDesigns(bool shared) { sharedDesigns_ = shared; }
    bool sharedDesigns() const { return sharedDesigns_; }

    // On until the store cannot grow; then off for the rest of the study.
    bool checksSavedFitness() const { return checkSavedFitness_; }

    // Stores `design` unless it duplicates a stored one and returns its store
    // index (the duplicate's when repeated). Without duplicate checking every
    // design is stored. -1 only when memory is exhausted beyond recovery.
    int addDesign(Design& design);

    // Whether a design equal to `design` is stored, and which: the latest
    // design with its hash when that one is equal, else the first equal one
    // in store order. An equal design is found only when some stored design
    // has its hash: a real-valued design equal to a stored one within the
    // tolerance but hashed apart from it is new while its hash is unused.
    FindResult findDesign(const Design& design) const;

    // The 16-bit hash of a design: the CRC16 of its integers and agent tag
    // (little-endian 32-bit integers) or of its real values and agent tag
    // (each printed as "%16.8e"). None, with a warning, for an unknown kind.
    std::optional<std::uint16_t> hashOf(const Design& design) const;

    // For a stored duplicate: `design` takes over its id, numbers, agent tag,
    // status and values, is scored by `recompute` (the stored performance when
    // empty) and that score is returned. Otherwise NEW_DESIGN_MARK, after
    // resetting the design's evaluation status when `resetStatus` is set.
    double lookupSavedPerformance(Design& design, const PerformanceFunction& recompute,
                                  bool resetStatus) const;

    // Id of the best design, the earliest among equals; 0 for an empty store.
    int bestDesignId() const;
    // The first design with `id`: its performance, or -1e99 and false.
    bool performanceById(int id, double& performance) const;
    // The first design with `id`: its status, or statusNotEvaluated and false.
    bool statusById(int id, int& status) const;

    ViableDesigns viableDesigns(int agent, int numVariables, const SameGroup& sameGroup) const;

    // The index over the evaluated designs (status not error, a known kind) of
    // `agent` with `numVariables` variables, the designs viableDesigns gives
    // for the agent on its own; nullptr while there are none.
    const DesignIndex* evaluatedIndex(int agent, int numVariables) const;

    std::size_t size() const { return records_.size(); }
    std::size_t capacity() const { return records_.capacity(); }
    // Records are addressed by index: references go stale when the store grows.
    const StoredDesign& record(std::size_t index) const { return records_.at(index); }
    // A stored design's integer vector, then its agent tag; the view goes
    // stale when the store grows.
    std::span<const int> ints(std::size_t index) const;
    // A stored design's real vector, then its agent tag as a double.
    std::span<const double> reals(std::size_t index) const;

    // Equality of stored design `index` and a design: the same evaluation kind
    // and, for integer-coded designs, the same integers and agent tag; for
    // real-valued designs the same real vector by sameRealValues with the
    // stored values as reference, agent tag not compared. A stored design of
    // another kind is a fatal error.
    bool matchesStored(std::size_t index, const Design& design) const;

    // Approximate heap bytes of records, their buffers and both hash tables.
    std::size_t bytesHeld() const;

private:
    struct HashSlot {
        bool used = false;
        std::int32_t index = 0;  // latest design stored with this hash
    };
    // An entry of the key table holds all a search reads of a design, so that
    // finding a stored design reads its entry and its codes only.
    struct alignas(32) KeyEntry {
        std::uint64_t key = 0;
        std::uint64_t codes = 0;      // where its codes start in intCodes_ or realCodes_
        std::int32_t index = -1;      // its store index; -1: an empty entry
        std::uint32_t codeCount = 0;  // its codes, the agent tag included
        std::uint16_t hash = 0;
        bool realValued = false;
        bool latestWithHash = false;  // no later design has its hash
    };
    // What a search of the keys found of the designs equal to a design.
    struct EqualDesigns {
        int first = -1;          // the first equal design in store order
        int sameHash = -1;       // an equal design known to have the design's own hash
        std::uint16_t hash = 0;  // the design's own hash, when known
        bool hashKnown = false;  // worked out from an equal design's
        // Equal designs that are the latest with their hash, as (hash, index);
        // complete unless `someMissed`.
        std::array<std::pair<std::uint16_t, int>, 4> latest{};
        int latestCount = 0;
        bool someMissed = false;
    };

    // With `forLookup`, the records of candidate designs are asked for early.
    FindResult search(const Design& design, std::optional<std::uint16_t> hash,
                      bool forLookup = false) const;
    EqualDesigns equalDesigns(const Design& design, bool forLookup) const;
    void collectEqual(std::uint64_t key, const Design& design, bool forLookup,
                      EqualDesigns& equal) const;
    bool entryMatches(const KeyEntry& entry, const Design& design) const;
    std::optional<std::uint16_t> hashFromEqual(const KeyEntry& entry, const Design& design) const;
    KeyEntry* entryOf(std::int32_t index);
    void indexKey(const Design& design, std::int32_t index, std::uint16_t hash);
    void growKeyTable();
    void indexEvaluated(std::int32_t index);
    int storeNew(const Design& design, std::optional<std::uint16_t> hash);
    void makeRoom();
    void appendCodes(const Design& design, StoredDesign& record);
    bool sameIntegers(const StoredDesign& stored, const Design& design) const;
    bool sameReals(const StoredDesign& stored, const Design& design) const;
    bool hashedAlike(const StoredDesign& stored, const Design& design) const;
    std::uint64_t keyOfStored(const StoredDesign& stored) const;
    void stopCheckingSavedFitness(bool atCreation);

    std::vector<StoredDesign> records_;
    std::vector<HashSlot> slots_;  // empty until the store is created
    // Stored designs by the 64-bit key of their values: open addressing with
    // linear probing, a power of two in size and at most half full. Made
    // together with the hash slots.
    std::vector<KeyEntry> keyTable_;
    std::size_t keyedCount_ = 0;
    // The codes of the stored designs, the only copy of them, one design after
    // the other: its integers and agent tag, its real values and agent tag.
    // They grow by a chunk of designs at a time, as the records do.
    std::vector<int> intCodes_;
    std::vector<double> realCodes_;
    bool everyHashedDesignKeyed_ = true;  // false once a design could not be keyed
    std::map<std::pair<int, int>, DesignIndex> evaluated_;  // by agent and variable count
    bool created_ = false;
    bool checkSavedFitness_ = true;
    bool sharedDesigns_ = false;
    IntegerCoding integerCoding_;
    mutable std::string hashText_;  // reused buffer of the hashed bytes
};

}  // namespace varno::design
