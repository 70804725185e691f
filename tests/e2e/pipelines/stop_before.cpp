// Preloaded into zeq by the interruption tests: stops the process (SIGSTOP)
// at a chosen point of writing its output, so that a test can deliver a
// signal at exactly that moment instead of racing the program.
//
//   ZEQ_STOP_BEFORE=write   the first write to a file other than 0, 1, 2
//                           (the output's temporary file exists, still empty)
//   ZEQ_STOP_BEFORE=fsync   the sync of the complete temporary file, right
//                           before it is renamed over the target
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <signal.h>
#include <unistd.h>

namespace {

bool stopWanted(const char* point) {
    const char* wanted = std::getenv("ZEQ_STOP_BEFORE");
    return wanted != nullptr && std::strcmp(wanted, point) == 0;
}

bool stopped = false;

void stopOnce(const char* point) {
    if (stopped || !stopWanted(point)) return;
    stopped = true;
    ::raise(SIGSTOP);
}

}  // namespace

extern "C" ssize_t write(int fd, const void* data, size_t length) {
    using Write = ssize_t (*)(int, const void*, size_t);
    static Write next = reinterpret_cast<Write>(::dlsym(RTLD_NEXT, "write"));
    if (fd > 2) stopOnce("write");
    return next(fd, data, length);
}

extern "C" int fsync(int fd) {
    using Fsync = int (*)(int);
    static Fsync next = reinterpret_cast<Fsync>(::dlsym(RTLD_NEXT, "fsync"));
    stopOnce("fsync");
    return next(fd);
}
