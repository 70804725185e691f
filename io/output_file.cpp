#include "io/output_file.h"

#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <new>
#include <random>
#include <unistd.h>

namespace zeq {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kBufferSize = 1 << 20;

// The signals after which a temporary output file must not stay behind.
constexpr int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The temporary file that exists right now, if any. The signal handler reads
// it, so it is set and cleared only while those signals are blocked, and the
// string it points to does not change in between.
const char* volatile pendingTemporary = nullptr;

extern "C" void removeTemporaryAndReraise(int signal) {
    // unlink, sigaction and raise are async-signal-safe.
    if (const char* name = pendingTemporary) ::unlink(name);
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    ::sigaction(signal, &fallback, nullptr);
    // Still blocked inside the handler: delivered, with the default action,
    // as the handler returns.
    ::raise(signal);
}

// Blocks the cleanup signals for its lifetime, so that a temporary file and
// its record in pendingTemporary come and go together.
class CleanupSignalsBlocked {
public:
    CleanupSignalsBlocked() {
        sigset_t set;
        sigemptyset(&set);
        for (int s : kCleanupSignals) sigaddset(&set, s);
        ::sigprocmask(SIG_BLOCK, &set, &saved_);
    }
    ~CleanupSignalsBlocked() { ::sigprocmask(SIG_SETMASK, &saved_, nullptr); }
    CleanupSignalsBlocked(const CleanupSignalsBlocked&) = delete;
    CleanupSignalsBlocked& operator=(const CleanupSignalsBlocked&) = delete;

private:
    sigset_t saved_;
};

bool isReadOnly(const struct stat& st) { return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0; }

// True when `name` reaches its file through /proc/<pid>/fd, as /dev/stdout
// and /dev/fd/N do: it names a descriptor the caller opened, to be written as
// it is, not a place for a new file.
bool namesOpenDescriptor(const fs::path& name) {
    std::error_code ec;
    fs::path p = fs::absolute(name, ec);
    if (ec) return false;
    for (int hop = 0; hop < 40; ++hop) {
        const fs::path dir = fs::canonical(p.parent_path(), ec);
        if (ec) return false;
        const std::string d = dir.string();
        if (d.rfind("/proc/", 0) == 0 && d.find("/fd") != std::string::npos) return true;
        if (!fs::is_symlink(fs::symlink_status(p, ec)) || ec) return false;
        const fs::path link = fs::read_symlink(p, ec);
        if (ec) return false;
        p = link.is_absolute() ? link : dir / link;
    }
    return false;
}

// Gives a new file the owner, group and permission bits of the file it
// replaces, as far as the process may. A set-user-ID or set-group-ID bit is
// kept only with the owner or group it was set for, so nothing ever gains
// access it did not have.
void copyAccess(int fd, const struct stat& old) {
    if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
        if (::fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0) {
            // Neither could be set: the file keeps the process's owner and group.
        }
    }
    mode_t mode = old.st_mode & 07777;
    struct stat now {};
    if (::fstat(fd, &now) != 0) {
        mode &= ~static_cast<mode_t>(S_ISUID | S_ISGID);
    } else {
        if (now.st_uid != old.st_uid) mode &= ~static_cast<mode_t>(S_ISUID);
        if (now.st_gid != old.st_gid) mode &= ~static_cast<mode_t>(S_ISGID);
    }
    // Where the file system keeps no modes the temporary stays 0600, which is
    // narrower, never wider, than the old file.
    (void)::fchmod(fd, mode);
}

// Makes a rename in `dir` durable. A file system that cannot sync a directory
// has nothing more to offer; the new file is in place either way.
void syncDirectory(const std::string& dir) {
    int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    (void)::fsync(fd);
    ::close(fd);
}

}  // namespace

void prepareOutputSignals() {
    std::signal(SIGPIPE, SIG_IGN);
    for (int s : kCleanupSignals) {
        struct sigaction current {};
        if (::sigaction(s, nullptr, &current) != 0) continue;
        if (current.sa_handler == SIG_IGN) continue;  // nohup and friends
        struct sigaction cleanup {};
        cleanup.sa_handler = removeTemporaryAndReraise;
        sigemptyset(&cleanup.sa_mask);
        for (int other : kCleanupSignals) sigaddset(&cleanup.sa_mask, other);
        cleanup.sa_flags = SA_RESTART;
        ::sigaction(s, &cleanup, nullptr);
    }
}

OutputFile::~OutputFile() {
    if (fd_ >= 0) ::close(fd_);
    removeTemporary();
}

void OutputFile::removeTemporary() {
    if (temp_.empty()) return;
    CleanupSignalsBlocked blocked;
    ::unlink(temp_.c_str());
    if (pendingTemporary == temp_.c_str()) pendingTemporary = nullptr;
    temp_.clear();
}

bool OutputFile::open(const char* targetName) {
    try {
        return openTarget(targetName);
    } catch (const std::bad_alloc&) {
        // Nothing allocates once a file is open (see openTemporary), so this
        // is reached before anything was created; closing and removing only
        // make sure of it.
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
        removeTemporary();
        return false;
    }
}

bool OutputFile::openTarget(const char* targetName) {
    // The write buffer is taken first: memory that runs out fails the write
    // before anything exists on disk.
    buffer_.resize(kBufferSize);
    used_ = 0;
    fs::path target(targetName);
    if (target.empty() || !target.has_filename()) return false;

    // stat follows symbolic links: st describes the file that would be written.
    struct stat st {};
    const bool replacing = ::stat(targetName, &st) == 0;
    if (replacing) {
        if (S_ISDIR(st.st_mode)) return false;
        if (!S_ISREG(st.st_mode) || namesOpenDescriptor(target)) return openDirect(targetName);
        if (isReadOnly(st)) return false;
    }
    std::error_code ec;
    // Write through a symbolic link to the file it names.
    if (fs::is_symlink(fs::symlink_status(target, ec))) {
        fs::path resolved = fs::weakly_canonical(target, ec);
        if (ec) return false;
        target = resolved;
    }
    return openTemporary(target.string(), replacing ? &st : nullptr);
}

bool OutputFile::openDirect(const char* name) {
    direct_ = true;
    target_ = name;
    fd_ = ::open(name, O_WRONLY | O_TRUNC | O_NOCTTY | O_CLOEXEC);
    return fd_ >= 0;
}

bool OutputFile::openTemporary(const std::string& target, const struct stat* replaced) {
    // A name in the target's own directory, so the final rename stays on one
    // file system; O_EXCL refuses to reuse an existing name. A file that
    // replaces another starts private and takes the old access bits below.
    // Every string the file needs is made before it exists, so that no
    // allocation can fail while a temporary file is there.
    direct_ = false;
    target_ = target;
    directory_ = fs::path(target).parent_path().string();
    std::string name;
    name.reserve(target.size() + 32);
    std::random_device entropy;
    std::mt19937_64 pick((static_cast<std::uint64_t>(entropy()) << 32) ^ entropy());
    const mode_t createMode = replaced != nullptr ? 0600 : 0666;
    for (int attempt = 0; attempt < 16 && fd_ < 0; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".zeq-%016llx.tmp",
                      static_cast<unsigned long long>(pick()));
        name.assign(target).append(suffix);
        CleanupSignalsBlocked blocked;
        fd_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, createMode);
        if (fd_ >= 0) {
            temp_ = std::move(name);
            pendingTemporary = temp_.c_str();
        } else if (errno != EEXIST) {
            break;
        }
    }
    if (fd_ < 0) return false;
    if (replaced != nullptr) copyAccess(fd_, *replaced);
    return true;
}

void OutputFile::print(const char* format, ...) {
    char line[256];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (n < 0) {
        failed_ = true;
        return;
    }
    if (static_cast<std::size_t>(n) < sizeof line) {
        write(line, static_cast<std::size_t>(n));
        return;
    }
    // A longer piece needs memory of its own; without it the output fails
    // like a short write instead of stopping the writer half way.
    std::string longer;
    try {
        longer.assign(static_cast<std::size_t>(n) + 1, '\0');
    } catch (const std::bad_alloc&) {
        failed_ = true;
        return;
    }
    va_start(args, format);
    std::vsnprintf(longer.data(), longer.size(), format, args);
    va_end(args);
    write(longer.data(), static_cast<std::size_t>(n));
}

void OutputFile::flush() {
    if (used_ == 0) return;
    writeThrough(buffer_.data(), used_);
    used_ = 0;
}

void OutputFile::writeThrough(const char* text, std::size_t length) {
    if (fd_ < 0 || failed_) return;
    if (copy_ != nullptr) copy_->append(text, length);
    while (length > 0) {
        const ssize_t n = ::write(fd_, text, length);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            // A full disk, /dev/full, a pipe whose reader went away (EPIPE:
            // SIGPIPE is ignored), ...
            failed_ = true;
            return;
        }
        text += n;
        length -= static_cast<std::size_t>(n);
    }
}

bool OutputFile::commit() {
    if (fd_ < 0) return false;
    flush();
    // A power cut after the rename must find the new content, not an empty
    // file: the data reaches stable storage first.
    if (!direct_ && !failed_ && ::fsync(fd_) != 0 && errno != EINVAL) failed_ = true;
    if (::close(fd_) != 0 && errno != EINTR) failed_ = true;
    fd_ = -1;
    if (failed_ || direct_) return !failed_;
    {
        CleanupSignalsBlocked blocked;
        if (::rename(temp_.c_str(), target_.c_str()) != 0) return false;
        pendingTemporary = nullptr;
        temp_.clear();
    }
    syncDirectory(directory_);
    return true;
}

}  // namespace zeq
