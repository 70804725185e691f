#include "tiles/split.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <system_error>
#include <vector>

#include "zeq/run_request.h"
#include "io/carried_data.h"
#include "io/output_file.h"
#include "io/record_files.h"
#include "mesh/flat_array.h"
#include "tiles/grid.h"
#include "tiles/report.h"

namespace zeq::tiles {

std::string readFailureText(const std::string& fileName, ReadStatus status) {
    std::string text = "Reading <" + fileName + ">: " + readStatusText(status);
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

namespace {

namespace fs = std::filesystem;

// The first reading: every position, and the faces too unless the input is a
// binary PLY, whose faces are read again instead of being held.
class FirstPass : public RecordSink {
public:
    FirstPass(MeshFormat format, const FileFlavour& flavour) : format_(format), flavour_(flavour) {}

    // Grown by moving pages, not by copying (see FlatArray): the peak is the
    // records read, not one and a half times them.
    FlatArray<double> positions;
    FlatArray<std::uint32_t> corners;
    long long faces = 0;
    bool heldFaces() const { return !streamed_; }

protected:
    void onVertex(double x, double y, double z) override {
        positions.emplaceBack(x);
        positions.emplaceBack(y);
        positions.emplaceBack(z);
    }
    void onFace(std::uint32_t i, std::uint32_t j, std::uint32_t k) override {
        // The flavour is known once the header is read, long before a face.
        if (faces == 0) streamed_ = format_ == MeshFormat::Ply && flavour_.binary();
        ++faces;
        if (!streamed_) {
            corners.emplaceBack(i);
            corners.emplaceBack(j);
            corners.emplaceBack(k);
        }
    }

private:
    MeshFormat format_;
    const FileFlavour& flavour_;
    bool streamed_ = false;
};

// A reading again that hands each face to a callback.
class FaceStream : public RecordSink {
public:
    explicit FaceStream(std::function<void(const std::uint32_t*)> onEach) : onEach_(std::move(onEach)) {}

protected:
    void onVertex(double, double, double) override {}
    void onFace(std::uint32_t i, std::uint32_t j, std::uint32_t k) override {
        const std::uint32_t f[3] = {i, j, k};
        onEach_(f);
    }

private:
    std::function<void(const std::uint32_t*)> onEach_;
};

// The faces grouped by tile in an unnamed temporary file: each tile's faces
// lie together, in input order, at the tile's offset, `words` numbers each
// (the three corners, and the face's input number when it carries values).
// Faces collect in a small buffer per tile on their way to the file.
class FaceSpill {
public:
    FaceSpill(const std::string& dir, const std::vector<long long>& firstFace, std::size_t words)
        : first_(firstFace), words_(words) {
        const std::string name = dir + "/.faces";
        fd_ = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd_ >= 0) ::unlink(name.c_str());
        const std::size_t tiles = first_.size() - 1;
        perTile_ = std::clamp<std::size_t>((std::size_t{64} << 20) / (4 * words_) / std::max<std::size_t>(tiles, 1), 16,
                                           4096);
        buffers_.resize(tiles);
        written_.assign(tiles, 0);
    }
    ~FaceSpill() {
        if (fd_ >= 0) ::close(fd_);
    }
    bool ok() const { return fd_ >= 0 && !failed_; }

    void put(std::size_t tile, const std::uint32_t* f) {
        std::vector<std::uint32_t>& b = buffers_[tile];
        if (b.capacity() == 0) b.reserve(words_ * perTile_);
        b.insert(b.end(), f, f + words_);
        if (b.size() >= words_ * perTile_) flush(tile);
    }
    void flushAll() {
        for (std::size_t t = 0; t < buffers_.size(); ++t) {
            flush(t);
            std::vector<std::uint32_t>().swap(buffers_[t]);
        }
    }
    bool read(std::size_t tile, std::vector<std::uint32_t>& corners) {
        const long long count = first_[tile + 1] - first_[tile];
        const auto bytes = static_cast<long long>(4 * words_);
        corners.resize(static_cast<std::size_t>(count) * words_);
        return transfer(false, corners.data(), static_cast<std::size_t>(bytes * count), bytes * first_[tile]);
    }

private:
    void flush(std::size_t tile) {
        std::vector<std::uint32_t>& b = buffers_[tile];
        if (b.empty()) return;
        const long long at = static_cast<long long>(4 * words_) * (first_[tile] + written_[tile]);
        if (!transfer(true, b.data(), 4 * b.size(), at)) failed_ = true;
        written_[tile] += static_cast<long long>(b.size() / words_);
        b.clear();
    }
    bool transfer(bool write, std::uint32_t* data, std::size_t bytes, long long at) {
        char* p = reinterpret_cast<char*>(data);
        while (bytes > 0) {
            const ssize_t n = write ? ::pwrite(fd_, p, bytes, at) : ::pread(fd_, p, bytes, at);
            if (n <= 0) return false;
            p += n;
            bytes -= static_cast<std::size_t>(n);
            at += n;
        }
        return true;
    }

    int fd_ = -1;
    bool failed_ = false;
    const std::vector<long long>& first_;
    std::size_t words_;
    std::size_t perTile_ = 16;
    std::vector<std::vector<std::uint32_t>> buffers_;
    std::vector<long long> written_;
};

bool emptyOrMissing(const std::string& dir) {
    std::error_code ec;
    const fs::file_status st = fs::symlink_status(dir, ec);
    if (!fs::exists(st)) return true;
    if (!fs::is_directory(fs::status(dir, ec))) return false;
    return fs::is_empty(dir, ec) && !ec;
}

// What a split has put in its directory so far, taken away again when the
// split fails: a directory without a manifest is no use to anyone, and a split
// into it again must find it empty.
struct Written {
    bool createdDir = false;
    std::vector<std::string> files;

    void undo(const std::string& dir) const {
        std::error_code ec;
        for (const std::string& f : files) fs::remove(f, ec);
        fs::remove(dir + "/simplified", ec);  // only while empty
        if (createdDir) fs::remove(dir, ec);
    }
};

// What the tile's vertices, corners and faces carry, taken from the input's:
// `used` are the tile's vertices by input number, `faces` its faces as
// spilled (corners, input face number), `numberInTile` each used input
// vertex's number in the tile.
std::unique_ptr<MeshAttributes> tileAttributes(const MeshAttributes& input, const std::vector<std::uint32_t>& used,
                                               const std::vector<std::uint32_t>& faces,
                                               const std::vector<std::uint32_t>& numberInTile) {
    auto tile = std::make_unique<MeshAttributes>();
    tile->vertexLayout = input.vertexLayout;
    tile->vertexPart = input.vertexPart;
    tile->faceLayout = input.faceLayout;
    const std::size_t faceCount = faces.size() / 4;
    tile->resizeVertices(used.size());
    tile->resizeFaces(faceCount);
    const std::size_t vertexBytes = input.vertexLayout.stride();
    const std::size_t faceBytes = input.faceLayout.stride();
    for (std::size_t v = 0; v < used.size(); ++v) {
        const VertexId from(used[v]), to(static_cast<std::uint32_t>(v));
        if (vertexBytes > 0) std::memcpy(tile->vertexRecord(to), input.vertexRecord(from), vertexBytes);
        if (input.held(from)) tile->hold(to);
    }
    for (std::size_t f = 0; f < faceCount; ++f) {
        const FaceId from(faces[4 * f + 3]), to(static_cast<std::uint32_t>(f));
        if (faceBytes > 0) std::memcpy(tile->faceRecord(to), input.faceRecord(from), faceBytes);
        for (std::size_t c = 0; c < 3; ++c) {
            const VertexId v(faces[4 * f + c]);
            if (!input.held(v)) continue;
            const unsigned char* record = input.cornerRecord(from, v);
            if (record != input.vertexRecord(v)) tile->setCornerRecord(to, VertexId(numberInTile[v.index()]), record);
        }
    }
    return tile;
}

// DIR/NAME.shared: "TILE INPUT" for each of the tile's vertices that other
// tiles use too.
bool writeShared(const std::string& path, const std::vector<std::uint32_t>& used, const std::vector<bool>& shared) {
    OutputFile out;
    if (!out.open(path.c_str())) return false;
    for (std::size_t v = 0; v < used.size(); ++v)
        if (shared[used[v]]) out.print("%zu %u\n", v, used[v]);
    return out.commit();
}

int splitInto(const SplitRequest& request, Manifest& manifest, const volatile int* stop, Written& written) {
    const char* input = request.input.c_str();
    const MeshFormat format = formatOfName(input);
    if (!emptyOrMissing(request.dir)) {
        report("directory " + request.dir + " is not empty!");
        return 1;
    }

    FileFlavour flavour;
    FirstPass first(format, flavour);
    // What the input carries besides positions goes to every tile, as zeq
    // would write it.
    std::unique_ptr<MeshAttributes> carried;
    const ReadStatus status = readRecords(format, input, first, flavour, RecordReading{true, &carried});
    if (status != ReadStatus::Loaded) {
        report(readFailureText(request.input, status));
        return 1;
    }
    if (flavour.carried)
        for (const std::string& note : flavour.carried->notes) std::printf("%s", note.c_str());
    const std::size_t vertexCount = first.positions.size() / 3;

    // The box of every vertex, and its grid.
    double lo[3] = {0.0, 0.0, 0.0}, hi[3] = {0.0, 0.0, 0.0};
    for (std::size_t v = 0; v < vertexCount; ++v)
        for (int a = 0; a < 3; ++a) {
            const double c = first.positions[3 * v + a];
            if (v == 0 || c < lo[a]) lo[a] = c;
            if (v == 0 || c > hi[a]) hi[a] = c;
        }
    const Grid grid = chooseGrid(lo, hi, first.faces, request.facesPerTile);
    const FlatArray<double>& pos = first.positions;
    auto cellOfFace = [&grid, &pos](const std::uint32_t* f) {
        double c[3];
        for (int a = 0; a < 3; ++a) c[a] = centroid(pos[3 * f[0] + a], pos[3 * f[1] + a], pos[3 * f[2] + a]);
        return grid.cellOf(c[0], c[1], c[2]);
    };
    // Every face in input order, from memory or read again.
    bool rereadFailed = false;
    auto forEachFace = [&](const std::function<void(const std::uint32_t*)>& onEach) {
        if (first.heldFaces()) {
            for (std::size_t i = 0; i < first.corners.size(); i += 3) onEach(&first.corners[i]);
            return;
        }
        FaceStream again(onEach);
        FileFlavour same;
        if (readRecords(format, input, again, same) != ReadStatus::Loaded || again.vertexCount() != static_cast<long long>(vertexCount))
            rereadFailed = true;
    };

    std::vector<long long> perCell(static_cast<std::size_t>(grid.cellCount()), 0);
    forEachFace([&](const std::uint32_t* f) { ++perCell[static_cast<std::size_t>(cellOfFace(f))]; });
    // The non-empty cells become tiles, in cell order.
    std::vector<long long> tileOfCell(perCell.size(), -1);
    std::vector<long long> firstFace{0};
    for (std::size_t c = 0; c < perCell.size(); ++c) {
        if (perCell[c] == 0) continue;
        tileOfCell[c] = static_cast<long long>(firstFace.size() - 1);
        firstFace.push_back(firstFace.back() + perCell[c]);
    }
    const std::size_t tileCount = firstFace.size() - 1;

    std::error_code ec;
    written.createdDir = !fs::exists(request.dir, ec);
    fs::create_directories(request.dir + "/simplified", ec);
    if (ec) {
        report("cannot create directory " + request.dir + "/simplified!");
        return 1;
    }
    const std::size_t words = carried ? 4 : 3;
    FaceSpill spill(request.dir, firstFace, words);
    if (!spill.ok()) {
        report("cannot write in directory " + request.dir + "!");
        return 1;
    }
    // The vertices that faces of several tiles use: the tiles share them, and
    // the merge makes them one again.
    constexpr std::uint32_t kNoTile = 0xFFFFFFFFu;
    std::vector<std::uint32_t> firstTile(vertexCount, kNoTile);
    std::vector<bool> shared(vertexCount, false);
    std::uint32_t faceNumber = 0;
    forEachFace([&](const std::uint32_t* f) {
        const auto tile = static_cast<std::uint32_t>(tileOfCell[static_cast<std::size_t>(cellOfFace(f))]);
        for (int c = 0; c < 3; ++c) {
            std::uint32_t& t = firstTile[f[c]];
            if (t == kNoTile) t = tile;
            if (t != tile) shared[f[c]] = true;
        }
        const std::uint32_t record[4] = {f[0], f[1], f[2], faceNumber++};
        spill.put(tile, record);
    });
    std::vector<std::uint32_t>().swap(firstTile);
    spill.flushAll();
    first.corners.clear();
    if (rereadFailed) {
        report(readFailureText(request.input, ReadStatus::FileNotFound));
        return 1;
    }
    if (!spill.ok()) {
        report("cannot write in directory " + request.dir + "!");
        return 1;
    }

    long long count = request.count;
    if (request.ratio != nullptr && (!ratioOfFaces(request.ratio, first.faces, count) || count < 1)) {
        report("a ratio of " + std::string(request.ratio) + " keeps no face of the " + std::to_string(first.faces) +
               " of " + request.input + "!");
        return 1;
    }
    const double diagonal = std::hypot(hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]);

    manifest = Manifest{};
    manifest.input = request.input;
    manifest.maxAngle = request.maxAngle;
    manifest.maxError = request.maxError;
    manifest.format = format;
    manifest.flavour = flavour;
    manifest.vertices = static_cast<long long>(vertexCount);
    manifest.faces = first.faces;
    for (int a = 0; a < 3; ++a) manifest.grid[a] = grid.n[a];
    manifest.facesPerTile = request.facesPerTile;
    manifest.count = count;

    std::vector<std::uint32_t> faces;
    std::vector<std::uint32_t> used;
    // The number in the tile of each input vertex the tile uses.
    std::vector<std::uint32_t> numberInTile(vertexCount, 0);
    PlainMesh tile;
    for (std::size_t t = 0; t < tileCount; ++t) {
        if (stop != nullptr && *stop != 0) return 1;
        if (!spill.read(t, faces)) {
            report("cannot read back the faces of tile " + std::to_string(t) + "!");
            return 1;
        }
        const std::size_t faceCount = faces.size() / words;
        // The tile's vertices renumbered from 0 as zeq numbers them on
        // loading the tile: in ascending input order, or for STL, whose
        // facets name positions, in the order the faces first name them.
        used.clear();
        for (std::size_t f = 0; f < faceCount; ++f)
            for (std::size_t c = 0; c < 3; ++c) used.push_back(faces[words * f + c]);
        if (format == MeshFormat::Stl) {
            std::size_t kept = 0;
            for (std::size_t i = 0; i < used.size(); ++i) {
                const std::uint32_t v = used[i];
                if (numberInTile[v] == 0) {
                    numberInTile[v] = 1;
                    used[kept++] = v;
                }
            }
            used.resize(kept);
        } else {
            std::sort(used.begin(), used.end());
            used.erase(std::unique(used.begin(), used.end()), used.end());
        }
        for (std::size_t v = 0; v < used.size(); ++v) numberInTile[used[v]] = static_cast<std::uint32_t>(v);
        tile.positions.resize(3 * used.size());
        for (std::size_t v = 0; v < used.size(); ++v)
            for (int a = 0; a < 3; ++a) tile.positions[3 * v + a] = pos[3 * std::size_t{used[v]} + a];
        tile.corners.resize(3 * faceCount);
        for (std::size_t f = 0; f < faceCount; ++f)
            for (std::size_t c = 0; c < 3; ++c) tile.corners[3 * f + c] = numberInTile[faces[words * f + c]];

        char name[32];
        std::snprintf(name, sizeof name, "tile-%05zu.%s", t, extensionOf(format));
        const std::string path = request.dir + "/" + name;
        written.files.push_back(path);
        long long tileFaces = static_cast<long long>(faceCount);
        if (carried) {
            written.files.push_back(path + ".origins");
            std::unique_ptr<MeshAttributes> values = tileAttributes(*carried, used, faces, numberInTile);
            if (writeCarriedMesh(tile, values, format, path.c_str(), flavour, &tileFaces,
                                 (path + ".origins").c_str()) != 0) {
                report("cannot write tile " + path + "!");
                return 1;
            }
        } else if (writePlainMesh(tile, format, path.c_str(), flavour) != 0) {
            report("cannot write tile " + path + "!");
            return 1;
        }
        written.files.push_back(path + ".shared");
        if (!writeShared(path + ".shared", used, shared)) {
            report("cannot write " + path + ".shared!");
            return 1;
        }
        for (std::uint32_t v : used) numberInTile[v] = 0;
        TileEntry entry;
        entry.name = name;
        entry.faces = tileFaces;
        entry.vertices = static_cast<long long>(used.size());
        if (count > 0) entry.target = tileTarget(count, entry.faces, manifest.faces);
        // Half of each bound for the tile; the distance as a fraction of the
        // tile's own diagonal, the same length as half the input's fraction.
        entry.maxAngle = request.maxAngle / 2;
        if (!std::isnan(request.maxError)) {
            double tileLo[3], tileHi[3];
            for (int a = 0; a < 3; ++a) tileLo[a] = tileHi[a] = tile.positions[static_cast<std::size_t>(a)];
            for (std::size_t v = 0; v < tile.vertexCount(); ++v)
                for (int a = 0; a < 3; ++a) {
                    tileLo[a] = std::min(tileLo[a], tile.positions[3 * v + a]);
                    tileHi[a] = std::max(tileHi[a], tile.positions[3 * v + a]);
                }
            const double tileDiagonal =
                std::hypot(tileHi[0] - tileLo[0], tileHi[1] - tileLo[1], tileHi[2] - tileLo[2]);
            entry.maxError = request.maxError / 2 * (tileDiagonal > 0 ? diagonal / tileDiagonal : 1.0);
        }
        manifest.tiles.push_back(std::move(entry));
    }

    // The commands first, the manifest last: a directory with a manifest is
    // a complete split.
    auto writeText = [](const std::string& path, const std::string& text) {
        OutputFile out;
        if (!out.open(path.c_str())) return false;
        out.write(text.data(), text.size());
        return out.commit();
    };
    written.files.push_back(request.dir + "/commands");
    if (count > 0 && !writeText(request.dir + "/commands", commandsText(manifest, request.dir))) {
        report("cannot write " + request.dir + "/commands!");
        return 1;
    }
    if (!writeText(request.dir + "/manifest", manifestText(manifest, request.dir))) {
        report("cannot write " + request.dir + "/manifest!");
        return 1;
    }
    return 0;
}

}  // namespace

int splitMesh(const SplitRequest& request, Manifest& manifest, const volatile int* stop) {
    Written written;
    int result = 1;
    try {
        result = splitInto(request, manifest, stop, written);
    } catch (const std::bad_alloc&) {
        report("out of memory while splitting " + request.input + "!");
    }
    if (result != 0) written.undo(request.dir);
    return result;
}

}  // namespace zeq::tiles
