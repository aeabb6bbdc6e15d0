#include "support/numeric_locale.h"

#include <clocale>

#if defined(_WIN32)
#include <cstdlib>
#include <cstring>
#include <locale.h>
#else
#include <locale.h>
#endif

namespace varno::support {

#if defined(_WIN32)

ScopedCNumericLocale::ScopedCNumericLocale() {
    previousMode_ = _configthreadlocale(_ENABLE_PER_THREAD_LOCALE);
    const char* current = std::setlocale(LC_NUMERIC, nullptr);
    if (current != nullptr) previous_ = _strdup(current);
    std::setlocale(LC_NUMERIC, "C");
}

ScopedCNumericLocale::~ScopedCNumericLocale() {
    if (previous_ != nullptr) {
        std::setlocale(LC_NUMERIC, static_cast<const char*>(previous_));
        std::free(previous_);
    }
    _configthreadlocale(previousMode_);
}

#else

ScopedCNumericLocale::ScopedCNumericLocale() {
    locale_t cLocale = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(0));
    if (cLocale == static_cast<locale_t>(0)) return;  // keep the host's locale
    pinned_ = cLocale;
    previous_ = uselocale(cLocale);
}

ScopedCNumericLocale::~ScopedCNumericLocale() {
    if (pinned_ == nullptr) return;
    uselocale(static_cast<locale_t>(previous_));
    freelocale(static_cast<locale_t>(pinned_));
}

#endif

}  // namespace varno::support
