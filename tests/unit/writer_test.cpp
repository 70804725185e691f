// SMF and OFF output: exact bytes, live elements only, renumbering, corner
// order from the edge lists, round trips and failed writes.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "io/off_reader.h"
#include "io/off_writer.h"
#include "io/smf_reader.h"
#include "io/smf_writer.h"
#include "tests/unit/test_mesh.h"

namespace zeq {
namespace {

namespace fs = std::filesystem;

std::string contentOf(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

class Writer : public test::GlobalMeshTest {
protected:
    void SetUp() override {
        test::GlobalMeshTest::SetUp();
        dir_ = fs::path(testing::TempDir()) /
               ("zeq_writer_" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override {
        fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add);
        for (const auto& entry : fs::directory_iterator(dir_))
            fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(dir_);
        test::GlobalMeshTest::TearDown();
    }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    std::set<std::string> listing() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_)) names.insert(entry.path().filename().string());
        return names;
    }
    // Runs a writer with stdout captured; returns its result.
    template <class Write>
    int captured(Write write, std::string& printed) {
        testing::internal::CaptureStdout();
        int result = write();
        printed = testing::internal::GetCapturedStdout();
        return result;
    }
    fs::path dir_;
};

// Five vertices, vertex 1 named by no face:
//   v0 (0.5, 2, 1234567)        f0 = (0,2,3): e0 0-2, e1 2-3, e2 3-0
//   v1 (9, 9, 9)    unused      f1 = (3,2,4): e1 reused, e3 2-4, e4 4-3
//   v2 (-0.0001, 0.00001, 0)
//   v3 (999999.5, -0, -2.5)     live vertices renumbered 0 2 3 4 -> 0 1 2 3
//   v4 (100000, 1000000, 0.1)
void buildSample() {
    test::buildMesh({{0.5, 2, 1234567}, {9, 9, 9}, {-0.0001, 0.00001, 0}, {999999.5, -0.0, -2.5},
                     {100000, 1000000, 0.1}},
                    {{0, 2, 3}, {3, 2, 4}});
}

const std::string kSampleVertices =
    "0.5 2 1.23457e+06\n"
    "-0.0001 1e-05 0\n"
    "1e+06 -0 -2.5\n"
    "100000 1e+06 0.1\n";

TEST_F(Writer, SmfBytesAndRenumbering) {
    buildSample();
    std::string printed;
    ASSERT_EQ(captured([&] { return writeSmf(theMesh, path("out.smf").c_str()); }, printed), 0);
    EXPECT_EQ(printed, "");
    EXPECT_EQ(contentOf(path("out.smf")),
              "#SMF\n"
              "v 0.5 2 1.23457e+06\n"
              "v -0.0001 1e-05 0\n"
              "v 1e+06 -0 -2.5\n"
              "v 100000 1e+06 0.1\n"
              "f 1 2 3 \n"
              "f 3 2 4 \n");
    EXPECT_EQ(theMesh.vertices[0]->getId(), 0);
    EXPECT_EQ(theMesh.vertices[1]->getId(), 1);  // not written: keeps its id
    EXPECT_EQ(theMesh.vertices[2]->getId(), 1);
    EXPECT_EQ(theMesh.vertices[3]->getId(), 2);
    EXPECT_EQ(theMesh.vertices[4]->getId(), 3);
    EXPECT_EQ(listing(), (std::set<std::string>{"out.smf"}));
}

TEST_F(Writer, OffBytesAndAnnouncement) {
    buildSample();
    const std::string target = path("out.off");
    std::string printed;
    ASSERT_EQ(captured([&] { return writeOff(theMesh, target.c_str()); }, printed), 0);
    EXPECT_EQ(printed, "Ficheiro -> " + target + "  criado\n");
    EXPECT_EQ(contentOf(target), "OFF\n4 2 0\n" + kSampleVertices + "3  0 1 2\n3  2 1 3\n");
    EXPECT_EQ(listing(), (std::set<std::string>{"out.off"}));
}

// What a collapse leaves behind: a face and a vertex with empty edge lists.
// They are not written, the rest is numbered without gaps, and the counts
// line gives the numbers of lines that follow. A face holding four edges
// (never a triangle) is not written either.
TEST_F(Writer, RetiredElementsAreLeftOut) {
    buildSample();
    theMesh.faces[0]->releaseLists();
    theMesh.vertices[0]->releaseLists();
    std::string printed;
    ASSERT_EQ(captured([&] { return writeSmf(theMesh, path("a.smf").c_str()); }, printed), 0);
    EXPECT_EQ(contentOf(path("a.smf")),
              "#SMF\nv -0.0001 1e-05 0\nv 1e+06 -0 -2.5\nv 100000 1e+06 0.1\nf 2 1 3 \n");
    ASSERT_EQ(captured([&] { return writeOff(theMesh, path("a.off").c_str()); }, printed), 0);
    EXPECT_EQ(contentOf(path("a.off")),
              "OFF\n3 1 0\n-0.0001 1e-05 0\n1e+06 -0 -2.5\n100000 1e+06 0.1\n3  1 0 2\n");

    theMesh.faces[1]->edges.pushBack(theMesh.edges[0]);
    ASSERT_EQ(captured([&] { return writeOff(theMesh, path("b.off").c_str()); }, printed), 0);
    EXPECT_EQ(contentOf(path("b.off")), "OFF\n3 0 0\n-0.0001 1e-05 0\n1e+06 -0 -2.5\n100000 1e+06 0.1\n");
}

// The corners are read back from the first two edges only: reordering f0's
// list (e0 0-2, e1 2-3, e2 3-0) changes the written corner order.
TEST_F(Writer, CornerOrderFollowsTheEdgeList) {
    struct Order {
        std::array<int, 3> edges;
        std::string smfLine, offLine;
    };
    const std::vector<Order> orders = {
        {{0, 1, 2}, "f 1 2 3 \n", "3  0 1 2\n"},  // as loaded: (0,2,3)
        {{1, 2, 0}, "f 2 3 1 \n", "3  1 2 0\n"},  // rotated: (2,3,0)
        {{2, 0, 1}, "f 3 1 2 \n", "3  2 0 1\n"},  // rotated: (3,0,2)
        {{1, 0, 2}, "f 3 2 1 \n", "3  2 1 0\n"},  // reversed: (3,2,0)
        {{0, 2, 1}, "f 2 1 3 \n", "3  1 0 2\n"},  // reversed: (2,0,3)
    };
    for (const Order& order : orders) {
        SCOPED_TRACE(order.smfLine);
        resetGlobals();
        buildSample();
        Face* f0 = theMesh.faces[0];
        f0->edges.clear();
        for (int i : order.edges) f0->edges.pushBack(theMesh.edges[i]);
        std::string printed;
        ASSERT_EQ(captured([&] { return writeSmf(theMesh, path("c.smf").c_str()); }, printed), 0);
        ASSERT_EQ(captured([&] { return writeOff(theMesh, path("c.off").c_str()); }, printed), 0);
        EXPECT_EQ(contentOf(path("c.smf")), "#SMF\nv 0.5 2 1.23457e+06\nv -0.0001 1e-05 0\nv 1e+06 -0 -2.5\n"
                                            "v 100000 1e+06 0.1\n" + order.smfLine + "f 3 2 4 \n");
        EXPECT_EQ(contentOf(path("c.off")), "OFF\n4 2 0\n" + kSampleVertices + order.offLine + "3  2 1 3\n");
    }
}

TEST_F(Writer, EmptyMesh) {
    std::string printed;
    ASSERT_EQ(captured([&] { return writeSmf(theMesh, path("e.smf").c_str()); }, printed), 0);
    EXPECT_EQ(contentOf(path("e.smf")), "#SMF\n");
    ASSERT_EQ(captured([&] { return writeOff(theMesh, path("e.off").c_str()); }, printed), 0);
    EXPECT_EQ(contentOf(path("e.off")), "OFF\n0 0 0\n");
    EXPECT_EQ(printed, "Ficheiro -> " + path("e.off") + "  criado\n");
}

TEST_F(Writer, SmfRoundTrip) {
    const std::string text =
        "# made by hand\nv 0 0 0\nv 5 5 5\nv 1 0 0\nv 0 1 0\nv 0 0 1\nf 1 3 4\nf 1 3 5\nf 3 4 5\nf 1 4 5\n";
    std::string printed;
    testing::internal::CaptureStdout();
    ASSERT_EQ(static_cast<int>(readSmfText(theMesh, text.data(), text.size())), 0);
    testing::internal::GetCapturedStdout();
    ASSERT_EQ(captured([&] { return writeSmf(theMesh, path("r.smf").c_str()); }, printed), 0);
    // The unused vertex 2 is dropped and the corner numbers shift down.
    EXPECT_EQ(contentOf(path("r.smf")),
              "#SMF\nv 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nf 1 2 3 \nf 1 2 4 \nf 2 3 4 \nf 1 3 4 \n");

    resetGlobals();
    testing::internal::CaptureStdout();
    EXPECT_EQ(static_cast<int>(readSmf(theMesh, path("r.smf").c_str())), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), " 4 <Vertices>\n 6 <Edges>\n 4 <Faces>\n");
    EXPECT_EQ(test::cornersOf(theMesh.faces[3]), (std::array<int, 3>{0, 2, 3}));
}

TEST_F(Writer, OffRoundTripPrintsNoTotals) {
    const std::string text = "OFF\n5 4 6\n0 0 0\n1 0 0\n0 1 0\n0 0 1\n7 7 7\n3 0 1 2\n3 0 1 3\n3 1 2 3\n3 0 2 3";
    testing::internal::CaptureStdout();
    ASSERT_EQ(static_cast<int>(readOffText(theMesh, text.data(), text.size(), "in.off")), 0);
    testing::internal::GetCapturedStdout();
    std::string printed;
    ASSERT_EQ(captured([&] { return writeOff(theMesh, path("r.off").c_str()); }, printed), 0);
    EXPECT_EQ(contentOf(path("r.off")),
              "OFF\n4 4 0\n0 0 0\n1 0 0\n0 1 0\n0 0 1\n3  0 1 2\n3  0 1 3\n3  1 2 3\n3  0 2 3\n");

    resetGlobals();
    testing::internal::CaptureStdout();
    EXPECT_EQ(static_cast<int>(readOff(theMesh, path("r.off").c_str())), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), " #Vertices = 4\n #Edges = ??\n #Faces = 4\n");
    EXPECT_EQ(theMesh.vertices.size(), 4u);
    EXPECT_EQ(theMesh.edges.size(), 6u);
    EXPECT_EQ(theMesh.faces.size(), 4u);
}

TEST_F(Writer, ReplacesAnExistingFileCompletely) {
    buildSample();
    std::ofstream(path("old.smf"), std::ios::binary) << std::string(5000, 'z');
    std::string printed;
    ASSERT_EQ(captured([&] { return writeSmf(theMesh, path("old.smf").c_str()); }, printed), 0);
    EXPECT_EQ(contentOf(path("old.smf")).substr(0, 5), "#SMF\n");
    EXPECT_EQ(contentOf(path("old.smf")).find('z'), std::string::npos);
    EXPECT_EQ(listing(), (std::set<std::string>{"old.smf"}));
}

// A target that cannot be written: 1, nothing printed, no file made, an
// existing file untouched, no leftovers in the directory.
TEST_F(Writer, FailedWritesLeaveNothingBehind) {
    buildSample();
    const std::string missingDir = (dir_ / "no_such_dir" / "out.smf").string();
    const std::string missingDirOff = (dir_ / "no_such_dir" / "out.off").string();
    std::string printed;
    EXPECT_EQ(captured([&] { return writeSmf(theMesh, missingDir.c_str()); }, printed), 1);
    EXPECT_EQ(printed, "");
    EXPECT_EQ(captured([&] { return writeOff(theMesh, missingDirOff.c_str()); }, printed), 1);
    EXPECT_EQ(printed, "");
    EXPECT_FALSE(fs::exists(dir_ / "no_such_dir"));

    fs::create_directory(dir_ / "sub");  // a directory as target
    EXPECT_EQ(captured([&] { return writeOff(theMesh, path("sub").c_str()); }, printed), 1);
    EXPECT_EQ(printed, "");
    EXPECT_TRUE(fs::is_directory(dir_ / "sub"));
    EXPECT_TRUE(fs::is_empty(dir_ / "sub"));

    std::ofstream(path("keep.off"), std::ios::binary) << "keep\n";
    fs::permissions(path("keep.off"), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(captured([&] { return writeOff(theMesh, path("keep.off").c_str()); }, printed), 1);
    EXPECT_EQ(printed, "");
    EXPECT_EQ(captured([&] { return writeSmf(theMesh, path("keep.off").c_str()); }, printed), 1);
    EXPECT_EQ(contentOf(path("keep.off")), "keep\n");

    EXPECT_EQ(listing(), (std::set<std::string>{"keep.off", "sub"}));
}

}  // namespace
}  // namespace zeq
