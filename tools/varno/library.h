// Small RAII helpers over the library's C interface (varno.h).
#pragma once

#include <stdexcept>
#include <string>

namespace varno::tool {

// A failure of the run with its explanation (usually the library's log).
class RunError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The library's message log, oldest entry first ("" when empty).
std::string messageLog();

// A study set up in the library; ended when the object goes.
class LibraryStudy {
public:
    explicit LibraryStudy(const std::string& workingDirectory);
    ~LibraryStudy();
    LibraryStudy(const LibraryStudy&) = delete;
    LibraryStudy& operator=(const LibraryStudy&) = delete;
};

// One set of designs handed out by the library; its arrays are released when
// the object goes. The value arrays themselves belong to the library.
class DesignSet {
public:
    DesignSet();
    ~DesignSet();
    DesignSet(const DesignSet&) = delete;
    DesignSet& operator=(const DesignSet&) = delete;

    int size() const { return count_; }
    int id(int k) const { return ids_[k]; }
    const double* values(int k) const { return values_[k]; }

private:
    int count_ = 0;
    int* ids_ = nullptr;
    double** values_ = nullptr;
};

}  // namespace varno::tool
