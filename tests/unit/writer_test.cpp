// SMF and OFF output: exact bytes, live elements only, renumbering, corner
// order from the edge lists, and failed writes.
#include <set>
#include <tuple>

#include "io/off_reader.h"
#include "io/off_writer.h"
#include "io/smf_reader.h"
#include "io/smf_writer.h"
#include "tests/unit/test_mesh.h"

namespace zeq::test {
namespace {

namespace fs = std::filesystem;

class Writer : public FileTest {
protected:
    std::set<std::string> listing() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_)) names.insert(entry.path().filename().string());
        return names;
    }
    // Writes the global mesh to `name` in the writer's format; returns its
    // result and keeps what it printed.
    int smf(const std::string& name) { return run(name, writeSmf); }
    int off(const std::string& name) { return run(name, writeOff); }
    int run(const std::string& name, int (*writer)(Mesh&, const char*, std::string*)) {
        int result = -1;
        printed = printedBy([&] { result = writer(theMesh(), name.c_str(), nullptr); });
        return result;
    }
    std::string printed;
};

// Five vertices, vertex 1 named by no face:
//   v0 (0.5, 2, 1234567)        f0 = (0,2,3): e0 0-2, e1 2-3, e2 3-0
//   v1 (9, 9, 9)    unused      f1 = (3,2,4): e1 reused, e3 2-4, e4 4-3
//   v2 (-0.0001, 0.00001, 0)
//   v3 (999999.5, -0, -2.5)     live vertices renumbered 0 2 3 4 -> 0 1 2 3
//   v4 (100000, 1000000, 0.1)
void buildSample() {
    buildMesh({{0.5, 2, 1234567}, {9, 9, 9}, {-0.0001, 0.00001, 0}, {999999.5, -0.0, -2.5}, {100000, 1000000, 0.1}},
              {{0, 2, 3}, {3, 2, 4}});
}

const std::string kSampleVertices = "0.5 2 1.23457e+06\n-0.0001 1e-05 0\n1e+06 -0 -2.5\n100000 1e+06 0.1\n";
const std::string kSmfVertices =
    "#SMF\nv 0.5 2 1.23457e+06\nv -0.0001 1e-05 0\nv 1e+06 -0 -2.5\nv 100000 1e+06 0.1\n";

TEST_F(Writer, BytesAndRenumbering) {
    buildSample();
    ASSERT_EQ(smf(path("out.smf")), 0);
    EXPECT_EQ(printed, "");
    EXPECT_EQ(contentOf(path("out.smf")), kSmfVertices + "f 1 2 3 \nf 3 2 4 \n");
    EXPECT_EQ(ids(theMesh().vertices), (Ids{0, 1, 1, 2, 3}));  // v1 is not written and keeps its id
    ASSERT_EQ(off(path("out.off")), 0);
    EXPECT_EQ(printed, "Ficheiro -> " + path("out.off") + "  criado\n");
    EXPECT_EQ(contentOf(path("out.off")), "OFF\n4 2 0\n" + kSampleVertices + "3  0 1 2\n3  2 1 3\n");
    EXPECT_EQ(listing(), (std::set<std::string>{"out.smf", "out.off"}));

    // Read back: the same counts, and every written line ends with a line
    // end, so the OFF reader reaches its last face without meeting the end
    // of the file and prints no totals.
    resetRunState();
    std::string read = printedBy([&] { EXPECT_EQ(readOff(theMesh(), path("out.off").c_str()), ReadStatus::Loaded); });
    EXPECT_EQ(read, " #Vertices = 4\n #Edges = ??\n #Faces = 2\n");
    EXPECT_EQ(theMesh().edges.size(), 5u);
    resetRunState();
    read = printedBy([&] { EXPECT_EQ(readSmf(theMesh(), path("out.smf").c_str()), ReadStatus::Loaded); });
    EXPECT_EQ(read, " 4 <Vertices>\n 5 <Edges>\n 2 <Faces>\n");
}

// What a collapse leaves behind: a face and a vertex with empty edge lists.
// They are not written, the rest is numbered without gaps, and the counts
// line gives the numbers of lines that follow. A face holding four edges
// (never a triangle) is not written either.
TEST_F(Writer, RetiredElementsAreLeftOut) {
    buildSample();
    theMesh().faces[0]->releaseLists();
    theMesh().vertices[0]->releaseLists();
    ASSERT_EQ(smf(path("a.smf")), 0);
    EXPECT_EQ(contentOf(path("a.smf")), "#SMF\nv -0.0001 1e-05 0\nv 1e+06 -0 -2.5\nv 100000 1e+06 0.1\nf 2 1 3 \n");
    ASSERT_EQ(off(path("a.off")), 0);
    EXPECT_EQ(contentOf(path("a.off")), "OFF\n3 1 0\n-0.0001 1e-05 0\n1e+06 -0 -2.5\n100000 1e+06 0.1\n3  1 0 2\n");
    theMesh().faces[1]->edges.pushBack(theMesh().edges[0]);
    ASSERT_EQ(off(path("b.off")), 0);
    EXPECT_EQ(contentOf(path("b.off")), "OFF\n3 0 0\n-0.0001 1e-05 0\n1e+06 -0 -2.5\n100000 1e+06 0.1\n");
}

// The corners are read back from the first two edges only: reordering f0's
// list (e0 0-2, e1 2-3, e2 3-0) changes the written corner order.
TEST_F(Writer, CornerOrderFollowsTheEdgeList) {
    const std::vector<std::tuple<Corners, std::string, std::string>> orders = {  // edges, SMF line, OFF line
        {{0, 1, 2}, "f 1 2 3 \n", "3  0 1 2\n"},  // as loaded: (0,2,3)
        {{1, 2, 0}, "f 2 3 1 \n", "3  1 2 0\n"},  // rotated: (2,3,0)
        {{2, 0, 1}, "f 3 1 2 \n", "3  2 0 1\n"},  // rotated: (3,0,2)
        {{1, 0, 2}, "f 3 2 1 \n", "3  2 1 0\n"},  // reversed: (3,2,0)
        {{0, 2, 1}, "f 2 1 3 \n", "3  1 0 2\n"},  // reversed: (2,0,3)
    };
    for (const auto& [edges, smfLine, offLine] : orders) {
        SCOPED_TRACE(smfLine);
        resetRunState();
        buildSample();
        theMesh().faces[0]->edges.clear();
        for (int i : edges) theMesh().faces[0]->edges.pushBack(theMesh().edges[i]);
        ASSERT_EQ(smf(path("c.smf")), 0);
        ASSERT_EQ(off(path("c.off")), 0);
        EXPECT_EQ(contentOf(path("c.smf")), kSmfVertices + smfLine + "f 3 2 4 \n");
        EXPECT_EQ(contentOf(path("c.off")), "OFF\n4 2 0\n" + kSampleVertices + offLine + "3  2 1 3\n");
    }
}

TEST_F(Writer, ReplacesAnExistingFileCompletely) {
    buildSample();
    write("old.smf", std::string(5000, 'z'));
    ASSERT_EQ(smf(path("old.smf")), 0);
    EXPECT_EQ(contentOf(path("old.smf")), kSmfVertices + "f 1 2 3 \nf 3 2 4 \n");
    EXPECT_EQ(listing(), (std::set<std::string>{"old.smf"}));
}

// A target that cannot be written: 1, nothing printed, no file made, an
// existing file untouched, no leftovers in the directory.
TEST_F(Writer, FailedWritesLeaveNothingBehind) {
    buildSample();
    fs::create_directory(dir_ / "sub");  // a directory as target
    write("keep.off", "keep\n");
    fs::permissions(path("keep.off"), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    for (const std::string& target : {path("no_such_dir/out.off"), path("sub"), path("keep.off")}) {
        SCOPED_TRACE(target);
        EXPECT_EQ(smf(target), 1);
        EXPECT_EQ(printed, "");
        EXPECT_EQ(off(target), 1);
        EXPECT_EQ(printed, "");
    }
    EXPECT_TRUE(fs::is_empty(dir_ / "sub"));
    EXPECT_EQ(contentOf(path("keep.off")), "keep\n");
    EXPECT_EQ(listing(), (std::set<std::string>{"keep.off", "sub"}));
}

}  // namespace
}  // namespace zeq::test
