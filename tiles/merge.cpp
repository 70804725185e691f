#include "tiles/merge.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <new>
#include <sstream>

#include "io/carried_data.h"
#include "tiles/manifest.h"
#include "tiles/report.h"

namespace zeq::tiles {

void VertexMerger::startTile(std::size_t tileVertices, const std::unordered_map<std::uint32_t, std::uint32_t>& shared) {
    shared_ = &shared;
    local_.assign(tileVertices, 0);
}

std::uint32_t VertexMerger::vertexOf(std::uint32_t k, bool& added) {
    std::uint32_t& local = local_[k];
    added = false;
    if (local != 0) return local - 1;
    const auto input = shared_->find(k);
    if (input != shared_->end()) {
        const auto [it, isNew] = mergedOfInput_.try_emplace(input->second, count_);
        local = it->second + 1;
        if (!isNew) return it->second;
    } else {
        local = count_ + 1;
    }
    added = true;
    return count_++;
}

int writeMerged(MergedMesh& merged, MeshFormat format, const std::string& output) {
    if (merged.attributes) return writeCarriedMesh(merged.mesh, merged.attributes, format, output.c_str(), merged.flavour);
    return writePlainMesh(merged.mesh, format, output.c_str(), merged.flavour);
}

namespace {

bool readText(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream all;
    all << in.rdbuf();
    if (in.bad()) return false;
    text = all.str();
    return true;
}

// Whole lines of `count` decimal numbers each, appended to `numbers`.
bool parseNumberLines(const std::string& text, int count, std::vector<std::uint32_t>& numbers) {
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end) {
        for (int i = 0; i < count; ++i) {
            std::uint32_t n = 0;
            const auto r = std::from_chars(p, end, n);
            if (r.ec != std::errc() || r.ptr == end || *r.ptr != (i + 1 < count ? ' ' : '\n')) return false;
            numbers.push_back(n);
            p = r.ptr + 1;
        }
    }
    return true;
}

// What one tile brought: its records' merged vertices, its faces by record,
// and what it carried.
struct TilePart {
    std::unique_ptr<MeshAttributes> attributes;
    std::shared_ptr<const CarriedData> carried;
    std::vector<std::uint32_t> mergedOf;  // record → merged vertex
    std::vector<std::uint32_t> corners;   // the tile's faces, by record
    std::size_t firstFace = 0;            // in the merged mesh
};

// How a tile's records become the merged mesh's: for each merged channel,
// the tile's channel of that name (-1: none, the value is missing) and the
// new numbers of the names it numbers (OBJ statements, STL solids).
struct Translation {
    std::vector<int> from;
    std::vector<const std::vector<std::uint32_t>*> renumber;

    void apply(const RecordLayout& in, const unsigned char* record, const RecordLayout& out,
               unsigned char* result) const {
        for (std::size_t k = 0; k < from.size(); ++k) {
            double value = std::numeric_limits<double>::quiet_NaN();
            if (record != nullptr && from[k] >= 0) value = in.get(record, static_cast<std::size_t>(from[k]));
            if (renumber[k] != nullptr && value >= 0 && value < static_cast<double>(renumber[k]->size()))
                value = (*renumber[k])[static_cast<std::size_t>(value)];
            out.set(result, k, value);
        }
    }
};

// The channels of every tile, by name, in order of first appearance; in a
// vertex layout, those of the vertices' own part first.
void addChannels(const RecordLayout& from, std::size_t begin, std::size_t end, RecordLayout& to) {
    for (std::size_t k = begin; k < end; ++k) {
        const Channel& c = from.channels()[k];
        if (to.find(c.name) < 0) to.add(c.name, c.type, c.blend);
    }
}

// A table of names merged by their text; `renumber` receives each of the
// tile's names' number in it.
void mergeNames(const std::vector<std::string>& names, std::vector<std::string>& merged,
                std::vector<std::uint32_t>& renumber) {
    for (const std::string& name : names) {
        std::size_t n = 0;
        while (n < merged.size() && merged[n] != name) ++n;
        if (n == merged.size()) merged.push_back(name);
        renumber.push_back(static_cast<std::uint32_t>(n));
    }
}

// The merged mesh's attributes and what its writer needs, from the tiles'.
void mergeAttributes(MeshFormat format, std::vector<TilePart>& parts, MergedMesh& merged) {
    auto attributes = std::make_unique<MeshAttributes>();
    for (const TilePart& p : parts)
        if (p.attributes) addChannels(p.attributes->vertexLayout, 0, p.attributes->vertexPart, attributes->vertexLayout);
    attributes->vertexPart = attributes->vertexLayout.size();
    for (const TilePart& p : parts)
        if (p.attributes) {
            addChannels(p.attributes->vertexLayout, p.attributes->vertexPart, p.attributes->vertexLayout.size(),
                        attributes->vertexLayout);
            addChannels(p.attributes->faceLayout, 0, p.attributes->faceLayout.size(), attributes->faceLayout);
        }
    const RecordLayout& vertexLayout = attributes->vertexLayout;
    const RecordLayout& faceLayout = attributes->faceLayout;

    // What the writer copies comes from the first tile that carried
    // anything; name tables are merged.
    auto carried = std::make_shared<CarriedData>();
    for (const TilePart& p : parts)
        if (p.carried) {
            *carried = *p.carried;
            break;
        }
    carried->notes.clear();
    ObjCarried& obj = carried->obj;
    StlCarried& stl = carried->stl;
    constexpr std::size_t kStatements = ObjCarried::kStatements;
    // Per tile: the new numbers of its statements' names and solids'.
    std::vector<std::array<std::vector<std::uint32_t>, kStatements + 1>> renumbered(parts.size());
    if (format == MeshFormat::Obj || format == MeshFormat::Stl) {
        for (auto& names : obj.names) names.clear();
        stl.solidNames.clear();
        for (std::size_t t = 0; t < parts.size(); ++t) {
            if (!parts[t].carried) continue;
            const CarriedData& c = *parts[t].carried;
            for (std::size_t s = 0; s < kStatements; ++s) mergeNames(c.obj.names[s], obj.names[s], renumbered[t][s]);
            mergeNames(c.stl.solidNames, stl.solidNames, renumbered[t][kStatements]);
            obj.texcoordComponents = std::max(obj.texcoordComponents, c.obj.texcoordComponents);
            if (obj.mtllibs.empty()) obj.mtllibs = c.obj.mtllibs;
            if (!stl.headerColour && c.stl.headerColour) {
                stl.headerColour = true;
                std::memcpy(stl.colour, c.stl.colour, sizeof stl.colour);
            }
        }
        for (std::size_t s = 0; s < kStatements; ++s) obj.faceChannel[s] = faceLayout.find(ObjCarried::kKeywords[s]);
        obj.colourChannel = vertexLayout.find("red");
        obj.texcoordChannel = vertexLayout.find("u");
        obj.normalChannel = vertexLayout.find("nx");
        stl.attributeChannel = faceLayout.find("attribute");
        stl.solidChannel = faceLayout.find("solid");
    }
    // The channels that hold a name's number, and the table each renumbers.
    auto nameTable = [format](const std::string& channel) -> int {
        if (format == MeshFormat::Stl) return channel == "solid" ? static_cast<int>(kStatements) : -1;
        if (format != MeshFormat::Obj) return -1;
        if (channel == "face.material") return ObjCarried::Material;
        for (std::size_t s = 0; s < kStatements; ++s)
            if (channel == ObjCarried::kKeywords[s]) return static_cast<int>(s);
        return -1;
    };
    auto translation = [&](const RecordLayout* in, const RecordLayout& out, std::size_t t) {
        Translation tr;
        for (const Channel& c : out.channels()) {
            tr.from.push_back(in != nullptr ? in->find(c.name) : -1);
            const int table = nameTable(c.name);
            tr.renumber.push_back(table >= 0 ? &renumbered[t][static_cast<std::size_t>(table)] : nullptr);
        }
        return tr;
    };

    const std::size_t vertexCount = merged.mesh.vertexCount();
    const std::size_t faceCount = merged.mesh.faceCount();
    attributes->resizeVertices(vertexCount);
    attributes->resizeFaces(faceCount);
    const std::size_t stride = vertexLayout.stride();
    std::vector<unsigned char> record(stride);
    std::vector<bool> given(vertexCount, false);
    for (std::size_t t = 0; t < parts.size(); ++t) {
        const TilePart& p = parts[t];
        const MeshAttributes* in = p.attributes.get();
        const Translation vertexValues = translation(in ? &in->vertexLayout : nullptr, vertexLayout, t);
        const Translation faceValues = translation(in ? &in->faceLayout : nullptr, faceLayout, t);
        const std::size_t faces = p.corners.size() / 3;
        for (std::size_t f = 0; f < faces; ++f) {
            const FaceId tileFace(static_cast<std::uint32_t>(f));
            const FaceId face(static_cast<std::uint32_t>(p.firstFace + f));
            faceValues.apply(in ? in->faceLayout : faceLayout, in ? in->faceRecord(tileFace) : nullptr, faceLayout,
                             attributes->faceRecord(face));
            for (std::size_t c = 0; c < 3; ++c) {
                const VertexId tileVertex(p.corners[3 * f + c]);
                const VertexId v(p.mergedOf[tileVertex.index()]);
                vertexValues.apply(in ? in->vertexLayout : vertexLayout,
                                   in ? in->cornerRecord(tileFace, tileVertex) : nullptr, vertexLayout, record.data());
                if (in != nullptr && in->held(tileVertex)) attributes->hold(v);
                // A vertex takes the values of its first corner; a corner
                // that differs holds the vertex and keeps its own.
                if (!given[v.index()]) {
                    given[v.index()] = true;
                    if (stride > 0) std::memcpy(attributes->vertexRecord(v), record.data(), stride);
                } else if (stride > 0 && std::memcmp(attributes->vertexRecord(v), record.data(), stride) != 0) {
                    attributes->hold(v);
                    attributes->setCornerRecord(face, v, record.data());
                }
            }
        }
    }
    merged.attributes = std::move(attributes);
    merged.flavour.carried = std::move(carried);
}

int mergeInto(const std::string& dir, const std::string& output, MergedMesh* result, const volatile int* stop) {
    const std::string manifestPath = dir + "/manifest";
    std::string text;
    if (!readText(manifestPath, text)) {
        report("cannot read manifest " + manifestPath + "!");
        return 1;
    }
    Manifest m;
    std::string why;
    if (!parseManifest(text, m, why)) {
        report("bad manifest " + manifestPath + ": " + why + "!");
        return 1;
    }
    MergedMesh merged;
    merged.flavour = m.flavour;
    VertexMerger merger;
    std::vector<TilePart> parts;
    bool carrying = false;
    for (const TileEntry& t : m.tiles) {
        if (stop != nullptr && *stop != 0) return 1;
        const std::string path = dir + "/simplified/" + t.name;
        // Every record its own vertex: the origins tell which are one.
        PlainMesh tile;
        PlainMeshSink sink(tile);
        FileFlavour flavour;
        TilePart part;
        if (readRecords(m.format, path.c_str(), sink, flavour, RecordReading{false, &part.attributes}) !=
            ReadStatus::Loaded) {
            report("cannot read tile " + path + "!");
            return 1;
        }
        if (flavour.encoding != m.flavour.encoding || flavour.doubleCoordinates != m.flavour.doubleCoordinates) {
            report("tile " + path + " is not in the manifest's format!");
            return 1;
        }
        // zeq only ever removes faces and vertices, and a copied tile keeps
        // them all: anything else is not the tile this manifest describes.
        const auto faces = static_cast<long long>(tile.faceCount());
        if (faces > t.faces || (m.count > 0 && t.copied() && faces != t.faces)) {
            report("tile " + path + " has " + std::to_string(faces) + " faces, the manifest says " +
                   std::to_string(t.faces) + "!");
            return 1;
        }
        // Which of the tile's vertices each record is: from zeq's origins, or
        // for the tile as split, from the split's (none: one record each).
        const bool asSplit = faces == t.faces;
        std::string originsPath = path + ".origins";
        if (asSplit && !std::ifstream(originsPath)) originsPath = dir + "/" + t.name + ".origins";
        std::vector<std::uint32_t> origins;
        if (!readText(originsPath, text)) {
            if (!asSplit) {
                report("cannot read origins " + path + ".origins!");
                return 1;
            }
            const std::size_t count = m.format == MeshFormat::Stl ? tile.corners.size() : tile.vertexCount();
            for (std::size_t i = 0; i < count; ++i)
                origins.push_back(m.format == MeshFormat::Stl ? tile.corners[i] : static_cast<std::uint32_t>(i));
        } else if (!parseNumberLines(text, 1, origins)) {
            report("bad origins " + originsPath + "!");
            return 1;
        }
        // STL names a vertex at each corner, other formats once per record.
        std::vector<std::uint32_t> vertexOfRecord(tile.vertexCount(), 0xFFFFFFFFu);
        if (m.format == MeshFormat::Stl && origins.size() == tile.corners.size()) {
            for (std::size_t i = 0; i < origins.size(); ++i)
                if (vertexOfRecord[tile.corners[i]] == 0xFFFFFFFFu) vertexOfRecord[tile.corners[i]] = origins[i];
        } else if (m.format != MeshFormat::Stl && origins.size() == tile.vertexCount()) {
            vertexOfRecord = origins;
        } else {
            report("tile " + path + " does not match its origins " + originsPath + "!");
            return 1;
        }
        std::unordered_map<std::uint32_t, std::uint32_t> shared;
        std::vector<std::uint32_t> pairs;
        const std::string sharedPath = dir + "/" + t.name + ".shared";
        if (!readText(sharedPath, text) || !parseNumberLines(text, 2, pairs)) {
            report("cannot read " + sharedPath + "!");
            return 1;
        }
        for (std::size_t i = 0; i < pairs.size(); i += 2) shared.emplace(pairs[i], pairs[i + 1]);

        merger.startTile(static_cast<std::size_t>(t.vertices), shared);
        part.mergedOf.resize(tile.vertexCount());
        for (std::size_t r = 0; r < tile.vertexCount(); ++r) {
            const std::uint32_t k = vertexOfRecord[r];
            if (k >= static_cast<std::uint64_t>(t.vertices)) {
                report("tile " + path + " does not match its origins " + originsPath + "!");
                return 1;
            }
            bool added = false;
            part.mergedOf[r] = merger.vertexOf(k, added);
            if (added)
                merged.mesh.positions.insert(merged.mesh.positions.end(), &tile.positions[3 * r],
                                             &tile.positions[3 * r + 3]);
        }
        part.firstFace = merged.mesh.faceCount();
        merged.mesh.corners.reserve(merged.mesh.corners.size() + tile.corners.size());
        for (std::uint32_t c : tile.corners) merged.mesh.corners.push_back(part.mergedOf[c]);
        carrying = carrying || part.attributes != nullptr;
        part.carried = std::move(flavour.carried);
        part.corners = std::move(tile.corners);
        parts.push_back(std::move(part));
    }
    if (carrying) mergeAttributes(m.format, parts, merged);
    parts.clear();
    if (writeMerged(merged, m.format, output) != 0) {
        report("Writing <" + output + ">: Cannot write the file!");
        return 1;
    }
    if (result != nullptr) *result = std::move(merged);
    return 0;
}

}  // namespace

int mergeTiles(const std::string& dir, const std::string& output, MergedMesh* merged, const volatile int* stop) {
    try {
        return mergeInto(dir, output, merged, stop);
    } catch (const std::bad_alloc&) {
        report("out of memory while merging " + dir + "!");
        return 1;
    }
}

}  // namespace zeq::tiles
