// Reads a fuzzer's input as a sequence of choices and texts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace varno::fuzz {

class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool empty() const { return at_ >= size_; }
    // One byte as a choice among `count` (0 once the input is used up).
    unsigned choice(unsigned count) {
        if (empty() || count == 0) return 0;
        return data_[at_++] % count;
    }
    // A text up to the next 0 byte (or the end), at most `limit` bytes.
    std::string text(std::size_t limit = 4096) {
        std::string out;
        while (!empty() && data_[at_] != 0 && out.size() < limit) {
            out.push_back(static_cast<char>(data_[at_++]));
        }
        if (!empty()) ++at_;  // the separator
        return out;
    }
    // A double from eight bytes: any bit pattern, NaN and infinities included.
    double number() {
        std::uint64_t bits = 0;
        for (int i = 0; i < 8; ++i) bits = (bits << 8) | (empty() ? 0 : data_[at_++]);
        double value = 0;
        static_assert(sizeof value == sizeof bits);
        __builtin_memcpy(&value, &bits, sizeof value);
        return value;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

}  // namespace varno::fuzz
