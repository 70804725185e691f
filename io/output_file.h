// Writing a file completely or not at all.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

namespace zeq {

// Collects the output in a temporary file beside the target and renames it
// over the target only when every byte was written and flushed, so a failed
// run never leaves a half-written file and an existing file survives it.
class OutputFile {
public:
    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    // Removes the temporary file when commit() was not reached or failed.
    ~OutputFile();

    // False when the target cannot be written: its directory is missing or not
    // writable, or the target is a directory or a read-only file.
    bool open(const char* targetName);

    void write(const char* text, std::size_t length) {
        if (length > buffer_.size() - used_) flush();
        if (length > buffer_.size()) {
            writeThrough(text, length);
            return;
        }
        std::copy(text, text + length, buffer_.data() + used_);
        used_ += length;
    }
    // Appends one formatted line piece (printf conversions).
    void print(const char* format, ...) __attribute__((format(printf, 2, 3)));

    // Flushes, closes and moves the file into place; false on any failure.
    bool commit();

private:
    void flush();
    void writeThrough(const char* text, std::size_t length);

    std::FILE* file_ = nullptr;
    std::string target_;
    std::string temp_;
    std::vector<char> buffer_;
    std::size_t used_ = 0;
    bool failed_ = false;
};

}  // namespace zeq
