// printf-style formatting into std::string. The system's texts are formats;
// a host-supplied name is always an argument, never the format.
#pragma once

#include <cstdarg>
#include <string>

#if defined(__MINGW32__) && !defined(__clang__)
// mingw-w64 builds use the C99 printf of its runtime (__USE_MINGW_ANSI_STDIO),
// not the system's, whose formats differ (%zu, three-digit exponents).
#define VARNO_PRINTF_FORMAT(formatIndex, firstArg) \
    __attribute__((format(gnu_printf, formatIndex, firstArg)))
#elif defined(__GNUC__) || defined(__clang__)
#define VARNO_PRINTF_FORMAT(formatIndex, firstArg) \
    __attribute__((format(printf, formatIndex, firstArg)))
#else
#define VARNO_PRINTF_FORMAT(formatIndex, firstArg)
#endif

namespace varno {

std::string formatText(const char* format, ...) VARNO_PRINTF_FORMAT(1, 2);
std::string formatTextV(const char* format, std::va_list args);

}  // namespace varno
