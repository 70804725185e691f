// TextStream against the standard stream it stands in for: the same reads on
// the same text must succeed or fail alike, give the same values, reach the
// end of the input at the same moment and leave the same characters behind.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "io/text_stream.h"

namespace zeq {
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

std::string printable(const std::string& s) {
    std::string out;
    for (unsigned char c : s) {
        if (c >= 0x20 && c < 0x7f && c != '\\') {
            out.push_back(static_cast<char>(c));
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        }
    }
    return out;
}

const char* opName(Op op) {
    switch (op) {
        case Op::Double: return "double";
        case Op::Int: return "int";
        case Op::Char: return "char";
        case Op::Word: return "word";
        case Op::Line: return "line";
    }
    return "?";
}

// Runs the reads on both streams, then drains both with character reads.
// Returns a description of the first difference, empty when there is none.
std::string compareReads(TextStream& ts, std::istream& ref, const std::vector<Op>& ops,
                         std::size_t lineCapacity) {
    std::size_t step = 0;
    auto differ = [&](const std::string& what) {
        return "step " + std::to_string(step) + " (" + opName(ops[step]) + "): " + what;
    };
    for (; step < ops.size(); ++step) {
        bool okRef = false, okTs = false;
        switch (ops[step]) {
            case Op::Double: {
                double a = 0, b = 0;
                okRef = static_cast<bool>(ref >> a);
                okTs = ts.readDouble(b);
                if (okRef && okTs && std::memcmp(&a, &b, sizeof a) != 0)
                    return differ("values " + std::to_string(a) + " vs " + std::to_string(b));
                break;
            }
            case Op::Int: {
                int a = 0, b = 0;
                okRef = static_cast<bool>(ref >> a);
                okTs = ts.readInt(b);
                if (okRef && okTs && a != b)
                    return differ("values " + std::to_string(a) + " vs " + std::to_string(b));
                break;
            }
            case Op::Char: {
                char a = 0, b = 0;
                okRef = static_cast<bool>(ref >> a);
                okTs = ts.readChar(b);
                if (okRef && okTs && a != b) return differ("characters differ");
                break;
            }
            case Op::Word: {
                std::string a, b;
                okRef = static_cast<bool>(ref >> a);
                okTs = ts.readWord(b, 1 << 20);
                if (okRef && okTs && a != b) return differ("words " + printable(a) + " vs " + printable(b));
                break;
            }
            case Op::Line: {
                std::vector<char> a(lineCapacity + 1, '#'), b(lineCapacity + 1, '#');
                okRef = static_cast<bool>(ref.getline(a.data(), static_cast<std::streamsize>(lineCapacity)));
                okTs = ts.getLine(b.data(), lineCapacity);
                if (okRef && okTs && a != b)
                    return differ("lines " + printable(std::string(a.data())) + " vs " +
                                  printable(std::string(b.data())));
                break;
            }
        }
        if (okRef != okTs) return differ(std::string("success ") + (okRef ? "1" : "0") + " vs " + (okTs ? "1" : "0"));
        if (ref.eof() != ts.eof()) return differ(std::string("eof ") + (ref.eof() ? "1" : "0") + " vs " + (ts.eof() ? "1" : "0"));
        if (ref.fail() != ts.fail()) return differ("fail state differs");
    }
    for (int n = 0;; ++n) {
        char a = 0, b = 0;
        bool okRef = static_cast<bool>(ref >> a);
        bool okTs = ts.readChar(b);
        if (okRef != okTs || (okRef && a != b) || ref.eof() != ts.eof())
            return "remaining character " + std::to_string(n) + " differs";
        if (!okRef) return "";
    }
}

std::string compareOnText(const std::string& text, const std::vector<Op>& ops) {
    std::istringstream ref(withoutCrBeforeLf(text));
    TextStream ts;
    ts.openBuffer(text.data(), text.size());
    std::string d = compareReads(ts, ref, ops, 8);
    return d.empty() ? d : d + " on \"" + printable(text) + "\"";
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

// Hand-checked single cases: what each read takes and what it leaves.
TEST(TextStreamReads, HandPickedTokens) {
    auto open = [](TextStream& ts, const std::string& s) { ts.openBuffer(s.data(), s.size()); };
    TextStream ts;
    double d = -1;
    int i = -1;
    char c = 0;

    const std::string a = "1e5x";
    open(ts, a);
    EXPECT_TRUE(ts.readDouble(d));
    EXPECT_EQ(d, 100000.0);
    EXPECT_TRUE(ts.readChar(c));
    EXPECT_EQ(c, 'x');
    EXPECT_FALSE(ts.eof());  // a character read does not look past its character

    const std::string b = "1e+";  // the whole run is taken, and it is no number
    open(ts, b);
    EXPECT_FALSE(ts.readDouble(d));
    EXPECT_TRUE(ts.eof());

    const std::string u = "1e-400 -0";  // underflow is accepted; -0 keeps its sign
    open(ts, u);
    EXPECT_TRUE(ts.readDouble(d));
    EXPECT_EQ(d, 0.0);
    EXPECT_TRUE(ts.readDouble(d));
    EXPECT_TRUE(std::signbit(d));
    EXPECT_TRUE(ts.eof());

    const std::string o = "1e999 7";  // overflow fails, and every later read fails too
    open(ts, o);
    EXPECT_FALSE(ts.readDouble(d));
    EXPECT_FALSE(ts.readInt(i));
    EXPECT_FALSE(ts.eof());

    const std::string h = "0x1p3";  // hexadecimal is not read: 0, then 'x'
    open(ts, h);
    EXPECT_TRUE(ts.readDouble(d));
    EXPECT_EQ(d, 0.0);
    EXPECT_TRUE(ts.readChar(c));
    EXPECT_EQ(c, 'x');

    const std::string n = "nan";
    open(ts, n);
    EXPECT_FALSE(ts.readDouble(d));
    EXPECT_FALSE(ts.eof());

    const std::string z = "00012 00012";
    open(ts, z);
    EXPECT_TRUE(ts.readInt(i));
    EXPECT_EQ(i, 12);
    EXPECT_TRUE(ts.readDouble(d));
    EXPECT_EQ(d, 12.0);

    const std::string w = " \t\n\v\f\r";
    open(ts, w);
    EXPECT_FALSE(ts.readChar(c));
    EXPECT_TRUE(ts.eof());
    EXPECT_TRUE(ts.fail());

    const std::string m = "2147483647 -2147483648 2147483648";
    open(ts, m);
    EXPECT_TRUE(ts.readInt(i));
    EXPECT_EQ(i, 2147483647);
    EXPECT_TRUE(ts.readInt(i));
    EXPECT_EQ(i, -2147483647 - 1);
    EXPECT_FALSE(ts.readInt(i));

    // Opening again starts afresh: no fail or end state carried over.
    open(ts, a);
    EXPECT_FALSE(ts.fail());
    EXPECT_TRUE(ts.readDouble(d));
}

TEST(TextStreamReads, MatchesStandardExtractionOnEveryPoolTokenAlone) {
    for (const std::string& token : kTokens)
        for (Op op : {Op::Double, Op::Int, Op::Char, Op::Word})
            for (const std::string& tail : {std::string(), std::string(" "), std::string("\n7 q")}) {
                std::string d = compareOnText(token + tail, {op, Op::Int, Op::Double});
                EXPECT_EQ(d, "");
            }
}

TEST(TextStreamReads, MatchesStandardExtractionOnRandomSequences) {
    std::mt19937 rng(20080723);
    auto pick = [&](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
    const std::string alphabet = std::string("0123456789+-.eExXnaif \t\n\v\f\r#v") + '\0' + "\x80";
    int mismatches = 0;
    for (int round = 0; round < 4000 && mismatches < 5; ++round) {
        std::string text;
        if (round % 3 == 2) {
            // Raw characters: glued signs, points and exponents in any order.
            std::size_t len = pick(24);
            for (std::size_t k = 0; k < len; ++k) text.push_back(alphabet[pick(alphabet.size())]);
        } else {
            std::size_t count = 1 + pick(6);
            for (std::size_t k = 0; k < count; ++k) {
                text += kSeparators[pick(kSeparators.size())];
                text += kTokens[pick(kTokens.size())];
            }
            if (pick(2) == 0) text += kSeparators[pick(kSeparators.size())];
        }
        for (int program = 0; program < 3; ++program) {
            std::vector<Op> ops;
            std::size_t n = 1 + pick(10);
            for (std::size_t k = 0; k < n; ++k) ops.push_back(static_cast<Op>(pick(5)));
            std::string d = compareOnText(text, ops);
            if (!d.empty()) {
                ++mismatches;
                ADD_FAILURE() << d;
            }
        }
    }
}

TEST(TextStreamLines, LineLengthsAndLineEnds) {
    TextStream ts;
    char line[90];
    auto open = [&](const std::string& s) { ts.openBuffer(s.data(), s.size()); };

    const std::string fits = std::string(89, 'a') + "\nnext";
    open(fits);
    ASSERT_TRUE(ts.getLine(line, sizeof line));
    EXPECT_EQ(std::string(line), std::string(89, 'a'));
    ASSERT_TRUE(ts.getLine(line, sizeof line));  // last line without a line end
    EXPECT_STREQ(line, "next");
    EXPECT_TRUE(ts.eof());
    EXPECT_FALSE(ts.getLine(line, sizeof line));

    const std::string tooLong = std::string(90, 'a') + "\n";
    open(tooLong);
    EXPECT_FALSE(ts.getLine(line, sizeof line));
    EXPECT_FALSE(ts.getLine(line, sizeof line));  // the failure sticks

    // 89 characters plus CR LF: the carriage return is not counted.
    const std::string crlf = std::string(89, 'b') + "\r\nv 1 2 3\r\n";
    open(crlf);
    ASSERT_TRUE(ts.getLine(line, sizeof line));
    EXPECT_EQ(std::string(line), std::string(89, 'b'));
    ASSERT_TRUE(ts.getLine(line, sizeof line));
    EXPECT_STREQ(line, "v 1 2 3");
    EXPECT_FALSE(ts.getLine(line, sizeof line));

    // A carriage return that is not followed by a line feed is a character.
    const std::string lone = "a\rb\nc\r";
    open(lone);
    ASSERT_TRUE(ts.getLine(line, sizeof line));
    EXPECT_STREQ(line, "a\rb");
    ASSERT_TRUE(ts.getLine(line, sizeof line));
    EXPECT_STREQ(line, "c\r");

    const std::string blank = "\n\n";
    open(blank);
    EXPECT_TRUE(ts.getLine(line, sizeof line));
    EXPECT_STREQ(line, "");
    EXPECT_TRUE(ts.getLine(line, sizeof line));
    EXPECT_FALSE(ts.getLine(line, sizeof line));

    const std::string nothing;
    open(nothing);
    EXPECT_TRUE(ts.empty());
    EXPECT_FALSE(ts.getLine(line, sizeof line));
    EXPECT_TRUE(ts.eof());

    // Formatted reads go on from the start of the next line.
    const std::string mixed = "# header 1 2\n 5 x";
    open(mixed);
    ASSERT_TRUE(ts.getLine(line, sizeof line));
    int i = 0;
    EXPECT_TRUE(ts.readInt(i));
    EXPECT_EQ(i, 5);
}

TEST(TextStreamWords, WordLengthLimit) {
    TextStream ts;
    std::string word;
    const std::string text = std::string(99, 'k') + " " + std::string(100, 'k') + " z";
    ts.openBuffer(text.data(), text.size());
    EXPECT_TRUE(ts.readWord(word, 99));
    EXPECT_EQ(word.size(), 99u);
    EXPECT_FALSE(ts.readWord(word, 99));
    char c = 0;
    EXPECT_FALSE(ts.readChar(c));
}

class TextStreamFile : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::path(testing::TempDir()) /
               ("zeq_text_stream_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string write(const std::string& name, const std::string& content) {
        std::string path = (dir_ / name).string();
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }
    std::filesystem::path dir_;
};

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
    const std::string path = write("large.txt", text);
    for (int program = 0; program < 3; ++program) {
        TextStream ts;
        ASSERT_TRUE(ts.open(path.c_str()));
        std::istringstream ref(withoutCrBeforeLf(text));
        // Mostly words and lines (they never fail early), with number reads
        // that stop at the first token that is not a number.
        std::vector<Op> ops;
        for (int k = 0; k < 400000; ++k) ops.push_back(pick(4) == 0 ? Op::Line : Op::Word);
        if (program > 0) ops.push_back(program == 1 ? Op::Double : Op::Int);
        EXPECT_EQ(compareReads(ts, ref, ops, 90), "");
    }
}

// CR and LF on either side of each likely block boundary.
TEST_F(TextStreamFile, CrLfSplitAcrossBlockBoundaries) {
    std::string text;
    std::vector<std::string> expected;
    for (std::size_t boundary : {std::size_t{1} << 12, std::size_t{1} << 16, std::size_t{1} << 20}) {
        while (text.size() + 10 < boundary - 1) {
            text += "0123456789\n";
            expected.push_back("0123456789");
        }
        std::string tail(boundary - 1 - text.size(), 'q');
        text += tail + "\r\n";  // '\r' is the last byte before the boundary
        expected.push_back(tail);
    }
    text += "end";
    expected.push_back("end");
    const std::string path = write("crlf.txt", text);

    TextStream ts;
    ASSERT_TRUE(ts.open(path.c_str()));
    char line[90];
    for (std::size_t n = 0; n < expected.size(); ++n) {
        ASSERT_TRUE(ts.getLine(line, sizeof line)) << "line " << n;
        ASSERT_EQ(std::string(line), expected[n]) << "line " << n;
    }
    EXPECT_FALSE(ts.getLine(line, sizeof line));
}

TEST_F(TextStreamFile, OpenFailsOnMissingFileAndDirectory) {
    TextStream ts;
    EXPECT_FALSE(ts.open((dir_ / "missing.txt").string().c_str()));
    EXPECT_FALSE(ts.open(dir_.string().c_str()));
    const std::string path = write("empty.txt", "");
    ASSERT_TRUE(ts.open(path.c_str()));
    EXPECT_TRUE(ts.empty());
}

}  // namespace
}  // namespace zeq
