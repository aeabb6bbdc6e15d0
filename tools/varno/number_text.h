// Numbers as text, independent of the locale: the shortest form that reads
// back to the same double.
#pragma once

#include <charconv>
#include <string>

namespace varno::tool {

inline std::string numberText(double value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

// Rounded to `digits` significant digits, for tables and plot labels.
inline std::string shortNumberText(double value, int digits = 6) {
    char buffer[32];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, digits);
    return std::string(buffer, result.ptr);
}

}  // namespace varno::tool
