#include "app/run_program.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "zeq/messages.h"
#include "zeq/run_request.h"

namespace zeq {

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

int exitStatus(const Refusal& refusal) {
    if (!refusal) return 0;
    refusal.print();
    std::printf("%s", messages::kRefusalEnd);
    return 1;
}

int runProgram(int argc, const char* const* argv) {
    if (usesHowFarOptions(argc, argv)) {
        RunRequest request;
        if (!parseRequest(argc, argv, request)) {
            std::printf("%s", messages::kLongUsage);
            return 1;
        }
        std::printf(messages::kBanner, messages::kReleaseDate);
        return exitStatus(runRequest(request));
    }
    const CommandLine line = takeLongOptions(argc, argv);
    return runShortOptions(line.count, line.args.data(), line.welding, line.carrying, line.origins);
}

namespace {

constexpr const char* kRatio = "--ratio";
constexpr const char* kMaxAngle = "--max-angle";
constexpr const char* kMaxError = "--max-error";

}  // namespace

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
    return exitStatus(runRequest(r));
}

}  // namespace zeq
