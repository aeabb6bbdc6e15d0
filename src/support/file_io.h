// Text files and paths: the only place where the engine touches the file
// system, so that a test can make any open fail through the seams.
#pragma once

#include <fstream>
#include <string>
#include <vector>

#include "support/seams.h"

namespace varno::support {

#if defined(_WIN32)
inline constexpr char pathSeparator = '\\';
#else
inline constexpr char pathSeparator = '/';
#endif

// `directory` + separator + `name`.
std::string joinPath(const std::string& directory, const std::string& name);

// A name (of a response, say) as part of a file name: path separators,
// control characters and ".." become "_", so the file stays in its folder.
std::string fileNamePart(const std::string& name);

// The process's current directory; false when it cannot be read.
bool currentDirectory(std::string& directory);

bool directoryExists(const std::string& path);
bool fileExists(const std::string& path);

// Removes a file; false when it did not exist or could not be removed.
bool removeFile(const std::string& path);

// Removes a folder and everything in it; false when nothing was removed.
bool removeFolder(const std::string& path);

// The names of the files in `directory` whose names begin with `prefix`.
std::vector<std::string> filesStartingWith(const std::string& directory, const std::string& prefix);

// An output text file, written with the classic locale and flushed on close.
class FileWriter {
public:
    FileWriter(const std::string& path, bool append);
    bool is_open() const { return stream_.is_open(); }
    void write(const std::string& text);
    void flush();
    // Flushes and closes; false when anything written was lost.
    bool close();

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
