#include "mesh/mesh.h"

#include <cstdarg>
#include <cstdio>
#include <string>

namespace zeq {

thread_local constinit RunState* activeRun = nullptr;

void consolePrintf(const char* format, ...) {
    const ConsoleSink& console = currentRun().console;
    if (console.write == nullptr) return;
    char buffer[512];
    std::va_list args;
    va_start(args, format);
    std::va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (length < 0) {
        va_end(again);
        return;
    }
    if (static_cast<std::size_t>(length) < sizeof buffer) {
        va_end(again);
        console.write(console.context, buffer, static_cast<std::size_t>(length));
        return;
    }
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, again);
    va_end(again);
    console.write(console.context, text.data(), static_cast<std::size_t>(length));
}

ConsoleSink standardOutput() {
    return ConsoleSink{[](void*, const char* text, std::size_t length) { std::fwrite(text, 1, length, stdout); }, nullptr};
}

Mesh::~Mesh() { clear(); }

void Mesh::clear() {
    vertices.clear();
    edges.clear();
    faces.clear();
    // Each record's destructor gives back its lists' storage.
    vertexRecords_.clear();
    edgeRecords_.clear();
    faceRecords_.clear();
    edgeNumbers_.clear();
    faceNumbers_.clear();
    std::vector<std::uint64_t>().swap(collapsedBits_);
    attributes.reset();
    ++generation_;
}

RunState::~RunState() {
    // The records give their lists' blocks back to this run's pools.
    RunScope scope(*this);
    mesh.clear();
    simplification.reset();
}

void RunState::reset() {
    RunScope scope(*this);
    mesh.clear();
    neighbourhood.kind = 0;
    neighbourhood.vertices.clear();
    neighbourhood.edges.clear();
    neighbourhood.faces.clear();
    collapseCount = 0;
    thresholdPercent = 100.0f;
    simplification.reset();
}

}  // namespace zeq
