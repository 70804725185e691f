#include "zeq/run_request.h"

#include <cctype>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "io/carried_data.h"
#include "io/mesh_files.h"
#include "io/vertex_origins.h"
#include "io/written_mesh.h"
#include "mesh/mesh.h"
#include "mesh/process_clock.h"
#include "orient/orient_faces.h"
#include "simplify/collapse_bounds.h"
#include "simplify/run_simplification.h"
#include "simplify/simplification_state.h"
#include "zeq/messages.h"

namespace zeq {

int parseFaceCount(const char* text) {
    const char* p = text;
    while (std::isspace(static_cast<unsigned char>(*p))) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    long long value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        if (value <= INT_MAX) value = value * 10 + (*p - '0');
    }
    if (negative) return value > INT_MAX ? INT_MIN : static_cast<int>(-value);
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

bool ratioOfFaces(const char* text, long long faces, long long& target) {
    // The decimal as m × 10^exponent, m of at most 18 significant digits
    // (later ones cannot move the floor of a face count's share).
    std::uint64_t m = 0;
    int digits = 0;
    long long exponent = 0;
    bool any = false, point = false;
    const char* p = text;
    for (;; ++p) {
        if (*p == '.' && !point) {
            point = true;
            continue;
        }
        if (*p < '0' || *p > '9') break;
        any = true;
        if (m == 0 && *p == '0') {
            if (point) --exponent;
            continue;
        }
        if (digits < 18) {
            m = m * 10 + static_cast<std::uint64_t>(*p - '0');
            ++digits;
            if (point) --exponent;
        } else if (!point) {
            ++exponent;
        }
    }
    if (!any) return false;
    if (*p == 'e' || *p == 'E') {
        ++p;
        bool negative = false;
        if (*p == '+' || *p == '-') negative = *p++ == '-';
        if (*p < '0' || *p > '9') return false;
        long long e = 0;
        for (; *p >= '0' && *p <= '9'; ++p)
            if (e < 100000) e = e * 10 + (*p - '0');
        exponent += negative ? -e : e;
    }
    // Strictly between 0 and 1: not zero, and fewer digits than places.
    if (*p != '\0' || m == 0 || digits + exponent > 0) return false;
    const long long places = -exponent;
    if (places > 36) {
        target = 0;  // faces × m < 10^28
        return true;
    }
    unsigned __int128 scale = 1;
    for (long long i = 0; i < places; ++i) scale *= 10;
    target = static_cast<long long>(static_cast<unsigned __int128>(faces) * m / scale);
    return true;
}

bool parseBound(const char* text, double least, double most, double& value) {
    const char* end = text + std::strlen(text);
    const auto r = std::from_chars(text, end, value);
    return r.ec == std::errc() && r.ptr == end && text != end && std::isfinite(value) && value >= least &&
           value <= most;
}

namespace {

// The face count a level aims at, out of `inputFaces` (the run's input).
int levelTarget(const RunRequest& request, std::size_t level, std::size_t inputFaces) {
    const char* text = request.targetOf(level);
    if (text == nullptr) return 0;
    if (!request.ratios) return parseFaceCount(text);
    long long share = 0;
    ratioOfFaces(text, static_cast<long long>(inputFaces), share);
    return static_cast<int>(share);
}

Refusal failure(Failure kind, const char* text) { return Refusal{kind, "", "", text}; }

}  // namespace

// The formats are the message table's, each with one %s for the name.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
void Refusal::print() const {
    std::printf(format, name);
    std::printf("%s", text);
}

Status Refusal::status() const {
    Status s;
    s.failure = failure;
    std::string message(std::strlen(format) + std::strlen(name), '\0');
    const int length = std::snprintf(message.data(), message.size() + 1, format, name);
    message.resize(length < 0 ? 0 : static_cast<std::size_t>(length));
    s.message = message + text;
    return s;
}
#pragma GCC diagnostic pop

Refusal readFailure(const char* name, ReadStatus status) {
    const Failure kind = status == ReadStatus::OutOfMemory    ? Failure::OutOfMemory
                         : status == ReadStatus::FileNotFound ? Failure::CannotRead
                                                              : Failure::BadInput;
    return Refusal{kind,
                   messages::kReadFailurePrefix, name, readStatusText(status)};
}

Refusal simplifyLevel(const LevelRequest& request, long long clockStart, Figures& figures) {
    // Orienting and simplifying allocate as they go (the orientation's
    // queue, the incidence lists that grow as collapses merge stars).
    // Running out of memory there ends the run with its own line.
    RunState& run = currentRun();
    Mesh& mesh = run.mesh;
    try {
        orientFaces(mesh);
        if (request.timing) {
            figures.orientSeconds = secondsSince(clockStart);
            consolePrintf(messages::kOrientingTime, figures.orientSeconds);
        }

        // The request is checked only now, on the loaded and oriented mesh.
        const std::size_t faceCount = mesh.faces.size();
        figures.inputVertices = static_cast<long long>(mesh.vertices.size());
        figures.inputFaces = static_cast<long long>(faceCount);
        run.thresholdPercent = startingThreshold(request.targetFaces, faceCount);
        const auto target32 = static_cast<std::uint32_t>(request.targetFaces);
        if (!request.countSwitch || target32 >= faceCount) return failure(Failure::BadRequest, messages::kShortUsage);
        figures.target = target32;

        if (request.report) {
            if (!std::isnan(request.maxAngle))
                collapseBounds().cosineFloor = std::cos(request.maxAngle * (3.14159265358979323846 / 180.0));
            startTrackingDistances(mesh);
            const double diagonal = boxDiagonal(mesh);
            if (!std::isnan(request.maxError)) collapseBounds().maxDistance = request.maxError * diagonal;
            runSimplification(target32, request.timing);
            const double distance = largestDistance(mesh);
            figures.largestTilt = largestTilt(mesh);
            figures.distanceBound = diagonal > 0 ? distance / diagonal : 0.0;
            consolePrintf(messages::kLargestTilt, figures.largestTilt);
            consolePrintf(messages::kDistanceBound, figures.distanceBound);
        } else {
            runSimplification(target32, request.timing);
        }
    } catch (const std::bad_alloc&) {
        return failure(Failure::OutOfMemory, messages::kOutOfMemory);
    }
    figures.collapses = run.collapseCount;
    figures.vertices = static_cast<long long>(mesh.vertices.size()) - run.collapseCount;
    figures.edges = static_cast<long long>(mesh.edges.size()) - 3LL * run.collapseCount;
    figures.faces = liveFaceCount(mesh);
    figures.threshold = static_cast<double>(run.thresholdPercent);
    figures.simplifySeconds = simplificationState().printedSeconds;
    figures.passes = simplificationState().passes;
    return Refusal{};
}

Refusal runRequest(const RunRequest& request, std::vector<Level>* levelsDone) {
    const bool timingEnabled = request.timing;
    const std::size_t levels = request.levels();
    const MeshFormat format = formatOfName(request.input);
    FileFlavour flavour;
    WrittenMesh written;
    std::string levelInput, levelOutput, levelOrigins;
    std::size_t inputFaces = 0;
    for (std::size_t level = 0; level < levels; ++level) {
        const char* inputName = level == 0 ? request.input : levelInput.c_str();
        const char* outputName = request.output;
        const char* origins = request.origins;
        if (levels > 1) {
            levelOutput = levelName(request.output, static_cast<int>(level) + 1);
            outputName = levelOutput.c_str();
            if (origins != nullptr) {
                levelOrigins = levelName(request.origins, static_cast<int>(level) + 1);
                origins = levelOrigins.c_str();
            }
        }
        consolePrintf(messages::kInputLine, inputName);
        long long clockStart = timingEnabled ? processClockMs() : 0;
        const ReadStatus status =
            level == 0 ? readMeshFile(theMesh(), format, inputName, flavour, request.welding, request.carrying)
                       : written.load(theMesh(), inputName, flavour, request.welding, request.carrying);
        if (status != ReadStatus::Loaded) return readFailure(inputName, status);
        if (flavour.carried)
            for (const std::string& note : flavour.carried->notes) consolePrintf("%s", note.c_str());
        Figures figures;
        if (timingEnabled) {
            figures.loadSeconds = secondsSince(clockStart);
            consolePrintf(messages::kLoadingTime, figures.loadSeconds);
            clockStart = processClockMs();
        }

        LevelRequest levelRequest;
        if (level == 0) inputFaces = theMesh().faces.size();
        levelRequest.targetFaces = levelTarget(request, level, inputFaces);
        levelRequest.countSwitch = request.countSwitch;
        levelRequest.timing = timingEnabled;
        levelRequest.report = request.report;
        levelRequest.maxAngle = request.maxAngle;
        levelRequest.maxError = request.maxError;
        if (const Refusal refusal = simplifyLevel(levelRequest, clockStart, figures)) return refusal;
        const bool targetReached = figures.faces <= figures.target;

        if (timingEnabled) clockStart = processClockMs();
        // Before a further level, what is written is kept too, to load it
        // from (the records are taken while the writer runs).
        const bool more = level + 1 < levels;
        std::string* bytes = nullptr;
        int wrote = 1;
        try {
            if (more) {
                bytes = written.bytesFor(theMesh(), flavour);
                written.startKeeping(theMesh(), format, flavour);
            }
            wrote = writeMeshFile(theMesh(), format, outputName, flavour, bytes);
            if (more) written.finishKeeping();
        } catch (const std::bad_alloc&) {
            if (wrote == 0) return failure(Failure::OutOfMemory, messages::kOutOfMemory);
        }
        if (wrote != 0 || (origins != nullptr && writeVertexOrigins(theMesh(), format, flavour, origins) != 0))
            return Refusal{Failure::CannotWrite, messages::kWriteFailure, wrote != 0 ? outputName : origins, ""};
        if (timingEnabled) {
            consolePrintf(messages::kWritingTime, secondsSince(clockStart));
            consolePrintf("%s", messages::kNormalEnd);
        }
        // A level left above its target ends the chain: what the next would
        // start from is not what was asked for.
        if (levelsDone != nullptr) {
            Level& done = levelsDone->emplace_back();
            done.figures = figures;
            done.targetReached = targetReached;
        }
        if (!more || !targetReached) break;
        levelInput = outputName;
        currentRun().reset();
    }
    return Refusal{};
}

}  // namespace zeq
