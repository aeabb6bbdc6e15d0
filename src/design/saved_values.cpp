#include "design/saved_values.h"

#include <algorithm>
#include <limits>

namespace varno::design {

namespace {

// Entries of an array that are kept: those before its end-of-list entry, or
// one when it has none, as model::valueArraySize counts (without its warning).
std::size_t packedCount(const model::DataValueArray& values) {
    const auto end = std::find_if(values.begin(), values.end(),
                                  [](const auto& v) { return v.dataType == model::dataEndOfList; });
    const auto count = end == values.end() ? 1 : static_cast<std::size_t>(end - values.begin());
    return std::min(count, values.size());
}

}  // namespace

SavedValues::Start SavedValues::append(const std::vector<model::DataValueArray>& first,
                                       const std::vector<model::DataValueArray>& second,
                                       std::span<const int> states, std::size_t chunk) {
    const std::size_t arrays = first.size() + second.size();
    if (arrays > std::numeric_limits<std::int32_t>::max() ||
        states.size() > std::numeric_limits<std::int32_t>::max()) {
        throw std::bad_alloc();
    }
    std::size_t entries = 2 + arrays + states.size();  // the counts, the lengths, the states
    for (const auto* list : {&first, &second}) {
        for (const model::DataValueArray& values : *list) entries += packedCount(values);
    }
    const Start start{entries_.size(), texts_.size()};
    try {
        reserveChunk(entries_, entries, chunk);
        entries_.push_back({0.0, static_cast<std::int32_t>(arrays), 0, 0, 0, false});
        for (const model::DataValueArray& values : first) appendArray(values);
        for (const model::DataValueArray& values : second) appendArray(values);
        entries_.push_back({0.0, static_cast<std::int32_t>(states.size()), 0, 0, 0, false});
        for (int state : states) entries_.push_back({0.0, state, 0, 0, 0, false});
    } catch (const std::bad_alloc&) {
        truncate(start);
        throw;
    }
    return start;
}

void SavedValues::appendArray(const model::DataValueArray& values) {
    // Counted as a deep copy counts, with its warning for a missing end.
    const auto count =
        std::min(static_cast<std::size_t>(model::valueArraySize(values)), values.size());
    entries_.push_back({0.0, static_cast<std::int32_t>(count), 0, 0, 0, false});
    for (std::size_t i = 0; i < count; ++i) {
        const model::VARNODataVal value = model::copyDataValue(values[i]);
        const bool hasText = !value.textValue.empty();
        entries_.push_back({value.doubleValue, value.intValue, static_cast<std::int8_t>(value.set),
                            static_cast<std::int8_t>(value.dataType),
                            static_cast<std::int8_t>(value.empty), hasText});
        if (hasText) texts_.push_back(value.textValue);
    }
}

void SavedValues::truncate(Start start) {
    entries_.resize(std::min<std::size_t>(start.entry, entries_.size()));
    texts_.resize(std::min<std::size_t>(start.text, texts_.size()));
}

// The cursor at array number `count` of the design at `start`.
SavedValues::Cursor SavedValues::skip(Start start, std::size_t count) const {
    Cursor at{start.entry + 1, start.text};
    for (std::size_t a = 0; a < count; ++a) {
        const auto size = static_cast<std::size_t>(entries_[at.entry++].intValue);
        for (std::size_t i = 0; i < size; ++i) at.text += entries_[at.entry++].hasText ? 1 : 0;
    }
    return at;
}

std::vector<model::DataValueArray> SavedValues::unpack(Start start, std::size_t firstArray,
                                                       std::size_t count) const {
    const auto arrays = static_cast<std::size_t>(entries_[start.entry].intValue);
    firstArray = std::min(firstArray, arrays);
    Cursor at = skip(start, firstArray);
    std::vector<model::DataValueArray> unpacked;
    unpackArrays(at, std::min(count, arrays - firstArray), unpacked);
    return unpacked;
}

std::vector<int> SavedValues::states(Start start) const {
    Cursor at = skip(start, static_cast<std::size_t>(entries_[start.entry].intValue));
    std::vector<int> states(static_cast<std::size_t>(entries_[at.entry].intValue));
    for (int& state : states) state = entries_[++at.entry].intValue;
    return states;
}

void SavedValues::unpackInto(Start start, std::size_t firstCount,
                             std::vector<model::DataValueArray>& first,
                             std::vector<model::DataValueArray>& second,
                             std::vector<int>& states) const {
    const auto arrays = static_cast<std::size_t>(entries_[start.entry].intValue);
    firstCount = std::min(firstCount, arrays);
    Cursor at{start.entry + 1, start.text};
    unpackArrays(at, firstCount, first);
    unpackArrays(at, arrays - firstCount, second);
    states.resize(static_cast<std::size_t>(entries_[at.entry].intValue));
    const Entry* stateEntries = entries_.data() + at.entry + 1;
    for (std::size_t i = 0; i < states.size(); ++i) states[i] = stateEntries[i].intValue;
}

// Every field is written in place, so arrays of the same sizes as before
// are refilled without allocating.
void SavedValues::unpackArrays(Cursor& at, std::size_t count,
                               std::vector<model::DataValueArray>& arrays) const {
    arrays.resize(count);
    const Entry* packed = entries_.data() + at.entry;
    const std::string* text = texts_.data() + at.text;
    for (model::DataValueArray& values : arrays) {
        const auto size = static_cast<std::size_t>((packed++)->intValue);
        if (values.size() != size + 1) values.resize(size + 1);
        for (model::VARNODataVal* value = values.data(); value != values.data() + size;
             ++value, ++packed) {
            value->set = packed->set;
            value->dataType = packed->dataType;
            value->empty = packed->empty;
            value->intValue = packed->intValue;
            value->doubleValue = packed->doubleValue;
            if (packed->hasText) {
                value->textValue = *text++;
            } else {
                value->textValue.clear();
            }
        }
        model::VARNODataVal& end = values[size];  // as model::endOfListValue() gives it
        end.set = end.empty = end.intValue = 0;
        end.dataType = model::dataEndOfList;
        end.doubleValue = 0.0;
        end.textValue.clear();
    }
    at.entry = static_cast<std::size_t>(packed - entries_.data());
    at.text = static_cast<std::size_t>(text - texts_.data());
}

std::size_t SavedValues::bytesHeld() const {
    static const std::size_t inlineCapacity = std::string().capacity();
    std::size_t bytes =
        entries_.capacity() * sizeof(Entry) + texts_.capacity() * sizeof(std::string);
    for (const std::string& text : texts_) {
        bytes += text.capacity() > inlineCapacity ? text.capacity() + 1 : 0;
    }
    return bytes;
}

}  // namespace varno::design
