#include "tiles/run.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <system_error>
#include <vector>

#include "io/record_files.h"
#include "tiles/merge.h"
#include "tiles/report.h"
#include "tiles/split.h"

namespace zeq::tiles {

namespace {

namespace fs = std::filesystem;

// The signal that asked zeq-tiles to stop, and the children to stop with it.
// Each child leads a process group of its own, so that whatever it started
// (a zeq run by a wrapper script) is stopped with it.
volatile sig_atomic_t gStopSignal = 0;
constexpr int kMaxChildren = 1024;
volatile pid_t gChildren[kMaxChildren];

void onStopSignal(int signal) {
    gStopSignal = signal;
    for (int i = 0; i < kMaxChildren; ++i)
        if (gChildren[i] > 0) ::kill(-gChildren[i], SIGTERM);
}

// The signals that stop zeq-tiles, blocked while a child is being started
// and remembered, so that none is started behind the handler's back.
sigset_t stopSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&set, signal);
    return set;
}

void rememberChild(pid_t pid) {
    for (int i = 0; i < kMaxChildren; ++i)
        if (gChildren[i] == 0) {
            gChildren[i] = pid;
            return;
        }
}

void forgetChild(pid_t pid) {
    for (int i = 0; i < kMaxChildren; ++i)
        if (gChildren[i] == pid) gChildren[i] = 0;
}

void catchStopSignals() {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no restart: a waiting waitpid returns to look at the flag
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction old {};
        sigaction(signal, nullptr, &old);
        if (old.sa_handler != SIG_IGN) sigaction(signal, &action, nullptr);
    }
    ::signal(SIGPIPE, SIG_IGN);
}

// The zeq to run: $ZEQ_TILES_ZEQ, else the zeq beside this executable, else
// "zeq" looked up on PATH.
std::string zeqProgram() {
    if (const char* named = std::getenv("ZEQ_TILES_ZEQ"); named != nullptr && *named != '\0') return named;
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        const fs::path beside = self.parent_path() / "zeq";
        if (::access(beside.c_str(), X_OK) == 0) return beside.string();
    }
    return "zeq";
}

// Starts `program` with `args`; its standard output and error go to `log`
// when one is named, else stay this process's. -1 when it cannot start.
pid_t start(const std::string& program, const std::vector<std::string>& args, const std::string& log) {
    std::fflush(stdout);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>("zeq"));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int logFd = -1;
    if (!log.empty()) {
        logFd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (logFd < 0) return -1;
    }
    const sigset_t blocked = stopSignals();
    sigset_t previous;
    ::sigprocmask(SIG_BLOCK, &blocked, &previous);
    if (gStopSignal != 0) {
        ::sigprocmask(SIG_SETMASK, &previous, nullptr);
        if (logFd >= 0) ::close(logFd);
        return -1;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setpgid(0, 0);
        for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) ::signal(signal, SIG_DFL);
        ::sigprocmask(SIG_SETMASK, &previous, nullptr);
        if (logFd >= 0) {
            ::dup2(logFd, 1);
            ::dup2(logFd, 2);
        }
        if (program.find('/') != std::string::npos) {
            ::execv(program.c_str(), argv.data());
        } else {
            ::execvp(program.c_str(), argv.data());
        }
        _exit(127);
    }
    if (logFd >= 0) ::close(logFd);
    if (pid > 0) {
        // Also here: the group must exist before a signal is sent to it.
        ::setpgid(pid, pid);
        rememberChild(pid);
    }
    ::sigprocmask(SIG_SETMASK, &previous, nullptr);
    return pid;
}

// Waits for any child; false when interrupted by a stop signal.
bool waitAny(pid_t& pid, int& status) {
    for (;;) {
        pid = ::waitpid(-1, &status, 0);
        if (pid > 0) {
            forgetChild(pid);
            return true;
        }
        if (gStopSignal != 0) return false;
        if (pid < 0 && errno != EINTR) return false;
    }
}

std::string statusText(int status) {
    if (WIFSIGNALED(status)) return "was killed by signal " + std::to_string(WTERMSIG(status));
    return "exited with status " + std::to_string(WEXITSTATUS(status));
}

// Stops every child still running, with its process group, and waits for
// them.
void stopChildren() {
    for (int i = 0; i < kMaxChildren; ++i)
        if (gChildren[i] > 0) ::kill(-gChildren[i], SIGTERM);
    int status = 0;
    while (::waitpid(-1, &status, 0) > 0) {
    }
    for (int i = 0; i < kMaxChildren; ++i) gChildren[i] = 0;
}

// Simplifies every tile: zeq for those with a target below their faces, a
// plain copy for the others, at most `jobs` zeq runs at a time.
int simplifyTiles(const Manifest& m, const std::string& dir, int jobs, const std::string& zeq) {
    std::error_code ec;
    fs::create_directories(dir + "/logs", ec);
    if (ec) {
        report("cannot create directory " + dir + "/logs!");
        return 1;
    }
    std::map<pid_t, std::size_t> running;
    std::size_t next = 0;
    std::string failure;
    while ((next < m.tiles.size() && failure.empty()) || !running.empty()) {
        if (gStopSignal != 0) return 1;
        if (next < m.tiles.size() && failure.empty() && static_cast<int>(running.size()) < jobs) {
            const TileEntry& t = m.tiles[next];
            const std::string in = dir + "/" + t.name;
            const std::string out = dir + "/simplified/" + t.name;
            if (t.copied()) {
                fs::copy_file(in, out, fs::copy_options::overwrite_existing, ec);
                if (ec) failure = "cannot copy tile " + in + " to " + out + "!";
            } else {
                const pid_t pid = start(zeq, tileArguments(dir, t), dir + "/logs/" + t.name + ".log");
                if (pid < 0) {
                    if (gStopSignal != 0) return 1;
                    failure = "cannot start " + zeq + " for tile " + t.name + "!";
                } else {
                    running[pid] = next;
                }
            }
            ++next;
            continue;
        }
        pid_t pid = 0;
        int status = 0;
        if (!waitAny(pid, status)) return 1;
        const auto it = running.find(pid);
        if (it == running.end()) continue;
        const TileEntry& t = m.tiles[it->second];
        running.erase(it);
        if (failure.empty() && !(WIFEXITED(status) && WEXITSTATUS(status) == 0)) {
            failure = "zeq " + statusText(status) + " on tile " + t.name + ", see " + dir + "/logs/" + t.name +
                      ".log!";
            // The other tiles are of no use now.
            for (const auto& [other, tile] : running) ::kill(-other, SIGTERM);
        }
    }
    if (!failure.empty()) {
        report(failure);
        return 1;
    }
    return 0;
}

int runIn(const RunRequest& request, const std::string& dir) {
    SplitRequest split;
    split.input = request.input;
    split.dir = dir;
    split.facesPerTile = request.facesPerTile;
    split.count = request.count;
    split.ratio = request.ratio;
    split.maxAngle = request.maxAngle;
    split.maxError = request.maxError;
    Manifest manifest;
    if (splitMesh(split, manifest, &gStopSignal) != 0) return 1;
    std::printf("split: %zu tiles of about %lld faces\n", manifest.tiles.size(), request.facesPerTile);

    const std::string zeq = zeqProgram();
    std::printf("simplify: %zu tiles, %d jobs\n", manifest.tiles.size(), request.jobs);
    std::fflush(stdout);
    if (simplifyTiles(manifest, dir, request.jobs, zeq) != 0) return gStopSignal != 0 ? 1 : 2;

    const std::string mergedName = dir + "/merged." + extensionOf(manifest.format);
    MergedMesh merged;
    if (mergeTiles(dir, mergedName, &merged, &gStopSignal) != 0) return 1;
    std::printf("merge: %zu vertices, %zu faces\n", merged.mesh.vertexCount(), merged.mesh.faceCount());
    std::fflush(stdout);
    if (gStopSignal != 0) return 1;

    const long long count = manifest.count;
    if (static_cast<long long>(merged.mesh.faceCount()) <= count) {
        // The tiles met the count already: nothing is left for zeq to do.
        if (writeMerged(merged, manifest.format, request.output) != 0) {
            report("Writing <" + request.output + ">: Cannot write the file!");
            return 1;
        }
        return 0;
    }
    std::vector<std::string> last = boundArguments(request.maxAngle / 2, request.maxError / 2);
    last.insert(last.end(), {"-N", std::to_string(count), mergedName, request.output});
    const pid_t pid = start(zeq, last, "");
    if (pid < 0 && gStopSignal != 0) return 1;
    if (pid < 0) {
        report("cannot start " + zeq + "!");
        return 1;
    }
    pid_t ended = 0;
    int status = 0;
    do {
        if (!waitAny(ended, status)) return 1;
    } while (ended != pid);
    if (!(WIFEXITED(status) && WEXITSTATUS(status) == 0)) {
        report("zeq " + statusText(status) + " on the merged mesh!");
        return 1;
    }
    return 0;
}

}  // namespace

int runTiles(const RunRequest& request) {
    catchStopSignals();
    RunRequest r = request;
    if (r.jobs <= 0) {
        const long cpus = ::sysconf(_SC_NPROCESSORS_ONLN);
        r.jobs = cpus > 0 ? static_cast<int>(std::min<long>(cpus, INT_MAX)) : 1;
    }
    r.jobs = std::min(r.jobs, kMaxChildren - 1);
    std::string dir = r.keep;
    if (dir.empty()) {
        // Beside the output, where there is room for a mesh of its size.
        fs::path parent = fs::path(r.output).parent_path();
        if (parent.empty()) parent = ".";
        std::string pattern = (parent / ".zeq-tiles-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            report("cannot create a work directory in " + parent.string() + "!");
            return 1;
        }
        dir = pattern;
    }
    int result = 1;
    try {
        result = runIn(r, dir);
    } catch (const std::exception&) {
        report("out of memory!");
        result = 1;
    }
    stopChildren();
    // A tile's failure keeps the work directory for its log.
    if (r.keep.empty() && result != 2) {
        std::error_code ec;
        fs::remove_all(dir, ec);
    } else if (r.keep.empty()) {
        report("the work directory " + dir + " is kept for the log");
    }
    if (gStopSignal != 0) {
        const int signal = gStopSignal;
        report("stopped by signal " + std::to_string(signal) + ", nothing written!");
        ::signal(signal, SIG_DFL);
        ::raise(signal);
    }
    return result == 0 ? 0 : 1;
}

}  // namespace zeq::tiles
