#include "app/run_program.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "app/messages.h"
#include "io/carried_data.h"
#include "io/mesh_files.h"
#include "io/vertex_origins.h"
#include "io/written_mesh.h"
#include "mesh/mesh.h"
#include "mesh/process_clock.h"
#include "orient/orient_faces.h"
#include "simplify/collapse_bounds.h"
#include "simplify/simplification_state.h"
#include "simplify/run_simplification.h"

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

float startingThreshold(int targetFaces, std::size_t faceCount) {
    const float ratio =
        static_cast<float>(static_cast<double>(targetFaces) * 100 / static_cast<double>(faceCount));
    if (ratio >= 80) return 100;
    if (ratio >= 60) return 80;
    if (ratio >= 50) return 60;
    if (ratio >= 40) return 40;
    if (ratio >= 30) return 30;
    if (ratio >= 20) return 20;
    return 10;  // below 20, or not a number (an empty mesh)
}

CommandLine takeLongOptions(int argc, const char* const* argv) {
    CommandLine line;
    line.keep(argc > 0 ? argv[0] : "zeq");
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        // The last two arguments are always the file names.
        const bool beforeNames = i < argc - 2;
        if (beforeNames && std::strcmp(arg, "-N") == 0 && i + 1 < argc - 2) {
            // The count may be any text, an option's name included.
            line.keep(arg);
            line.keep(argv[++i]);
            continue;
        }
        if (beforeNames && line.carrying == Carrying::Attributes && std::strcmp(arg, "--no-attributes") == 0) {
            line.carrying = Carrying::PositionsOnly;
            continue;
        }
        if (line.origins == nullptr && std::strcmp(arg, "--origins") == 0 && i + 1 < argc - 2) {
            line.origins = argv[++i];
            continue;
        }
        const bool weld = std::strcmp(arg, "--weld") == 0;
        if (beforeNames && line.welding == Welding::Default && (weld || std::strcmp(arg, "--no-weld") == 0)) {
            line.welding = weld ? Welding::On : Welding::Off;
            continue;
        }
        line.keep(arg);
    }
    return line;
}

int runProgram(int argc, const char* const* argv) {
    if (usesHowFarOptions(argc, argv)) {
        RunRequest request;
        if (!parseRequest(argc, argv, request)) {
            std::printf("%s", messages::kLongUsage);
            return 1;
        }
        std::printf(messages::kBanner, messages::kReleaseDate);
        return runRequest(request);
    }
    const CommandLine line = takeLongOptions(argc, argv);
    return runShortOptions(line.count, line.args.data(), line.welding, line.carrying, line.origins);
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

namespace {

constexpr const char* kRatio = "--ratio";
constexpr const char* kMaxAngle = "--max-angle";
constexpr const char* kMaxError = "--max-error";

}  // namespace

bool parseBound(const char* text, double least, double most, double& value) {
    const char* end = text + std::strlen(text);
    const auto r = std::from_chars(text, end, value);
    return r.ec == std::errc() && r.ptr == end && text != end && std::isfinite(value) && value >= least &&
           value <= most;
}

bool usesHowFarOptions(int argc, const char* const* argv) {
    int counts = 0;
    for (int i = 1; i < argc - 2; ++i) {
        const char* arg = argv[i];
        if ((std::strcmp(arg, "-N") == 0 || std::strcmp(arg, "--origins") == 0) && i + 1 < argc - 2) {
            counts += arg[1] == 'N';
            ++i;
            continue;
        }
        if (std::strcmp(arg, kRatio) == 0 || std::strcmp(arg, kMaxAngle) == 0 || std::strcmp(arg, kMaxError) == 0)
            return true;
    }
    return counts > 1;
}

bool parseRequest(int argc, const char* const* argv, RunRequest& request) {
    if (argc < 3) return false;
    RunRequest r;
    bool welding = false, carrying = false;
    for (int i = 1; i < argc - 2; ++i) {
        const char* arg = argv[i];
        const bool hasValue = i + 1 < argc - 2;
        auto is = [arg](const char* name) { return std::strcmp(arg, name) == 0; };
        const char* last = r.targetOf(r.levels() - 1);
        if (is("-N") && hasValue && !r.ratios) {
            // Levels fall: each count below the one before.
            const char* count = argv[++i];
            if (last != nullptr && parseFaceCount(count) >= parseFaceCount(last)) return false;
            (last == nullptr ? r.target : r.moreTargets.emplace_back()) = count;
        } else if (is(kRatio) && hasValue && (r.ratios || last == nullptr)) {
            const char* ratio = argv[++i];
            long long unused = 0;
            if (!ratioOfFaces(ratio, 0, unused)) return false;
            if (last != nullptr && !(std::strtod(ratio, nullptr) < std::strtod(last, nullptr))) return false;
            r.ratios = true;
            (last == nullptr ? r.target : r.moreTargets.emplace_back()) = ratio;
        } else if (is(kMaxAngle) && hasValue && std::isnan(r.maxAngle)) {
            if (!parseBound(argv[++i], 0, 180, r.maxAngle)) return false;
        } else if (is(kMaxError) && hasValue && std::isnan(r.maxError)) {
            if (!parseBound(argv[++i], 0, std::numeric_limits<double>::max(), r.maxError)) return false;
        } else if (is("-D") && !r.timing) {
            r.timing = true;
        } else if (is("--origins") && hasValue && r.origins == nullptr) {
            r.origins = argv[++i];
        } else if (is("--no-attributes") && !carrying) {
            carrying = true;
            r.carrying = Carrying::PositionsOnly;
        } else if ((is("--weld") || is("--no-weld")) && !welding) {
            welding = true;
            r.welding = is("--weld") ? Welding::On : Welding::Off;
        } else {
            return false;
        }
    }
    r.input = argv[argc - 2];
    r.output = argv[argc - 1];
    r.report = r.ratios || !std::isnan(r.maxAngle) || !std::isnan(r.maxError);
    request = r;
    return true;
}

int runShortOptions(int argc, const char* const* argv, Welding welding, Carrying carrying, const char* origins) {
    if (argc != 5 && argc != 6) {
        std::printf("%s", messages::kLongUsage);
        return 1;
    }
    std::printf(messages::kBanner, messages::kReleaseDate);

    RunRequest r;
    r.input = argv[3];
    r.output = argv[4];
    if (argc == 6) {
        if (std::strcmp(argv[3], "-D") != 0) {
            std::printf("%s", messages::kLongUsage);
            return 1;
        }
        r.timing = true;
        r.input = argv[4];
        r.output = argv[5];
    }
    r.welding = welding;
    r.carrying = carrying;
    r.origins = origins;
    r.countSwitch = std::strcmp(argv[1], "-N") == 0;
    r.target = argv[2];
    return runRequest(r);
}

namespace {

// Puts the run's state back as a new process has it, for the next level.
void startAfresh() {
    currentRun().reset();
}

// The face count a level aims at, out of `inputFaces` (the run's input).
int levelTarget(const RunRequest& request, std::size_t level, std::size_t inputFaces) {
    const char* text = request.targetOf(level);
    if (text == nullptr) return 0;
    if (!request.ratios) return parseFaceCount(text);
    long long share = 0;
    ratioOfFaces(text, static_cast<long long>(inputFaces), share);
    return static_cast<int>(share);
}

}  // namespace

int runRequest(const RunRequest& request) {
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
        std::printf(messages::kInputLine, inputName);
        long long clockStart = timingEnabled ? processClockMs() : 0;
        const ReadStatus status =
            level == 0 ? readMeshFile(theMesh(), format, inputName, flavour, request.welding, request.carrying)
                       : written.load(theMesh(), inputName, flavour, request.welding, request.carrying);
        if (status != ReadStatus::Loaded) {
            std::printf(messages::kReadFailurePrefix, inputName);
            std::printf("%s%s", readStatusText(status), messages::kRefusalEnd);
            return 1;
        }
        if (flavour.carried)
            for (const std::string& note : flavour.carried->notes) std::printf("%s", note.c_str());
        if (timingEnabled) {
            std::printf(messages::kLoadingTime, secondsSince(clockStart));
            clockStart = processClockMs();
        }

        // Orienting and simplifying allocate as they go (the orientation's
        // queue, the incidence lists that grow as collapses merge stars).
        // Running out of memory there ends the run with its own line; the
        // mesh is left as it is, to be torn down at exit.
        long long target = 0;
        try {
            orientFaces(theMesh());
            if (timingEnabled) std::printf(messages::kOrientingTime, secondsSince(clockStart));

            // The request is checked only now, on the loaded and oriented mesh.
            const std::size_t faceCount = theMesh().faces.size();
            if (level == 0) inputFaces = faceCount;
            const int targetFaces = levelTarget(request, level, inputFaces);
            currentRun().thresholdPercent = startingThreshold(targetFaces, faceCount);
            const auto target32 = static_cast<std::uint32_t>(targetFaces);
            if (!request.countSwitch || target32 >= faceCount) {
                std::printf("%s%s", messages::kShortUsage, messages::kRefusalEnd);
                return 1;
            }
            target = target32;

            if (request.report) {
                if (!std::isnan(request.maxAngle))
                    collapseBounds().cosineFloor = std::cos(request.maxAngle * (3.14159265358979323846 / 180.0));
                startTrackingDistances(theMesh());
                const double diagonal = boxDiagonal(theMesh());
                if (!std::isnan(request.maxError)) collapseBounds().maxDistance = request.maxError * diagonal;
                runSimplification(target32, timingEnabled);
                const double distance = largestDistance(theMesh());
                std::printf(messages::kLargestTilt, largestTilt(theMesh()));
                std::printf(messages::kDistanceBound, diagonal > 0 ? distance / diagonal : 0.0);
            } else {
                runSimplification(target32, timingEnabled);
            }
        } catch (const std::bad_alloc&) {
            std::printf("%s%s", messages::kOutOfMemory, messages::kRefusalEnd);
            return 1;
        }

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
            if (wrote == 0) {
                std::printf("%s%s", messages::kOutOfMemory, messages::kRefusalEnd);
                return 1;
            }
        }
        if (wrote != 0 || (origins != nullptr && writeVertexOrigins(theMesh(), format, flavour, origins) != 0)) {
            std::printf(messages::kWriteFailure, wrote != 0 ? outputName : origins);
            std::printf("%s", messages::kRefusalEnd);
            return 1;
        }
        if (timingEnabled) {
            std::printf(messages::kWritingTime, secondsSince(clockStart));
            std::printf("%s", messages::kNormalEnd);
        }
        // A level left above its target ends the chain: what the next would
        // start from is not what was asked for.
        if (!more || liveFaceCount(theMesh()) > target) break;
        levelInput = outputName;
        startAfresh();
    }
    return 0;
}

}  // namespace zeq
