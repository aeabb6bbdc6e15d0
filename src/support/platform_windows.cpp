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

bool flushToDisk(std::FILE* file) {
    return std::fflush(file) == 0 && ::_commit(::_fileno(file)) == 0;
}

// The C library's rename refuses an existing target on Windows; MoveFileEx
// replaces it, and with write-through returns only once the move is on disk.
// The names go through std::filesystem so that they are converted to UTF-16
// exactly as every other file access of the engine converts them.
bool renameOver(const std::string& from, const std::string& to) {
    const std::filesystem::path source(from), target(to);
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
    for (std::filesystem::directory_iterator it(std::filesystem::path(directory), error), end;
         !error && it != end; it.increment(error)) {
        names.push_back(it->path().filename().string());
    }
    return names;
}

}  // namespace varno::support
