#include "io/stl_writer.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "io/byte_order.h"
#include "io/carried_data.h"
#include "io/live_mesh.h"
#include "io/number_format.h"
#include "io/output_file.h"

namespace zeq {

namespace {

constexpr std::size_t kHeaderBytes = 80;

// The corners as they will be written: binary STL holds floats.
std::array<Point3, 3> writtenCorners(const std::array<VertexId, 3>& c, bool binary) {
    std::array<Point3, 3> p;
    for (int i = 0; i < 3; ++i) {
        p[i] = c[i]->positionCopy();
        if (binary)
            p[i].set(static_cast<float>(p[i].x), static_cast<float>(p[i].y), static_cast<float>(p[i].z));
    }
    return p;
}

// The triangle's unit normal in single precision; 0 0 0 when it has no area.
std::array<float, 3> unitNormal(const std::array<Point3, 3>& p) {
    const double ux = p[1].x - p[0].x, uy = p[1].y - p[0].y, uz = p[1].z - p[0].z;
    const double vx = p[2].x - p[0].x, vy = p[2].y - p[0].y, vz = p[2].z - p[0].z;
    const double nx = uy * vz - uz * vy;
    const double ny = uz * vx - ux * vz;
    const double nz = ux * vy - uy * vx;
    const double length = std::sqrt(nx * nx + ny * ny + nz * nz);
    if (!(length > 0) || !std::isfinite(length)) return {0.0f, 0.0f, 0.0f};
    return {static_cast<float>(nx / length), static_cast<float>(ny / length), static_cast<float>(nz / length)};
}

void writeBinaryFacet(OutputFile& out, const std::array<Point3, 3>& p, std::uint16_t attribute = 0) {
    unsigned char facet[50];
    unsigned char* end = facet;
    for (float n : unitNormal(p)) end = storeBinary(end, n, false);
    for (const Point3& q : p)
        for (double c : {q.x, q.y, q.z}) end = storeBinary(end, static_cast<float>(c), false);
    end = storeBinary(end, attribute, false);
    out.write(reinterpret_cast<const char*>(facet), sizeof facet);
}

void writeTextFacet(OutputFile& out, const std::array<Point3, 3>& p) {
    char text[512];
    char* end = text;
    auto put = [&end](const char* s) {
        const std::size_t n = std::strlen(s);
        std::memcpy(end, s, n);
        end += n;
    };
    put("  facet normal");
    for (float n : unitNormal(p)) {
        *end++ = ' ';
        end = formatShortest(end, n);
    }
    put("\n    outer loop\n");
    for (const Point3& q : p) {
        put("      vertex");
        for (double c : {q.x, q.y, q.z}) {
            *end++ = ' ';
            end = formatShortest(end, c);
        }
        *end++ = '\n';
    }
    put("    endloop\n  endfacet\n");
    out.write(text, static_cast<std::size_t>(end - text));
}

// The STL of a mesh whose facets carry attribute bytes (binary) or whose
// faces came from several solids (text): the header keeps the file's
// default colour after "COLOR=", each facet its attribute bytes; each run of
// faces from one solid is written as a solid of that name.
int writeCarriedStl(Mesh& mesh, const char* fileName, const FileFlavour& flavour, std::string* copy) {
    const StlCarried& stl = flavour.carried->stl;
    const MeshAttributes& attributes = *mesh.attributes;
    OutputFile out;
    if (!out.open(fileName)) return 1;
    out.keepCopy(copy);
    renumberLiveVertices(mesh);
    const bool binary = flavour.binary();
    if (binary) {
        unsigned char header[kHeaderBytes + 4] = {};
        const std::size_t name = std::strlen(kProducerName);
        std::memcpy(header, kProducerName, name);
        if (stl.headerColour) {
            std::memcpy(header + name, " COLOR=", 7);
            std::memcpy(header + name + 7, stl.colour, 4);
        }
        storeBinary(header + kHeaderBytes, static_cast<std::uint32_t>(countWritableFaces(mesh)), false);
        out.write(reinterpret_cast<const char*>(header), sizeof header);
    }
    auto channel = [&](FaceId f, int c) {
        return c < 0 ? 0u : static_cast<std::uint32_t>(attributes.faceLayout.get(attributes.faceRecord(f), static_cast<std::size_t>(c)));
    };
    bool open = false;
    std::uint32_t solid = 0;
    std::array<VertexId, 3> corners;
    for (FaceId f : mesh.faces) {
        if (!isLive(f) || !faceCorners(f, corners)) continue;
        if (binary) {
            writeBinaryFacet(out, writtenCorners(corners, true), static_cast<std::uint16_t>(channel(f, stl.attributeChannel)));
            continue;
        }
        const std::uint32_t s = channel(f, stl.solidChannel);
        if (!open || s != solid) {
            if (open) out.print("endsolid %s\n", stl.solidNames[solid].c_str());
            solid = s;
            open = true;
            out.print("solid %s\n", stl.solidNames[solid].c_str());
        }
        writeTextFacet(out, writtenCorners(corners, false));
    }
    if (!binary) {
        if (!open) out.print("solid %s\n", stl.solidNames.empty() ? "zeq" : stl.solidNames[0].c_str());
        out.print("endsolid %s\n", stl.solidNames.empty() ? "zeq" : stl.solidNames[solid].c_str());
    }
    return out.commit() ? 0 : 1;
}

}  // namespace

void writeStlStart(OutputFile& out, bool binary, std::uint32_t facetCount) {
    if (binary) {
        // The header must not start with "solid", which marks text.
        unsigned char header[kHeaderBytes + 4] = {};
        std::memcpy(header, kProducerName, std::strlen(kProducerName));
        storeBinary(header + kHeaderBytes, facetCount, false);
        out.write(reinterpret_cast<const char*>(header), sizeof header);
    } else {
        out.write("solid zeq\n", 10);
    }
}

void writeStlFacet(OutputFile& out, const std::array<Point3, 3>& p, bool binary) {
    if (binary) {
        writeBinaryFacet(out, p);
    } else {
        writeTextFacet(out, p);
    }
}

void writeStlEnd(OutputFile& out, bool binary) {
    if (!binary) out.write("endsolid zeq\n", 13);
}

int writeStl(Mesh& mesh, const char* fileName, const FileFlavour& flavour, std::string* copy) {
    if (flavour.carried && mesh.attributes) return writeCarriedStl(mesh, fileName, flavour, copy);
    OutputFile out;
    if (!out.open(fileName)) return 1;
    out.keepCopy(copy);
    renumberLiveVertices(mesh);
    const bool binary = flavour.binary();
    writeStlStart(out, binary, static_cast<std::uint32_t>(countWritableFaces(mesh)));
    forEachWritten(
        mesh, [](const Point3&) {},
        [&](const std::array<VertexId, 3>& corners) { writeStlFacet(out, writtenCorners(corners, binary), binary); });
    writeStlEnd(out, binary);
    return out.commit() ? 0 : 1;
}

}  // namespace zeq
