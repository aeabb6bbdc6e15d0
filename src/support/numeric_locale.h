// Pins the "C" locale (numbers included) on the calling thread for the life of the
// guard, so numbers are read and written with a decimal point whatever locale
// the host chose; the host's locale is restored on destruction.
#pragma once

namespace varno::support {

class ScopedCNumericLocale {
public:
    ScopedCNumericLocale();
    ~ScopedCNumericLocale();
    ScopedCNumericLocale(const ScopedCNumericLocale&) = delete;
    ScopedCNumericLocale& operator=(const ScopedCNumericLocale&) = delete;

private:
    void* previous_ = nullptr;               // platform locale handle to restore
    void* pinned_ = nullptr;                 // locale this guard created
    [[maybe_unused]] int previousMode_ = 0;  // Windows per-thread locale mode
};

}  // namespace varno::support
