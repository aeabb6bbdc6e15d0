// POSIX implementation of the platform calls and of the numeric-locale guard.
#include <dirent.h>
#include <locale.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "support/numeric_locale.h"
#include "support/platform.h"

namespace varno::support {

std::FILE* openFile(const std::string& path, const char* mode) {
    return std::fopen(path.c_str(), mode);
}

bool environmentVariable(const char* name, std::string& value) {
    const char* found = std::getenv(name);
    if (found == nullptr) return false;
    value = found;
    return true;
}

bool flushToDisk(std::FILE* file) { return std::fflush(file) == 0 && ::fsync(::fileno(file)) == 0; }

// rename(2) replaces the target atomically.
bool renameOver(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

std::tm localTime(std::time_t seconds) {
    std::tm parts{};
    ::localtime_r(&seconds, &parts);
    return parts;
}

// A per-thread locale: other threads of the host keep theirs.
ScopedCNumericLocale::ScopedCNumericLocale() {
    locale_t cLocale = ::newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(0));
    if (cLocale == static_cast<locale_t>(0)) return;  // keep the host's locale
    pinned_ = cLocale;
    previous_ = ::uselocale(cLocale);
}

ScopedCNumericLocale::~ScopedCNumericLocale() {
    if (pinned_ == nullptr) return;
    ::uselocale(static_cast<locale_t>(previous_));
    ::freelocale(static_cast<locale_t>(pinned_));
}

// Listed with readdir rather than std::filesystem: libstdc++'s directory
// iterator allocates inside noexcept code, so memory running out there would
// end the process instead of failing the call.
std::vector<std::string> folderEntries(const std::string& directory) {
    std::vector<std::string> names;
    const std::unique_ptr<DIR, int (*)(DIR*)> folder(::opendir(directory.c_str()), ::closedir);
    if (!folder) return names;
    while (const dirent* entry = ::readdir(folder.get())) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(std::move(name));
    }
    return names;
}

}  // namespace varno::support
