# Cross-compiling for 64-bit Windows with Debian's mingw-w64 compilers (the
# POSIX-threads flavour, for std::thread and std::mutex).
#
# Libraries cross-built for Windows are looked for under VARNO_WINDOWS_PREFIX
# (scripts/install-windows-deps.sh installs them there); the header-only
# libraries of the build machine are reached through that prefix as well.
# Tests run under Wine through the cross-compiling emulator.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(mingw_triplet x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${mingw_triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw_triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw_triplet}-windres)
set(CMAKE_AR ${mingw_triplet}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${mingw_triplet}-gcc-ranlib-posix CACHE FILEPATH "")
find_program(CMAKE_OBJDUMP ${mingw_triplet}-objdump)

if(NOT VARNO_WINDOWS_PREFIX)
  set(VARNO_WINDOWS_PREFIX "${CMAKE_CURRENT_LIST_DIR}/../build/windows-deps/prefix")
endif()
get_filename_component(VARNO_WINDOWS_PREFIX "${VARNO_WINDOWS_PREFIX}" ABSOLUTE)
set(CMAKE_FIND_ROOT_PATH /usr/${mingw_triplet} ${VARNO_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Boost's headers are linked into the prefix (Boost is header-only here). The
# C99 printf family of the mingw runtime formats numbers as glibc does
# ("1e+10", not the system library's "1e+010"), so files read the same.
set(CMAKE_C_FLAGS_INIT "-D__USE_MINGW_ANSI_STDIO=1")
set(CMAKE_CXX_FLAGS_INIT "-D__USE_MINGW_ANSI_STDIO=1 -isystem ${VARNO_WINDOWS_PREFIX}/include")

# Eigen is header-only and its package file is the build machine's.
set(Eigen3_DIR /usr/share/eigen3/cmake CACHE PATH "")

# The programs carry the compiler's runtime, so Wine needs no extra DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")

find_program(VARNO_WINE NAMES wine64 wine PATHS /usr/lib/wine)
if(VARNO_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VARNO_WINE})
endif()
