// Number conversion for the line- and token-based readers.
#pragma once

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <system_error>

namespace zeq {

// A whole token as a finite number of type T (float or double): an optional
// sign, digits with an optional decimal point, an optional exponent. The
// value is the correctly rounded one (for a double, the same the SMF and OFF
// readers take from the same text; a float is rounded once, from the
// decimal). A value too small for the type becomes the nearest one (possibly
// 0), as there. False for anything else: other characters, a value beyond the
// type's range, inf, nan.
template <class T>
inline bool parseFinite(std::string_view text, T& value) {
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+') {
        ++first;
        if (first != last && (*first == '+' || *first == '-')) return false;
    }
    if (first == last) return false;
    // std::from_chars also takes "inf", "nan" and hexadecimal forms without
    // a prefix; only plain decimal numbers are coordinates here.
    for (const char* p = first; p != last; ++p) {
        const char c = *p;
        if (!((c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' || c == '-' || c == '+')) return false;
    }
    T parsed = 0;
    const auto [stop, error] = std::from_chars(first, last, parsed, std::chars_format::general);
    if (stop != last) return false;
    if (error == std::errc::result_out_of_range) {
        // Overflow fails; underflow takes the value strtod gives.
        const std::string copy(first, last);
        if constexpr (sizeof(T) == sizeof(float)) {
            parsed = std::strtof(copy.c_str(), nullptr);
        } else {
            parsed = std::strtod(copy.c_str(), nullptr);
        }
    } else if (error != std::errc()) {
        return false;
    }
    if (!std::isfinite(parsed)) return false;
    value = parsed;
    return true;
}

// A whole token as a decimal integer with an optional sign.
inline bool parseInteger(std::string_view text, std::int64_t& value) {
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+') {
        ++first;
        if (first != last && *first == '-') return false;
    }
    const auto [stop, error] = std::from_chars(first, last, value);
    return error == std::errc() && stop == last && first != last;
}

}  // namespace zeq
