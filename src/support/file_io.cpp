#include "support/file_io.h"

#include <filesystem>
#include <locale>
#include <system_error>

#include "support/seams.h"

namespace varno::support {

namespace fs = std::filesystem;

namespace {
bool openMustFail(const std::string& path) {
    const auto& hook = seams().failFileOpen;
    return hook && hook(path);
}
}  // namespace

std::string joinPath(const std::string& directory, const std::string& name) {
    std::string path = directory;
    path += pathSeparator;
    path += name;
    return path;
}

bool currentDirectory(std::string& directory) {
    std::error_code error;
    fs::path path = fs::current_path(error);
    if (error) return false;
    directory = path.string();
    return true;
}

bool directoryExists(const std::string& path) {
    std::error_code error;
    return fs::is_directory(fs::path(path), error);
}

bool fileExists(const std::string& path) {
    std::error_code error;
    return fs::is_regular_file(fs::path(path), error);
}

bool removeFile(const std::string& path) {
    std::error_code error;
    return fs::remove(fs::path(path), error);
}

bool replaceFile(const std::string& path, const std::string& text) {
    const std::string temporary = path + ".tmp";
    {
        FileWriter writer(temporary, false);
        if (!writer.is_open()) return false;
        writer.write(text);
        writer.close();
    }
    std::error_code error;
    fs::rename(fs::path(temporary), fs::path(path), error);
    if (!error) return true;
    fs::remove(fs::path(temporary), error);
    return false;
}

FileWriter::FileWriter(const std::string& path, bool append) {
    if (openMustFail(path)) return;
    stream_.imbue(std::locale::classic());
    stream_.open(path, append ? std::ios::out | std::ios::app : std::ios::out | std::ios::trunc);
    if (stream_.is_open()) mark_.set();
}

void FileWriter::write(const std::string& text) {
    if (stream_.is_open()) stream_ << text;
}

void FileWriter::flush() {
    if (stream_.is_open()) stream_.flush();
}

void FileWriter::close() {
    if (stream_.is_open()) stream_.close();
    mark_.clear();
}

FileReader::FileReader(const std::string& path) {
    if (openMustFail(path)) return;
    stream_.imbue(std::locale::classic());
    stream_.open(path, std::ios::in);
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
