// Numbers stored in binary files, in either byte order.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace zeq {

// The value of type T stored at `p` in little- or big-endian byte order.
template <class T>
inline T loadBinary(const unsigned char* p, bool bigEndian) {
    static_assert(sizeof(T) == 1 || sizeof(T) == 2 || sizeof(T) == 4 || sizeof(T) == 8);
    unsigned char bytes[sizeof(T)];
    std::memcpy(bytes, p, sizeof(T));
    if (bigEndian != (std::endian::native == std::endian::big)) {
        for (std::size_t i = 0; i < sizeof(T) / 2; ++i) {
            const unsigned char t = bytes[i];
            bytes[i] = bytes[sizeof(T) - 1 - i];
            bytes[sizeof(T) - 1 - i] = t;
        }
    }
    T value;
    std::memcpy(&value, bytes, sizeof(T));
    return value;
}

// Stores `value` at `p` in the given byte order; returns the end.
template <class T>
inline unsigned char* storeBinary(unsigned char* p, T value, bool bigEndian) {
    std::memcpy(p, &value, sizeof(T));
    if (bigEndian != (std::endian::native == std::endian::big)) {
        for (std::size_t i = 0; i < sizeof(T) / 2; ++i) {
            const unsigned char t = p[i];
            p[i] = p[sizeof(T) - 1 - i];
            p[sizeof(T) - 1 - i] = t;
        }
    }
    return p + sizeof(T);
}

}  // namespace zeq
