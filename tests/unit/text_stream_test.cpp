// TextStream against the standard stream it stands in for: the same reads on
// the same text must succeed or fail alike, give the same values, reach the
// end of the input at the same moment and leave the same characters behind.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <random>
#include <sstream>

#include "io/text_stream.h"
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

}  // namespace
}  // namespace zeq::test
