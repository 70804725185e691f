// Writing a file completely or not at all.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace zeq {

// The output of a run.
//
// A regular file (new or existing) is collected in a temporary file beside
// the target, flushed to stable storage and renamed over the target only when
// every byte was written, so a failed or interrupted run never leaves a
// half-written file and an existing file survives it. A replaced file keeps
// its permission bits, and its owner and group where the process may set
// them; a new file gets the usual default (the umask).
//
// Anything else that exists and is not a directory (a character device such
// as /dev/null, a pipe, a named pipe, an already open descriptor named as
// /dev/stdout or /dev/fd/N) is written directly: nothing can be replaced
// there, and a device must never become a regular file.
class OutputFile {
public:
    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    // Removes the temporary file when commit() was not reached or failed.
    ~OutputFile();

    // False when the target cannot be written: its directory is missing or not
    // writable, the target is a directory or a read-only regular file, or a
    // sink that cannot be opened for writing; also when memory runs out, in
    // which case nothing has been created. Allocates everything the writing
    // needs (the write buffer first of all) before it creates a file.
    bool open(const char* targetName);

    // Also keeps every byte written in `copy` (appended as it goes to the
    // target), so what was written can be read back without reading the
    // file. Null keeps no copy.
    void keepCopy(std::string* copy) { copy_ = copy; }

    void write(const char* text, std::size_t length) {
        if (length > buffer_.size() - used_) flush();
        if (length > buffer_.size()) {
            writeThrough(text, length);
            return;
        }
        std::copy(text, text + length, buffer_.data() + used_);
        used_ += length;
    }
    // Appends one formatted line piece (printf conversions). A piece too long
    // for the stack that finds no memory fails the output (commit() says so).
    void print(const char* format, ...) __attribute__((format(printf, 2, 3)));

    // Writes what is buffered and closes; a temporary file is synced and
    // moved into place. False on any failure (a short write, a full disk, a
    // reader that went away, a failed sync, close or rename). Allocates
    // nothing, so an output that was written completely is never reported as
    // failed after it took the target's place.
    bool commit();

private:
    bool openTarget(const char* targetName);
    bool openDirect(const char* name);
    bool openTemporary(const std::string& target, const struct stat* replaced);
    void flush();
    void writeThrough(const char* text, std::size_t length);
    void removeTemporary();

    int fd_ = -1;
    bool direct_ = false;
    std::string target_;
    std::string directory_;  // the target's directory, synced after the rename
    std::string temp_;
    std::vector<char> buffer_;
    std::size_t used_ = 0;
    bool failed_ = false;
    std::string* copy_ = nullptr;
};

// Sets up the process for writing outputs safely: SIGINT, SIGTERM and SIGHUP
// remove a temporary output file before the process ends with the usual
// status for the signal (a signal the process was started with ignored stays
// ignored), and SIGPIPE is ignored so that a reader going away shows up as a
// failed write instead of a silent death.
void prepareOutputSignals();

}  // namespace zeq
