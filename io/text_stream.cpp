#include "io/text_stream.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <sys/stat.h>

namespace zeq {

namespace {
constexpr std::size_t kBlockSize = 1 << 20;

bool isDigit(int c) { return c >= '0' && c <= '9'; }
}  // namespace

bool TextStream::open(const char* fileName) {
    close();
    file_ = std::fopen(fileName, "rb");
    if (file_ == nullptr) return false;
    block_.resize(kBlockSize);
    struct stat st {};
    if (::fstat(fileno(file_), &st) == 0 && S_ISREG(st.st_mode)) knownSize_ = static_cast<long long>(st.st_size);
    // A name that opens but cannot be read (a directory) counts as not opened.
    peek();
    if (readError_) {
        close();
        return false;
    }
    return true;
}

void TextStream::openBuffer(const char* data, std::size_t size) {
    close();
    data_ = data;
    len_ = size;
    knownSize_ = static_cast<long long>(size);
}

void TextStream::close() {
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
    data_ = nullptr;
    pos_ = len_ = 0;
    consumedBefore_ = 0;
    knownSize_ = -1;
    fail_ = eof_ = readError_ = sourceDone_ = false;
    lineLength_ = 0;
    lineEnded_ = false;
}

bool TextStream::refill() {
    if (file_ == nullptr || sourceDone_) return false;
    std::size_t n = std::fread(block_.data(), 1, block_.size(), file_);
    if (n == 0) {
        if (std::ferror(file_)) readError_ = true;
        sourceDone_ = true;
        return false;
    }
    consumedBefore_ += len_;
    data_ = block_.data();
    pos_ = 0;
    len_ = n;
    return true;
}

bool TextStream::empty() { return peek() == kEnd; }

void TextStream::unread(const char* text, std::size_t length) {
    if (data_ == block_.data() && pos_ >= length) {
        // The usual case: the characters go back where consumed ones were.
        if (length > 0) std::memmove(block_.data() + pos_ - length, text, length);
        pos_ -= length;
    } else {
        std::vector<char> joined(text, text + length);
        joined.insert(joined.end(), data_ + pos_, data_ + len_);
        len_ = joined.size();
        // A file keeps reading whole blocks into this buffer afterwards.
        if (file_ != nullptr && joined.size() < kBlockSize) joined.resize(kBlockSize);
        block_ = std::move(joined);
        data_ = block_.data();
        pos_ = 0;
    }
    eof_ = false;
}

bool TextStream::sentry() {
    if (fail_ || eof_) {
        fail_ = true;
        return false;
    }
    while (pos_ < len_ && isBlank(static_cast<unsigned char>(data_[pos_]))) ++pos_;
    if (pos_ < len_ && static_cast<unsigned char>(data_[pos_]) != commentChar_) return true;
    for (;;) {
        int c = peek();
        while (c != kEnd && isBlank(c)) {
            bump();
            c = peek();
        }
        if (c == kEnd) {
            eof_ = fail_ = true;
            return false;
        }
        if (c != commentChar_) return true;
        skipToLineEnd();
        while (pos_ < len_ && isBlank(static_cast<unsigned char>(data_[pos_]))) ++pos_;
    }
}

void TextStream::skipToLineEnd() {
    for (int c = peek(); c != kEnd && c != '\n'; c = peek()) {
        const void* hit = std::memchr(data_ + pos_, '\n', len_ - pos_);
        if (hit != nullptr) {
            pos_ = static_cast<std::size_t>(static_cast<const char*>(hit) - data_);
            return;
        }
        pos_ = len_;
    }
}

void TextStream::skipRestUnlessInteger() {
    if (fail_ || eof_) return;
    int c = peek();
    while (c != kEnd && c != '\n' && isBlank(c)) {
        bump();
        c = peek();
    }
    if (c == kEnd || c == '\n' || c == commentChar_) return;
    // Take the item to look at it whole, then give it back.
    token_.clear();
    for (; c != kEnd && !isBlank(c) && c != commentChar_; c = peek()) {
        token_.push_back(static_cast<char>(c));
        bump();
    }
    const std::size_t sign = token_[0] == '+' || token_[0] == '-' ? 1 : 0;
    const bool integer = sign < token_.size() &&
                         std::all_of(token_.begin() + static_cast<std::ptrdiff_t>(sign), token_.end(),
                                     [](char d) { return isDigit(d); });
    unread(token_.data(), token_.size());
    if (!integer) skipToLineEnd();
}

bool TextStream::getLine(char* buffer, std::size_t capacity) {
    std::size_t count = 0;
    bool ended = false;
    if (fail_ || eof_) {
        fail_ = true;
    } else {
        bool extracted = false;
        for (;;) {
            int c = peek();
            if (c == kEnd) {
                eof_ = true;
                if (!extracted) fail_ = true;
                break;
            }
            bump();
            extracted = true;
            if (c == '\n') {
                ended = true;
                break;
            }
            if (c == '\r' && peek() == '\n') {
                bump();
                ended = true;
                break;
            }
            if (count + 1 >= capacity) {
                fail_ = true;
                break;
            }
            buffer[count++] = static_cast<char>(c);
        }
    }
    if (capacity > 0) buffer[count] = '\0';
    lineLength_ = count;
    lineEnded_ = ended;
    return !fail_;
}

bool TextStream::readChar(char& c) {
    if (!sentry()) return false;
    c = static_cast<char>(peek());
    bump();
    return true;
}

bool TextStream::readWord(std::string& word, std::size_t maxLength) {
    word.clear();
    if (!sentry()) return false;
    int c = peek();
    while (c != kEnd && !isBlank(c)) {
        if (word.size() < maxLength + 1) word.push_back(static_cast<char>(c));
        bump();
        c = peek();
    }
    if (c == kEnd) eof_ = true;
    if (word.size() > maxLength) fail_ = true;
    return !fail_;
}

// The common case of readInt: the whole run lies in the current block, with
// a character after it, so it can be read straight from the block. Takes
// exactly the characters the general path takes and ends in the same state;
// false (nothing consumed) when the run may go on into the next block.
bool TextStream::readIntInBlock(int& value) {
    const char* p = data_ + pos_;
    const char* const end = data_ + len_;
    bool negative = false;
    if (*p == '-' || *p == '+') {
        negative = *p == '-';
        if (++p == end) return false;
    }
    const char* const digits = p;
    while (p != end && isDigit(*p)) ++p;
    if (p == end) return false;
    pos_ = static_cast<std::size_t>(p - data_);
    const std::uint64_t limit = negative ? std::uint64_t{1} << 31 : INT_MAX;
    std::uint64_t magnitude = 0;
    bool overflow = false;
    for (const char* d = digits; d != p && !overflow; ++d) {
        magnitude = magnitude * 10 + static_cast<std::uint64_t>(*d - '0');
        overflow = magnitude > limit;
    }
    if (p == digits || overflow) {
        value = 0;
        fail_ = true;
        return true;
    }
    value = negative ? static_cast<int>(-static_cast<std::int64_t>(magnitude)) : static_cast<int>(magnitude);
    return true;
}

// The common case of readDouble: the characters it takes (the same rules as
// below) all lie in the current block, with a character after them, so they
// are converted in place instead of being copied. False (nothing consumed)
// when the number may go on into the next block.
bool TextStream::readDoubleInBlock(double& value) {
    const char* const first = data_ + pos_;
    const char* const end = data_ + len_;
    const char* p = first;
    if (*p == '+' || *p == '-') ++p;
    bool mantissa = false;
    bool decimalPoint = false;
    bool exponent = false;
    for (; p != end; ++p) {
        const char c = *p;
        if (isDigit(c)) {
            mantissa = true;
        } else if (c == '.' && !decimalPoint && !exponent) {
            decimalPoint = true;
        } else if ((c == 'e' || c == 'E') && !exponent && mantissa) {
            exponent = true;
            if (p + 1 != end && (p[1] == '+' || p[1] == '-')) ++p;
        } else {
            break;
        }
    }
    if (p == end) return false;
    pos_ = static_cast<std::size_t>(p - data_);
    // std::from_chars takes no leading '+'; the value is the same without it.
    const char* digits = *first == '+' ? first + 1 : first;
    double parsed = 0.0;
    const auto [stop, error] = std::from_chars(digits, p, parsed);
    if (error == std::errc() && stop == p) {
        value = parsed;
        return true;
    }
    // Not a complete number, or out of range: the general conversion decides.
    token_.assign(first, p);
    convertNumber(value);
    return true;
}

// Integer extraction: an optional sign and the decimal digits that follow.
// No digit, or a value outside the int range, fails. Every digit of the run is
// consumed, however long it is.
bool TextStream::readInt(int& value) {
    if (!sentry()) return false;
    if (readIntInBlock(value)) return !fail_;
    int c = peek();
    bool negative = false;
    if (c == '-' || c == '+') {
        negative = c == '-';
        bump();
        c = peek();
    }
    const std::uint64_t limit = negative ? std::uint64_t{1} << 31 : INT_MAX;
    std::uint64_t magnitude = 0;
    bool anyDigit = false;
    bool overflow = false;
    while (c != kEnd && isDigit(c)) {
        anyDigit = true;
        if (!overflow) {
            magnitude = magnitude * 10 + static_cast<std::uint64_t>(c - '0');
            overflow = magnitude > limit;
        }
        bump();
        c = peek();
    }
    if (c == kEnd) eof_ = true;
    if (!anyDigit || overflow) {
        value = 0;
        fail_ = true;
        return false;
    }
    value = negative ? static_cast<int>(-static_cast<std::int64_t>(magnitude))
                     : static_cast<int>(magnitude);
    return true;
}

// Floating-point extraction. The characters taken are: an optional sign, then
// digits with at most one decimal point, then once digits were seen an 'e' or
// 'E' with an optional sign right after it and more digits. The run is then
// converted as a whole; when it is not a complete number ("1e", "-", ".") the
// read fails with the whole run consumed, and a value beyond the double range
// fails too. A value too small for a double is accepted (it rounds towards 0).
bool TextStream::readDouble(double& value) {
    if (!sentry()) return false;
    if (readDoubleInBlock(value)) return !fail_;
    token_.clear();
    int c = peek();
    if (c == '+' || c == '-') {
        token_.push_back(static_cast<char>(c));
        bump();
        c = peek();
    }
    bool mantissa = false;
    // Leading zeros collapse into one.
    while (c == '0') {
        if (!mantissa) token_.push_back('0');
        mantissa = true;
        bump();
        c = peek();
    }
    bool decimalPoint = false;
    bool exponent = false;
    while (c != kEnd) {
        if (isDigit(c)) {
            token_.push_back(static_cast<char>(c));
            mantissa = true;
        } else if (c == '.' && !decimalPoint && !exponent) {
            token_.push_back('.');
            decimalPoint = true;
        } else if ((c == 'e' || c == 'E') && !exponent && mantissa) {
            token_.push_back('e');
            exponent = true;
            bump();
            c = peek();
            if (c == '+' || c == '-') {
                token_.push_back(static_cast<char>(c));
            } else {
                continue;
            }
        } else {
            break;
        }
        bump();
        c = peek();
    }
    if (c == kEnd) eof_ = true;
    return convertNumber(value);
}

// Converts the characters taken by readDouble as a whole. A run that is not a
// complete number ("1e", "-", ".") fails, and so does a value beyond the
// double range; a value too small for a double is accepted as the nearest
// representable one (possibly 0).
bool TextStream::convertNumber(double& value) {
    const char* first = token_.data();
    const char* last = first + token_.size();
    // std::from_chars takes no leading '+'; the value is the same without it.
    const char* digits = (first != last && *first == '+') ? first + 1 : first;
    double parsed = 0.0;
    const auto [stop, error] = std::from_chars(digits, last, parsed);
    if (error == std::errc() && stop == last) {
        value = parsed;
        return true;
    }
    if (error != std::errc::result_out_of_range) {
        value = 0.0;
        fail_ = true;
        return false;
    }
    // Out of range: strtod tells overflow (infinity) from underflow.
    const double converted = std::strtod(first, nullptr);
    if (std::isinf(converted)) {
        value = converted > 0 ? std::numeric_limits<double>::max() : -std::numeric_limits<double>::max();
        fail_ = true;
        return false;
    }
    value = converted;
    return true;
}

std::string_view TextStream::lookAhead() {
    peek();
    return std::string_view(data_ + pos_, len_ - pos_);
}

// Appends characters to `out` up to (not including) the first `stop`, which
// is consumed; `found` tells whether it was met before the end of the input.
// False when more than maxLength characters come first (they are consumed up
// to the stop or the end, but not kept).
bool TextStream::appendUntil(std::string& out, char stop, std::size_t maxLength, bool& found) {
    found = false;
    bool fits = true;
    while (peek() != kEnd) {
        const char* from = data_ + pos_;
        const char* to = data_ + len_;
        const char* hit = static_cast<const char*>(std::memchr(from, stop, static_cast<std::size_t>(to - from)));
        const char* last = hit != nullptr ? hit : to;
        if (fits && out.size() + static_cast<std::size_t>(last - from) <= maxLength) {
            out.append(from, last);
        } else {
            fits = false;
            out.clear();
        }
        pos_ = static_cast<std::size_t>(last - data_);
        if (hit != nullptr) {
            ++pos_;
            found = true;
            break;
        }
    }
    return fits;
}

bool TextStream::readLine(std::string_view& line, std::size_t maxLength) {
    if (peek() == kEnd) {
        eof_ = fail_ = true;
        return false;
    }
    const char* from = data_ + pos_;
    const std::size_t left = len_ - pos_;
    const char* hit = static_cast<const char*>(std::memchr(from, '\n', left));
    std::size_t length;
    bool ended = true;
    if (hit != nullptr) {
        // The usual case: the whole line lies in the current block.
        length = static_cast<std::size_t>(hit - from);
        pos_ += length + 1;
    } else {
        token_.clear();
        if (!appendUntil(token_, '\n', maxLength + 1, ended)) return false;
        from = token_.data();
        length = token_.size();
        if (!ended) eof_ = true;
    }
    if (ended && length > 0 && from[length - 1] == '\r') --length;
    if (length > maxLength) return false;
    line = std::string_view(from, length);
    return true;
}

bool TextStream::readToken(std::string_view& token, std::size_t maxLength) {
    int c = peek();
    while (c != kEnd && isBlank(c)) {
        bump();
        while (pos_ < len_ && isBlank(static_cast<unsigned char>(data_[pos_]))) ++pos_;
        c = peek();
    }
    if (c == kEnd) {
        eof_ = fail_ = true;
        return false;
    }
    const char* from = data_ + pos_;
    const char* end = data_ + len_;
    const char* p = from;
    while (p != end && !isBlank(static_cast<unsigned char>(*p))) ++p;
    if (p != end) {
        pos_ = static_cast<std::size_t>(p - data_);
        token = std::string_view(from, static_cast<std::size_t>(p - from));
        return token.size() <= maxLength;
    }
    // The run may go on into the next block.
    token_.clear();
    bool fits = true;
    for (c = peek(); c != kEnd && !isBlank(c); c = peek()) {
        if (token_.size() < maxLength + 1) {
            token_.push_back(static_cast<char>(c));
        } else {
            fits = false;
        }
        bump();
    }
    token = token_;
    return fits && token_.size() <= maxLength;
}

bool TextStream::readBytes(void* out, std::size_t count) {
    char* to = static_cast<char*>(out);
    while (count > 0) {
        if (peek() == kEnd) {
            eof_ = fail_ = true;
            return false;
        }
        const std::size_t n = std::min(count, len_ - pos_);
        std::memcpy(to, data_ + pos_, n);
        pos_ += n;
        to += n;
        count -= n;
    }
    return true;
}

bool TextStream::skipBytes(std::uint64_t count) {
    while (count > 0) {
        if (peek() == kEnd) {
            eof_ = fail_ = true;
            return false;
        }
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(count, len_ - pos_));
        pos_ += n;
        count -= n;
    }
    return true;
}

}  // namespace zeq
