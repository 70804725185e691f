#include "app/run_program.h"

#include <cctype>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "app/messages.h"
#include "io/off_reader.h"
#include "io/off_writer.h"
#include "io/smf_reader.h"
#include "io/smf_writer.h"
#include "mesh/mesh.h"
#include "mesh/process_clock.h"
#include "orient/orient_faces.h"
#include "simplify/run_simplification.h"

namespace zeq {

bool isOffName(const char* fileName) {
    std::size_t n = std::strlen(fileName);
    if (n < 3) return false;
    const char* tail = fileName + n - 3;
    return (tail[0] == 'o' || tail[0] == 'O') && (tail[1] == 'f' || tail[1] == 'F') &&
           (tail[2] == 'f' || tail[2] == 'F');
}

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

int runProgram(int argc, const char* const* argv) {
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
    const bool off = isOffName(inputName);
    const ReadStatus status = off ? readOff(theMesh, inputName) : readSmf(theMesh, inputName);
    if (status != ReadStatus::Loaded) {
        std::printf(messages::kReadFailurePrefix, inputName);
        std::printf("%s%s", messages::readStatusText(status), messages::kRefusalEnd);
        return 1;
    }
    if (timingEnabled) {
        std::printf(messages::kLoadingTime, secondsSince(clockStart));
        clockStart = processClockMs();
    }

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

    if (timingEnabled) clockStart = processClockMs();
    const int written = off ? writeOff(theMesh, outputName) : writeSmf(theMesh, outputName);
    if (written != 0) {
        std::printf(messages::kWriteFailure, outputName);
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
