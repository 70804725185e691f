// Memory running out at every allocation in turn (failing_allocation.h):
// writing, loading and whole runs fail with their one message and leave no
// temporary file and no touched output; nothing aborts.
#include <dirent.h>

#include <cctype>
#include <cmath>
#include <cstring>
#include <new>
#include <set>
#include <stdexcept>

#include "zeq/messages.h"
#include "zeq/zeq.h"
#include "app/run_program.h"
#include "io/mesh_files.h"
#include "io/record_pipe.h"
#include "tests/unit/failing_allocation.h"
#include "tests/unit/test_mesh.h"

namespace zeq::test {
namespace {

namespace fs = std::filesystem;
using Encoding = FileFlavour::Encoding;

// A closed torus of 2 * n * m triangles on an n x m grid.
void buildTorus(int n, int m) {
    std::vector<Point3> points;
    std::vector<Corners> faces;
    const double pi = std::acos(-1.0);
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < m; ++j) {
            const double u = 2 * pi * i / n, v = 2 * pi * j / m;
            const double r = 1 + 0.4 * std::cos(u);
            points.push_back({r * std::cos(v), r * std::sin(v), 0.4 * std::sin(u)});
            const int a = i * m + j, b = i * m + (j + 1) % m, c = (i + 1) % n * m + (j + 1) % m,
                      d = (i + 1) % n * m + j;
            faces.push_back({a, b, c});
            faces.push_back({a, c, d});
        }
    }
    buildMesh(points, faces);
}

// Every way a mesh is written: the format, the flavour and a file name.
struct Form {
    MeshFormat format;
    FileFlavour flavour;
    std::string name;
};

std::vector<Form> allForms() {
    auto flavour = [](Encoding e, bool doubles) {
        FileFlavour f;
        f.encoding = e;
        f.doubleCoordinates = doubles;
        return f;
    };
    return {
        {MeshFormat::Smf, {}, "out.smf"},
        {MeshFormat::Off, {}, "out.off"},
        {MeshFormat::Ply, flavour(Encoding::Text, true), "text.ply"},
        {MeshFormat::Ply, flavour(Encoding::BinaryLittleEndian, false), "little.ply"},
        {MeshFormat::Ply, flavour(Encoding::BinaryBigEndian, true), "big.ply"},
        {MeshFormat::Stl, flavour(Encoding::Text, true), "text.stl"},
        {MeshFormat::Stl, flavour(Encoding::BinaryLittleEndian, false), "binary.stl"},
        {MeshFormat::Obj, {}, "out.obj"},
    };
}

class Memory : public FileTest {
  protected:
    std::set<std::string> listing() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_))
            names.insert(entry.path().filename().string());
        return names;
    }
};

// The directory that the first-failure hook below looks into, and what it saw.
char watchedDirectory[4096];
bool temporaryAtFailure = false;

// Runs inside operator new: opendir and readdir take their memory from
// malloc, not from operator new.
void noteTemporaryFiles(std::size_t) {
    temporaryAtFailure = false;
    if (DIR* dir = ::opendir(watchedDirectory)) {
        while (const dirent* entry = ::readdir(dir))
            if (std::strstr(entry->d_name, ".zeq-") != nullptr) temporaryAtFailure = true;
        ::closedir(dir);
    }
}

// Whichever allocation of a write fails, the write is reported failed, the
// earlier file keeps its content and nothing else is left in the directory.
// Every allocation the writers make comes before the temporary file is
// created (the write buffer first of all), so that no failure can find one
// there; and an output that was moved into place is never reported failed.
TEST_F(Memory, EveryWriterFailsWholeWhenMemoryRunsOut) {
    std::snprintf(watchedDirectory, sizeof watchedDirectory, "%s", dir_.c_str());
    buildTorus(6, 10);
    for (const Form& form : allForms()) {
        SCOPED_TRACE(form.name);
        const std::string target = path(form.name);
        printedBy([&] {
            ASSERT_EQ(writeMeshFile(theMesh(), form.format, target.c_str(), form.flavour), 0);
        });
        const std::string written = contentOf(target);
        write(form.name, "the output of an earlier run\n");

        onFirstFailure(noteTemporaryFiles);
        const long failures = forEachFailingAllocation([&](long n) {
            int result = -1;
            bool failed = false;
            const std::string printed = printedBy([&] {
                failAllocationsFrom(n);
                result = writeMeshFile(theMesh(), form.format, target.c_str(), form.flavour);
                failed = stopFailing();
            });
            if (!failed) {
                EXPECT_EQ(result, 0);
                EXPECT_EQ(contentOf(target), written);
                write(form.name, "the output of an earlier run\n");
                return false;
            }
            SCOPED_TRACE("allocation " + std::to_string(n));
            EXPECT_EQ(result, 1);
            EXPECT_EQ(printed, "");
            EXPECT_FALSE(temporaryAtFailure);
            EXPECT_EQ(contentOf(target), "the output of an earlier run\n");
            EXPECT_EQ(listing(), std::set<std::string>{form.name});
            return !testing::Test::HasFailure();
        });
        onFirstFailure(nullptr);
        if (HasFailure()) return;  // the first form that fails tells enough
        EXPECT_GT(failures, 0);
        fs::remove(target);
        EXPECT_TRUE(listing().empty());
    }
}

// Whichever allocation of a load fails, on either of its threads, the load
// ends as an input that cannot be read, after printing what a complete load
// prints up to that point.
TEST_F(Memory, EveryLoadFailsAsUnreadableWhenMemoryRunsOut) {
    buildTorus(6, 10);
    for (const Form& form : allForms())
        printedBy([&] {
            ASSERT_EQ(writeMeshFile(theMesh(), form.format, path(form.name).c_str(), form.flavour),
                      0);
        });
    for (const Form& form : allForms()) {
        SCOPED_TRACE(form.name);
        const std::string input = path(form.name);
        resetRunState();
        FileFlavour flavour;
        std::string complete = printedBy([&] {
            ASSERT_EQ(readMeshFile(theMesh(), form.format, input.c_str(), flavour),
                      ReadStatus::Loaded);
        });
        const std::size_t faces = theMesh().faces.size();
        ASSERT_EQ(faces, 120u);

        // The text formats are parsed on a second thread: there the failure
        // is made to come on that thread first, then on either.
        for (FailingThreads threads : {FailingThreads::Others, FailingThreads::All}) {
            if (threads == FailingThreads::Others && form.flavour.binary() &&
                form.format == MeshFormat::Ply)
                continue;
            const long failures = forEachFailingAllocation([&](long n) {
                resetRunState();
                ReadStatus status = ReadStatus::Loaded;
                bool failed = false;
                const std::string printed = printedBy([&] {
                    failAllocationsFrom(n, threads);
                    status = readMeshFile(theMesh(), form.format, input.c_str(), flavour);
                    failed = stopFailing();
                });
                if (!failed) {
                    EXPECT_EQ(status, ReadStatus::Loaded);
                    EXPECT_EQ(printed, complete);
                    EXPECT_EQ(theMesh().faces.size(), faces);
                    return false;
                }
                SCOPED_TRACE("allocation " + std::to_string(n));
                EXPECT_EQ(status, ReadStatus::OutOfMemory);
                EXPECT_EQ(complete.compare(0, printed.size(), printed), 0) << printed;
                return !HasFailure();
            });
            if (HasFailure()) return;
            EXPECT_GT(failures, 0)
                << (threads == FailingThreads::Others ? "parsing thread" : "all threads");
        }
    }
}

// `text` with every number after "time = " written X.
std::string maskTimes(std::string text) {
    const std::string mark = "time = ";
    for (std::size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at + 1)) {
        const std::size_t from = at + mark.size();
        std::size_t to = from;
        while (to < text.size() &&
               (std::isdigit(static_cast<unsigned char>(text[to])) || text[to] == '.'))
            ++to;
        text.replace(from, to - from, "X");
    }
    return text;
}

// `text` ends with `tail`; `head` is set to what comes before it.
bool splitTail(const std::string& text, const std::string& tail, std::string& head) {
    if (text.size() < tail.size() ||
        text.compare(text.size() - tail.size(), tail.size(), tail) != 0)
        return false;
    head = text.substr(0, text.size() - tail.size());
    return true;
}

// Whole runs, with the n-th allocation failing for every n: status 1 and the
// failure line of the stage that ran out (the load's read failure, the line
// of its own while orienting or simplifying, the write failure), after what a
// complete run prints up to there; the earlier output untouched and no file
// left behind. Every one of the three is met on the way.
TEST_F(Memory, EveryRunEndsWithOneFailureMessageWhenMemoryRunsOut) {
    buildTorus(12, 20);
    const std::string input = path("in.smf");
    const std::string output = path("out.smf");
    printedBy([&] {
        ASSERT_EQ(writeMeshFile(theMesh(), MeshFormat::Smf, input.c_str(), FileFlavour{}), 0);
    });
    const char* const argv[] = {"zeq", "-N", "40", input.c_str(), output.c_str()};
    auto run = [&](long failFrom, bool& failed) {
        resetRunState();
        int status = -1;
        const std::string printed = printedBy([&] {
            if (failFrom > 0) failAllocationsFrom(failFrom);
            status = runProgram(5, argv);
            failed = stopFailing();
        });
        return std::make_pair(status, maskTimes(printed));
    };
    bool failed = false;
    const auto [completeStatus, complete] = run(0, failed);
    ASSERT_EQ(completeStatus, 0);
    ASSERT_FALSE(failed);
    const std::string written = contentOf(output);
    const std::string earlier = "the output of an earlier run\n";
    const std::string started = "Original mesh: <" + input + "> \n";
    const std::string refusal = messages::kRefusalEnd;
    const std::string readFailure = "Reading <" + input + ">:  Out of memory!\n" + refusal;
    const std::string outOfMemory = std::string(messages::kOutOfMemory) + refusal;
    const std::string writeFailure = "Writing <" + output + ">: Cannot write the file!\n" + refusal;

    write("out.smf", earlier);
    std::set<std::string> seen;
    forEachFailingAllocation([&](long n) {
        bool ranOut = false;
        const auto [status, printed] = run(n, ranOut);
        if (!ranOut) {
            EXPECT_EQ(status, 0);
            EXPECT_EQ(printed, complete);
            EXPECT_EQ(contentOf(output), written);
            return false;
        }
        SCOPED_TRACE("allocation " + std::to_string(n));
        EXPECT_EQ(status, 1);
        std::string head;
        if (splitTail(printed, readFailure, head)) {
            seen.insert("read");
            EXPECT_NE(head.find(started), std::string::npos) << printed;
            EXPECT_EQ(complete.compare(0, head.size(), head), 0) << printed;
        } else if (splitTail(printed, outOfMemory, head)) {
            seen.insert("memory");
            EXPECT_NE(head.find(" 480 <Faces>\n"), std::string::npos) << printed;
            EXPECT_EQ(complete.compare(0, head.size(), head), 0) << printed;
        } else if (splitTail(printed, writeFailure, head)) {
            seen.insert("write");
            EXPECT_EQ(head, complete);
        } else {
            ADD_FAILURE() << "no failure line at the end of:\n" << printed;
        }
        EXPECT_EQ(contentOf(output), earlier);
        EXPECT_EQ(listing(), (std::set<std::string>{"in.smf", "out.smf"}));
        return !HasFailure();
    });
    EXPECT_EQ(seen, (std::set<std::string>{"read", "memory", "write"}));
}

// The library never lets memory running out escape: every call comes back,
// complete and as it would without the failure, or with OutOfMemory.
TEST_F(Memory, LibraryCallsComeBackOutOfMemoryWhenMemoryRunsOut) {
    buildTorus(12, 20);
    const std::string input = path("in.ply");
    printedBy([&] { ASSERT_EQ(writeMeshFile(theMesh(), MeshFormat::Ply, input.c_str(), FileFlavour{}), 0); });
    TriangleMesh mesh;
    ASSERT_TRUE(read(input, mesh));
    Options options;
    options.ratios = {0.5, 0.2};
    const Result complete = simplify(viewOf(mesh), options);
    ASSERT_TRUE(complete.status);
    int ranOut = 0;
    const std::string output = path("out.ply");
    forEachFailingAllocation([&](long n) {
        failAllocationsFrom(n);
        const Result result = simplify(viewOf(mesh), options);
        TriangleMesh again;
        const Status readStatus = read(input, again);
        const Status writeStatus = zeq::write(output, mesh);
        const bool failed = stopFailing();
        if (!failed) return false;
        SCOPED_TRACE("allocation " + std::to_string(n));
        for (const Status& s : {result.status, readStatus, writeStatus}) {
            if (!s) {
                EXPECT_TRUE(s.failure == Failure::OutOfMemory || s.failure == Failure::CannotWrite) << s.message;
            }
        }
        if (result.status) {
            EXPECT_EQ(result.levels.size(), complete.levels.size());
            if (result.levels.size() == complete.levels.size()) {
                EXPECT_EQ(result.levels.back().mesh.triangles, complete.levels.back().mesh.triangles);
            }
        } else {
            ++ranOut;
        }
        return !HasFailure();
    });
    EXPECT_GT(ranOut, 0);
}

}  // namespace
}  // namespace zeq::test
