// zeq_meshopt_peer: the yardstick simplifier of the benchmark, meshoptimizer's
// meshopt_simplify driven like zeq.
//
//   zeq_meshopt_peer -N FACES IN OUT
//
// Reads IN (binary PLY when its name ends in ".ply", OFF when it ends in
// "off", SMF otherwise, in any case) with the bench's reader (mesh_text.h),
// simplifies it with meshopt_simplify to at most 3 * FACES indices with no
// error limit and no options, and writes the result to OUT in the input's
// format the way zeq's writers do: through zeq's OutputFile, the vertices that
// some face still uses in their input order and renumbered, then the faces.
// As text, each coordinate is formatted as "%g" by zeq's formatG and the face
// lines are laid out as zeq lays them out; as binary PLY, the records are
// those of zeq's PLY writer (the input's byte order and coordinate type,
// "list uchar int vertex_indices" faces). So the file it reads and writes,
// and how, is the same as zeq's, and only the simplification differs.
//
// The positions are handed to meshoptimizer in single precision (its
// interface); the output keeps the double coordinates as read (rounded to
// float again for a float PLY, which gives back the input's numbers).
//
// It prints
//
//   Faces: IN_FACES -> OUT_FACES (target FACES)
//   parse X s, simplify Y s, write Z s
//
// in processor seconds. meshopt_simplify may stop above the target where the
// topology allows no more collapses; OUT_FACES says where it stopped. The exit
// status is 1 on a usage error or an input it cannot read (faces other than
// triangles, corners out of range) or an output it cannot write.

#include <cfloat>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include <meshoptimizer.h>

#include "io/byte_order.h"
#include "io/number_format.h"
#include "io/output_file.h"
#include "mesh_text.h"

namespace {

using zeq_bench::Clock;
using zeq_bench::secondsBetween;

int fail(const char* what, const char* name) {
    std::fprintf(stderr, "zeq_meshopt_peer: %s %s\n", what, name);
    return 1;
}

// Turns the corners as read into 0-based triangle indices; false when a face
// is not a triangle or a corner is out of range.
// `base` is the number of the first vertex in the file (1 in SMF, 0 in OFF
// and PLY).
bool triangleIndices(const zeq_bench::MeshNumbers& m, int base, std::vector<unsigned>& indices) {
    const long long vertexCount = static_cast<long long>(m.coords.size() / 3);
    indices.resize(m.corners.size());
    for (int n : m.faceSizes)
        if (n != 3) return false;
    for (std::size_t i = 0; i < m.corners.size(); ++i) {
        const long long c = static_cast<long long>(m.corners[i]) - base;
        if (c < 0 || c >= vertexCount) return false;
        indices[i] = static_cast<unsigned>(c);
    }
    return true;
}

// The new number of every vertex that some triangle in `indices` uses, in
// input order, and -1 for the others; `used` gets their count.
std::vector<int> renumberUsed(std::size_t vertexCount, const std::vector<unsigned>& indices,
                              std::size_t indexCount, int& used) {
    std::vector<int> newId(vertexCount, -1);
    for (std::size_t i = 0; i < indexCount; ++i) newId[indices[i]] = 0;
    used = 0;
    for (int& id : newId)
        if (id == 0) id = used++;
    return newId;
}

// Binary PLY as zeq's PLY writer lays it out, of the input's form.
bool writePlyResult(const char* name, const zeq_bench::PlyForm& form, const zeq_bench::MeshNumbers& m,
                    const std::vector<unsigned>& indices, std::size_t indexCount) {
    const std::size_t vertexCount = m.coords.size() / 3;
    int used = 0;
    const std::vector<int> newId = renumberUsed(vertexCount, indices, indexCount, used);

    zeq::OutputFile out;
    if (!out.open(name)) return false;
    const char* type = form.doubleCoordinates ? "double" : "float";
    out.print("ply\nformat %s 1.0\ncomment zeq_meshopt_peer\nelement vertex %d\n",
              form.bigEndian ? "binary_big_endian" : "binary_little_endian", used);
    out.print("property %s x\nproperty %s y\nproperty %s z\n", type, type, type);
    out.print("element face %d\nproperty list uchar int vertex_indices\nend_header\n",
              static_cast<int>(indexCount / 3));
    const bool big = form.bigEndian;
    for (std::size_t v = 0; v < vertexCount; ++v) {
        if (newId[v] < 0) continue;
        unsigned char record[24];
        unsigned char* end = record;
        for (int k = 0; k < 3; ++k) {
            const double c = m.coords[3 * v + k];
            end = form.doubleCoordinates ? zeq::storeBinary(end, c, big)
                                         : zeq::storeBinary(end, static_cast<float>(c), big);
        }
        out.write(reinterpret_cast<const char*>(record), static_cast<std::size_t>(end - record));
    }
    for (std::size_t i = 0; i < indexCount; i += 3) {
        unsigned char record[13];
        unsigned char* end = record;
        *end++ = 3;
        for (std::size_t k = 0; k < 3; ++k)
            end = zeq::storeBinary(end, static_cast<std::int32_t>(newId[indices[i + k]]), big);
        out.write(reinterpret_cast<const char*>(record), sizeof record);
    }
    return out.commit();
}

// Writes the triangles in `indices` (indexCount entries) over the vertices of
// `m` as SMF or OFF text, dropping the vertices no triangle uses.
bool writeResult(const char* name, bool off, const zeq_bench::MeshNumbers& m,
                 const std::vector<unsigned>& indices, std::size_t indexCount) {
    const std::size_t vertexCount = m.coords.size() / 3;
    int used = 0;
    const std::vector<int> newId = renumberUsed(vertexCount, indices, indexCount, used);

    zeq::OutputFile out;
    if (!out.open(name)) return false;
    if (off)
        out.print("OFF\n%d %d 0\n", used, static_cast<int>(indexCount / 3));
    else
        out.write("#SMF\n", 5);
    for (std::size_t v = 0; v < vertexCount; ++v) {
        if (newId[v] < 0) continue;
        char line[4 * zeq::kNumberChars];
        char* end = line;
        if (!off) {
            *end++ = 'v';
            *end++ = ' ';
        }
        for (int k = 0; k < 3; ++k) {
            end = zeq::formatG(end, m.coords[3 * v + k]);
            *end++ = k < 2 ? ' ' : '\n';
        }
        out.write(line, static_cast<std::size_t>(end - line));
    }
    // Face lines as zeq writes them: "f i j k " (1-based, with a trailing
    // blank) and "3  i j k" (0-based, two blanks after the count).
    for (std::size_t i = 0; i < indexCount; i += 3) {
        char line[4 * zeq::kNumberChars];
        char* end = line;
        *end++ = off ? '3' : 'f';
        *end++ = ' ';
        for (std::size_t k = 0; k < 3; ++k) {
            if (off) *end++ = ' ';
            end = zeq::formatInt(end, newId[indices[i + k]] + (off ? 0 : 1));
            if (!off) *end++ = ' ';
        }
        *end++ = '\n';
        out.write(line, static_cast<std::size_t>(end - line));
    }
    return out.commit();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5 || std::string_view(argv[1]) != "-N") {
        std::fprintf(stderr, "usage: zeq_meshopt_peer -N FACES IN OUT\n");
        return 1;
    }
    char* numberEnd = nullptr;
    const long long target = std::strtoll(argv[2], &numberEnd, 10);
    if (*argv[2] == '\0' || *numberEnd != '\0' || target < 1) return fail("bad face count", argv[2]);
    const char* inName = argv[3];
    const char* outName = argv[4];
    const bool ply = zeq_bench::endsWithPly(inName);
    const bool off = !ply && zeq_bench::endsWithOff(inName);
    zeq_bench::PlyForm form;

    const auto t0 = Clock::now();
    std::string text;
    zeq_bench::MeshNumbers mesh;
    if (!zeq_bench::readWholeFile(inName, text)) return fail("cannot read", inName);
    const char* begin = text.data();
    const char* end = begin + text.size();
    const bool parsed = ply   ? zeq_bench::parsePly(begin, end, mesh, form)
                        : off ? zeq_bench::parseOff(begin, end, mesh)
                              : zeq_bench::parseSmf(begin, end, mesh);
    std::string().swap(text);
    std::vector<unsigned> indices;
    if (!parsed || !triangleIndices(mesh, ply || off ? 0 : 1, indices)) return fail("cannot parse", inName);
    const std::size_t vertexCount = mesh.coords.size() / 3;
    std::vector<float> positions(mesh.coords.size());
    for (std::size_t i = 0; i < positions.size(); ++i) positions[i] = static_cast<float>(mesh.coords[i]);
    std::vector<int>().swap(mesh.corners);

    const auto t1 = Clock::now();
    std::vector<unsigned> result(indices.size());
    const std::size_t resultCount =
        meshopt_simplify(result.data(), indices.data(), indices.size(), positions.data(), vertexCount,
                         3 * sizeof(float), static_cast<std::size_t>(target) * 3, FLT_MAX, 0, nullptr);

    const auto t2 = Clock::now();
    const bool written = ply ? writePlyResult(outName, form, mesh, result, resultCount)
                             : writeResult(outName, off, mesh, result, resultCount);
    if (!written) return fail("cannot write", outName);
    const auto t3 = Clock::now();

    std::printf("Faces: %zu -> %zu (target %lld)\n", indices.size() / 3, resultCount / 3, target);
    std::printf("parse %.4f s, simplify %.4f s, write %.4f s\n", secondsBetween(t0, t1),
                secondsBetween(t1, t2), secondsBetween(t2, t3));
    return 0;
}
