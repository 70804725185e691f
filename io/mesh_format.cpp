#include "io/mesh_format.h"

#include <cctype>
#include <cstring>

namespace zeq {

namespace {

// True when `name` ends in `suffix` (lower case), compared without case.
bool endsWith(const char* name, std::size_t length, const char* suffix) {
    const std::size_t n = std::strlen(suffix);
    if (length < n) return false;
    const char* tail = name + length - n;
    for (std::size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(tail[i])) != suffix[i]) return false;
    return true;
}

}  // namespace

MeshFormat formatOfName(const char* fileName) {
    const std::size_t n = std::strlen(fileName);
    if (endsWith(fileName, n, ".ply")) return MeshFormat::Ply;
    if (endsWith(fileName, n, ".stl")) return MeshFormat::Stl;
    if (endsWith(fileName, n, ".obj")) return MeshFormat::Obj;
    if (endsWith(fileName, n, "off")) return MeshFormat::Off;
    return MeshFormat::Smf;
}

bool weldsByDefault(MeshFormat format) {
    return format == MeshFormat::Ply || format == MeshFormat::Obj || format == MeshFormat::Stl;
}

}  // namespace zeq
