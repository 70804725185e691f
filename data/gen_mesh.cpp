// zeq_gen_mesh: deterministic generator of closed triangle meshes for tests
// and benchmarks.
//
//   zeq_gen_mesh torus FACES OUT [--shuffle] [--seed N]
//   zeq_gen_mesh blob LEVELS OUT [--shuffle] [--seed N]
//   zeq_gen_mesh cylinder N OUT [--shuffle] [--seed N]
//   zeq_gen_mesh uvsphere LONG LAT OUT [--shuffle] [--seed N]
//
// torus  A closed genus-1 surface on an n x m grid with 2*n*m == FACES,
//        n (around the tube) about half of m (around the ring).
// blob   An icosahedron subdivided LEVELS times (20*4^LEVELS faces), pushed
//        to the unit sphere, warped and jittered so its triangles are
//        irregular, then displaced radially by smooth bumps.
// cylinder  A closed cylinder with N segments around (4*N faces): one band of
//        2*N side triangles and two caps, each a fan of N triangles around
//        one centre vertex, so the two centres have degree N.
// uvsphere  A closed sphere of LONG longitudes and LAT latitude bands with
//        one vertex at each pole (2*LONG*(LAT-1) faces): the poles have
//        degree LONG.
//
// All meshes are closed two-manifolds, wound counter-clockwise seen from
// outside, and every vertex is used by some face. --shuffle permutes the
// vertex order, the face order and each face's starting corner (keeping its
// winding), so that nothing in the file is in a neat order.
//
// OUT ending in ".off" (any case) is written as OFF with 0-based corners;
// any other name is written as SMF with 1-based corners.
//
// The output is the same on every machine: all noise comes from an integer
// hash, sine and cosine are evaluated by our own polynomial from basic IEEE
// operations only (build with -ffp-contract=off so no multiply-add is fused),
// and numbers are printed with 9 significant digits ("%.9g").

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace {

// ---------------------------------------------------------------------------
// Deterministic arithmetic helpers

constexpr double kHalfPi = 1.57079632679489661923;

// sin and cos of b for |b| <= pi/4 (a little beyond is fine) by Taylor series
// in Horner form; the truncation error is far below double precision there.
void sinCosSmall(double b, double& s, double& c) {
    const double b2 = b * b;
    double ps = 1.0 / 355687428096000.0;  // 1/17!
    ps = ps * -b2 + 1.0 / 1307674368000.0; // 1/15!
    ps = ps * -b2 + 1.0 / 6227020800.0;    // 1/13!
    ps = ps * -b2 + 1.0 / 39916800.0;      // 1/11!
    ps = ps * -b2 + 1.0 / 362880.0;        // 1/9!
    ps = ps * -b2 + 1.0 / 5040.0;          // 1/7!
    ps = ps * -b2 + 1.0 / 120.0;           // 1/5!
    ps = ps * -b2 + 1.0 / 6.0;             // 1/3!
    ps = ps * -b2 + 1.0;
    s = b * ps;
    double pc = 1.0 / 6402373705728000.0; // 1/18!
    pc = pc * -b2 + 1.0 / 20922789888000.0; // 1/16!
    pc = pc * -b2 + 1.0 / 87178291200.0;    // 1/14!
    pc = pc * -b2 + 1.0 / 479001600.0;      // 1/12!
    pc = pc * -b2 + 1.0 / 3628800.0;        // 1/10!
    pc = pc * -b2 + 1.0 / 40320.0;          // 1/8!
    pc = pc * -b2 + 1.0 / 720.0;            // 1/6!
    pc = pc * -b2 + 1.0 / 24.0;             // 1/4!
    pc = pc * -b2 + 1.0 / 2.0;              // 1/2!
    pc = pc * -b2 + 1.0;
    c = pc;
}

// Rotate (s, c) by quarter turns q (any integer).
void applyQuadrant(long long q, double& s, double& c) {
    const long long m = ((q % 4) + 4) % 4;
    const double s0 = s, c0 = c;
    switch (m) {
    case 0: break;
    case 1: s = c0; c = -s0; break;
    case 2: s = -s0; c = -c0; break;
    default: s = -c0; c = s0; break;
    }
}

// sin and cos of an arbitrary (moderate) angle x, reproducibly.
void detSinCos(double x, double& s, double& c) {
    const double q = std::nearbyint(x / kHalfPi);
    const double r = x - q * kHalfPi;
    sinCosSmall(r, s, c);
    applyQuadrant(static_cast<long long>(q), s, c);
}

double detSin(double x) {
    double s, c;
    detSinCos(x, s, c);
    return s;
}

// sin and cos of 2*pi*k/n, exact at multiples of a quarter turn and exactly
// symmetric between octants, so the grid of the torus closes neatly.
void gridSinCos(long long k, long long n, double& s, double& c) {
    k %= n;
    if (k < 0) k += n;
    const long long q = (4 * k) / n;        // quadrant
    const long long r = 4 * k - q * n;      // position in quadrant, [0, n)
    if (r == 0) {
        s = 0.0;
        c = 1.0;
    } else {
        const bool mirrored = 2 * r > n;
        const long long rr = mirrored ? n - r : r;
        const double b = kHalfPi * static_cast<double>(rr) / static_cast<double>(n);
        sinCosSmall(b, s, c);
        if (mirrored) {
            const double t = s;
            s = c;
            c = t;
        }
    }
    applyQuadrant(q, s, c);
}

// SplitMix64: the integer hash behind every bit of noise.
std::uint64_t mix64(std::uint64_t z) {
    z += 0x9e3779b97f4a7c15ULL;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

// Uniform double in [-1, 1) from a hash value (53 bits, exact conversion).
double signedUnit(std::uint64_t h) {
    return static_cast<double>(h >> 11) * (2.0 / 9007199254740992.0) - 1.0;
}

struct Rng {
    std::uint64_t state;
    std::uint64_t next() { return mix64(state++); }
    // Uniform integer in [0, bound) without modulo bias.
    std::uint64_t below(std::uint64_t bound) {
        const std::uint64_t limit = UINT64_MAX - UINT64_MAX % bound;
        for (;;) {
            const std::uint64_t v = next();
            if (v < limit) return v % bound;
        }
    }
};

// ---------------------------------------------------------------------------
// Mesh in memory

struct Vec3 {
    double x, y, z;
};

Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 operator*(double k, Vec3 a) { return {k * a.x, k * a.y, k * a.z}; }
double dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
Vec3 normalized(Vec3 a) {
    const double len = std::sqrt(dot(a, a));
    return {a.x / len, a.y / len, a.z / len};
}

struct Mesh {
    std::vector<Vec3> vertices;
    std::vector<std::uint32_t> corners; // three per face, counter-clockwise outside
    std::size_t faceCount() const { return corners.size() / 3; }
};

// ---------------------------------------------------------------------------
// Torus

// Pick n (around the tube) and m (around the ring) with n*m == faces/2 and
// m/(2n) as close to 1 as possible. The comparison is done in integers so the
// choice never depends on floating-point rounding.
bool chooseTorusGrid(long long faces, long long& n, long long& m) {
    if (faces < 18 || faces % 2 != 0) return false;
    const long long cells = faces / 2;
    long long bestN = 0, bestHi = 0, bestLo = 1;
    for (long long d = 3; d * d <= cells; ++d) {
        if (cells % d != 0) continue;
        const long long e = cells / d;
        // Distance from the ideal ratio as the fraction hi/lo >= 1.
        const long long hi = e > 2 * d ? e : 2 * d;
        const long long lo = e > 2 * d ? 2 * d : e;
        if (bestN == 0 || hi * bestLo < bestHi * lo) {
            bestN = d;
            bestHi = hi;
            bestLo = lo;
        }
    }
    if (bestN == 0) return false;
    n = bestN;
    m = cells / bestN;
    // Accept ring/tube ratios between 1 and 4 (the ideal is 2).
    return m >= n && m <= 4 * n;
}

Mesh makeTorus(long long n, long long m) {
    // Grid point (i, j): i = 0..n-1 around the tube, j = 0..m-1 around the
    // ring. Vertex records are row by row: index i*m + j.
    const double ringRadius = 1.0;
    const double tubeRadius = 0.4;
    std::vector<double> tubeSin(static_cast<std::size_t>(n)), tubeCos(static_cast<std::size_t>(n));
    std::vector<double> ringSin(static_cast<std::size_t>(m)), ringCos(static_cast<std::size_t>(m));
    for (long long i = 0; i < n; ++i) gridSinCos(i, n, tubeSin[i], tubeCos[i]);
    for (long long j = 0; j < m; ++j) gridSinCos(j, m, ringSin[j], ringCos[j]);

    Mesh mesh;
    mesh.vertices.reserve(static_cast<std::size_t>(n * m));
    for (long long i = 0; i < n; ++i) {
        const double rho = ringRadius + tubeRadius * tubeCos[i];
        const double z = tubeRadius * tubeSin[i];
        for (long long j = 0; j < m; ++j)
            mesh.vertices.push_back({rho * ringCos[j], rho * ringSin[j], z});
    }
    // Each grid cell (i, j) gives two triangles. Stepping around the ring
    // (j) then around the tube (i) is counter-clockwise seen from outside.
    mesh.corners.reserve(static_cast<std::size_t>(6 * n * m));
    for (long long i = 0; i < n; ++i) {
        const long long i1 = (i + 1) % n;
        for (long long j = 0; j < m; ++j) {
            const long long j1 = (j + 1) % m;
            const auto a = static_cast<std::uint32_t>(i * m + j);
            const auto b = static_cast<std::uint32_t>(i * m + j1);
            const auto c = static_cast<std::uint32_t>(i1 * m + j1);
            const auto d = static_cast<std::uint32_t>(i1 * m + j);
            mesh.corners.insert(mesh.corners.end(), {a, b, c, a, c, d});
        }
    }
    return mesh;
}

// ---------------------------------------------------------------------------
// Meshes with hub vertices

// Closed cylinder of radius 1 from z = -1 to z = 1 with n segments: vertex
// 0 is the bottom centre, 1..n the bottom ring, n+1..2n the top ring and
// 2n+1 the top centre. Faces: the side band (two triangles per segment), then
// the top fan, then the bottom fan.
Mesh makeCylinder(long long n) {
    Mesh mesh;
    std::vector<double> s(static_cast<std::size_t>(n)), c(static_cast<std::size_t>(n));
    for (long long j = 0; j < n; ++j) gridSinCos(j, n, s[j], c[j]);
    mesh.vertices.reserve(static_cast<std::size_t>(2 * n + 2));
    mesh.vertices.push_back({0.0, 0.0, -1.0});
    for (const double z : {-1.0, 1.0})
        for (long long j = 0; j < n; ++j) mesh.vertices.push_back({c[j], s[j], z});
    mesh.vertices.push_back({0.0, 0.0, 1.0});
    const auto bottom = [](long long j) { return static_cast<std::uint32_t>(1 + j); };
    const auto top = [n](long long j) { return static_cast<std::uint32_t>(1 + n + j); };
    const auto bottomCentre = static_cast<std::uint32_t>(0);
    const auto topCentre = static_cast<std::uint32_t>(2 * n + 1);
    mesh.corners.reserve(static_cast<std::size_t>(12 * n));
    for (long long j = 0; j < n; ++j) {
        const long long j1 = (j + 1) % n;
        mesh.corners.insert(mesh.corners.end(),
                            {bottom(j), bottom(j1), top(j1), bottom(j), top(j1), top(j)});
    }
    for (long long j = 0; j < n; ++j)
        mesh.corners.insert(mesh.corners.end(), {topCentre, top(j), top((j + 1) % n)});
    for (long long j = 0; j < n; ++j)
        mesh.corners.insert(mesh.corners.end(), {bottomCentre, bottom((j + 1) % n), bottom(j)});
    return mesh;
}

// Closed unit sphere with `longs` longitudes and `lats` latitude bands: vertex
// 0 is the north pole, then the lats-1 rings of `longs` vertices from north to
// south, then the south pole. Faces: the north fan, the bands between the
// rings (two triangles per cell) from north to south, then the south fan.
Mesh makeUvSphere(long long longs, long long lats) {
    Mesh mesh;
    std::vector<double> s(static_cast<std::size_t>(longs)), c(static_cast<std::size_t>(longs));
    for (long long j = 0; j < longs; ++j) gridSinCos(j, longs, s[j], c[j]);
    mesh.vertices.reserve(static_cast<std::size_t>(longs * (lats - 1) + 2));
    mesh.vertices.push_back({0.0, 0.0, 1.0});
    for (long long i = 1; i < lats; ++i) {
        double ps, pc;
        gridSinCos(i, 2 * lats, ps, pc);  // polar angle pi*i/lats
        for (long long j = 0; j < longs; ++j) mesh.vertices.push_back({ps * c[j], ps * s[j], pc});
    }
    mesh.vertices.push_back({0.0, 0.0, -1.0});
    const auto ring = [longs](long long i, long long j) {
        return static_cast<std::uint32_t>(1 + (i - 1) * longs + j % longs);
    };
    const auto north = static_cast<std::uint32_t>(0);
    const auto south = static_cast<std::uint32_t>(longs * (lats - 1) + 1);
    mesh.corners.reserve(static_cast<std::size_t>(6 * longs * (lats - 1)));
    for (long long j = 0; j < longs; ++j) mesh.corners.insert(mesh.corners.end(), {north, ring(1, j), ring(1, j + 1)});
    for (long long i = 1; i + 1 < lats; ++i) {
        for (long long j = 0; j < longs; ++j) {
            const std::uint32_t a = ring(i, j), b = ring(i + 1, j), c2 = ring(i + 1, j + 1), d = ring(i, j + 1);
            mesh.corners.insert(mesh.corners.end(), {a, b, c2, a, c2, d});
        }
    }
    for (long long j = 0; j < longs; ++j)
        mesh.corners.insert(mesh.corners.end(), {south, ring(lats - 1, j + 1), ring(lats - 1, j)});
    return mesh;
}

// ---------------------------------------------------------------------------
// Blob

// Smooth radial displacement over the unit sphere, roughly within +-0.2.
double bumpHeight(Vec3 p, double phase) {
    double h = 0.0;
    h += 0.10 * detSin(2.1 * p.x + 0.7 + phase) * detSin(1.7 * p.y + 1.9) * detSin(2.3 * p.z + 0.4);
    h += 0.06 * detSin(4.3 * p.x + 3.1 * p.y + 0.9 + phase) * detSin(3.7 * p.z - 1.2);
    h += 0.03 * detSin(8.9 * p.y - 5.3 * p.z + 2.2) * detSin(7.1 * p.x + 0.3 + phase);
    h += 0.015 * detSin(15.7 * p.z + 11.3 * p.x - 0.8) * detSin(13.1 * p.y + 2.6 * phase);
    return h;
}

// Smooth tangential warp, so that triangle sizes vary across the surface.
Vec3 warp(Vec3 p) {
    return p + Vec3{0.22 * detSin(1.9 * p.y + 1.0), 0.22 * detSin(1.9 * p.z + 2.0),
                    0.22 * detSin(1.9 * p.x + 3.0)};
}

Mesh makeBlob(int levels, std::uint64_t seed) {
    Mesh mesh;
    const double t = 1.61803398874989484820; // golden ratio
    const Vec3 base[12] = {{-1, t, 0}, {1, t, 0},  {-1, -t, 0}, {1, -t, 0},
                           {0, -1, t}, {0, 1, t},  {0, -1, -t}, {0, 1, -t},
                           {t, 0, -1}, {t, 0, 1},  {-t, 0, -1}, {-t, 0, 1}};
    const std::uint32_t baseFaces[20][3] = {
        {0, 11, 5}, {0, 5, 1},  {0, 1, 7},   {0, 7, 10}, {0, 10, 11},
        {1, 5, 9},  {5, 11, 4}, {11, 10, 2}, {10, 7, 6}, {7, 1, 8},
        {3, 9, 4},  {3, 4, 2},  {3, 2, 6},   {3, 6, 8},  {3, 8, 9},
        {4, 9, 5},  {2, 4, 11}, {6, 2, 10},  {8, 6, 7},  {9, 8, 1}};
    for (const Vec3& v : base) mesh.vertices.push_back(normalized(v));
    for (const auto& f : baseFaces) {
        std::uint32_t a = f[0], b = f[1], c = f[2];
        const Vec3 pa = mesh.vertices[a], pb = mesh.vertices[b], pc = mesh.vertices[c];
        // Make sure every base face winds counter-clockwise seen from outside.
        if (dot(cross(pb - pa, pc - pa), pa + pb + pc) < 0.0) std::swap(b, c);
        mesh.corners.insert(mesh.corners.end(), {a, b, c});
    }

    // Subdivide: every face into four, midpoints shared through an edge map.
    // New vertices are numbered in the order the faces first meet them, so
    // the numbering does not depend on the map's internal order.
    for (int level = 0; level < levels; ++level) {
        std::unordered_map<std::uint64_t, std::uint32_t> midpoints;
        midpoints.reserve(mesh.corners.size());
        auto midpoint = [&](std::uint32_t a, std::uint32_t b) {
            const std::uint64_t key = a < b ? (static_cast<std::uint64_t>(a) << 32) | b
                                            : (static_cast<std::uint64_t>(b) << 32) | a;
            auto [it, inserted] = midpoints.try_emplace(key, 0u);
            if (inserted) {
                it->second = static_cast<std::uint32_t>(mesh.vertices.size());
                mesh.vertices.push_back(
                    normalized(0.5 * (mesh.vertices[a] + mesh.vertices[b])));
            }
            return it->second;
        };
        std::vector<std::uint32_t> next;
        next.reserve(mesh.corners.size() * 4);
        for (std::size_t f = 0; f < mesh.corners.size(); f += 3) {
            const std::uint32_t a = mesh.corners[f], b = mesh.corners[f + 1], c = mesh.corners[f + 2];
            const std::uint32_t ab = midpoint(a, b), bc = midpoint(b, c), ca = midpoint(c, a);
            next.insert(next.end(), {a, ab, ca, b, bc, ab, c, ca, bc, ab, bc, ca});
        }
        mesh.corners.swap(next);
    }

    // Shape the sphere. The per-vertex jitter is scaled to the edge length of
    // the finest level (about 1.05 / 2^levels on the unit icosphere) so it
    // makes triangles irregular without folding any of them.
    const double edgeLength = 1.05 / std::ldexp(1.0, levels);
    const double tangentJitter = 0.10 * edgeLength;
    const double radialJitter = 0.04 * edgeLength;
    const double phase = static_cast<double>(mix64(seed) >> 11) * (6.0 / 9007199254740992.0);
    for (std::size_t v = 0; v < mesh.vertices.size(); ++v) {
        const std::uint64_t h = mix64(seed * 0x100000001b3ULL + v);
        const Vec3 jitter{signedUnit(mix64(h ^ 1)), signedUnit(mix64(h ^ 2)), signedUnit(mix64(h ^ 3))};
        const Vec3 dir = normalized(warp(mesh.vertices[v]) + tangentJitter * jitter);
        const double radius = 1.0 + bumpHeight(dir, phase) + radialJitter * signedUnit(mix64(h ^ 4));
        mesh.vertices[v] = radius * dir;
    }
    return mesh;
}

// ---------------------------------------------------------------------------
// Shuffle: new vertex numbers, new face order, and a cyclic rotation of each
// face's corners (which keeps its winding).

template <typename T>
void shuffleInPlace(std::vector<T>& items, Rng& rng) {
    for (std::size_t i = items.size(); i > 1; --i) {
        const std::size_t j = static_cast<std::size_t>(rng.below(i));
        std::swap(items[i - 1], items[j]);
    }
}

void shuffleMesh(Mesh& mesh, std::uint64_t seed) {
    Rng rng{mix64(seed ^ 0x53485546464c45ULL)};
    const std::size_t nv = mesh.vertices.size();
    std::vector<std::uint32_t> newIndex(nv);
    for (std::size_t i = 0; i < nv; ++i) newIndex[i] = static_cast<std::uint32_t>(i);
    shuffleInPlace(newIndex, rng);
    std::vector<Vec3> vertices(nv);
    for (std::size_t i = 0; i < nv; ++i) vertices[newIndex[i]] = mesh.vertices[i];
    mesh.vertices.swap(vertices);

    const std::size_t nf = mesh.faceCount();
    std::vector<std::uint32_t> order(nf);
    for (std::size_t i = 0; i < nf; ++i) order[i] = static_cast<std::uint32_t>(i);
    shuffleInPlace(order, rng);
    std::vector<std::uint32_t> corners(mesh.corners.size());
    for (std::size_t f = 0; f < nf; ++f) {
        const std::size_t src = static_cast<std::size_t>(order[f]) * 3;
        const std::size_t rot = static_cast<std::size_t>(rng.below(3));
        for (std::size_t k = 0; k < 3; ++k)
            corners[3 * f + k] = newIndex[mesh.corners[src + (k + rot) % 3]];
    }
    mesh.corners.swap(corners);
}

// ---------------------------------------------------------------------------
// Output

class Writer {
public:
    explicit Writer(std::FILE* file) : file_(file) { buffer_.reserve(kFlushAt + 256); }

    void text(std::string_view s) {
        buffer_.append(s);
        maybeFlush();
    }
    void number(double v) {
        v += 0.0; // print negative zero as 0
        char tmp[64];
        const auto res = std::to_chars(tmp, tmp + sizeof tmp, v, std::chars_format::general, 9);
        buffer_.append(tmp, res.ptr);
    }
    void integer(unsigned long long v) {
        char tmp[32];
        const auto res = std::to_chars(tmp, tmp + sizeof tmp, v);
        buffer_.append(tmp, res.ptr);
    }
    void endLine() {
        buffer_.push_back('\n');
        maybeFlush();
    }
    bool finish() {
        flush();
        return ok_;
    }

private:
    static constexpr std::size_t kFlushAt = std::size_t{1} << 20;
    void maybeFlush() {
        if (buffer_.size() >= kFlushAt) flush();
    }
    void flush() {
        if (!buffer_.empty() && std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size())
            ok_ = false;
        buffer_.clear();
    }
    std::FILE* file_;
    std::string buffer_;
    bool ok_ = true;
};

bool endsWithOff(const std::string& name) {
    if (name.size() < 4) return false;
    const std::string tail = name.substr(name.size() - 4);
    return tail[0] == '.' && (tail[1] | 0x20) == 'o' && (tail[2] | 0x20) == 'f' &&
           (tail[3] | 0x20) == 'f';
}

void writeMesh(Writer& out, const Mesh& mesh, bool off, const std::string& comment) {
    if (off) {
        out.text("OFF\n");
        out.integer(mesh.vertices.size());
        out.text(" ");
        out.integer(mesh.faceCount());
        out.text(" 0\n");
    } else {
        out.text(comment);
        out.endLine();
    }
    for (const Vec3& v : mesh.vertices) {
        if (!off) out.text("v ");
        out.number(v.x);
        out.text(" ");
        out.number(v.y);
        out.text(" ");
        out.number(v.z);
        out.endLine();
    }
    const unsigned long long base = off ? 0 : 1;
    for (std::size_t i = 0; i < mesh.corners.size(); i += 3) {
        out.text(off ? "3 " : "f ");
        out.integer(mesh.corners[i] + base);
        out.text(" ");
        out.integer(mesh.corners[i + 1] + base);
        out.text(" ");
        out.integer(mesh.corners[i + 2] + base);
        out.endLine();
    }
}

// ---------------------------------------------------------------------------
// Command line

int usage(const char* message) {
    if (message) std::fprintf(stderr, "zeq_gen_mesh: %s\n", message);
    std::fprintf(stderr,
                 "usage: zeq_gen_mesh torus FACES OUT [--shuffle] [--seed N]\n"
                 "       zeq_gen_mesh blob LEVELS OUT [--shuffle] [--seed N]\n"
                 "       zeq_gen_mesh cylinder N OUT [--shuffle] [--seed N]\n"
                 "       zeq_gen_mesh uvsphere LONG LAT OUT [--shuffle] [--seed N]\n"
                 "  torus  closed torus with exactly FACES triangles (FACES even,\n"
                 "         FACES/2 = n*m with m between n and 4n, ideally 2n)\n"
                 "  blob   bumpy closed surface with 20*4^LEVELS triangles (LEVELS 0..10)\n"
                 "  cylinder  closed cylinder, N segments, fan caps (4*N triangles)\n"
                 "  uvsphere  closed sphere, LONG longitudes, LAT bands, single pole\n"
                 "            vertices (2*LONG*(LAT-1) triangles)\n"
                 "  OUT    *.off (any case) writes OFF, any other name writes SMF\n"
                 "  --shuffle  permute vertices, faces and starting corners\n"
                 "  --seed N   noise and shuffle seed (default 1)\n");
    return 1;
}

bool parseCount(const char* s, long long& value) {
    const char* end = s + std::strlen(s);
    if (s == end) return false;
    const auto res = std::from_chars(s, end, value);
    return res.ec == std::errc() && res.ptr == end;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> positional;
    bool shuffle = false;
    long long seedValue = 1;
    bool seedGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--shuffle") {
            shuffle = true;
        } else if (arg == "--seed") {
            if (i + 1 >= argc || !parseCount(argv[i + 1], seedValue) || seedValue < 0)
                return usage("--seed needs a non-negative integer");
            seedGiven = true;
            ++i;
        } else if (arg.size() > 1 && arg[0] == '-' && arg[1] == '-') {
            return usage(("unknown option " + arg).c_str());
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.empty()) return usage(nullptr);
    const std::string& kind = positional[0];
    // uvsphere takes two counts, the other kinds one.
    const std::size_t counts = kind == "uvsphere" ? 2 : 1;
    if (positional.size() != counts + 2) return usage(nullptr);
    long long count = 0;
    long long count2 = 0;
    if (!parseCount(positional[1].c_str(), count)) return usage("the count must be a decimal integer");
    if (counts == 2 && !parseCount(positional[2].c_str(), count2))
        return usage("the count must be a decimal integer");
    const std::string& outName = positional[counts + 1];
    const auto seed = static_cast<std::uint64_t>(seedValue);

    Mesh mesh;
    std::string comment = "# generated by zeq_gen_mesh " + kind + " " + std::to_string(count);
    if (kind == "torus") {
        if (count < 18 || count > 200000000 || count % 2 != 0)
            return usage("torus FACES must be an even number between 18 and 200000000");
        long long n = 0, m = 0;
        if (!chooseTorusGrid(count, n, m)) {
            std::fprintf(stderr,
                         "zeq_gen_mesh: no grid n x m with 2*n*m = %lld and m between n and 4n; "
                         "try FACES = 4*k*k (a k x 2k grid)\n",
                         count);
            return 1;
        }
        mesh = makeTorus(n, m);
        comment += " (" + std::to_string(n) + " x " + std::to_string(m) + " grid)";
    } else if (kind == "blob") {
        if (count < 0 || count > 10) return usage("blob LEVELS must be between 0 and 10");
        mesh = makeBlob(static_cast<int>(count), seed);
    } else if (kind == "cylinder") {
        if (count < 3 || count > 50000000) return usage("cylinder N must be between 3 and 50000000");
        mesh = makeCylinder(count);
    } else if (kind == "uvsphere") {
        if (count < 3 || count2 < 2 || count > 100000000 || count2 > 100000 || count * (count2 - 1) > 100000000)
            return usage("uvsphere needs LONG >= 3, LAT >= 2 and LONG*(LAT-1) <= 100000000");
        mesh = makeUvSphere(count, count2);
        comment += " " + std::to_string(count2);
    } else {
        return usage(("unknown mesh kind " + kind).c_str());
    }
    if (shuffle) {
        shuffleMesh(mesh, seed);
        comment += " --shuffle";
    }
    if (seedGiven) comment += " --seed " + std::to_string(seedValue);
    // Readers accept header lines of at most 89 characters.
    if (comment.size() > 89) comment.resize(89);

    std::FILE* file = std::fopen(outName.c_str(), "wb");
    if (!file) {
        std::fprintf(stderr, "zeq_gen_mesh: cannot open %s for writing\n", outName.c_str());
        return 1;
    }
    Writer out(file);
    writeMesh(out, mesh, endsWithOff(outName), comment);
    const bool written = out.finish();
    if (std::fclose(file) != 0 || !written) {
        std::fprintf(stderr, "zeq_gen_mesh: error writing %s\n", outName.c_str());
        return 1;
    }
    std::printf("%s: %zu vertices, %zu faces\n", outName.c_str(), mesh.vertices.size(),
                mesh.faceCount());
    return 0;
}
