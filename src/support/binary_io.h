// Little-endian binary records: a writer that appends fields to a byte
// buffer and a reader that takes them back with the remaining length checked
// before every field and every count, so a damaged file can neither make the
// reader run past its end nor allocate more than the file could hold. Files
// are replaced whole through a temporary name, so a crash leaves either the
// old or the new file, never part of one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace varno::support {

class ByteWriter {
public:
    void int32(std::int32_t value);
    void real(double value);
    // A 32-bit length, then the bytes without terminator.
    void text(const std::string& value);
    // A 32-bit count, then the values.
    void int32Vector(std::span<const int> values);
    void realVector(std::span<const double> values);
    void bytes(const std::string& value) { buffer_ += value; }

    std::size_t size() const { return buffer_.size(); }
    const std::string& buffer() const { return buffer_; }
    std::string take() { return std::move(buffer_); }

private:
    std::string buffer_;
};

// Every read returns false, and the reader stays failed, once a field would
// reach beyond the end of the buffer.
class ByteReader {
public:
    explicit ByteReader(const std::string& buffer, std::size_t offset = 0)
        : buffer_(buffer), offset_(offset) {}

    bool int32(std::int32_t& value);
    bool real(double& value);
    bool text(std::string& value);
    // A count of items each taking at least `minItemBytes` of what is left:
    // a negative count, or one the rest of the buffer cannot hold, fails.
    bool count(std::int32_t& value, std::size_t minItemBytes);
    // A count, then the values, into a resizable container of them (a
    // std::vector or a design's codes).
    template <typename Ints>
    bool int32Vector(Ints& values) {
        return readValues(values);
    }
    template <typename Reals>
    bool realVector(Reals& values) {
        return readValues(values);
    }

    bool failed() const { return failed_; }
    std::size_t offset() const { return offset_; }
    std::size_t remaining() const { return buffer_.size() - offset_; }
    bool atEnd() const { return offset_ == buffer_.size(); }

private:
    bool take(std::size_t bytes, const char*& at);
    bool read(std::int32_t& value) { return int32(value); }
    bool read(double& value) { return real(value); }
    template <typename Values>
    bool readValues(Values& values) {
        std::int32_t n = 0;
        if (!count(n, sizeof(typename Values::value_type))) return false;
        values.resize(static_cast<std::size_t>(n));
        for (auto& value : values) read(value);
        return !failed_;
    }

    const std::string& buffer_;
    std::size_t offset_;
    bool failed_ = false;
};

// Writes `bytes` to a temporary file beside `path`, flushes it to the disk
// and renames it over `path`. False, with `path` untouched, when any step
// fails.
bool replaceFile(const std::string& path, const std::string& bytes);

// The whole content of a file; false when it cannot be opened or read.
bool readFileBytes(const std::string& path, std::string& bytes);

}  // namespace varno::support
