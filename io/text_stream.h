// A buffered text input with the extraction rules of a standard C++ stream.
//
// The readers define the accepted text in terms of formatted extraction: skip
// white space, take the longest prefix that looks like a number, fail when it
// does not convert. TextStream reproduces those rules exactly (which
// characters a read consumes, when it fails, when it meets the end of the
// file, the fail state that makes every later read fail) without the cost of
// the stream machinery, reading the file in large blocks.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zeq {

class TextStream {
public:
    TextStream() = default;
    TextStream(const TextStream&) = delete;
    TextStream& operator=(const TextStream&) = delete;
    ~TextStream() { close(); }

    // Opens a file for reading; false when it cannot be opened or read (a
    // directory, for example). Any kind of file will do: the input is read
    // once, front to back, so pipes, named pipes and terminals work too.
    bool open(const char* fileName);
    // Reads from memory instead of a file (tests, fuzzing).
    void openBuffer(const char* data, std::size_t size);
    void close();

    // True when the input holds no characters at all.
    bool empty();

    // Reads one line into a buffer of `capacity` characters including the
    // terminating zero. Fails when the line does not fit, or when the end of
    // the input comes before any character. A carriage return right before the
    // line end is dropped first, so files saved with CRLF line ends read alike.
    bool getLine(char* buffer, std::size_t capacity);
    // The number of characters the last successful getLine stored (a line may
    // hold zero bytes), and whether that line ended at a line end rather than
    // at the end of the input.
    std::size_t lineLength() const { return lineLength_; }
    bool lineEnded() const { return lineEnded_; }

    // Puts `length` characters back in front of what is left to read: the next
    // reads see them first. Clears the end-of-input state (not the fail
    // state), since there is something to read again. This lets a reader take
    // a line as a line and then read the same characters as items without
    // opening the input a second time.
    void unread(const char* text, std::size_t length);

    // Formatted extraction. Each skips white space first; on failure the stream
    // enters the fail state and every later read fails at once.
    bool readDouble(double& value);
    bool readInt(int& value);
    bool readChar(char& c);
    // A run of non-blank characters; fails (and consumes it) when the run is
    // longer than maxLength.
    bool readWord(std::string& word, std::size_t maxLength);

    // Line, token and byte reading for the formats that are not read as a
    // stream of formatted extractions. Each view stays valid until the next
    // read. None of these skips or sets anything the reads above rely on,
    // except that meeting the end of the input sets eof() and fail().
    //
    // The next line, without its line end (a carriage return before the line
    // feed is dropped too). False at the end of the input, and for a line
    // longer than `maxLength`, which is then consumed.
    bool readLine(std::string_view& line, std::size_t maxLength);
    // The next run of non-blank characters, at most `maxLength` long (a
    // longer one fails, consumed). False when only white space is left.
    bool readToken(std::string_view& token, std::size_t maxLength);
    // Copies the next `count` bytes; false (fail and eof) when the input ends
    // before them.
    bool readBytes(void* out, std::size_t count);
    // Passes over the next `count` bytes; false when the input ends before.
    bool skipBytes(std::uint64_t count);
    // The bytes already read from the source and not yet consumed: at the
    // start of an input, its first block (up to a megabyte, or all of a
    // smaller input). Consumes nothing.
    std::string_view lookAhead();
    // The number of bytes consumed so far.
    std::uint64_t offset() const { return consumedBefore_ + pos_; }
    // The input's whole size when it is known (a regular file, or memory);
    // -1 for a pipe or a device.
    long long knownSize() const { return knownSize_; }

    // Makes `c` start a comment that runs to the end of its line: from now
    // on the formatted reads above skip comments as they skip white space.
    // An item ends where a comment starts ("2#note" reads as 2).
    void skipComments(char c) { commentChar_ = static_cast<unsigned char>(c); }
    // Passes over the rest of the current line when its next item is not an
    // integer: values a record may carry after the numbers a reader wants (an
    // OFF face's colour, such as 1.0 0.5 0 0.75). A line whose next item is
    // an integer (the next record, when records share a line), or that holds
    // no more items, is left as it is.
    void skipLineUnlessInteger() {
        // The common case: the line ends right here.
        if (pos_ < len_ && data_[pos_] == '\n') return;
        skipRestUnlessInteger();
    }

    bool fail() const { return fail_; }
    // True once a read has met the end of the input.
    bool eof() const { return eof_; }
    // True when reading the input failed (an I/O error, not its end): what was
    // read before may be incomplete, so the load must not count as done.
    bool readError() const { return readError_; }

private:
    static constexpr int kEnd = -1;

    int peek() {
        if (pos_ < len_) return static_cast<unsigned char>(data_[pos_]);
        return refill() ? static_cast<unsigned char>(data_[pos_]) : kEnd;
    }
    void bump() { ++pos_; }
    bool refill();
    // The start of every formatted read: false (and fail state) when the
    // stream already failed or only white space is left.
    bool sentry();
    // Consumes everything up to the next line end (which stays unread).
    void skipToLineEnd();
    void skipRestUnlessInteger();
    bool convertNumber(double& value);
    // Fast paths of readInt and readDouble for a number that ends inside the
    // current block; false when the general path must read it.
    bool readIntInBlock(int& value);
    bool readDoubleInBlock(double& value);

    // The longest line or run that is put together across blocks.
    bool appendUntil(std::string& out, char stop, std::size_t maxLength, bool& found);

    std::FILE* file_ = nullptr;
    std::uint64_t consumedBefore_ = 0;  // bytes of the blocks before the current one
    long long knownSize_ = -1;
    std::vector<char> block_;
    const char* data_ = nullptr;
    std::size_t pos_ = 0;
    std::size_t len_ = 0;
    bool fail_ = false;
    bool eof_ = false;
    bool readError_ = false;
    // The input gave its end once: never ask it again (a terminal would
    // wait for more).
    bool sourceDone_ = false;
    // The character that starts a comment; none (-2 matches no character)
    // until skipComments.
    int commentChar_ = -2;
    std::size_t lineLength_ = 0;
    bool lineEnded_ = false;
    std::string token_;
};

// White space as formatted extraction sees it: blank, tab, line feed,
// vertical tab, form feed, carriage return.
inline bool isBlank(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// `text` without the blanks (carriage returns among them) at either end.
inline std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && isBlank(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && isBlank(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    return text;
}

}  // namespace zeq
