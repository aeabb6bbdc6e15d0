// What the fuzz targets share as a host of the library: the definition calls
// and a working folder of their own.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

#include "varno.h"

namespace varno::fuzz {

using DefineCall = int (*)(const char*, const char*);

inline constexpr DefineCall defineCalls[] = {
    VARNO_createNewStudy,           VARNO_defineNewProjectParameter,
    VARNO_defineNewProjectResponse, VARNO_defineNewDiscreteSet,
    VARNO_defineNewDistribution,    VARNO_defineNewCurve,
    VARNO_defineNewFormat,          VARNO_defineStudyLevelData,
    VARNO_defineSearchMethodData,   VARNO_defineStudyRuntimeOptions,
    VARNO_addVariableToStudy,       VARNO_addDOEFactorToStudy,
    VARNO_addResponseToStudy,
};

// Starts a study set-up in a scratch folder (VARNO_ROOT set there too);
// aborts when that fails, which no input can cause.
inline void initialize() {
    static const std::string folder = [] {
        const auto path = std::filesystem::temp_directory_path() / "varno-fuzz";
        std::filesystem::create_directories(path);
#ifdef _WIN32
        _putenv_s("VARNO_ROOT", path.string().c_str());
#else
        setenv("VARNO_ROOT", path.c_str(), 0);
#endif
        return path.string();
    }();
    if (VARNO_initializeStudySetup(("workingDirectory: " + folder).c_str()) != 1) std::abort();
}

}  // namespace varno::fuzz
