// zeq_io_baseline: the yardstick for zeq's loading and writing times.
//
//   zeq_io_baseline IN [OUT] [--repeat N]
//
// Reads the mesh file IN (binary PLY when the name ends in ".ply", OFF when it
// ends in "off", SMF otherwise, in any case) into one buffer, parses every
// number into std::vector<double> (coordinates) and std::vector<int> (face
// corners), then writes them back in the same layout and, if OUT is given,
// writes that to OUT. Text is parsed with std::from_chars and formatted with
// std::to_chars (shortest round-trip form for doubles); binary PLY records are
// decoded from their bytes and encoded back into bytes of the input's byte
// order and coordinate type.
//
// It prints
//
//   parse X s, format Y s
//
// where X covers reading the file and parsing (decoding) it, and Y covers
// formatting (encoding) and (with OUT) writing the result; each is the best of
// N runs (default 3), in processor time like zeq's stage times. A second line
// breaks both down; for text it also gives the time to format the
// coordinates like %g (to_chars general, 6 digits), the form zeq writes.
//
// The parser is deliberately plain: it accepts the files that zeq_gen_mesh,
// zeq_mesh_to_ply and zeq write (v/f lines and # comments in SMF; "OFF",
// counts, coordinates and "n i j k" faces in OFF; the one binary PLY layout of
// mesh_text.h) and stops with status 1 on anything it cannot read.

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "mesh_text.h"

namespace {

using zeq_bench::Clock;
using zeq_bench::MeshNumbers;
using zeq_bench::secondsBetween;

// ----- Formatting -----

// Formats into a fixed chunk of kChunk bytes; a full chunk goes to the output
// file (if any) and is reused, as a buffered writer would do. The time spent
// in fwrite is summed separately. The chunk is owned by the caller and kept
// across rounds, so first-touch page faults do not count against the best
// round.
constexpr size_t kChunk = size_t{64} << 10;

class TextOut {
public:
    TextOut(std::FILE* file, std::vector<char>& chunk) : file_(file), buf_(chunk) {}
    void raw(const char* s, size_t n) {
        room(n);
        std::memcpy(buf_.data() + used_, s, n);
        used_ += n;
    }
    void ch(char c) {
        room(1);
        buf_[used_++] = c;
    }
    void num(double d) {
        room(32);
        auto r = std::to_chars(buf_.data() + used_, buf_.data() + buf_.size(), d);
        used_ = static_cast<size_t>(r.ptr - buf_.data());
    }
    void numG6(double d) {
        room(32);
        auto r = std::to_chars(buf_.data() + used_, buf_.data() + buf_.size(), d, std::chars_format::general, 6);
        used_ = static_cast<size_t>(r.ptr - buf_.data());
    }
    // One binary number, byte-swapped when `swap`.
    template <class T>
    void bin(T value, bool swap) {
        room(sizeof(T));
        zeq_bench::storeBytes(buf_.data() + used_, value, swap);
        used_ += sizeof(T);
    }
    // Makes room for `n` bytes written next through bin() or ch().
    void reserve(size_t n) { room(n); }
    void num(long long i) {
        room(24);
        auto r = std::to_chars(buf_.data() + used_, buf_.data() + buf_.size(), i);
        used_ = static_cast<size_t>(r.ptr - buf_.data());
    }
    // Writes out what is left; false if the file refused it.
    bool finish() {
        flush();
        return ok_;
    }
    size_t total() const { return total_; }
    double writeSeconds() const { return writeSeconds_; }

private:
    void room(size_t n) {
        if (buf_.size() - used_ < n) flush();
    }
    void flush() {
        if (file_ && used_) {
            auto t0 = Clock::now();
            if (std::fwrite(buf_.data(), 1, used_, file_) != used_) ok_ = false;
            writeSeconds_ += secondsBetween(t0, Clock::now());
        }
        total_ += used_;
        used_ = 0;
    }
    std::FILE* file_;
    std::vector<char>& buf_;
    size_t used_ = 0;
    size_t total_ = 0;
    double writeSeconds_ = 0;
    bool ok_ = true;
};

template <bool G6>
void formatMesh(const MeshNumbers& m, bool off, TextOut& out) {
    size_t nv = m.coords.size() / 3;
    if (off) {
        out.raw("OFF\n", 4);
        out.num(static_cast<long long>(nv));
        out.ch(' ');
        out.num(static_cast<long long>(m.faceSizes.size()));
        out.raw(" 0\n", 3);
    } else {
        out.raw("#SMF\n", 5);
    }
    for (size_t v = 0; v < nv; ++v) {
        if (!off) out.raw("v ", 2);
        for (int k = 0; k < 3; ++k) {
            if constexpr (G6)
                out.numG6(m.coords[v * 3 + k]);
            else
                out.num(m.coords[v * 3 + k]);
            out.ch(k < 2 ? ' ' : '\n');
        }
    }
    size_t c = 0;
    for (int n : m.faceSizes) {
        if (off) {
            out.num(static_cast<long long>(n));
        } else {
            out.ch('f');
        }
        for (int k = 0; k < n; ++k) {
            out.ch(' ');
            out.num(static_cast<long long>(m.corners[c++]));
        }
        out.ch('\n');
    }
}

// Encodes the records as binary PLY of the form `form`, the layout
// zeq_mesh_to_ply and zeq write.
bool encodePly(const MeshNumbers& m, const zeq_bench::PlyForm& form, TextOut& out) {
    const size_t nv = m.coords.size() / 3;
    const bool swap = form.swapped();
    const char* type = form.doubleCoordinates ? "double" : "float";
    auto text = [&out](std::string_view s) { out.raw(s.data(), s.size()); };
    text("ply\nformat ");
    text(form.bigEndian ? "binary_big_endian" : "binary_little_endian");
    text(" 1.0\nelement vertex ");
    out.num(static_cast<long long>(nv));
    for (const char* axis : {"x", "y", "z"}) {
        text("\nproperty ");
        text(type);
        out.ch(' ');
        text(axis);
    }
    text("\nelement face ");
    out.num(static_cast<long long>(m.faceSizes.size()));
    text("\nproperty list uchar int vertex_indices\nend_header\n");
    for (size_t v = 0; v < nv; ++v) {
        out.reserve(24);
        for (int k = 0; k < 3; ++k) {
            if (form.doubleCoordinates)
                out.bin(m.coords[v * 3 + k], swap);
            else
                out.bin(static_cast<float>(m.coords[v * 3 + k]), swap);
        }
    }
    size_t c = 0;
    for (int n : m.faceSizes) {
        if (n < 0 || n > 255) return false;
        out.reserve(1 + 4 * static_cast<size_t>(n));
        out.ch(static_cast<char>(n));
        for (int k = 0; k < n; ++k) out.bin(static_cast<std::int32_t>(m.corners[c++]), swap);
    }
    return true;
}

void usage() {
    std::fprintf(stderr, "usage: zeq_io_baseline IN [OUT] [--repeat N]\n");
}

}  // namespace

int main(int argc, char** argv) {
    const char* inName = nullptr;
    const char* outName = nullptr;
    int repeat = 3;
    for (int a = 1; a < argc; ++a) {
        std::string_view arg = argv[a];
        if (arg == "--repeat" && a + 1 < argc) {
            repeat = std::atoi(argv[++a]);
            if (repeat < 1) repeat = 1;
        } else if (!inName) {
            inName = argv[a];
        } else if (!outName) {
            outName = argv[a];
        } else {
            usage();
            return 1;
        }
    }
    if (!inName) {
        usage();
        return 1;
    }
    const bool ply = zeq_bench::endsWithPly(inName);
    const bool off = !ply && zeq_bench::endsWithOff(inName);
    zeq_bench::PlyForm form;

    constexpr double kInf = std::numeric_limits<double>::infinity();
    double bestRead = kInf, bestParse = kInf, bestParseTotal = kInf;
    double bestFormat = kInf, bestWrite = kInf, bestFormatTotal = kInf, bestG6 = kInf;
    std::string buf;
    MeshNumbers mesh;
    size_t textSize = 0;
    std::vector<char> chunk(kChunk);

    for (int r = 0; r < repeat; ++r) {
        // Fresh containers each round, so growth is part of the measured cost.
        std::string().swap(buf);
        MeshNumbers fresh;
        std::swap(mesh, fresh);

        auto t0 = Clock::now();
        if (!zeq_bench::readWholeFile(inName, buf)) {
            std::fprintf(stderr, "zeq_io_baseline: cannot read %s\n", inName);
            return 1;
        }
        auto t1 = Clock::now();
        bool ok = ply   ? zeq_bench::parsePly(buf.data(), buf.data() + buf.size(), mesh, form)
                  : off ? zeq_bench::parseOff(buf.data(), buf.data() + buf.size(), mesh)
                        : zeq_bench::parseSmf(buf.data(), buf.data() + buf.size(), mesh);
        auto t2 = Clock::now();
        if (!ok) {
            std::fprintf(stderr, "zeq_io_baseline: cannot parse %s\n", inName);
            return 1;
        }
        bestRead = std::min(bestRead, secondsBetween(t0, t1));
        bestParse = std::min(bestParse, secondsBetween(t1, t2));
        bestParseTotal = std::min(bestParseTotal, secondsBetween(t0, t2));

        std::FILE* file = nullptr;
        double writeTime = 0;
        auto t3 = Clock::now();
        if (outName && !(file = std::fopen(outName, "wb"))) {
            std::fprintf(stderr, "zeq_io_baseline: cannot write %s\n", outName);
            return 1;
        }
        TextOut text(file, chunk);
        if (ply) {
            if (!encodePly(mesh, form, text)) {
                std::fprintf(stderr, "zeq_io_baseline: a face of %s has more than 255 corners\n", inName);
                return 1;
            }
        } else {
            formatMesh<false>(mesh, off, text);
        }
        bool written = text.finish();
        if (file) {
            auto c0 = Clock::now();
            written = std::fclose(file) == 0 && written;
            double closing = secondsBetween(c0, Clock::now());
            writeTime = text.writeSeconds() + closing;
        }
        auto t4 = Clock::now();
        if (!written) {
            std::fprintf(stderr, "zeq_io_baseline: cannot write %s\n", outName);
            return 1;
        }
        double formatTotal = secondsBetween(t3, t4);
        bestFormatTotal = std::min(bestFormatTotal, formatTotal);
        bestFormat = std::min(bestFormat, formatTotal - writeTime);
        bestWrite = std::min(bestWrite, writeTime);
        textSize = text.total();
        if (ply) continue;  // binary coordinates have no %g form

        TextOut g6(nullptr, chunk);
        auto t6 = Clock::now();
        formatMesh<true>(mesh, off, g6);
        g6.finish();
        auto t7 = Clock::now();
        bestG6 = std::min(bestG6, secondsBetween(t6, t7));
        if (g6.total() == 0) return 2;  // keeps the %g-like pass from being dropped
    }

    std::printf("parse %.4f s, format %.4f s\n", bestParseTotal, bestFormatTotal);
    if (ply)
        std::printf("  read %.4f s + decode %.4f s; encode %.4f s + write %.4f s; "
                    "%zu vertices, %zu faces, %zu input bytes, %zu output bytes\n",
                    bestRead, bestParse, bestFormat, bestWrite, mesh.coords.size() / 3, mesh.faceSizes.size(),
                    buf.size(), textSize);
    else
        std::printf("  read %.4f s + from_chars %.4f s; to_chars %.4f s + write %.4f s; "
                    "%%g-like to_chars %.4f s; %zu vertices, %zu faces, %zu input bytes, %zu output bytes\n",
                    bestRead, bestParse, bestFormat, bestWrite, bestG6, mesh.coords.size() / 3,
                    mesh.faceSizes.size(), buf.size(), textSize);
    return 0;
}
