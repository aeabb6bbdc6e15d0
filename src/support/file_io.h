// Text files and paths: the only place where the engine touches the file
// system, so that a test can make any open fail through the seams.
#pragma once

#include <fstream>
#include <string>

#include "support/seams.h"

namespace varno::support {

#if defined(_WIN32)
inline constexpr char pathSeparator = '\\';
#else
inline constexpr char pathSeparator = '/';
#endif

// `directory` + separator + `name`.
std::string joinPath(const std::string& directory, const std::string& name);

// The process's current directory; false when it cannot be read.
bool currentDirectory(std::string& directory);

bool directoryExists(const std::string& path);
bool fileExists(const std::string& path);

// Removes a file; false when it did not exist or could not be removed.
bool removeFile(const std::string& path);

// Writes `text` as the whole content of `path`: first to a temporary file
// beside it, which then replaces `path`, so that a failed write never leaves
// a cut file. False when the file cannot be written.
bool replaceFile(const std::string& path, const std::string& text);

// An output text file, written with the classic locale and flushed on close.
class FileWriter {
public:
    FileWriter(const std::string& path, bool append);
    bool is_open() const { return stream_.is_open(); }
    void write(const std::string& text);
    void flush();
    void close();

private:
    std::ofstream stream_;
    OpenFileMark mark_;
};

// An input text file read line by line.
class FileReader {
public:
    explicit FileReader(const std::string& path);
    bool is_open() const { return stream_.is_open(); }
    // The next line without its delimiter; false at the end of the file.
    bool getLine(std::string& line, char delimiter = '\n');
    void close();

private:
    std::ifstream stream_;
    OpenFileMark mark_;
};

}  // namespace varno::support
