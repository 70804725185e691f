// What the bench programs share: the processor clock they time with, and a
// plain, fast reader of the mesh files that zeq_gen_mesh, zeq_gen_subdiv,
// zeq_mesh_to_ply and zeq write (the whole file into one buffer, then every
// number parsed with std::from_chars, or decoded from its bytes).
//
// SMF: "v x y z" and "f i j ..." lines, anything else skipped. OFF: "OFF", the
// counts "V F E", V coordinate triples and F faces "n i1 .. in", with '#'
// comments. PLY: binary only, in the one layout the bench writes (see
// parsePly). Corner indices are kept as written (1-based in SMF, 0-based in
// OFF and PLY); the parsers return false on anything they cannot read.
#pragma once

#include <bit>
#include <charconv>
#include <cstdint>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace zeq_bench {

// Processor time of this process, the clock behind zeq's own stage times, so
// that the two can be compared on a busy machine.
struct Clock {
    using time_point = std::clock_t;
    static time_point now() { return std::clock(); }
};

inline double secondsBetween(Clock::time_point a, Clock::time_point b) {
    return static_cast<double>(b - a) / CLOCKS_PER_SEC;
}

struct MeshNumbers {
    std::vector<double> coords;    // x y z per vertex
    std::vector<int> corners;      // corner indices of all faces, as in the file
    std::vector<int> faceSizes;    // corner count of each face
    void clear() {
        coords.clear();
        corners.clear();
        faceSizes.clear();
    }
};

inline bool endsWithOff(std::string_view name) {
    if (name.size() < 3) return false;
    std::string_view t = name.substr(name.size() - 3);
    return (t[0] == 'o' || t[0] == 'O') && (t[1] == 'f' || t[1] == 'F') && (t[2] == 'f' || t[2] == 'F');
}

inline bool endsWithPly(std::string_view name) {
    if (name.size() < 4) return false;
    std::string_view t = name.substr(name.size() - 4);
    return t[0] == '.' && (t[1] == 'p' || t[1] == 'P') && (t[2] == 'l' || t[2] == 'L') && (t[3] == 'y' || t[3] == 'Y');
}

inline bool readWholeFile(const char* name, std::string& buf) {
    std::FILE* f = std::fopen(name, "rb");
    if (!f) return false;
    std::fseek(f, 0, SEEK_END);
    long size = std::ftell(f);
    std::fseek(f, 0, SEEK_SET);
    if (size < 0) {
        std::fclose(f);
        return false;
    }
    buf.resize(static_cast<size_t>(size));
    size_t got = size ? std::fread(buf.data(), 1, buf.size(), f) : 0;
    std::fclose(f);
    return got == buf.size();
}

inline bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// ----- SMF: "v x y z" and "f i j k" lines; everything else is skipped -----

inline bool parseSmf(const char* p, const char* end, MeshNumbers& m) {
    while (p < end) {
        while (p < end && isBlank(*p)) ++p;
        if (p == end) break;
        char tag = *p;
        bool isV = tag == 'v' && p + 1 < end && isBlank(p[1]);
        bool isF = tag == 'f' && p + 1 < end && isBlank(p[1]);
        if (isV || isF) {
            ++p;
            int count = 0;
            for (;;) {
                while (p < end && isBlank(*p)) ++p;
                if (p == end || *p == '\n') break;
                if (isV) {
                    double d;
                    auto r = std::from_chars(p, end, d);
                    if (r.ec != std::errc()) return false;
                    m.coords.push_back(d);
                    p = r.ptr;
                } else {
                    int i;
                    auto r = std::from_chars(p, end, i);
                    if (r.ec != std::errc()) return false;
                    m.corners.push_back(i);
                    p = r.ptr;
                }
                ++count;
            }
            if (isV && count != 3) return false;
            if (isF) m.faceSizes.push_back(count);
        }
        const char* nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
        p = nl ? nl + 1 : end;
    }
    return true;
}

// ----- OFF: "OFF", "V F E", V coordinate triples, F faces "n i1 .. in" -----

// Skips blanks, line breaks and '#' comments.
inline const char* skipSpace(const char* p, const char* end) {
    for (;;) {
        while (p < end && (isBlank(*p) || *p == '\n')) ++p;
        if (p < end && *p == '#') {
            const char* nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
            p = nl ? nl + 1 : end;
            continue;
        }
        return p;
    }
}

template <class T>
bool nextNumber(const char*& p, const char* end, T& value) {
    p = skipSpace(p, end);
    auto r = std::from_chars(p, end, value);
    if (r.ec != std::errc()) return false;
    p = r.ptr;
    return true;
}

inline bool parseOff(const char* p, const char* end, MeshNumbers& m) {
    p = skipSpace(p, end);
    if (end - p < 3 || std::memcmp(p, "OFF", 3) != 0) return false;
    p += 3;
    long long nv, nf, ne;
    if (!nextNumber(p, end, nv) || !nextNumber(p, end, nf) || !nextNumber(p, end, ne)) return false;
    if (nv < 0 || nf < 0) return false;
    m.coords.resize(static_cast<size_t>(nv) * 3);
    for (double& d : m.coords)
        if (!nextNumber(p, end, d)) return false;
    m.faceSizes.resize(static_cast<size_t>(nf));
    m.corners.reserve(static_cast<size_t>(nf) * 3);
    for (int& n : m.faceSizes) {
        if (!nextNumber(p, end, n) || n < 0) return false;
        for (int k = 0; k < n; ++k) {
            int i;
            if (!nextNumber(p, end, i)) return false;
            m.corners.push_back(i);
        }
    }
    return true;
}

// ----- Binary PLY, as zeq_mesh_to_ply and zeq write it -----
//
//   ply
//   format binary_little_endian 1.0     (or binary_big_endian)
//   comment ...                         (any number of comment and obj_info
//                                        lines, anywhere in the header)
//   element vertex V
//   property double x                   (x, y, z in this order, all float or
//   property double y                    all double, and no other property)
//   property double z
//   element face F
//   property list uchar int vertex_indices
//   end_header
//
// followed by exactly V coordinate triples and F faces (count, then that many
// indices). Anything else, text PLY included, makes parsePly return false.

struct PlyForm {
    bool bigEndian = false;
    bool doubleCoordinates = true;
    // True when the file's byte order is not this machine's.
    bool swapped() const { return bigEndian != (std::endian::native == std::endian::big); }
};

template <class T>
inline T loadBytes(const char* p, bool swap) {
    static_assert(sizeof(T) == 4 || sizeof(T) == 8);
    using U = std::conditional_t<sizeof(T) == 8, std::uint64_t, std::uint32_t>;
    U u;
    std::memcpy(&u, p, sizeof u);
    if (swap) {
        if constexpr (sizeof(T) == 8)
            u = __builtin_bswap64(u);
        else
            u = __builtin_bswap32(u);
    }
    return std::bit_cast<T>(u);
}

// Stores `value` at `p`, byte-swapped when `swap`; returns the end.
template <class T>
inline char* storeBytes(char* p, T value, bool swap) {
    static_assert(sizeof(T) == 4 || sizeof(T) == 8);
    using U = std::conditional_t<sizeof(T) == 8, std::uint64_t, std::uint32_t>;
    U u = std::bit_cast<U>(value);
    if (swap) {
        if constexpr (sizeof(T) == 8)
            u = __builtin_bswap64(u);
        else
            u = __builtin_bswap32(u);
    }
    std::memcpy(p, &u, sizeof u);
    return p + sizeof u;
}

// Splits one header line into at most `maxWords` blank-separated words;
// returns their number, or maxWords + 1 when there are more.
inline int plyWords(std::string_view line, std::string_view* words, int maxWords) {
    int n = 0;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && isBlank(line[i])) ++i;
        if (i == line.size()) break;
        size_t j = i;
        while (j < line.size() && !isBlank(line[j])) ++j;
        if (n == maxWords) return maxWords + 1;
        words[n++] = line.substr(i, j - i);
        i = j;
    }
    return n;
}

inline bool plyCount(std::string_view word, long long& count) {
    auto r = std::from_chars(word.data(), word.data() + word.size(), count);
    return r.ec == std::errc() && r.ptr == word.data() + word.size() && count >= 0 && count <= 2147483647;
}

// Reads the header; returns the first byte after it, or nullptr.
inline const char* parsePlyHeader(const char* p, const char* end, PlyForm& form, long long& vertexCount,
                                  long long& faceCount) {
    static constexpr const char* kAxes[3] = {"x", "y", "z"};
    int step = 0;  // lines of the layout above matched so far, comments aside
    while (p < end) {
        const char* nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
        if (!nl) return nullptr;
        std::string_view line(p, static_cast<size_t>(nl - p));
        p = nl + 1;
        std::string_view w[6];
        const int n = plyWords(line, w, 5);
        if (step > 0 && n > 0 && (w[0] == "comment" || w[0] == "obj_info")) continue;
        switch (step) {
            case 0:
                if (n != 1 || w[0] != "ply") return nullptr;
                break;
            case 1:
                if (n != 3 || w[0] != "format" || w[2] != "1.0") return nullptr;
                if (w[1] == "binary_little_endian")
                    form.bigEndian = false;
                else if (w[1] == "binary_big_endian")
                    form.bigEndian = true;
                else
                    return nullptr;
                break;
            case 2:
                if (n != 3 || w[0] != "element" || w[1] != "vertex" || !plyCount(w[2], vertexCount)) return nullptr;
                break;
            case 3:
            case 4:
            case 5:
                if (n != 3 || w[0] != "property" || w[2] != kAxes[step - 3]) return nullptr;
                if (w[1] != "float" && w[1] != "double") return nullptr;
                if (step == 3)
                    form.doubleCoordinates = w[1] == "double";
                else if (form.doubleCoordinates != (w[1] == "double"))
                    return nullptr;
                break;
            case 6:
                if (n != 3 || w[0] != "element" || w[1] != "face" || !plyCount(w[2], faceCount)) return nullptr;
                break;
            case 7:
                if (n != 5 || w[0] != "property" || w[1] != "list" || w[2] != "uchar" || w[3] != "int" ||
                    w[4] != "vertex_indices")
                    return nullptr;
                break;
            case 8:
                if (n != 1 || w[0] != "end_header") return nullptr;
                return p;
        }
        ++step;
    }
    return nullptr;
}

// Decodes a binary PLY mesh of the layout above into `m` and reports its byte
// order and coordinate type in `form`. Float coordinates become doubles.
inline bool parsePly(const char* p, const char* end, MeshNumbers& m, PlyForm& form) {
    long long nv = 0, nf = 0;
    p = parsePlyHeader(p, end, form, nv, nf);
    if (!p) return false;
    const bool swap = form.swapped();
    const size_t coordBytes = form.doubleCoordinates ? 8 : 4;
    const size_t coordCount = static_cast<size_t>(nv) * 3;
    if (coordCount * coordBytes > static_cast<size_t>(end - p)) return false;
    m.coords.resize(coordCount);
    if (form.doubleCoordinates && !swap) {
        std::memcpy(m.coords.data(), p, coordCount * 8);
    } else if (form.doubleCoordinates) {
        for (size_t i = 0; i < coordCount; ++i) m.coords[i] = loadBytes<double>(p + 8 * i, true);
    } else {
        for (size_t i = 0; i < coordCount; ++i) m.coords[i] = loadBytes<float>(p + 4 * i, swap);
    }
    p += coordCount * coordBytes;
    // Every face takes at least its count byte.
    if (static_cast<size_t>(nf) > static_cast<size_t>(end - p)) return false;
    m.faceSizes.resize(static_cast<size_t>(nf));
    m.corners.resize(static_cast<size_t>(nf) * 3);
    size_t c = 0;
    for (int& n : m.faceSizes) {
        if (p == end) return false;
        n = static_cast<unsigned char>(*p++);
        if (static_cast<size_t>(n) * 4 > static_cast<size_t>(end - p)) return false;
        if (c + static_cast<size_t>(n) > m.corners.size()) m.corners.resize(2 * (c + static_cast<size_t>(n)));
        for (int k = 0; k < n; ++k, p += 4) m.corners[c++] = loadBytes<std::int32_t>(p, swap);
    }
    m.corners.resize(c);
    return p == end;
}

}  // namespace zeq_bench
