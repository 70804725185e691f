// zeq_meshopt_arrays: meshoptimizer's meshopt_simplify on arrays, for
// bench/python_peers.py, which compares it with zeq.simplify and Open3D on
// the same numpy arrays.
//
//   zeq_meshopt_arrays -N FACES POSITIONS TRIANGLES [OUT.ply]
//
// POSITIONS holds the vertices as raw little-endian float64 x, y, z records
// and TRIANGLES the faces as raw little-endian uint32 vertex numbers, three a
// face (what numpy's tofile writes of float64 and uint32 arrays). The
// positions are handed to meshoptimizer in single precision (its interface),
// as zeq_meshopt_peer hands them; the call is meshopt_simplify to at most
// 3 * FACES indices, with no error limit and no options, as there.
//
// With OUT.ply the result is written as binary little-endian PLY with double
// coordinates (the input's numbers): the vertices some face uses, in input
// order and renumbered, then the faces.
//
// It prints one line:
//
//   faces IN OUT target FACES convert C wall W cpu P rss_before_kb A rss_after_kb B
//
// C: wall seconds turning the float64 positions into float32; W and P: wall
// and processor seconds of the meshopt_simplify call alone (with the output
// array it fills); A and B: the process's peak resident memory (VmHWM of
// /proc/self/status, KB) just before that array is made and right after the
// call.
// The exit status is 1 when a file cannot be read or written or a corner is
// out of range, 2 on a bad command line.

#include <cfloat>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string_view>
#include <vector>

#include <meshoptimizer.h>

namespace {

template <class T>
bool readRaw(const char* name, std::vector<T>& values) {
    std::FILE* file = std::fopen(name, "rb");
    if (!file) return false;
    std::fseek(file, 0, SEEK_END);
    const long size = std::ftell(file);
    std::fseek(file, 0, SEEK_SET);
    if (size < 0 || size % static_cast<long>(3 * sizeof(T)) != 0) {
        std::fclose(file);
        return false;
    }
    values.resize(static_cast<std::size_t>(size) / sizeof(T));
    const bool ok = std::fread(values.data(), sizeof(T), values.size(), file) == values.size();
    std::fclose(file);
    return ok;
}

// The peak resident set of this process's memory, VmHWM of
// /proc/self/status, in KB. (getrusage's ru_maxrss would not do: on Linux it
// starts from the peak of the process that ran this one, kept across exec.)
long peakKb() {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (!status) return -1;
    char line[256];
    long kb = -1;
    while (std::fgets(line, sizeof line, status))
        if (std::sscanf(line, "VmHWM: %ld kB", &kb) == 1) break;
    std::fclose(status);
    return kb;
}

bool writePly(const char* name, const std::vector<double>& positions, const std::vector<unsigned>& indices,
              std::size_t indexCount) {
    const std::size_t vertexCount = positions.size() / 3;
    std::vector<std::int32_t> newId(vertexCount, -1);
    for (std::size_t i = 0; i < indexCount; ++i) newId[indices[i]] = 0;
    std::int32_t used = 0;
    for (std::int32_t& id : newId)
        if (id == 0) id = used++;
    std::FILE* file = std::fopen(name, "wb");
    if (!file) return false;
    std::fprintf(file,
                 "ply\nformat binary_little_endian 1.0\ncomment zeq_meshopt_arrays\nelement vertex %d\n"
                 "property double x\nproperty double y\nproperty double z\nelement face %zu\n"
                 "property list uchar int vertex_indices\nend_header\n",
                 used, indexCount / 3);
    for (std::size_t v = 0; v < vertexCount; ++v)
        if (newId[v] >= 0) std::fwrite(&positions[3 * v], sizeof(double), 3, file);
    for (std::size_t i = 0; i < indexCount; i += 3) {
        unsigned char record[13];
        record[0] = 3;
        for (int k = 0; k < 3; ++k) std::memcpy(record + 1 + 4 * k, &newId[indices[i + k]], 4);
        std::fwrite(record, 1, sizeof record, file);
    }
    return std::fclose(file) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if ((argc != 5 && argc != 6) || std::string_view(argv[1]) != "-N") {
        std::fprintf(stderr, "usage: zeq_meshopt_arrays -N FACES POSITIONS TRIANGLES [OUT.ply]\n");
        return 2;
    }
    char* numberEnd = nullptr;
    const long long target = std::strtoll(argv[2], &numberEnd, 10);
    if (*argv[2] == '\0' || *numberEnd != '\0' || target < 1) {
        std::fprintf(stderr, "zeq_meshopt_arrays: bad face count %s\n", argv[2]);
        return 2;
    }
    std::vector<double> coords;
    std::vector<unsigned> indices;
    if (!readRaw(argv[3], coords) || !readRaw(argv[4], indices)) {
        std::fprintf(stderr, "zeq_meshopt_arrays: cannot read %s or %s\n", argv[3], argv[4]);
        return 1;
    }
    const std::size_t vertexCount = coords.size() / 3;
    for (unsigned c : indices)
        if (c >= vertexCount) {
            std::fprintf(stderr, "zeq_meshopt_arrays: corner %u out of range\n", c);
            return 1;
        }

    using Wall = std::chrono::steady_clock;
    const auto c0 = Wall::now();
    std::vector<float> positions(coords.size());
    for (std::size_t i = 0; i < positions.size(); ++i) positions[i] = static_cast<float>(coords[i]);
    const auto c1 = Wall::now();

    const long before = peakKb();
    const std::clock_t p0 = std::clock();
    const auto t0 = Wall::now();
    std::vector<unsigned> result(indices.size());
    const std::size_t resultCount =
        meshopt_simplify(result.data(), indices.data(), indices.size(), positions.data(), vertexCount,
                         3 * sizeof(float), static_cast<std::size_t>(target) * 3, FLT_MAX, 0, nullptr);
    const auto t1 = Wall::now();
    const std::clock_t p1 = std::clock();
    const long after = peakKb();

    if (argc == 6 && !writePly(argv[5], coords, result, resultCount)) {
        std::fprintf(stderr, "zeq_meshopt_arrays: cannot write %s\n", argv[5]);
        return 1;
    }
    std::printf("faces %zu %zu target %lld convert %.6f wall %.6f cpu %.6f rss_before_kb %ld rss_after_kb %ld\n",
                indices.size() / 3, resultCount / 3, target, std::chrono::duration<double>(c1 - c0).count(),
                std::chrono::duration<double>(t1 - t0).count(), static_cast<double>(p1 - p0) / CLOCKS_PER_SEC,
                before, after);
    return 0;
}
