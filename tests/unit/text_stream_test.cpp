// TextStream against the standard stream it stands in for: the same reads on
// the same text must succeed or fail alike, give the same values, reach the
// end of the input at the same moment and leave the same characters behind.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <random>
#include <sstream>

#include "io/text_stream.h"
#include "tests/unit/format_test_util.h"
#include "tests/unit/test_mesh.h"

namespace zeq::test {
namespace {

enum class Op { Double, Int, Char, Word, Line };

// The reference sees CR LF as a plain line feed: TextStream drops a carriage
// return right before a line feed in getLine, and both treat it as blank
// everywhere else, so the two texts must read alike.
std::string withoutCrBeforeLf(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i)
        if (!(s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n')) out.push_back(s[i]);
    return out;
}

// The standard stream behind TextStream's interface.
struct Reference {
    std::istringstream in;
    bool readDouble(double& d) { return static_cast<bool>(in >> d); }
    bool readInt(int& i) { return static_cast<bool>(in >> i); }
    bool readChar(char& c) { return static_cast<bool>(in >> c); }
    bool readWord(std::string& w, std::size_t) { return static_cast<bool>(in >> w); }
    bool getLine(char* line, std::size_t cap) { return static_cast<bool>(in.getline(line, std::streamsize(cap))); }
    bool eof() const { return in.eof(); }
    bool fail() const { return in.fail(); }
};

// One read: "" when it fails, else "+" and what it read (a double as its bit
// pattern, a line with the whole buffer, so that bytes past the terminator
// count too).
template <class Stream>
std::string readOne(Stream& in, Op op, std::size_t cap) {
    double d = 0;
    int i = 0;
    char c = 0;
    std::string w;
    std::vector<char> line(cap + 1, '#');
    switch (op) {
        case Op::Double: return in.readDouble(d) ? "+" + std::to_string(std::bit_cast<std::uint64_t>(d)) : "";
        case Op::Int: return in.readInt(i) ? "+" + std::to_string(i) : "";
        case Op::Char: return in.readChar(c) ? "+" + std::string(1, c) : "";
        case Op::Word: return in.readWord(w, 1 << 20) ? "+" + w : "";
        case Op::Line: return in.getLine(line.data(), cap) ? "+" + std::string(line.begin(), line.end()) : "";
    }
    return "";
}

// Runs the reads on both streams, then drains both with character reads.
// Returns a description of the first difference, empty when there is none.
std::string compareReads(TextStream& ts, Reference& ref, const std::vector<Op>& ops, std::size_t cap) {
    for (std::size_t step = 0;; ++step) {
        const bool draining = step >= ops.size();
        const Op op = draining ? Op::Char : ops[step];
        const std::string a = readOne(ref, op, cap), b = readOne(ts, op, cap);
        if (a != b || ref.eof() != ts.eof() || ref.fail() != ts.fail())
            return "step " + std::to_string(step) + " (op " + std::to_string(static_cast<int>(op)) + "): " +
                   testing::PrintToString(a) + " eof " + std::to_string(ref.eof()) + " vs " +
                   testing::PrintToString(b) + " eof " + std::to_string(ts.eof());
        if (draining && a.empty()) return "";
    }
}

std::string compareOnText(const std::string& text, const std::vector<Op>& ops) {
    Reference ref{std::istringstream(withoutCrBeforeLf(text))};
    TextStream ts;
    ts.openBuffer(text.data(), text.size());
    std::string d = compareReads(ts, ref, ops, 8);
    return d.empty() ? d : d + " on " + testing::PrintToString(text);
}

const std::vector<std::string> kTokens = {
    "0", "-0", "+0", "-0.0", "00012", "000", "12", "+7", "-5", "+", "-", ".", "+.", "-.5", ".5", "5.",
    "1.5", "1..2", "1.2.3", "1e", "1E", "1e+", "1e-", "1e5", "1E5", "1e+5", "1e-3", "1e5x", "1e5e5",
    "1e.5", "e5", "E", "..", "nan", "NaN", "inf", "-inf", "infinity", "0x1p3", "0x", "0X1A", "1e999",
    "-1e999", "1e-400", "-1e-400", "4.9e-324", "2.5e-324", "1.7976931348623157e308",
    "1.7976931348623159e308", "2147483647", "2147483648", "-2147483648", "-2147483649",
    "99999999999", "-99999999999", "12abc", "--5", "+-5", "5-", "x", "f", "v", "#", "1/1", "1,5",
    "\x80", "\xff", std::string(1, '\0'), std::string("3\0" "4", 3),
    std::string(400, '9'), "1" + std::string(400, '0'), "0." + std::string(400, '0') + "1",
    std::string(300, '0') + "7", "-" + std::string(30, '1') + "e-20",
};

const std::vector<std::string> kSeparators = {
    "", " ", " ", " ", "\t", "\n", "\v", "\f", "\r", "\r\n", "\n\r", std::string(1, '\0'),
    "  \t\n ", std::string(300, ' '), std::string(50, '\n'),
};

TEST(TextStreamReads, MatchesStandardExtractionOnEveryPoolTokenAlone) {
    for (const std::string& token : kTokens)
        for (Op op : {Op::Double, Op::Int, Op::Char, Op::Word})
            for (const std::string& tail : {std::string(), std::string(" "), std::string("\n7 q")})
                EXPECT_EQ(compareOnText(token + tail, {op, Op::Int, Op::Double}), "");
}

TEST(TextStreamReads, MatchesStandardExtractionOnRandomSequences) {
    std::mt19937 rng(20080723);
    auto pick = [&](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
    const std::string alphabet = std::string("0123456789+-.eExXnaif \t\n\v\f\r#v") + '\0' + "\x80";
    for (int round = 0; round < 4000; ++round) {
        std::string text;
        if (round % 3 == 2) {
            // Raw characters: glued signs, points and exponents in any order.
            for (std::size_t k = pick(24); k > 0; --k) text.push_back(alphabet[pick(alphabet.size())]);
        } else {
            for (std::size_t k = 1 + pick(6); k > 0; --k)
                text += kSeparators[pick(kSeparators.size())] + kTokens[pick(kTokens.size())];
            if (pick(2) == 0) text += kSeparators[pick(kSeparators.size())];
        }
        for (int program = 0; program < 3; ++program) {
            std::vector<Op> ops(1 + pick(10));
            for (Op& op : ops) op = static_cast<Op>(pick(5));
            ASSERT_EQ(compareOnText(text, ops), "");
        }
    }
}

using TextStreamFile = FileTest;

// A file of a few megabytes is read in blocks; whatever block size the stream
// uses, many tokens and line ends straddle a block boundary somewhere.
TEST_F(TextStreamFile, LargeFileReadsLikeTheStandardStream) {
    std::mt19937 rng(1234);
    auto pick = [&](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
    std::string text;
    while (text.size() < (5u << 20) / 2) {
        text += kSeparators[pick(kSeparators.size() - 2)];  // no long runs
        text += kTokens[pick(kTokens.size() - 5)];          // no huge digit strings
        if (pick(8) == 0) text += "\r\n";
    }
    const std::string file = write("large.txt", text);
    for (int program = 0; program < 3; ++program) {
        TextStream ts;
        ASSERT_TRUE(ts.open(file.c_str()));
        Reference ref{std::istringstream(withoutCrBeforeLf(text))};
        // Mostly words and lines (they never fail early), with number reads
        // that stop at the first token that is not a number.
        std::vector<Op> ops;
        for (int k = 0; k < 400000; ++k) ops.push_back(pick(4) == 0 ? Op::Line : Op::Word);
        if (program > 0) ops.push_back(program == 1 ? Op::Double : Op::Int);
        EXPECT_EQ(compareReads(ts, ref, ops, 90), "");
    }
}

// CR and LF on either side of each likely block boundary, read line by line.
TEST_F(TextStreamFile, CrLfSplitAcrossBlockBoundaries) {
    std::string text;
    for (std::size_t boundary : {std::size_t{1} << 12, std::size_t{1} << 16, std::size_t{1} << 20}) {
        while (text.size() + 10 < boundary - 1) text += "0123456789\n";
        text += std::string(boundary - 1 - text.size(), 'q') + "\r\n";  // '\r' is the last byte before the boundary
    }
    text += "end";
    TextStream ts;
    ASSERT_TRUE(ts.open(write("crlf.txt", text).c_str()));
    Reference ref{std::istringstream(withoutCrBeforeLf(text))};
    EXPECT_EQ(compareReads(ts, ref, std::vector<Op>(std::count(text.begin(), text.end(), '\n') + 2, Op::Line), 90), "");
}

// ---- line, token and byte reads --------------------------------------------

constexpr std::size_t kBlock = std::size_t{1} << 20;

// Every line of `text` as readLine must give it: without its line end and a
// carriage return right before that.
std::vector<std::string> expectedLines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        const bool ended = end != std::string::npos;
        if (!ended) end = text.size();
        std::string line = text.substr(at, end - at);
        if (ended && !line.empty() && line.back() == '\r') line.pop_back();
        out.push_back(line);
        at = end + 1;
    }
    return out;
}

std::vector<std::string> readAllLines(TextStream& ts, std::size_t maxLength) {
    std::vector<std::string> out;
    std::string_view line;
    while (ts.readLine(line, maxLength)) out.emplace_back(line);
    return out;
}

TEST(TextStreamLines, FromMemory) {
    TextStream ts;
    const std::string text = "first\r\n\nthird \r x\r\nlast";
    ts.openBuffer(text.data(), text.size());
    EXPECT_EQ(readAllLines(ts, 100), (std::vector<std::string>{"first", "", "third \r x", "last"}));
    EXPECT_TRUE(ts.eof());
    EXPECT_TRUE(ts.fail());
    std::string_view line;
    EXPECT_FALSE(ts.readLine(line, 100));

    // A line longer than the limit is refused and consumed; the next is read.
    const std::string longLine = "ok\n" + std::string(51, 'x') + "\n" + std::string(50, 'y') + "\r\nz\n";
    TextStream ls;
    ls.openBuffer(longLine.data(), longLine.size());
    ASSERT_TRUE(ls.readLine(line, 50));
    EXPECT_EQ(line, "ok");
    EXPECT_FALSE(ls.readLine(line, 50));
    ASSERT_TRUE(ls.readLine(line, 50)) << "a line of exactly the limit, its CR not counted";
    EXPECT_EQ(line, std::string(50, 'y'));
    ASSERT_TRUE(ls.readLine(line, 50));
    EXPECT_EQ(line, "z");
    EXPECT_EQ(ls.offset(), longLine.size());
    EXPECT_FALSE(ls.readLine(line, 50));
}

// Only a carriage return right before a line feed goes with the line end: a
// last line without a line feed keeps its final CR.
TEST(TextStreamLines, CrAtTheEndOfTheInputIsKept) {
    const std::string text = "a\r\nlast\r";
    TextStream ts;
    ts.openBuffer(text.data(), text.size());
    EXPECT_EQ(readAllLines(ts, 100), (std::vector<std::string>{"a", "last\r"}));
}

using TextStreamBlocks = FileTest;

// Lines around the 1 MiB block boundary: a line ending right at it, one
// straddling it, a CR LF split by it, a too-long line across it, and a last
// line without a line end.
TEST_F(TextStreamBlocks, LinesAcrossBlocks) {
    for (std::size_t shift : {0, 1, 2, 3, 10}) {
        SCOPED_TRACE(shift);
        std::string text;
        while (text.size() + 100 < kBlock - shift) text += "line " + std::to_string(text.size()) + "\n";
        text += std::string(kBlock - shift - text.size() - 1, 'a') + "\r\n";  // CR or LF near the boundary
        text += "straddle" + std::string(300, 'b') + "\n" + std::string(kBlock, 'c') + "\n" + "after long\r\nno end";
        const std::string name = write("lines.txt", text);
        TextStream ts;
        ASSERT_TRUE(ts.open(name.c_str()));
        std::vector<std::string> expected = expectedLines(text);
        std::vector<std::string> got = readAllLines(ts, 2 * kBlock);
        EXPECT_TRUE(got == expected) << got.size() << " lines of " << expected.size();
        EXPECT_TRUE(ts.eof());
        EXPECT_EQ(ts.offset(), text.size());

        // With a limit of 1000 the line of 1 MiB is refused, and only it.
        TextStream limited;
        ASSERT_TRUE(limited.open(name.c_str()));
        std::string_view line;
        std::vector<std::string> kept;
        int refused = 0;
        while (!limited.eof()) {
            if (limited.readLine(line, 1000)) {
                kept.emplace_back(line);
            } else if (!limited.eof()) {
                ++refused;
            }
        }
        expected.erase(std::find(expected.begin(), expected.end(), std::string(kBlock, 'c')));
        EXPECT_EQ(refused, 1);
        EXPECT_TRUE(kept == expected);
    }
}

TEST_F(TextStreamBlocks, TokensAcrossBlocks) {
    std::string text = " \t\n";
    std::vector<std::string> expected;
    while (text.size() < kBlock + 4000) {
        const std::string token = "t" + std::to_string(text.size() % 997) + std::string(text.size() % 13, 'q');
        expected.push_back(token);
        text += token + (text.size() % 3 == 0 ? "\r\n" : text.size() % 3 == 1 ? " " : "\t\v\f ");
    }
    text += std::string(2000, 'L') + " end \n\n ";
    expected.push_back(std::string(2000, 'L'));
    expected.push_back("end");
    TextStream ts;
    ASSERT_TRUE(ts.open(write("tokens.txt", text).c_str()));
    std::vector<std::string> got;
    std::string_view token;
    while (ts.readToken(token, 5000)) got.emplace_back(token);
    EXPECT_TRUE(got == expected) << got.size() << " tokens of " << expected.size();
    EXPECT_TRUE(ts.eof());
    EXPECT_TRUE(ts.fail());

    // Too long: refused and consumed, the next token follows.
    TextStream limited;
    ASSERT_TRUE(limited.open(path("tokens.txt").c_str()));
    std::size_t read = 0, refused = 0;
    while (!limited.eof()) {
        if (limited.readToken(token, 1999)) {
            ++read;
        } else if (!limited.eof()) {
            ++refused;
        }
    }
    EXPECT_EQ(refused, 1u);
    EXPECT_EQ(read, expected.size() - 1);
}

TEST(TextStreamTokens, FromMemory) {
    const std::string text = "ab  cdefg\th\n";
    TextStream ts;
    ts.openBuffer(text.data(), text.size());
    std::string_view token;
    ASSERT_TRUE(ts.readToken(token, 4));
    EXPECT_EQ(token, "ab");
    EXPECT_FALSE(ts.readToken(token, 4));  // "cdefg" is too long
    ASSERT_TRUE(ts.readToken(token, 4));
    EXPECT_EQ(token, "h");
    EXPECT_FALSE(ts.readToken(token, 4));  // only a line end left
    EXPECT_TRUE(ts.eof());
    EXPECT_EQ(ts.offset(), text.size());
}

// Byte reads across block boundaries and at the end; the offset counts what
// was consumed.
TEST_F(TextStreamBlocks, BytesAcrossBlocks) {
    std::string data(3 * kBlock + 17, '\0');
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    const std::string name = write("bytes.bin", data);
    TextStream ts;
    ASSERT_TRUE(ts.open(name.c_str()));
    EXPECT_EQ(ts.knownSize(), static_cast<long long>(data.size()));
    ASSERT_TRUE(ts.skipBytes(kBlock - 3));
    char bytes[10];
    ASSERT_TRUE(ts.readBytes(bytes, 10));
    EXPECT_EQ(std::string(bytes, 10), data.substr(kBlock - 3, 10));
    EXPECT_EQ(ts.offset(), kBlock + 7);
    ASSERT_TRUE(ts.skipBytes(kBlock + 5));  // into the third block
    std::string big(kBlock + 2, '\0');
    ASSERT_TRUE(ts.readBytes(big.data(), big.size()));  // through the third, into the fourth
    EXPECT_TRUE(big == data.substr(2 * kBlock + 12, kBlock + 2));
    EXPECT_EQ(ts.offset(), 3 * kBlock + 14);
    EXPECT_FALSE(ts.eof());
    ASSERT_TRUE(ts.readBytes(bytes, 3));  // exactly to the end
    EXPECT_EQ(std::string(bytes, 3), data.substr(data.size() - 3));
    EXPECT_FALSE(ts.readBytes(bytes, 1));
    EXPECT_TRUE(ts.eof());
    EXPECT_TRUE(ts.fail());

    TextStream skipper;
    ASSERT_TRUE(skipper.open(name.c_str()));
    EXPECT_FALSE(skipper.skipBytes(data.size() + 1));
    EXPECT_TRUE(skipper.eof());
    TextStream reader;
    ASSERT_TRUE(reader.open(name.c_str()));
    ASSERT_TRUE(reader.skipBytes(data.size() - 2));
    EXPECT_FALSE(reader.readBytes(bytes, 3));  // two left
    EXPECT_TRUE(reader.eof());
    TextStream huge;
    ASSERT_TRUE(huge.open(name.c_str()));
    EXPECT_FALSE(huge.skipBytes(std::uint64_t{1} << 62));
}

TEST(TextStreamBytes, FromMemory) {
    const std::string data = "0123456789";
    TextStream ts;
    ts.openBuffer(data.data(), data.size());
    EXPECT_EQ(ts.knownSize(), 10);
    EXPECT_EQ(ts.lookAhead(), data);
    EXPECT_EQ(ts.offset(), 0u);
    char bytes[4];
    ASSERT_TRUE(ts.readBytes(bytes, 4));
    EXPECT_EQ(std::string(bytes, 4), "0123");
    EXPECT_EQ(ts.lookAhead(), "456789");
    ASSERT_TRUE(ts.skipBytes(6));
    EXPECT_EQ(ts.lookAhead(), "");
    EXPECT_TRUE(ts.skipBytes(0));
    EXPECT_FALSE(ts.skipBytes(1));
    EXPECT_TRUE(ts.eof());
}

// lookAhead at the start shows the first block (all of a smaller input) and
// consumes nothing.
TEST_F(TextStreamBlocks, LookAheadAtTheStart) {
    std::string data(2 * kBlock + 5, 'x');
    for (std::size_t i = 0; i < data.size(); i += 4096) data[i] = static_cast<char>('a' + i / 4096 % 26);
    TextStream ts;
    ASSERT_TRUE(ts.open(write("big.bin", data).c_str()));
    const std::string_view head = ts.lookAhead();
    EXPECT_EQ(head.size(), kBlock);
    EXPECT_TRUE(head == std::string_view(data).substr(0, kBlock));
    EXPECT_EQ(ts.offset(), 0u);
    std::string all(data.size(), '\0');
    ASSERT_TRUE(ts.readBytes(all.data(), all.size()));
    EXPECT_TRUE(all == data);

    TextStream small;
    ASSERT_TRUE(small.open(write("small.txt", "solid x\nfacet").c_str()));
    EXPECT_EQ(small.lookAhead(), "solid x\nfacet");
    EXPECT_EQ(small.knownSize(), 13);
    std::string_view line;
    ASSERT_TRUE(small.readLine(line, 100));
    EXPECT_EQ(line, "solid x");
}

// A pipe's size is not known; it reads like the file it carries.
TEST_F(TextStreamBlocks, PipeHasNoKnownSize) {
    std::string data;
    while (data.size() < kBlock + 100) data += "row " + std::to_string(data.size()) + "\n";
    FedPipe pipe(path("fifo"), data);
    ASSERT_TRUE(pipe.ok());
    TextStream ts;
    ASSERT_TRUE(ts.open(pipe.name()));
    EXPECT_EQ(ts.knownSize(), -1);
    EXPECT_FALSE(ts.lookAhead().empty());
    EXPECT_TRUE(readAllLines(ts, 100) == expectedLines(data));
    EXPECT_EQ(ts.offset(), data.size());
}

}  // namespace
}  // namespace zeq::test
