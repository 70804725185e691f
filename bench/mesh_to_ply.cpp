// zeq_mesh_to_ply IN OUT: writes the SMF or OFF mesh IN as binary little-endian
// PLY with double coordinates, the same vertex and face records in the same
// order (polygons stay polygons), so that zeq's runs on the two files can be
// compared. Corner numbers become 0-based.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "mesh_text.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: zeq_mesh_to_ply IN.smf|IN.off OUT.ply\n");
        return 2;
    }
    std::string text;
    zeq_bench::MeshNumbers m;
    const bool off = zeq_bench::endsWithOff(argv[1]);
    if (!zeq_bench::readWholeFile(argv[1], text) ||
        !(off ? zeq_bench::parseOff(text.data(), text.data() + text.size(), m)
              : zeq_bench::parseSmf(text.data(), text.data() + text.size(), m))) {
        std::fprintf(stderr, "zeq_mesh_to_ply: cannot read %s\n", argv[1]);
        return 1;
    }
    const int base = off ? 0 : 1;
    std::string out = "ply\nformat binary_little_endian 1.0\nelement vertex " + std::to_string(m.coords.size() / 3) +
                      "\nproperty double x\nproperty double y\nproperty double z\nelement face " +
                      std::to_string(m.faceSizes.size()) + "\nproperty list uchar int vertex_indices\nend_header\n";
    std::vector<char> body(m.coords.size() * 8 + m.faceSizes.size() + m.corners.size() * 4);
    char* p = body.data();
    std::memcpy(p, m.coords.data(), m.coords.size() * 8);  // the bench runs on little-endian machines
    p += m.coords.size() * 8;
    std::size_t c = 0;
    for (int n : m.faceSizes) {
        if (n < 0 || n > 255) return 1;
        *p++ = static_cast<char>(n);
        for (int k = 0; k < n; ++k, ++c) {
            const std::int32_t i = m.corners[c] - base;
            std::memcpy(p, &i, 4);
            p += 4;
        }
    }
    std::FILE* f = std::fopen(argv[2], "wb");
    if (f == nullptr || std::fwrite(out.data(), 1, out.size(), f) != out.size() ||
        std::fwrite(body.data(), 1, body.size(), f) != body.size() || std::fclose(f) != 0) {
        std::fprintf(stderr, "zeq_mesh_to_ply: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
