// What the bench programs share: the processor clock they time with, and a
// plain, fast reader of the mesh files that zeq_gen_mesh, zeq_gen_subdiv and
// zeq write (the whole file into one buffer, then every number parsed with
// std::from_chars).
//
// SMF: "v x y z" and "f i j ..." lines, anything else skipped. OFF: "OFF", the
// counts "V F E", V coordinate triples and F faces "n i1 .. in", with '#'
// comments. Corner indices are kept as written (1-based in SMF, 0-based in
// OFF); the parsers return false on anything they cannot read.
#pragma once

#include <charconv>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
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

}  // namespace zeq_bench
