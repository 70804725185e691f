// The library against the program: the same meshes from arrays as from
// files, the same console lines, failures as values, and runs side by side.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "app/run_program.h"
#include "tests/unit/test_mesh.h"
#include "zeq/messages.h"
#include "zeq/zeq.h"

namespace zeq::test {
namespace {

namespace fs = std::filesystem;

const fs::path kSource = ZEQ_SOURCE_DIR;

std::string printedMasked(const std::function<void()>& f) {
    std::string text = printedBy(f);
    const std::string mark = "time = ";
    for (std::size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at + 1)) {
        std::size_t to = at + mark.size();
        while (to < text.size() && (std::isdigit(static_cast<unsigned char>(text[to])) || text[to] == '.')) ++to;
        text.replace(at + mark.size(), to - at - mark.size(), "X");
    }
    return text;
}

TriangleMesh readMesh(const std::string& path, int weld) {
    TriangleMesh mesh;
    const Status status = read(path, mesh, weld);
    EXPECT_TRUE(status) << path << ": " << status.message;
    return mesh;
}

// The options of a command line; false for one without a target.
bool optionsOf(const std::vector<std::string>& args, Options& options) {
    for (std::size_t i = 0; i + 2 < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "-N") {
            options.faces.push_back(parseFaceCount(args[++i].c_str()));
        } else if (a == "--ratio") {
            options.ratios.push_back(std::strtod(args[++i].c_str(), nullptr));
        } else if (a == "--max-angle") {
            options.maxAngle = std::strtod(args[++i].c_str(), nullptr);
        } else if (a == "--max-error") {
            options.maxError = std::strtod(args[++i].c_str(), nullptr);
        } else if (a == "--origins") {
            ++i;
        } else if (a == "--no-attributes") {
            options.attributes = false;
        }
    }
    return !options.faces.empty() || !options.ratios.empty();
}

class Library : public FileTest {
protected:
    // Runs the program on `args` with the input `input` converted to PLY
    // with double coordinates (vertices as the program loads them, welding
    // as `args` say), and the library on the same arrays; both must give
    // the same positions and triangles in the same order.
    void expectSameAsProgram(const std::string& input, std::vector<std::string> args) {
        SCOPED_TRACE(input);
        Options options;
        if (!optionsOf(args, options)) return;
        int weld = -1;
        for (const std::string& a : args) weld = a == "--weld" ? 1 : a == "--no-weld" ? 0 : weld;
        const TriangleMesh given = readMesh(input, weld);
        const std::string ply = path("in.ply");
        ASSERT_TRUE(zeq::write(ply, given));

        std::vector<std::string> line{"zeq", "--no-weld"};
        for (std::size_t i = 0; i + 2 < args.size(); ++i) {
            if (args[i] == "--origins") {
                ++i;
            } else if (args[i] == "-N" || args[i] == "--ratio") {
                line.push_back(args[i]);
                line.push_back(args[++i]);
            } else if (args[i] != "--weld" && args[i] != "--no-weld" && args[i] != "-D") line.push_back(args[i]);
        }
        line.push_back(ply);
        line.push_back(path("out.ply"));
        std::vector<const char*> argv;
        for (const std::string& a : line) argv.push_back(a.c_str());
        int status = -1;
        resetRunState();
        printedBy([&] { status = runProgram(static_cast<int>(argv.size()), argv.data()); });

        const TriangleMesh arrays = readMesh(ply, 0);
        const Result result = simplify(viewOf(arrays), options);
        ASSERT_EQ(status == 0, static_cast<bool>(result.status)) << result.status.message;
        if (!result.status) return;
        const std::size_t levels = result.levels.size();
        for (std::size_t k = 0; k < levels; ++k) {
            const std::string out = levels == 1 && options.faces.size() + options.ratios.size() <= 1
                                        ? path("out.ply")
                                        : path("out-" + std::to_string(k + 1) + ".ply");
            const TriangleMesh written = readMesh(out, 0);
            const TriangleMesh& level = result.levels[k].mesh;
            EXPECT_EQ(level.positions, written.positions) << "level " << k + 1;
            EXPECT_EQ(level.triangles, written.triangles) << "level " << k + 1;
            EXPECT_EQ(level.vertexCount(), result.levels[k].origins.size());
        }
    }
};

TEST_F(Library, GivesWhatTheProgramWritesOnEverySharedMesh) {
    const fs::path shared = kSource / ".." / "shared" / "meshes";
    if (!fs::exists(shared)) GTEST_SKIP() << "no shared meshes beside the project";
    for (const auto& entry : fs::directory_iterator(shared)) {
        if (entry.path().extension() != ".off") continue;
        const std::string in = entry.path().string();
        const long long faces = static_cast<long long>(readMesh(in, 0).faceCount());
        expectSameAsProgram(in, {"-N", std::to_string(faces / 10), "in", "out"});
        expectSameAsProgram(in, {"--ratio", "0.5", "--max-error", "0.01", "in", "out"});
        expectSameAsProgram(in, {"-N", std::to_string(faces / 2), "-N", std::to_string(faces / 8), "in", "out"});
    }
}

TEST_F(Library, GivesWhatTheProgramWritesInEveryEndToEndCaseWithAValidMesh) {
    int compared = 0;
    for (const auto& entry : fs::directory_iterator(kSource / "tests" / "e2e" / "cases")) {
        const fs::path dir = entry.path();
        std::ifstream statusFile(dir / "status"), argsFile(dir / "args");
        int status = -1;
        statusFile >> status;
        std::vector<std::string> args;
        for (std::string a; argsFile >> a;) args.push_back(a);
        if (status != 0 || args.size() < 4) continue;
        const fs::path input = dir / "in" / args[args.size() - 2];
        if (!fs::is_regular_file(input) || fs::file_size(input) == 0) continue;
        TriangleMesh probe;
        if (!read(input.string(), probe)) continue;
        expectSameAsProgram(input.string(), args);
        ++compared;
    }
    EXPECT_GT(compared, 50);
}

TEST_F(Library, ConsoleGetsTheProgramsLinesByteForByte) {
    const std::string in = (kSource / "data" / "sample.off").string();
    const char* const argv[] = {"zeq", "--ratio", "0.3", "-D", in.c_str(), "/dev/null"};
    std::string program = printedMasked([&] { runProgram(6, argv); });
    std::string library;
    Options options;
    options.ratios = {0.3};
    options.timing = true;
    const Result result = simplifyFile(in, "/dev/null", options, -1, {}, [&](std::string_view t) { library += t; });
    ASSERT_TRUE(result.status);
    library = printedMasked([&] { std::fputs(library.c_str(), stdout); });
    ASSERT_EQ(program.rfind(library), program.size() - library.size());
    EXPECT_EQ(program.substr(0, program.size() - library.size()).find("ZEQ version"), 1u);
    ASSERT_EQ(result.levels.size(), 1u);
    EXPECT_FALSE(std::isnan(result.levels[0].figures.distanceBound));
}

TEST_F(Library, EveryFailureIsAValueWithTheProgramsMessage) {
    const double square[] = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 0.5, 0.5, 1};
    const std::int64_t fan[] = {0, 1, 4, 1, 2, 4, 2, 3, 4, 3, 0, 4};
    auto viewWith = [&](const double* p, const std::int64_t* t) {
        MeshView v;
        v.positions = ArrayView{p, ValueType::Float64, 5, 3, 24, 8};
        v.triangles = ArrayView{t, ValueType::Int64, 4, 3, 24, 8};
        return v;
    };
    auto simplifyTo = [&](const MeshView& v, long long target) {
        Options o;
        o.faces = {target};
        return simplify(v, o).status;
    };
    EXPECT_TRUE(simplifyTo(viewWith(square, fan), 2));

    double nan[15];
    std::copy(square, square + 15, nan);
    nan[7] = std::nan("");
    const std::string bad = "Reading <mesh>: ";
    Status s = simplifyTo(viewWith(nan, fan), 2);
    EXPECT_EQ(s.failure, Failure::BadInput);
    EXPECT_EQ(s.message, bad + " Problem reading the vertices coordinates!\n");
    for (std::int64_t corner : {std::int64_t{5}, std::int64_t{-1}}) {
        std::int64_t wrong[12];
        std::copy(fan, fan + 12, wrong);
        wrong[4] = corner;
        s = simplifyTo(viewWith(square, wrong), 2);
        EXPECT_EQ(s.failure, Failure::BadInput);
        EXPECT_EQ(s.message, bad + " Problem reading faces definition!\n");
    }
    MeshView quads = viewWith(square, fan);
    quads.triangles.columns = 4;
    EXPECT_EQ(simplifyTo(quads, 2).message, bad + " Problem reading faces definition!\n");
    MeshView realCorners = viewWith(square, fan);
    realCorners.triangles = ArrayView{square, ValueType::Float64, 4, 3, 24, 8};
    EXPECT_EQ(simplifyTo(realCorners, 2).failure, Failure::BadInput);

    s = simplifyTo(viewWith(square, fan), 4);
    EXPECT_EQ(s.failure, Failure::BadRequest);
    EXPECT_EQ(s.message, messages::kShortUsage);
    Options both;
    both.faces = {2};
    both.ratios = {0.5};
    EXPECT_EQ(simplify(viewWith(square, fan), both).status.message, messages::kLongUsage);
    Options rising;
    rising.faces = {2, 3};
    EXPECT_EQ(simplify(viewWith(square, fan), rising).status.failure, Failure::BadRequest);
    Options whole;
    whole.ratios = {1.0};
    EXPECT_EQ(simplify(viewWith(square, fan), whole).status.failure, Failure::BadRequest);

    TriangleMesh mesh;
    s = read(path("missing.off"), mesh);
    EXPECT_EQ(s.failure, Failure::CannotRead);
    EXPECT_EQ(s.message, "Reading <" + path("missing.off") + ">:  File not found!\n");
    mesh = readMesh((kSource / "data" / "sample.off").string(), -1);
    const std::string unwritable = path("no/such/dir/out.off");
    s = zeq::write(unwritable, mesh);
    EXPECT_EQ(s.failure, Failure::CannotWrite);
    EXPECT_EQ(s.message, "Writing <" + unwritable + ">: Cannot write the file!\n");
}

TEST_F(Library, PropertiesFollowTheVerticesTheyBelongTo) {
    TriangleMesh mesh = readMesh((kSource / "data" / "sample.off").string(), -1);
    Property height{"height", ValueType::Float32, {}};
    Property label{"label", ValueType::UInt16, {}};
    for (std::size_t v = 0; v < mesh.vertexCount(); ++v) {
        height.values.push_back(mesh.positions[3 * v + 2]);
        label.values.push_back(static_cast<double>(v % 7));
    }
    mesh.vertexProperties = {height, label};
    Options options;
    options.ratios = {0.25};
    const Result result = simplify(viewOf(mesh), options);
    ASSERT_TRUE(result.status) << result.status.message;
    const Level& level = result.levels[0];
    ASSERT_EQ(level.mesh.vertexProperties.size(), 2u);
    EXPECT_EQ(level.mesh.vertexProperties[1].type, ValueType::UInt16);
    for (std::size_t v = 0; v < level.mesh.vertexCount(); ++v) {
        // A label is kept from one end, so it is the label of some input
        // vertex; a height is averaged, so it lies within the input's.
        const double l = level.mesh.vertexProperties[1].values[v];
        EXPECT_EQ(l, std::floor(l));
        EXPECT_LT(l, 7);
        EXPECT_LT(level.origins[v], mesh.vertexCount());
    }
    // A PLY made from arrays carries their properties, in their types.
    ASSERT_TRUE(zeq::write(path("props.ply"), level.mesh));
    const TriangleMesh back = readMesh(path("props.ply"), 0);
    EXPECT_EQ(back.positions, level.mesh.positions);
    ASSERT_EQ(back.vertexProperties.size(), 2u);
    EXPECT_EQ(back.vertexProperties[1].type, ValueType::UInt16);
    EXPECT_EQ(back.vertexProperties[0].values, level.mesh.vertexProperties[0].values);
    EXPECT_EQ(back.vertexProperties[1].values, level.mesh.vertexProperties[1].values);
}

// Run under ThreadSanitizer too.
class LibraryThreads : public Library {};

TEST_F(LibraryThreads, MeshesSimplifiedSideBySideComeOutAsOneAfterTheOther) {
    std::vector<TriangleMesh> meshes;
    for (const char* name : {"sample.off", "sample.smf"}) meshes.push_back(readMesh((kSource / "data" / name).string(), -1));
    const fs::path shared = kSource / ".." / "shared" / "meshes";
    for (const char* name : {"bunny.off", "fandisk.off", "elephant.off", "bones.off", "blobby_shuffled.off", "elephant_with_holes.off"})
        if (fs::exists(shared / name)) meshes.push_back(readMesh((shared / name).string(), -1));
    Options options;
    options.ratios = {0.3, 0.1};
    std::vector<Result> alone;
    for (const TriangleMesh& m : meshes) alone.push_back(simplify(viewOf(m), options));

    std::vector<Result> together(meshes.size());
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (std::size_t i = t; i < meshes.size(); i += 4) together[i] = simplify(viewOf(meshes[i]), options);
        });
    for (std::thread& t : threads) t.join();
    for (std::size_t i = 0; i < meshes.size(); ++i) {
        ASSERT_TRUE(together[i].status);
        ASSERT_EQ(together[i].levels.size(), alone[i].levels.size());
        for (std::size_t k = 0; k < alone[i].levels.size(); ++k) {
            EXPECT_EQ(together[i].levels[k].mesh.positions, alone[i].levels[k].mesh.positions);
            EXPECT_EQ(together[i].levels[k].mesh.triangles, alone[i].levels[k].mesh.triangles);
        }
    }
}

}  // namespace
}  // namespace zeq::test
