// Windows implementation of the platform calls and of the numeric-locale
// guard.
#include <io.h>
#include <locale.h>
#include <windows.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "support/numeric_locale.h"
#include "support/platform.h"

namespace varno::support {

// The file name as UTF-16 and the mode widened (it is plain ASCII).
std::FILE* openFile(const std::string& path, const char* mode) {
    const std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
    return ::_wfopen(pathFromUtf8(path).c_str(), wideMode.c_str());
}

bool environmentVariable(const char* name, std::string& value) {
    const std::wstring wideName(name, name + std::char_traits<char>::length(name));
    const wchar_t* found = ::_wgetenv(wideName.c_str());
    if (found == nullptr) return false;
    value = utf8FromPath(std::filesystem::path(found));
    return true;
}

bool flushToDisk(std::FILE* file) {
    return std::fflush(file) == 0 && ::_commit(::_fileno(file)) == 0;
}

// The C library's rename refuses an existing target on Windows; MoveFileEx
// replaces it, and with write-through returns only once the move is on disk.
bool renameOver(const std::string& from, const std::string& to) {
    const std::filesystem::path source = pathFromUtf8(from), target = pathFromUtf8(to);
    return ::MoveFileExW(source.c_str(), target.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

std::tm localTime(std::time_t seconds) {
    std::tm parts{};
    ::localtime_s(&parts, &seconds);
    return parts;
}

// The C runtime's locale becomes per-thread for the life of the guard, so that
// pinning "C" here leaves the host's other threads alone.
ScopedCNumericLocale::ScopedCNumericLocale() {
    previousMode_ = ::_configthreadlocale(_ENABLE_PER_THREAD_LOCALE);
    const char* current = std::setlocale(LC_NUMERIC, nullptr);
    if (current != nullptr) previous_ = ::_strdup(current);
    std::setlocale(LC_NUMERIC, "C");
}

ScopedCNumericLocale::~ScopedCNumericLocale() {
    if (previous_ != nullptr) {
        std::setlocale(LC_NUMERIC, static_cast<const char*>(previous_));
        std::free(previous_);
    }
    ::_configthreadlocale(previousMode_);
}

std::vector<std::string> folderEntries(const std::string& directory) {
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(pathFromUtf8(directory), error), end;
         !error && it != end; it.increment(error)) {
        names.push_back(utf8FromPath(it->path().filename()));
    }
    return names;
}

}  // namespace varno::support
