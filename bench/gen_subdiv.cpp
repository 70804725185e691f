// zeq_gen_subdiv: benchmark meshes made from a real surface by Loop
// subdivision.
//
//   zeq_gen_subdiv IN LEVELS OUT [--shuffle] [--seed N]
//
// Reads the triangle mesh IN (SMF, or OFF when the name ends in "off" in any
// case), subdivides it LEVELS times with Loop's scheme (each level makes four
// triangles of every triangle) and writes the result to OUT: OFF with 0-based
// corners when OUT ends in ".off" (any case), SMF with 1-based corners
// otherwise. From the 3,674-face Stanford bunny, 4 levels give 940,544 faces
// and 5 give 3,762,176.
//
// The rules (Loop's scheme with Warren's vertex weights):
//   - a new vertex on an interior edge ab, whose two triangles have the
//     opposite corners c and d: 3/8 (a + b) + 1/8 (c + d);
//   - on a boundary edge: (a + b) / 2;
//   - an old interior vertex of valence n with neighbours q_i:
//     (1 - n beta) p + beta sum q_i, beta = 3/16 for n = 3 and 3/(8n) above;
//   - an old boundary vertex with boundary neighbours q1, q2:
//     3/4 p + 1/8 (q1 + q2); a vertex with more boundary edges stays put.
// Triangle abc becomes (a, ab, ca), (ab, b, bc), (ca, bc, c), (ab, bc, ca), so
// the winding is kept. An edge shared by more than two triangles is refused.
//
// Order in the file: the old vertices first, then the edge vertices in the
// order their edges are first met going through the faces; the four children
// of each face together, in the face order. --shuffle then permutes the vertex
// order, the face order and each face's starting corner (a rotation, keeping
// the winding) from the seed (default 1), with our own SplitMix64 stream and
// Fisher-Yates shuffle, so the file is the same with every standard library.
//
// The output is the same on every machine: the arithmetic is the basic IEEE
// operations above, in a fixed order (build with -ffp-contract=off so that no
// multiply-add is fused), and numbers are printed with 9 significant digits.
// A summary goes to standard error; the exit status is 1 on any failure.

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "io/output_file.h"
#include "mesh_text.h"

namespace {

constexpr std::uint32_t kNone = UINT32_MAX;

struct Mesh {
    std::vector<double> xyz;              // x y z per vertex
    std::vector<std::uint32_t> corners;   // three 0-based corners per face
    std::size_t vertexCount() const { return xyz.size() / 3; }
    std::size_t faceCount() const { return corners.size() / 3; }
};

// Half-edge h is the side of face h / 3 from corner h to the next corner.
inline std::uint32_t nextCorner(std::uint32_t h) { return h % 3 == 2 ? h - 2 : h + 1; }
inline std::uint32_t prevCorner(std::uint32_t h) { return h % 3 == 0 ? h + 2 : h - 1; }

struct Edge {
    std::uint32_t first;   // its first half-edge in face order
    std::uint32_t second;  // the other one, kNone on a boundary
};

// The edges of `m`, numbered in the order they are first met going through
// the half-edges, and the edge of every half-edge. False with a message when
// an edge has more than two triangles.
bool findEdges(const Mesh& m, std::vector<Edge>& edges, std::vector<std::uint32_t>& edgeOf) {
    const std::size_t nv = m.vertexCount();
    const auto nh = static_cast<std::uint32_t>(m.corners.size());
    const auto& c = m.corners;
    // Half-edges grouped by their lower end, in half-edge order.
    std::vector<std::uint32_t> start(nv + 1, 0);
    for (std::uint32_t h = 0; h < nh; ++h) ++start[std::min(c[h], c[nextCorner(h)]) + 1];
    for (std::size_t v = 0; v < nv; ++v) start[v + 1] += start[v];
    std::vector<std::uint32_t> fill(start.begin(), start.end() - 1);
    std::vector<std::uint32_t> byLow(nh);
    for (std::uint32_t h = 0; h < nh; ++h) byLow[fill[std::min(c[h], c[nextCorner(h)])]++] = h;

    edges.clear();
    edgeOf.assign(nh, kNone);
    for (std::uint32_t h = 0; h < nh; ++h) {
        if (edgeOf[h] != kNone) continue;
        const std::uint32_t a = c[h], b = c[nextCorner(h)];
        const std::uint32_t low = std::min(a, b), high = std::max(a, b);
        std::uint32_t mate = kNone;
        for (std::uint32_t i = start[low]; i < start[low + 1]; ++i) {
            const std::uint32_t g = byLow[i];
            if (g == h || std::max(c[g], c[nextCorner(g)]) != high) continue;
            if (mate != kNone) {
                std::fprintf(stderr, "zeq_gen_subdiv: edge %u-%u has more than two faces\n", low, high);
                return false;
            }
            mate = g;
        }
        const auto id = static_cast<std::uint32_t>(edges.size());
        edges.push_back({h, mate});
        edgeOf[h] = id;
        if (mate != kNone) edgeOf[mate] = id;
    }
    return true;
}

// One level of Loop subdivision of `in` into `out`; counts the boundary edges.
bool subdivide(const Mesh& in, Mesh& out, std::size_t& boundaryEdges) {
    std::vector<Edge> edges;
    std::vector<std::uint32_t> edgeOf;
    if (!findEdges(in, edges, edgeOf)) return false;
    const std::size_t nv = in.vertexCount();
    const auto& c = in.corners;
    const auto& p = in.xyz;
    out.xyz.assign(3 * (nv + edges.size()), 0.0);

    // Sums over the neighbours of each old vertex, all and along the boundary.
    std::vector<double> sum(3 * nv, 0.0), boundarySum(3 * nv, 0.0);
    std::vector<std::uint32_t> valence(nv, 0), boundaryValence(nv, 0);
    boundaryEdges = 0;
    for (std::size_t e = 0; e < edges.size(); ++e) {
        const Edge& edge = edges[e];
        const std::uint32_t a = c[edge.first], b = c[nextCorner(edge.first)];
        const bool boundary = edge.second == kNone;
        double* q = &out.xyz[3 * (nv + e)];
        for (int k = 0; k < 3; ++k) {
            const double pa = p[3 * a + k], pb = p[3 * b + k];
            if (boundary) {
                q[k] = (pa + pb) * 0.5;
            } else {
                const double pc = p[3 * c[prevCorner(edge.first)] + k];
                const double pd = p[3 * c[prevCorner(edge.second)] + k];
                q[k] = (pa + pb) * 0.375 + (pc + pd) * 0.125;
            }
            sum[3 * a + k] += pb;
            sum[3 * b + k] += pa;
            if (boundary) {
                boundarySum[3 * a + k] += pb;
                boundarySum[3 * b + k] += pa;
            }
        }
        ++valence[a];
        ++valence[b];
        if (boundary) {
            ++boundaryValence[a];
            ++boundaryValence[b];
            ++boundaryEdges;
        }
    }
    for (std::size_t v = 0; v < nv; ++v) {
        const double n = valence[v];
        for (int k = 0; k < 3; ++k) {
            const double pv = p[3 * v + k];
            double& q = out.xyz[3 * v + k];
            if (valence[v] == 0 || (boundaryValence[v] != 0 && boundaryValence[v] != 2)) {
                q = pv;
            } else if (boundaryValence[v] == 2) {
                q = pv * 0.75 + boundarySum[3 * v + k] * 0.125;
            } else {
                const double beta = valence[v] == 3 ? 3.0 / 16.0 : 3.0 / (8.0 * n);
                q = pv * (1.0 - n * beta) + sum[3 * v + k] * beta;
            }
        }
    }

    out.corners.clear();
    out.corners.reserve(4 * c.size());
    const auto first = static_cast<std::uint32_t>(nv);
    for (std::uint32_t h = 0; h < c.size(); h += 3) {
        const std::uint32_t a = c[h], b = c[h + 1], cc = c[h + 2];
        const std::uint32_t ab = first + edgeOf[h], bc = first + edgeOf[h + 1], ca = first + edgeOf[h + 2];
        for (std::uint32_t v : {a, ab, ca, ab, b, bc, ca, bc, cc, ab, bc, ca}) out.corners.push_back(v);
    }
    return true;
}

// ---------------------------------------------------------------------------
// Shuffle

// SplitMix64.
std::uint64_t mix64(std::uint64_t z) {
    z += 0x9e3779b97f4a7c15ULL;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

struct Random {
    std::uint64_t state;
    // Uniform integer in [0, bound) without modulo bias.
    std::uint32_t below(std::uint32_t bound) {
        const std::uint64_t limit = UINT64_MAX - UINT64_MAX % bound;
        for (;;) {
            const std::uint64_t r = mix64(state++);
            if (r < limit) return static_cast<std::uint32_t>(r % bound);
        }
    }
    // A random permutation of 0 .. n-1 (Fisher-Yates).
    std::vector<std::uint32_t> permutation(std::size_t n) {
        std::vector<std::uint32_t> items(n);
        for (std::size_t i = 0; i < n; ++i) items[i] = static_cast<std::uint32_t>(i);
        for (std::size_t i = n; i > 1; --i) std::swap(items[i - 1], items[below(static_cast<std::uint32_t>(i))]);
        return items;
    }
};

// New vertex numbers, a new face order and a rotation of each face's corners.
void shuffle(Mesh& m, std::uint64_t seed) {
    Random random{mix64(seed ^ 0x5355424449564953ULL)};
    const std::size_t nv = m.vertexCount(), nf = m.faceCount();
    const std::vector<std::uint32_t> newIndex = random.permutation(nv);
    std::vector<double> xyz(m.xyz.size());
    for (std::size_t v = 0; v < nv; ++v)
        for (int k = 0; k < 3; ++k) xyz[3 * newIndex[v] + k] = m.xyz[3 * v + k];
    m.xyz.swap(xyz);
    const std::vector<std::uint32_t> order = random.permutation(nf);
    std::vector<std::uint32_t> corners(m.corners.size());
    for (std::size_t f = 0; f < nf; ++f) {
        const std::size_t from = 3 * static_cast<std::size_t>(order[f]);
        const std::uint32_t turn = random.below(3);
        for (std::uint32_t k = 0; k < 3; ++k) corners[3 * f + k] = newIndex[m.corners[from + (k + turn) % 3]];
    }
    m.corners.swap(corners);
}

// ---------------------------------------------------------------------------
// Output

bool write(const char* name, const Mesh& m, const std::string& comment) {
    const std::string_view n = name;
    const bool off = n.size() >= 4 && n[n.size() - 4] == '.' && zeq_bench::endsWithOff(n);
    zeq::OutputFile out;
    if (!out.open(name)) return false;
    if (off)
        out.print("OFF\n%zu %zu 0\n", m.vertexCount(), m.faceCount());
    else
        out.print("%s\n", comment.c_str());
    char line[128];
    for (std::size_t v = 0; v < m.vertexCount(); ++v) {
        char* end = line;
        if (!off) {
            *end++ = 'v';
            *end++ = ' ';
        }
        for (int k = 0; k < 3; ++k) {
            const double x = m.xyz[3 * v + k] + 0.0;  // no "-0"
            end = std::to_chars(end, line + sizeof line, x, std::chars_format::general, 9).ptr;
            *end++ = k < 2 ? ' ' : '\n';
        }
        out.write(line, static_cast<std::size_t>(end - line));
    }
    const std::uint32_t base = off ? 0 : 1;
    for (std::size_t i = 0; i < m.corners.size(); i += 3) {
        char* end = line;
        *end++ = off ? '3' : 'f';
        for (std::size_t k = 0; k < 3; ++k) {
            *end++ = ' ';
            end = std::to_chars(end, line + sizeof line, m.corners[i + k] + base).ptr;
        }
        *end++ = '\n';
        out.write(line, static_cast<std::size_t>(end - line));
    }
    return out.commit();
}

int usage(const char* message) {
    std::fprintf(stderr, "zeq_gen_subdiv: %s\nusage: zeq_gen_subdiv IN LEVELS OUT [--shuffle] [--seed N]\n", message);
    return 1;
}

bool parseWhole(std::string_view s, long long& value) {
    const auto r = std::from_chars(s.data(), s.data() + s.size(), value);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) return usage("missing arguments");
    const char* inName = argv[1];
    const char* outName = argv[3];
    long long levels = 0, seed = 1;
    if (!parseWhole(argv[2], levels) || levels < 0 || levels > 6) return usage("LEVELS must be 0 to 6");
    bool shuffled = false, seedGiven = false;
    for (int i = 4; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--shuffle") {
            shuffled = true;
        } else if (arg == "--seed" && i + 1 < argc && parseWhole(argv[i + 1], seed) && seed >= 0) {
            seedGiven = true;
            ++i;
        } else {
            return usage("bad option");
        }
    }

    std::string text;
    zeq_bench::MeshNumbers numbers;
    const bool inOff = zeq_bench::endsWithOff(inName);
    if (!zeq_bench::readWholeFile(inName, text) ||
        !(inOff ? zeq_bench::parseOff(text.data(), text.data() + text.size(), numbers)
                : zeq_bench::parseSmf(text.data(), text.data() + text.size(), numbers))) {
        std::fprintf(stderr, "zeq_gen_subdiv: cannot read %s\n", inName);
        return 1;
    }
    Mesh mesh;
    mesh.xyz = std::move(numbers.coords);
    const long long nv = static_cast<long long>(mesh.vertexCount());
    const int base = inOff ? 0 : 1;
    for (int n : numbers.faceSizes)
        if (n != 3) return usage("the input has a face that is not a triangle");
    for (int corner : numbers.corners) {
        if (corner - base < 0 || corner - base >= nv) return usage("the input has a corner out of range");
        mesh.corners.push_back(static_cast<std::uint32_t>(corner - base));
    }
    if (static_cast<double>(mesh.corners.size()) * static_cast<double>(1LL << (2 * levels)) >= 4e9)
        return usage("too many faces for 32-bit corners");

    std::string from = inName;
    from = from.substr(from.find_last_of('/') == std::string::npos ? 0 : from.find_last_of('/') + 1);
    std::fprintf(stderr, "zeq_gen_subdiv: %s: %zu vertices, %zu faces\n", from.c_str(), mesh.vertexCount(),
                 mesh.faceCount());
    for (long long level = 1; level <= levels; ++level) {
        Mesh finer;
        std::size_t boundaryEdges = 0;
        if (!subdivide(mesh, finer, boundaryEdges)) return 1;
        if (level == 1) std::fprintf(stderr, "zeq_gen_subdiv: %zu boundary edges\n", boundaryEdges);
        mesh = std::move(finer);
    }
    std::string comment = "# zeq_gen_subdiv " + from + " " + std::to_string(levels);
    if (shuffled) {
        shuffle(mesh, static_cast<std::uint64_t>(seed));
        comment += " --shuffle";
    }
    if (seedGiven) comment += " --seed " + std::to_string(seed);
    if (!write(outName, mesh, comment)) {
        std::fprintf(stderr, "zeq_gen_subdiv: cannot write %s\n", outName);
        return 1;
    }
    std::fprintf(stderr, "zeq_gen_subdiv: wrote %s: %zu vertices, %zu faces\n", outName, mesh.vertexCount(),
                 mesh.faceCount());
    return 0;
}
