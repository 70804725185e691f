// Number formatting for the writers, byte-identical to printf and faster.
#pragma once

#include <charconv>

namespace zeq {

// Buffer space that always holds one formatted number.
inline constexpr int kNumberChars = 32;

// A double as printf's "%g" writes it (six significant digits; exponent form
// below 1e-4 or from 1e6 on, with at least two exponent digits). std::to_chars
// with the general format and a precision is defined to match printf in the
// "C" locale.
inline char* formatG(char* out, double value) {
    return std::to_chars(out, out + kNumberChars, value, std::chars_format::general, 6).ptr;
}

// The shortest text that reads back as exactly this double, or this float
// when read as a float (std::to_chars without a precision).
inline char* formatShortest(char* out, double value) { return std::to_chars(out, out + kNumberChars, value).ptr; }
inline char* formatShortest(char* out, float value) { return std::to_chars(out, out + kNumberChars, value).ptr; }

// An int as printf's "%d" writes it.
inline char* formatInt(char* out, int value) {
    return std::to_chars(out, out + kNumberChars, value).ptr;
}

}  // namespace zeq
