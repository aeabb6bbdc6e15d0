// The saved results of the stored designs, one design after the other in a
// single run of 16-byte entries: its response and dependent-variable value
// arrays, then its per-response evaluation states. A repeated design's
// results so lie in consecutive cache lines reached from one offset, which a
// lookup can ask for as soon as it knows the offset. Texts are held apart at
// their own length and end-of-list entries are implied; unpacking gives the
// arrays a deep copy (model::copyValueArray) would give.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "model/data_value.h"
#include "support/prefetch.h"

namespace varno::design {

class SavedValues {
public:
    // Where a design's results start: its first entry and its first text.
    struct Start {
        std::uint64_t entry = 0;
        std::uint64_t text = 0;
    };

    // Appends a design's arrays, `first` then `second`, and its `states`, and
    // returns where they start. Room is made for `chunk` more designs like it
    // at a time. On std::bad_alloc nothing is appended.
    Start append(const std::vector<model::DataValueArray>& first,
                 const std::vector<model::DataValueArray>& second, std::span<const int> states,
                 std::size_t chunk);
    // Forgets the design at `start` and any after it.
    void truncate(Start start);

    // `count` arrays of the design at `start`, from its array number `firstArray`.
    std::vector<model::DataValueArray> unpack(Start start, std::size_t firstArray,
                                              std::size_t count) const;
    std::vector<int> states(Start start) const;
    // The design's first `firstCount` arrays written over `first`, the others
    // over `second`, and its states over `states`, reusing the memory they hold.
    void unpackInto(Start start, std::size_t firstCount, std::vector<model::DataValueArray>& first,
                    std::vector<model::DataValueArray>& second, std::vector<int>& states) const;
    // Asks for the first cache lines of the design at entry `entry`, enough
    // for a few responses; the processor's adjacent-line prefetch brings more.
    void prefetch(std::uint64_t entry) const {
        if (entry < entries_.size()) {
            support::prefetchLines(entries_.data() + entry,
                                   (entries_.size() - entry) * sizeof(Entry), 256);
        }
    }

    std::uint64_t entryCount() const { return entries_.size(); }
    std::size_t bytesHeld() const;

private:
    // A value, the length of an array or of the states (intValue), or a state.
    struct Entry {
        double doubleValue;
        std::int32_t intValue;
        std::int8_t set;  // the set and empty flags are 0 or 1
        std::int8_t dataType;
        std::int8_t empty;
        bool hasText;  // its text is the next one of texts_
    };

    // Where the next array starts in entries_ and its first text in texts_.
    struct Cursor {
        std::size_t entry = 0;
        std::size_t text = 0;
    };

    void appendArray(const model::DataValueArray& values);
    Cursor skip(Start start, std::size_t count) const;
    void unpackArrays(Cursor& at, std::size_t count,
                      std::vector<model::DataValueArray>& arrays) const;

    // Per design: its number of arrays, per array its length and its entries,
    // then the number of states and one entry per state.
    std::vector<Entry> entries_;
    std::vector<std::string> texts_;
};

// Makes room in `values` for `chunk` runs of `count` more elements when fewer
// than `count` places are left, so that a store grows by chunks of designs; a
// failed reservation leaves the growth to the vector's own.
template <typename T>
void reserveChunk(std::vector<T>& values, std::size_t count, std::size_t chunk) {
    if (values.capacity() - values.size() >= count) return;
    try {
        values.reserve(values.size() + count * chunk);
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
}

}  // namespace varno::design
