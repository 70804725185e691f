// Helpers for the PLY, STL and OBJ tests: the loaded mesh as text, binary
// numbers laid out by hand, and a named pipe that feeds a reader.
#pragma once

#include <sys/stat.h>

#include <csignal>

#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <thread>

#include "tests/unit/test_mesh.h"

namespace zeq::test {

// A double with its sign and every bit visible ("-0x0p+0" for -0).
inline std::string exact(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%a", value);
    return text;
}

// Every vertex (in list order, with its exact position) and every face (its
// corners by list index, in winding order) of the global mesh, and its
// number of edges: two loads that give the same text built the same mesh.
inline std::string records() {
    std::string out;
    std::map<int, int> indexOfId;
    for (std::size_t i = 0; i < theMesh().vertices.size(); ++i) {
        const Point3 p = theMesh().vertices[i]->positionCopy();
        indexOfId[theMesh().vertices[i]->getId()] = static_cast<int>(i);
        out += "v " + exact(p.x) + " " + exact(p.y) + " " + exact(p.z) + "\n";
    }
    for (const FaceId f : theMesh().faces) {
        const Corners c = cornersOf(f);
        out += "f " + std::to_string(c[0]) + " " + std::to_string(c[1]) + " " + std::to_string(c[2]) + "\n";
    }
    return out + "edges " + std::to_string(theMesh().edges.size()) + "\n";
}

// The same for the live part only (what a writer writes), the live vertices
// numbered 0, 1, ... in list order, independently of their ids.
inline std::string liveRecords() {
    std::string out;
    std::map<int, int> number;
    for (const VertexId v : theMesh().vertices) {
        if (v->edges.empty()) continue;
        const int n = static_cast<int>(number.size());
        number[v->getId()] = n;
        const Point3 p = v->positionCopy();
        out += "v " + exact(p.x) + " " + exact(p.y) + " " + exact(p.z) + "\n";
    }
    int edges = 0;
    for (const EdgeId e : theMesh().edges) edges += e->collapsed() ? 0 : 1;
    for (const FaceId f : theMesh().faces) {
        if (f->edges.empty()) continue;
        const Corners c = cornersOf(f);
        out += "f " + std::to_string(number[c[0]]) + " " + std::to_string(number[c[1]]) + " " +
               std::to_string(number[c[2]]) + "\n";
    }
    return out + "edges " + std::to_string(edges) + "\n";
}

// The record of the i-th vertex of the global mesh as records() gives it.
inline std::string vertexRecord(double x, double y, double z) {
    return "v " + exact(x) + " " + exact(y) + " " + exact(z) + "\n";
}

// Appends `value` in the given byte order, byte by byte.
template <class T>
void put(std::string& out, T value, bool bigEndian = false) {
    unsigned char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    const bool swap = bigEndian != (std::endian::native == std::endian::big);
    for (std::size_t i = 0; i < sizeof(T); ++i) out.push_back(static_cast<char>(bytes[swap ? sizeof(T) - 1 - i : i]));
}

// A named pipe in `dir` fed with `data` by a thread of its own, so that a
// reader opening it by name sees an input of unknown size.
class FedPipe {
public:
    FedPipe(const std::string& path, std::string data) : path_(path), data_(std::move(data)) {
        // A reader may stop before the end: the writer must not die of it.
        std::signal(SIGPIPE, SIG_IGN);
        ok_ = ::mkfifo(path_.c_str(), 0600) == 0;
        if (!ok_) return;
        writer_ = std::thread([this] {
            std::FILE* f = std::fopen(path_.c_str(), "wb");
            if (f == nullptr) return;
            std::fwrite(data_.data(), 1, data_.size(), f);
            std::fclose(f);
        });
    }
    FedPipe(const FedPipe&) = delete;
    FedPipe& operator=(const FedPipe&) = delete;
    ~FedPipe() {
        if (writer_.joinable()) writer_.join();
    }
    bool ok() const { return ok_; }
    const char* name() const { return path_.c_str(); }

private:
    std::string path_;
    std::string data_;
    bool ok_ = false;
    std::thread writer_;
};

}  // namespace zeq::test
