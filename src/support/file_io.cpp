#include "support/file_io.h"

#include <filesystem>
#include <memory>
#include <locale>
#include <system_error>
#include <utility>

#include "support/platform.h"
#include "support/seams.h"

namespace varno::support {

namespace fs = std::filesystem;

namespace {
bool openMustFail(const std::string& path) {
    const auto& hook = seams().failFileOpen;
    return hook && hook(path);
}
}  // namespace

// char8_t text is UTF-8 to the C++ library on every platform; on POSIX the
// bytes pass unchanged.
fs::path pathFromUtf8(const std::string& text) {
    return fs::path(std::u8string(text.begin(), text.end()));
}

std::string utf8FromPath(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string joinPath(const std::string& directory, const std::string& name) {
    std::string path = directory;
    path += pathSeparator;
    path += name;
    return path;
}

std::string fileNamePart(const std::string& name) {
    const auto hazard = [](char c) {
        return c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
    };
    std::string safe;
    for (std::size_t at = 0; at < name.size(); ++at) {
        if (name.compare(at, 2, "..") == 0) {
            safe += '_';
            ++at;
        } else {
            safe += hazard(name[at]) ? '_' : name[at];
        }
    }
    return safe;
}

bool currentDirectory(std::string& directory) {
    std::error_code error;
    fs::path path = fs::current_path(error);
    if (error) return false;
    directory = utf8FromPath(path);
    return true;
}

bool directoryExists(const std::string& path) {
    std::error_code error;
    return fs::is_directory(pathFromUtf8(path), error);
}

bool fileExists(const std::string& path) {
    std::error_code error;
    return fs::is_regular_file(pathFromUtf8(path), error);
}

bool removeFile(const std::string& path) {
    std::error_code error;
    return fs::remove(pathFromUtf8(path), error);
}

bool removeFolder(const std::string& path) {
    std::error_code error;
    const auto removed = fs::remove_all(pathFromUtf8(path), error);
    return !error && removed > 0 && removed != static_cast<std::uintmax_t>(-1);
}

std::vector<std::string> filesStartingWith(const std::string& directory,
                                           const std::string& prefix) {
    std::vector<std::string> names;
    for (std::string& name : folderEntries(directory)) {
        if (name.rfind(prefix, 0) == 0) names.push_back(std::move(name));
    }
    return names;
}

FileWriter::FileWriter(const std::string& path, bool append) {
    if (openMustFail(path)) return;
    stream_.imbue(std::locale::classic());
    // Binary: the files hold the same bytes on every platform ("\n" line ends,
    // never Windows' "\r\n").
    const auto mode = std::ios::out | std::ios::binary;
    stream_.open(pathFromUtf8(path), append ? mode | std::ios::app : mode | std::ios::trunc);
    if (stream_.is_open()) mark_.set();
}

void FileWriter::write(const std::string& text) {
    if (stream_.is_open()) stream_ << text;
}

void FileWriter::flush() {
    if (stream_.is_open()) stream_.flush();
}

bool FileWriter::close() {
    bool written = true;
    if (stream_.is_open()) {
        stream_.close();
        written = !stream_.fail();
    }
    mark_.clear();
    return written;
}

FileReader::FileReader(const std::string& path) {
    if (openMustFail(path)) return;
    stream_.imbue(std::locale::classic());
    stream_.open(pathFromUtf8(path), std::ios::in | std::ios::binary);
    if (stream_.is_open()) mark_.set();
}

bool FileReader::getLine(std::string& line, char delimiter) {
    if (!stream_.is_open()) return false;
    return static_cast<bool>(std::getline(stream_, line, delimiter));
}

void FileReader::close() {
    if (stream_.is_open()) stream_.close();
    mark_.clear();
}

}  // namespace varno::support
