#include "tiles/manifest.h"

#include <limits>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <set>
#include <sstream>

#include "io/record_files.h"

namespace zeq::tiles {

namespace {

const char* encodingWord(FileFlavour::Encoding e) {
    switch (e) {
        case FileFlavour::Encoding::Text: return "text";
        case FileFlavour::Encoding::BinaryLittleEndian: return "binary_little_endian";
        case FileFlavour::Encoding::BinaryBigEndian: return "binary_big_endian";
    }
    return "text";
}

bool parseCount(const std::string& word, long long& value, long long least) {
    const char* end = word.data() + word.size();
    const auto r = std::from_chars(word.data(), end, value);
    return r.ec == std::errc() && r.ptr == end && value >= least;
}

std::vector<std::string> splitWords(const std::string& line) {
    std::vector<std::string> out;
    std::istringstream in(line);
    std::string w;
    while (in >> w) out.push_back(w);
    return out;
}

// A tile name as split writes it: "tile-" digits "." the format's ending.
bool plainTileName(const std::string& name, MeshFormat format) {
    const std::string ending = std::string(".") + extensionOf(format);
    if (name.size() <= 5 + ending.size() || name.compare(0, 5, "tile-") != 0) return false;
    if (name.compare(name.size() - ending.size(), ending.size(), ending) != 0) return false;
    for (std::size_t i = 5; i < name.size() - ending.size(); ++i)
        if (name[i] < '0' || name[i] > '9') return false;
    return true;
}

}  // namespace

long long tileTarget(long long count, long long tileFaces, long long totalFaces) {
    if (totalFaces <= 0) return 1;
    // share * 5/4, rounded to nearest (halves up): 2 * num / (2 * den) + 1/2.
    using Wide = unsigned __int128;
    const Wide num = Wide{5} * static_cast<Wide>(count) * static_cast<Wide>(tileFaces);
    const Wide den = Wide{4} * static_cast<Wide>(totalFaces);
    const Wide rounded = (2 * num + den) / (2 * den);
    const Wide most = static_cast<Wide>(std::numeric_limits<long long>::max());
    const long long target = static_cast<long long>(rounded > most ? most : rounded);
    return target < 1 ? 1 : target;
}

std::string shellWord(const std::string& word) {
    bool plain = !word.empty();
    for (char c : word)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '/' ||
              c == '.' || c == '_' || c == '-' || c == '+' || c == ',' || c == ':' || c == '@' || c == '%'))
            plain = false;
    if (plain) return word;
    std::string quoted = "'";
    for (char c : word) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

namespace {

std::string exactNumber(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

}  // namespace

std::vector<std::string> boundArguments(double maxAngle, double maxError) {
    std::vector<std::string> args;
    if (!std::isnan(maxAngle)) args.insert(args.end(), {"--max-angle", exactNumber(maxAngle)});
    if (!std::isnan(maxError)) args.insert(args.end(), {"--max-error", exactNumber(maxError)});
    return args;
}

std::vector<std::string> tileArguments(const std::string& dir, const TileEntry& tile) {
    const std::string out = dir + "/simplified/" + tile.name;
    std::vector<std::string> args{"--origins", out + ".origins"};
    for (std::string& a : boundArguments(tile.maxAngle, tile.maxError)) args.push_back(std::move(a));
    args.insert(args.end(), {"-N", std::to_string(tile.target), dir + "/" + tile.name, out});
    return args;
}

std::string tileCommand(const std::string& dir, const TileEntry& tile) {
    if (tile.copied()) return "cp " + shellWord(dir + "/" + tile.name) + " " + shellWord(dir + "/simplified/" + tile.name);
    std::string command = "zeq";
    for (const std::string& a : tileArguments(dir, tile)) command += " " + shellWord(a);
    return command;
}

std::string manifestText(const Manifest& m, const std::string& dir) {
    std::ostringstream out;
    out << "zeq-tiles manifest 1\n";
    out << "input " << m.input << "\n";
    out << "format " << extensionOf(m.format) << " " << encodingWord(m.flavour.encoding) << " "
        << (m.flavour.doubleCoordinates ? "double" : "float") << "\n";
    out << "vertices " << m.vertices << "\n";
    out << "faces " << m.faces << "\n";
    out << "grid " << m.grid[0] << " " << m.grid[1] << " " << m.grid[2] << "\n";
    out << "faces-per-tile " << m.facesPerTile << "\n";
    if (m.count > 0) out << "count " << m.count << "\n";
    if (!std::isnan(m.maxAngle)) out << "max-angle " << exactNumber(m.maxAngle) << "\n";
    if (!std::isnan(m.maxError)) out << "max-error " << exactNumber(m.maxError) << "\n";
    out << "tiles " << m.tiles.size() << "\n";
    for (const TileEntry& t : m.tiles) {
        out << "tile " << t.name << " " << t.faces << " " << t.vertices;
        if (m.count > 0) out << " " << t.target << " " << tileCommand(dir, t);
        out << "\n";
    }
    return out.str();
}

std::string commandsText(const Manifest& m, const std::string& dir) {
    std::string out;
    if (m.count <= 0) return out;
    for (const TileEntry& t : m.tiles) out += tileCommand(dir, t) + "\n";
    return out;
}

bool parseManifest(const std::string& text, Manifest& m, std::string& why) {
    std::istringstream in(text);
    std::string line;
    auto fail = [&why](const std::string& w) {
        why = w;
        return false;
    };
    if (!std::getline(in, line) || line != "zeq-tiles manifest 1") return fail("not a zeq-tiles manifest");
    // One "key value..." line each, in this order; "count" may be missing.
    auto keyLine = [&](const char* key, std::vector<std::string>& words) {
        const std::streampos at = in.tellg();
        if (!std::getline(in, line)) return false;
        words = splitWords(line);
        if (words.empty() || words[0] != key) {
            in.seekg(at);
            return false;
        }
        return true;
    };
    std::vector<std::string> w;
    if (!keyLine("input", w) || line.size() < 7) return fail("no input line");
    m.input = line.substr(6);
    if (!keyLine("format", w) || w.size() != 4) return fail("no format line");
    bool known = false;
    for (MeshFormat f : {MeshFormat::Smf, MeshFormat::Off, MeshFormat::Ply, MeshFormat::Stl, MeshFormat::Obj})
        if (w[1] == extensionOf(f)) {
            m.format = f;
            known = true;
        }
    if (!known) return fail("unknown format " + w[1]);
    if (w[2] == "text") {
        m.flavour.encoding = FileFlavour::Encoding::Text;
    } else if (w[2] == "binary_little_endian") {
        m.flavour.encoding = FileFlavour::Encoding::BinaryLittleEndian;
    } else if (w[2] == "binary_big_endian") {
        m.flavour.encoding = FileFlavour::Encoding::BinaryBigEndian;
    } else {
        return fail("unknown encoding " + w[2]);
    }
    if (w[3] != "double" && w[3] != "float") return fail("unknown coordinate type " + w[3]);
    m.flavour.doubleCoordinates = w[3] == "double";
    if (!keyLine("vertices", w) || w.size() != 2 || !parseCount(w[1], m.vertices, 0) || m.vertices > 0xFFFFFFFFll)
        return fail("bad vertices line");
    if (!keyLine("faces", w) || w.size() != 2 || !parseCount(w[1], m.faces, 0)) return fail("bad faces line");
    long long g[3];
    if (!keyLine("grid", w) || w.size() != 4 || !parseCount(w[1], g[0], 1) || !parseCount(w[2], g[1], 1) ||
        !parseCount(w[3], g[2], 1))
        return fail("bad grid line");
    for (int a = 0; a < 3; ++a) m.grid[a] = static_cast<int>(g[a]);
    if (!keyLine("faces-per-tile", w) || w.size() != 2 || !parseCount(w[1], m.facesPerTile, 1))
        return fail("bad faces-per-tile line");
    m.count = 0;
    if (keyLine("count", w) && (w.size() != 2 || !parseCount(w[1], m.count, 1))) return fail("bad count line");
    auto bound = [&](const char* key, double& value) {
        value = std::numeric_limits<double>::quiet_NaN();
        if (!keyLine(key, w)) return true;
        if (w.size() != 2) return false;
        const char* end = w[1].data() + w[1].size();
        const auto r = std::from_chars(w[1].data(), end, value);
        return r.ec == std::errc() && r.ptr == end && std::isfinite(value) && value >= 0;
    };
    if (!bound("max-angle", m.maxAngle)) return fail("bad max-angle line");
    if (!bound("max-error", m.maxError)) return fail("bad max-error line");
    long long tileCount = 0;
    if (!keyLine("tiles", w) || w.size() != 2 || !parseCount(w[1], tileCount, 0)) return fail("bad tiles line");
    m.tiles.clear();
    long long faceSum = 0;
    std::set<std::string> names;
    while (std::getline(in, line)) {
        w = splitWords(line);
        TileEntry t;
        if (w.size() < 4 || w[0] != "tile" || !plainTileName(w[1], m.format) || !parseCount(w[2], t.faces, 1) ||
            !parseCount(w[3], t.vertices, 1))
            return fail("bad tile line " + std::to_string(m.tiles.size() + 1));
        if (m.count > 0 && (w.size() < 6 || !parseCount(w[4], t.target, 1)))
            return fail("tile line " + std::to_string(m.tiles.size() + 1) + " has no target");
        if (!names.insert(w[1]).second) return fail("tile " + w[1] + " is listed twice");
        // Tile vertices are input vertices; merge keeps a number for each.
        if (t.vertices > m.vertices)
            return fail("tile line " + std::to_string(m.tiles.size() + 1) + " has more vertices than the input");
        t.name = w[1];
        faceSum += t.faces;
        m.tiles.push_back(std::move(t));
    }
    if (static_cast<long long>(m.tiles.size()) != tileCount) return fail("tile lines do not match the tile count");
    if (faceSum != m.faces) return fail("tile faces do not add up to the faces");
    return true;
}

}  // namespace zeq::tiles
