// Front-end helpers: format choice by name, the face count argument, and the
// starting threshold.
#include <gtest/gtest.h>

#include <climits>
#include <tuple>
#include <utility>
#include <vector>

#include "app/run_program.h"
#include "simplify/run_simplification.h"
#include "io/mesh_format.h"

namespace zeq {
namespace {

TEST(FrontEndFormat, OffOnlyWhenTheNameEndsInOffAnyCase) {
    for (const char* name : {"in.OFF", "in.Off", "in.off", "in.oFf", "off", "dir.smf/mesh.off", "meshoff"})
        EXPECT_EQ(formatOfName(name), MeshFormat::Off) << name;
    for (const char* name : {"of", "", "in.smf", "in.offx", "in.of", "in.0ff", "in.off ", "off.smf"})
        EXPECT_EQ(formatOfName(name), MeshFormat::Smf) << name;
}

TEST(FrontEndFormat, PlyStlObjByTheirExtensionAnyCase) {
    const std::vector<std::pair<const char*, MeshFormat>> cases = {
        {"scan.ply", MeshFormat::Ply}, {"SCAN.PLY", MeshFormat::Ply}, {"a.b.Ply", MeshFormat::Ply},
        {"part.stl", MeshFormat::Stl}, {"PART.StL", MeshFormat::Stl}, {".stl", MeshFormat::Stl},
        {"model.obj", MeshFormat::Obj}, {"dir.ply/model.OBJ", MeshFormat::Obj},
        // Without the dot, or with anything after the extension, the old rule holds.
        {"meshply", MeshFormat::Smf}, {"in.ply.smf", MeshFormat::Smf}, {"in.objx", MeshFormat::Smf},
        {"in.stl ", MeshFormat::Smf}, {"ply", MeshFormat::Smf}, {"in.obj.off", MeshFormat::Off},
    };
    for (const auto& [name, format] : cases) EXPECT_EQ(formatOfName(name), format) << name;
}

TEST(FrontEndCount, ParsedLikeAtoiButSaturating) {
    const std::vector<std::pair<const char*, int>> cases = {
        {"42", 42}, {"\t\n\v\f\r 42", 42}, {"+7", 7}, {"-5", -5}, {"0012", 12}, {"-0", 0}, {"abc", 0}, {"", 0},
        {"12abc", 12}, {"1e3", 1}, {"3.9", 3}, {"- 5", 0}, {"+-5", 0},
        {"2147483647", INT_MAX}, {"2147483648", INT_MAX}, {"-2147483648", INT_MIN}, {"-2147483649", INT_MIN},
        {"99999999999", INT_MAX}, {"-99999999999", INT_MIN}, {"123456789012345678901234567890", INT_MAX},
    };
    for (const auto& [text, value] : cases) EXPECT_EQ(parseFaceCount(text), value) << '"' << text << '"';
}

// The ratio is target * 100 / faces, rounded to single precision, then looked
// up in the bands 80 / 60 / 50 / 40 / 30 / 20 (lower bounds inclusive).
TEST(FrontEndRatio, FloorOfTheDecimalShareNotOfItsBinaryNeighbour) {
    struct Case {
        const char* text;
        long long faces, target;
    };
    // 0.29 as a double is just below 0.29: 100 × it rounds to 28.999999999999996.
    const std::vector<Case> cases = {
        {"0.29", 100, 29}, {"0.1", 10, 1}, {".5", 7, 3}, {"0.5", 1, 0}, {"5e-1", 9, 4}, {"0.123456789", 1000000000, 123456789},
        {"0.999999999999999999999", 1000, 999}, {"1e-40", 2000000000, 0}, {"0.000", 10, -1}, {"1", 10, -1},
        {"1.0", 10, -1}, {"1.5", 10, -1}, {"-0.5", 10, -1}, {"0.5x", 10, -1}, {"", 10, -1}, {".", 10, -1},
        {"0.5e", 10, -1}, {"10e-2", 1000, 100}, {"00.25", 8, 2},
    };
    for (const Case& c : cases) {
        long long target = -1;
        const bool ok = ratioOfFaces(c.text, c.faces, target);
        EXPECT_EQ(ok, c.target >= 0) << c.text;
        if (ok) {
            EXPECT_EQ(target, c.target) << c.text;
        }
    }
}

TEST(FrontEndRequest, HowFarOptionsInAnyOrderEachOnce) {
    auto parse = [](std::vector<const char*> args, RunRequest& r) {
        args.insert(args.begin(), "zeq");
        return usesHowFarOptions(static_cast<int>(args.size()), args.data()) &&
               parseRequest(static_cast<int>(args.size()), args.data(), r);
    };
    RunRequest r;
    ASSERT_TRUE(parse({"--max-angle", "15", "-D", "--ratio", "0.25", "--no-weld", "in.ply", "out.ply"}, r));
    EXPECT_EQ(r.maxAngle, 15.0);
    ASSERT_EQ(r.levels(), 1u);
    EXPECT_STREQ(r.target, "0.25");
    EXPECT_TRUE(r.ratios);
    EXPECT_TRUE(r.timing);
    EXPECT_EQ(r.welding, Welding::Off);
    EXPECT_STREQ(r.input, "in.ply");
    ASSERT_TRUE(parse({"--max-error", "1e-3", "in.smf", "out.smf"}, r));
    EXPECT_EQ(r.maxError, 1e-3);
    EXPECT_EQ(r.target, nullptr);
    ASSERT_TRUE(parse({"-N", "100", "--max-angle", "0", "in.smf", "out.smf"}, r));
    ASSERT_EQ(r.levels(), 1u);
    EXPECT_STREQ(r.target, "100");
    EXPECT_FALSE(r.ratios);
    // Levels: -N or --ratio again, each value below the one before; only
    // a ratio or a bound asks for the report.
    ASSERT_TRUE(parse({"-N", "500", "-D", "-N", "50", "-N", "5", "in.smf", "out.smf"}, r));
    ASSERT_EQ(r.levels(), 3u);
    EXPECT_STREQ(r.targetOf(2), "5");
    EXPECT_FALSE(r.report);
    ASSERT_TRUE(parse({"--ratio", "0.5", "--ratio", ".1", "--ratio", "1e-2", "in.smf", "out.smf"}, r));
    EXPECT_EQ(r.levels(), 3u);
    EXPECT_TRUE(r.report);
    for (std::vector<const char*> wrong : {
             std::vector<const char*>{"--ratio", "1", "in", "out"}, {"--ratio", "0", "in", "out"},
             {"--max-angle", "-1", "in", "out"}, {"--max-angle", "nan", "in", "out"},
             {"--max-error", "x", "in", "out"}, {"--max-error", "1e-3", "--max-error", "1e-2", "in", "out"},
             {"--max-angle", "10", "-D", "-D", "in", "out"}, {"--max-angle", "10", "--bogus", "in", "out"},
             {"--max-angle", "10", "-N", "5", "--ratio", "0.5", "in", "out"}, {"--max-angle", "10", "in"},
             {"-N", "50", "-N", "50", "in", "out"}, {"-N", "5", "-N", "50", "in", "out"},
             {"--ratio", "0.1", "--ratio", "0.5", "in", "out"}, {"--ratio", "0.5", "-N", "5", "in", "out"},
         })
        EXPECT_FALSE(parse(wrong, r)) << wrong[0] << " " << wrong[1];
    // Lines without them stay with the short forms.
    std::vector<const char*> old = {"zeq", "-N", "--ratio", "in", "out"};
    EXPECT_FALSE(usesHowFarOptions(static_cast<int>(old.size()), old.data()));
}

TEST(FrontEndThreshold, BandsOfTheRequestedRatio) {
    const std::vector<std::tuple<int, std::size_t, float>> cases = {  // target, faces, threshold
        {5000, 1000, 100}, {800, 1000, 100}, {799, 1000, 80}, {600, 1000, 80}, {599, 1000, 60}, {500, 1000, 60},
        {499, 1000, 40},   {400, 1000, 40},  {399, 1000, 30}, {300, 1000, 30}, {299, 1000, 20}, {200, 1000, 20},
        {199, 1000, 10},   {-5, 1000, 10},   {4, 5, 100},     {3, 5, 80},      {1, 5, 20},      {1, 6, 10},
        // 79.999999, 59.999999 and 49.999999 become 80, 60 and 50 in single
        // precision, and so fall into the next band up.
        {79999999, 100000000, 100}, {59999999, 100000000, 80}, {49999999, 100000000, 60},
        // An empty mesh: 0/0 is not a number, 5/0 is +inf, -5/0 is -inf.
        {0, 0, 10}, {5, 0, 100}, {-5, 0, 10},
    };
    for (const auto& [target, faces, threshold] : cases)
        EXPECT_EQ(startingThreshold(target, faces), threshold) << target << " of " << faces;
}

}  // namespace
}  // namespace zeq
