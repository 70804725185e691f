// Loading on two threads: the mesh, the messages and the status are those of
// a load on one thread, whatever the batches and the timing; errors on the
// parsing side reach the caller; a consumer that gives up stops the parser.
#include <atomic>
#include <stdexcept>
#include <thread>

#include "io/record_pipe.h"
#include "io/text_stream.h"
#include "tests/unit/test_mesh.h"

namespace zeq::test {
namespace {

// A parse that makes the sink calls of a file with `vertices` vertices and
// `faces` scattered faces, several batches of each, then ends as `ending`
// says: "all" (every record read), "eof" (the input ended inside the faces),
// "range" (a face with a corner past the last vertex). Only OFF has a header.
struct ScriptedParse {
    int vertices;
    int faces;
    std::string ending;
    bool off;

    template <class Sink>
    ReadStatus operator()(Sink& sink) const {
        if (off) sink.header(vertices, faces);
        for (int n = 0; n < vertices; ++n) sink.vertex(0.5 * n, -1.0 * n, n % 7);
        sink.verticesDone();
        std::uint32_t state = 99;
        auto corner = [&] {
            state = state * 1664525u + 1013904223u;
            return static_cast<long long>((state >> 8) % static_cast<std::uint32_t>(vertices));
        };
        for (int m = 0; m < faces; ++m) {
            const long long i = corner(), j = corner(), k = corner();
            if (!sink.face(i, j, k)) return ReadStatus::BadFaces;
        }
        if (ending == "range" && !sink.face(0, vertices, 1)) return ReadStatus::BadFaces;
        if (ending == "eof") sink.endedInFaces();
        return ReadStatus::Loaded;
    }
};

struct Outcome {
    ReadStatus status;
    std::string printed;
    std::vector<Ids> links;
};

Outcome loadBothWays(const ScriptedParse& parse, bool threaded) {
    const LoadMessages off = parse.off ? LoadMessages::Off : LoadMessages::Smf;
    resetRunState();
    TextStream in;
    in.openBuffer("x", 1);
    Outcome out{ReadStatus::Loaded, "", {}};
    out.printed = printedBy([&] {
        if (threaded) {
            out.status = loadRecords(theMesh(), in, off, "in.off", parse);
        } else {
            MeshBuilder builder(theMesh(), off, "in.off");
            out.status = parse(builder);
            builder.finish();
        }
    });
    out.links = linkIds();
    return out;
}

using RecordPipeLoad = GlobalMeshTest;

TEST_F(RecordPipeLoad, TwoThreadsBuildAndPrintWhatOneThreadDoes) {
    // 40,000 vertices and 70,000 faces span several batches of 16,384.
    for (const std::string ending : {"all", "eof", "range"}) {
        for (bool off : {true, false}) {
            SCOPED_TRACE(ending + (off ? " OFF" : " SMF"));
            const ScriptedParse parse{40000, 70000, ending, off};
            const Outcome one = loadBothWays(parse, false);
            const Outcome two = loadBothWays(parse, true);
            EXPECT_EQ(static_cast<int>(two.status), static_cast<int>(one.status));
            EXPECT_EQ(two.printed, one.printed);
            EXPECT_TRUE(two.links == one.links);
            EXPECT_EQ(one.status, ending == "range" ? ReadStatus::BadFaces : ReadStatus::Loaded);
            EXPECT_EQ(theMesh().faces.size(), 70000u);
        }
    }
    // The messages of the loads above, spelled out for the end inside the faces.
    const Outcome eof = loadBothWays(ScriptedParse{3, 1, "eof", true}, true);
    EXPECT_EQ(eof.printed,
              " #Vertices = 3\n #Edges = ??\n #Faces = 1\nTotal Arestas= 3\nTotal Faces= 1\n"
              "Fim da leitura do ficheiro -> in.off\n");
    const Outcome smf = loadBothWays(ScriptedParse{3, 1, "eof", false}, true);
    EXPECT_EQ(smf.printed, " 3 <Vertices>\n 3 <Edges>\n 1 <Faces>\n");
}

// An error that stops the parser (here thrown after 20,000 vertices) is
// thrown again on the calling thread, once every record before it is built.
TEST_F(RecordPipeLoad, AnErrorWhileParsingReachesTheCaller) {
    TextStream in;
    in.openBuffer("x", 1);
    auto parse = [](auto& sink) -> ReadStatus {
        sink.header(30000, 0);
        for (int n = 0; n < 20000; ++n) sink.vertex(n, n, n);
        throw std::runtime_error("parse failed");
    };
    std::string message;
    printedBy([&] {
        try {
            loadRecords(theMesh(), in, LoadMessages::Off, "in.off", parse);
        } catch (const std::runtime_error& e) {
            message = e.what();
        }
    });
    EXPECT_EQ(message, "parse failed");
    EXPECT_EQ(theMesh().vertices.size(), 20000u);
}

// A producer blocked on a full pipe is released by cancel(), and so is any
// later send.
TEST(RecordPipe, CancelReleasesTheProducer) {
    RecordPipe pipe;
    std::atomic<int> sent{0};
    std::atomic<bool> cancelled{false};
    std::thread producer([&] {
        try {
            for (int n = 0; n < 100; ++n) {
                pipe.send(pipe.emptyChunk());
                ++sent;
            }
        } catch (const RecordPipe::Cancelled&) {
            cancelled = true;
        }
    });
    // The pipe holds a few chunks; take one and give it back.
    pipe.giveBack(pipe.receive());
    pipe.cancel();
    producer.join();
    EXPECT_TRUE(cancelled);
    EXPECT_LT(sent.load(), 100);
    EXPECT_THROW(pipe.send(pipe.emptyChunk()), RecordPipe::Cancelled);
}

}  // namespace
}  // namespace zeq::test
