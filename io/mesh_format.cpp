#include "io/mesh_format.h"

#include "io/format_table.h"

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
    for (MeshFormat format : kFormatsByName)
        if (endsWith(fileName, n, handlersOf(format).nameEnding)) return format;
    return MeshFormat::Smf;
}

bool weldsByDefault(MeshFormat format) { return handlersOf(format).weldsByDefault; }

}  // namespace zeq
