#include "support/binary_io.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "support/platform.h"
#include "support/seams.h"

namespace varno::support {

namespace {

void putUnsigned(std::string& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFFu));
}

std::uint64_t getUnsigned(const char* at, int bytes) {
    std::uint64_t value = 0;
    for (int i = 0; i < bytes; ++i) {
        value |= static_cast<std::uint64_t>(static_cast<unsigned char>(at[i])) << (8 * i);
    }
    return value;
}

bool openMustFail(const std::string& path) {
    const auto& hook = seams().failFileOpen;
    return hook && hook(path);
}

}  // namespace

void ByteWriter::int32(std::int32_t value) {
    putUnsigned(buffer_, static_cast<std::uint32_t>(value), 4);
}

void ByteWriter::real(double value) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    putUnsigned(buffer_, bits, 8);
}

void ByteWriter::text(const std::string& value) {
    int32(static_cast<std::int32_t>(value.size()));
    buffer_ += value;
}

void ByteWriter::int32Vector(std::span<const int> values) {
    int32(static_cast<std::int32_t>(values.size()));
    for (int value : values) int32(value);
}

void ByteWriter::realVector(std::span<const double> values) {
    int32(static_cast<std::int32_t>(values.size()));
    for (double value : values) real(value);
}

bool ByteReader::take(std::size_t bytes, const char*& at) {
    if (failed_ || remaining() < bytes) {
        failed_ = true;
        return false;
    }
    at = buffer_.data() + offset_;
    offset_ += bytes;
    return true;
}

bool ByteReader::int32(std::int32_t& value) {
    const char* at = nullptr;
    if (!take(4, at)) return false;
    value = static_cast<std::int32_t>(static_cast<std::uint32_t>(getUnsigned(at, 4)));
    return true;
}

bool ByteReader::real(double& value) {
    const char* at = nullptr;
    if (!take(8, at)) return false;
    const std::uint64_t bits = getUnsigned(at, 8);
    std::memcpy(&value, &bits, sizeof value);
    return true;
}

bool ByteReader::count(std::int32_t& value, std::size_t minItemBytes) {
    if (!int32(value)) return false;
    const std::size_t itemBytes = minItemBytes == 0 ? 1 : minItemBytes;
    if (value < 0 || static_cast<std::size_t>(value) > remaining() / itemBytes) {
        failed_ = true;
        return false;
    }
    return true;
}

bool ByteReader::text(std::string& value) {
    std::int32_t length = 0;
    const char* at = nullptr;
    if (!count(length, 1) || !take(static_cast<std::size_t>(length), at)) return false;
    value.assign(at, static_cast<std::size_t>(length));
    return true;
}

bool replaceFile(const std::string& path, const std::string& bytes) {
    const std::string temporary = path + ".tmp";
    if (openMustFail(path) || openMustFail(temporary)) return false;
    std::FILE* file = openFile(temporary, "wb");
    if (file == nullptr) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() &&
                         flushToDisk(file);
    const bool closed = std::fclose(file) == 0;
    if (written && closed && renameOver(temporary, path)) return true;
    std::error_code error;
    std::filesystem::remove(pathFromUtf8(temporary), error);
    return false;
}

bool readFileBytes(const std::string& path, std::string& bytes) {
    if (openMustFail(path)) return false;
    std::FILE* file = openFile(path, "rb");
    if (file == nullptr) return false;
    bytes.clear();
    char chunk[65536];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, got);
    const bool ok = std::ferror(file) == 0;
    std::fclose(file);
    return ok;
}

}  // namespace varno::support
