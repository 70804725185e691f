#include "io/output_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <filesystem>
#include <random>

namespace zeq {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kBufferSize = 1 << 20;

bool isReadOnly(const fs::file_status& status) {
    const fs::perms writable = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    return (status.permissions() & writable) == fs::perms::none;
}

}  // namespace

OutputFile::~OutputFile() {
    if (file_ != nullptr) std::fclose(file_);
    if (!temp_.empty()) std::remove(temp_.c_str());
}

bool OutputFile::open(const char* targetName) {
    std::error_code ec;
    fs::path target(targetName);
    if (target.empty() || !target.has_filename()) return false;
    // Write through a symbolic link to the file it names.
    if (fs::is_symlink(fs::symlink_status(target, ec))) {
        fs::path resolved = fs::weakly_canonical(target, ec);
        if (ec) return false;
        target = resolved;
    }
    fs::file_status status = fs::status(target, ec);
    if (fs::exists(status)) {
        if (!fs::is_regular_file(status)) return false;
        if (isReadOnly(status)) return false;
    }

    // A name in the target's own directory, so the final rename stays on one
    // file system; "x" refuses to reuse an existing name.
    std::random_device entropy;
    std::mt19937_64 pick((static_cast<std::uint64_t>(entropy()) << 32) ^ entropy());
    for (int attempt = 0; attempt < 16 && file_ == nullptr; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".zeq-%016llx.tmp",
                      static_cast<unsigned long long>(pick()));
        fs::path temp = target;
        temp += suffix;
        temp_ = temp.string();
        file_ = std::fopen(temp_.c_str(), "wbx");
        if (file_ == nullptr && errno != EEXIST) break;
    }
    if (file_ == nullptr) {
        temp_.clear();
        return false;
    }
    target_ = target.string();
    buffer_.resize(kBufferSize);
    used_ = 0;
    failed_ = false;
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
    std::string longer(static_cast<std::size_t>(n) + 1, '\0');
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
    if (file_ == nullptr || failed_) return;
    if (std::fwrite(text, 1, length, file_) != length) failed_ = true;
}

bool OutputFile::commit() {
    if (file_ == nullptr) return false;
    flush();
    if (std::fflush(file_) != 0) failed_ = true;
    if (std::fclose(file_) != 0) failed_ = true;
    file_ = nullptr;
    if (failed_) return false;
    if (std::rename(temp_.c_str(), target_.c_str()) != 0) return false;
    temp_.clear();
    return true;
}

}  // namespace zeq
