#include "io/obj_writer.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "io/carried_data.h"
#include "io/carried_vertices.h"
#include "io/live_mesh.h"
#include "io/mesh_format.h"
#include "io/number_format.h"
#include "io/output_file.h"

namespace zeq {

namespace {

// Numbers the distinct values of one kind the corners carry (texture
// coordinates or normals) from 1, in order of first use.
class ValueNumbers {
public:
    explicit ValueNumbers(std::size_t components) : components_(components) {}

    // 0 for a value not given (NaN).
    std::uint32_t numberOf(const double* value) {
        if (std::isnan(value[0])) return 0;
        std::string key(reinterpret_cast<const char*>(value), components_ * sizeof(double));
        const auto [it, added] = numbers_.try_emplace(std::move(key), static_cast<std::uint32_t>(numbers_.size() + 1));
        if (added) values_.insert(values_.end(), value, value + components_);
        return it->second;
    }
    const std::vector<double>& values() const { return values_; }

private:
    std::size_t components_;
    std::unordered_map<std::string, std::uint32_t> numbers_;
    std::vector<double> values_;
};

// A channel triple of a record as doubles.
void valuesAt(const RecordLayout& layout, const unsigned char* record, int first, double out[3]) {
    for (int k = 0; k < 3; ++k) out[k] = layout.get(record, static_cast<std::size_t>(first + k));
}

char* appendValues(char* out, const char* keyword, const double* values, int count) {
    for (const char* k = keyword; *k != '\0'; ++k) *out++ = *k;
    for (int k = 0; k < count; ++k) {
        *out++ = ' ';
        out = formatShortest(out, values[k]);
    }
    *out++ = '\n';
    return out;
}

int writeCarriedObj(Mesh& mesh, const char* fileName, const ObjCarried& obj, std::string* copy) {
    OutputFile out;
    if (!out.open(fileName)) return 1;
    out.keepCopy(copy);
    const MeshAttributes& attributes = *mesh.attributes;
    const RecordLayout& layout = attributes.vertexLayout;
    const CarriedVertices vertices(mesh);
    out.print("# %s: %d vertices, %d faces\n", kProducerName, vertices.count(), countWritableFaces(mesh));
    for (const std::string& line : obj.mtllibs) out.print("%s\n", line.c_str());

    char line[8 * kNumberChars];
    auto writeVertex = [&](VertexId v, const unsigned char* record) {
        const Point3 p = v->positionCopy();
        double values[6] = {p.x, p.y, p.z, 0, 0, 0};
        int count = 3;
        if (obj.colourChannel >= 0) {
            // A vertex the file gave no colour, among vertices with colours,
            // is white: what readers take a missing colour to be.
            valuesAt(layout, record, obj.colourChannel, values + 3);
            for (int k = 3; k < 6; ++k)
                if (std::isnan(values[k])) values[k] = 1.0;
            count = 6;
        }
        char* end = appendValues(line, "v", values, count);
        out.write(line, static_cast<std::size_t>(end - line));
    };
    for (VertexId v : mesh.vertices)
        if (isLive(v)) writeVertex(v, attributes.vertexRecord(v));
    for (const CarriedVertices::Copy& c : vertices.copies()) writeVertex(c.vertex, c.record);

    // The corners' values, numbered before any face is written.
    ValueNumbers texcoords(3);
    ValueNumbers normals(3);
    std::vector<std::uint32_t> cornerNumbers;  // t, n of each written corner
    std::array<VertexId, 3> corners;
    for (FaceId f : mesh.faces) {
        if (!isLive(f) || !faceCorners(f, corners)) continue;
        for (VertexId v : corners) {
            const unsigned char* record = attributes.cornerRecord(f, v);
            double value[3];
            std::uint32_t t = 0;
            std::uint32_t n = 0;
            if (obj.texcoordChannel >= 0) {
                valuesAt(layout, record, obj.texcoordChannel, value);
                t = texcoords.numberOf(value);
            }
            if (obj.normalChannel >= 0) {
                valuesAt(layout, record, obj.normalChannel, value);
                n = normals.numberOf(value);
            }
            cornerNumbers.insert(cornerNumbers.end(), {t, n});
        }
    }
    for (std::size_t i = 0; i < texcoords.values().size(); i += 3) {
        char* end = appendValues(line, "vt", &texcoords.values()[i], obj.texcoordComponents);
        out.write(line, static_cast<std::size_t>(end - line));
    }
    for (std::size_t i = 0; i < normals.values().size(); i += 3) {
        char* end = appendValues(line, "vn", &normals.values()[i], 3);
        out.write(line, static_cast<std::size_t>(end - line));
    }

    std::uint32_t current[ObjCarried::kStatements] = {0, 0, 0, 0};
    std::size_t corner = 0;
    for (FaceId f : mesh.faces) {
        if (!isLive(f) || !faceCorners(f, corners)) continue;
        for (int s = 0; s < ObjCarried::kStatements; ++s) {
            if (obj.faceChannel[s] < 0) continue;
            const auto name = static_cast<std::uint32_t>(
                attributes.faceLayout.get(attributes.faceRecord(f), static_cast<std::size_t>(obj.faceChannel[s])));
            if (name == current[s]) continue;
            current[s] = name;
            const std::string& text = obj.names[s][name];
            out.print("%s%s%s\n", ObjCarried::kKeywords[s], text.empty() ? "" : " ", text.c_str());
        }
        char* end = line;
        *end++ = 'f';
        for (VertexId v : corners) {
            *end++ = ' ';
            end = formatInt(end, vertices.numberOf(f, v) + 1);
            const std::uint32_t t = cornerNumbers[corner++];
            const std::uint32_t n = cornerNumbers[corner++];
            if (t == 0 && n == 0) continue;
            *end++ = '/';
            if (t != 0) end = formatInt(end, static_cast<int>(t));
            if (n == 0) continue;
            *end++ = '/';
            end = formatInt(end, static_cast<int>(n));
        }
        *end++ = '\n';
        out.write(line, static_cast<std::size_t>(end - line));
    }
    return out.commit() ? 0 : 1;
}

}  // namespace

int writeObj(Mesh& mesh, const char* fileName, const FileFlavour& flavour, std::string* copy) {
    if (flavour.carried && mesh.attributes) return writeCarriedObj(mesh, fileName, flavour.carried->obj, copy);
    OutputFile out;
    if (!out.open(fileName)) return 1;
    out.keepCopy(copy);
    const int vertexCount = renumberLiveVertices(mesh);
    out.print("# %s: %d vertices, %d faces\n", kProducerName, vertexCount, countWritableFaces(mesh));
    char line[4 * kNumberChars];
    forEachWritten(
        mesh,
        [&](const Point3& p) {
            line[0] = 'v';
            char* end = appendCoordinates(line + 1, p, [](char* o, double v) { return formatShortest(o, v); });
            *end++ = '\n';
            out.write(line, static_cast<std::size_t>(end - line));
        },
        [&](const std::array<VertexId, 3>& corners) {
            line[0] = 'f';
            char* end = appendCorners(line + 1, corners, 1);
            *end++ = '\n';
            out.write(line, static_cast<std::size_t>(end - line));
        });
    return out.commit() ? 0 : 1;
}

}  // namespace zeq
