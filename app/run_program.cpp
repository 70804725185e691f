#include "app/run_program.h"

#include <cctype>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "app/messages.h"
#include "io/carried_data.h"
#include "io/mesh_files.h"
#include "io/vertex_origins.h"
#include "mesh/mesh.h"
#include "mesh/process_clock.h"
#include "orient/orient_faces.h"
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
    const CommandLine line = takeLongOptions(argc, argv);
    return runShortOptions(line.count, line.args.data(), line.welding, line.carrying, line.origins);
}

int runShortOptions(int argc, const char* const* argv, Welding welding, Carrying carrying, const char* origins) {
    if (argc != 5 && argc != 6) {
        std::printf("%s", messages::kLongUsage);
        return 1;
    }
    std::printf(messages::kBanner, messages::kReleaseDate);

    bool timingEnabled = false;
    const char* inputName = argv[3];
    const char* outputName = argv[4];
    if (argc == 6) {
        if (std::strcmp(argv[3], "-D") != 0) {
            std::printf("%s", messages::kLongUsage);
            return 1;
        }
        timingEnabled = true;
        inputName = argv[4];
        outputName = argv[5];
    }

    std::printf(messages::kInputLine, inputName);
    long long clockStart = timingEnabled ? processClockMs() : 0;
    const MeshFormat format = formatOfName(inputName);
    FileFlavour flavour;
    const ReadStatus status = readMeshFile(theMesh, format, inputName, flavour, welding, carrying);
    if (status != ReadStatus::Loaded) {
        std::printf(messages::kReadFailurePrefix, inputName);
        std::printf("%s%s", messages::readStatusText(status), messages::kRefusalEnd);
        return 1;
    }
    if (flavour.carried)
        for (const std::string& note : flavour.carried->notes) std::printf("%s", note.c_str());
    if (timingEnabled) {
        std::printf(messages::kLoadingTime, secondsSince(clockStart));
        clockStart = processClockMs();
    }

    // Orienting and simplifying allocate as they go (the orientation's queue,
    // the incidence lists that grow as collapses merge stars). Running out of
    // memory there ends the run with its own line; the mesh is left as it is,
    // to be torn down at exit.
    try {
        orientFaces(theMesh);
        if (timingEnabled) std::printf(messages::kOrientingTime, secondsSince(clockStart));

        // The request is checked only now, on the loaded and oriented mesh.
        const int targetFaces = parseFaceCount(argv[2]);
        const std::size_t faceCount = theMesh.faces.size();
        thresholdPercent = startingThreshold(targetFaces, faceCount);
        const auto target = static_cast<std::uint32_t>(targetFaces);
        if (std::strcmp(argv[1], "-N") != 0 || target >= faceCount) {
            std::printf("%s%s", messages::kShortUsage, messages::kRefusalEnd);
            return 1;
        }

        runSimplification(target, timingEnabled);
    } catch (const std::bad_alloc&) {
        std::printf("%s%s", messages::kOutOfMemory, messages::kRefusalEnd);
        return 1;
    }

    if (timingEnabled) clockStart = processClockMs();
    const int written = writeMeshFile(theMesh, format, outputName, flavour);
    if (written != 0 || (origins != nullptr && writeVertexOrigins(theMesh, format, flavour, origins) != 0)) {
        std::printf(messages::kWriteFailure, written != 0 ? outputName : origins);
        std::printf("%s", messages::kRefusalEnd);
        return 1;
    }
    if (timingEnabled) {
        std::printf(messages::kWritingTime, secondsSince(clockStart));
        std::printf("%s", messages::kNormalEnd);
    }
    return 0;
}

}  // namespace zeq
