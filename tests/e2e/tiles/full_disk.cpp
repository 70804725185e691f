// Preloaded into zeq-tiles by the fault tests: a disk that fills up. Writes
// to regular files other than 0, 1 and 2 succeed for the first
// ZEQ_FULL_AFTER bytes, all told; then they fail with ENOSPC, as they do on
// a full file system (a write that would cross the limit writes what fits).
#include <cerrno>
#include <cstdlib>
#include <dlfcn.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <unistd.h>

namespace {

long long gLeft = -1;  // bytes still allowed; -1 before the first look

// How many of `length` bytes for `fd` may be written: all of them for
// anything but a regular file, else what the budget leaves; 0 means fail.
size_t allowed(int fd, size_t length) {
    if (fd <= 2) return length;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return length;
    if (gLeft < 0) {
        const char* limit = std::getenv("ZEQ_FULL_AFTER");
        gLeft = limit != nullptr ? std::atoll(limit) : (1LL << 62);
    }
    const size_t n = static_cast<long long>(length) < gLeft ? length : static_cast<size_t>(gLeft);
    gLeft -= static_cast<long long>(n);
    return n;
}

template <typename F>
F next(const char* name) {
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" ssize_t write(int fd, const void* data, size_t length) {
    static auto real = next<ssize_t (*)(int, const void*, size_t)>("write");
    const size_t n = allowed(fd, length);
    if (n == 0 && length > 0) {
        errno = ENOSPC;
        return -1;
    }
    return real(fd, data, n);
}

extern "C" ssize_t pwrite(int fd, const void* data, size_t length, off_t at) {
    static auto real = next<ssize_t (*)(int, const void*, size_t, off_t)>("pwrite");
    const size_t n = allowed(fd, length);
    if (n == 0 && length > 0) {
        errno = ENOSPC;
        return -1;
    }
    return real(fd, data, n, at);
}

extern "C" ssize_t pwrite64(int fd, const void* data, size_t length, off64_t at) {
    static auto real = next<ssize_t (*)(int, const void*, size_t, off64_t)>("pwrite64");
    const size_t n = allowed(fd, length);
    if (n == 0 && length > 0) {
        errno = ENOSPC;
        return -1;
    }
    return real(fd, data, n, at);
}

extern "C" ssize_t writev(int fd, const struct iovec* parts, int count) {
    static auto real = next<ssize_t (*)(int, const struct iovec*, int)>("writev");
    size_t length = 0;
    for (int i = 0; i < count; ++i) length += parts[i].iov_len;
    if (length > 0 && allowed(fd, length) < length) {
        // Simpler than a part of a part: nothing of a vector that does not fit.
        errno = ENOSPC;
        return -1;
    }
    return real(fd, parts, count);
}
