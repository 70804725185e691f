// Loading on two threads: one parses the text, the other builds the mesh.
//
// Parsing numbers and building the topology each take about half of a load,
// and neither needs the other's results: the parser only has to know how
// many vertices it has read to check a face's corners. A parsing thread hands
// the records, in file order and in batches, through a RecordPipe to the
// calling thread, which builds them into the mesh and prints the load's
// messages exactly as a load on one thread does, in the same order. The mesh
// and the messages are the same whatever the timing of the two threads.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "io/mesh_builder.h"
#include "io/read_status.h"

namespace zeq {

// A batch of parsed records, or one event of the load (see MeshBuilder).
struct RecordChunk {
    enum class Kind : std::uint8_t { Header, Vertices, VerticesDone, Faces, EndedInFaces, Finished };
    Kind kind = Kind::Vertices;
    int first = 0;   // Header: the vertex count; Finished: the status
    int second = 0;  // Header: the face count
    std::vector<double> coordinates;       // Vertices: x, y, z of each record
    std::vector<std::uint32_t> corners;    // Faces: i, j, k of each record, checked
};

// A bounded queue of chunks from one producing thread to one consuming
// thread, with spent chunks going back for reuse so that a load allocates a
// handful of batches, not one per batch.
class RecordPipe {
public:
    // Thrown on the producing side once the consumer has given up.
    struct Cancelled {};

    std::unique_ptr<RecordChunk> emptyChunk();
    // Waits while the queue is full. Throws Cancelled after cancel().
    void send(std::unique_ptr<RecordChunk> chunk);
    // Waits for the next chunk; null once the producer has abandoned the
    // load and every chunk it sent before has been received.
    std::unique_ptr<RecordChunk> receive();
    void giveBack(std::unique_ptr<RecordChunk> chunk);
    // Makes every later or waiting send throw Cancelled.
    void cancel();
    // The producer's way out after an error: it sends nothing more, and the
    // consumer is given `error` after the chunks already sent.
    void abandon(std::exception_ptr error);
    std::exception_ptr abandonedWith() const { return error_; }

private:
    static constexpr std::size_t kMaxQueued = 4;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::unique_ptr<RecordChunk>> queued_;
    std::vector<std::unique_ptr<RecordChunk>> spare_;
    bool cancelled_ = false;
    bool abandoned_ = false;
    std::exception_ptr error_;
};

// The parser's record sink: collects records into chunks and sends them.
class PipeSink {
public:
    // `verticesBefore`: the vertices the mesh holds already.
    PipeSink(RecordPipe& pipe, std::size_t verticesBefore) : pipe_(pipe), vertexCount_(verticesBefore) {}

    void header(int vertexCount, int faceCount);
    void vertex(double x, double y, double z) {
        if (current_ == nullptr || current_->kind != RecordChunk::Kind::Vertices ||
            current_->coordinates.size() >= kBatchValues)
            start(RecordChunk::Kind::Vertices);
        current_->coordinates.insert(current_->coordinates.end(), {x, y, z});
        ++vertexCount_;
    }
    // An event travels in a chunk of its own, sent with the next record or event.
    void verticesDone() { start(RecordChunk::Kind::VerticesDone); }
    bool face(long long i, long long j, long long k) {
        if (!cornersInRange(i, j, k, static_cast<long long>(vertexCount_))) return false;
        if (current_ == nullptr || current_->kind != RecordChunk::Kind::Faces ||
            current_->corners.size() >= kBatchValues)
            start(RecordChunk::Kind::Faces);
        current_->corners.insert(current_->corners.end(), {static_cast<std::uint32_t>(i),
                                                           static_cast<std::uint32_t>(j),
                                                           static_cast<std::uint32_t>(k)});
        return true;
    }
    void endedInFaces() { start(RecordChunk::Kind::EndedInFaces); }
    // The last chunk: the load's status.
    void finish(ReadStatus status);
    // Sends the records collected so far (before abandoning the load).
    void sendCurrent();

private:
    // Values per batch: 16K records of three.
    static constexpr std::size_t kBatchValues = 3 * 16384;
    // Sends the chunk being filled and starts one of `kind`.
    void start(RecordChunk::Kind kind);

    RecordPipe& pipe_;
    std::size_t vertexCount_;
    std::unique_ptr<RecordChunk> current_;
};

// Plays the chunks into the builder until the last one, and returns the
// load's status; throws the error that made the parser abandon the load, once
// the records it sent before are built.
ReadStatus playRecords(RecordPipe& pipe, MeshBuilder& builder);

// Whether a load starts at the start of its input, or after a header that the
// reader has read already (see readRestOfInput).
enum class InputPart { Whole, Rest };

template <class Parse>
ReadStatus readInputPart(InputPart part, TextStream& in, Parse parse) {
    return part == InputPart::Whole ? readWholeInput(in, parse) : readRestOfInput(in, parse);
}

// Loads the input `in` is open on into `mesh` on this thread alone: parse(sink)
// parses the input into the sink's calls and returns the status. For inputs
// whose records cost next to nothing to decode (binary files), where a
// second thread would only add the cost of handing them over.
template <class Parse>
ReadStatus loadRecordsHere(Mesh& mesh, TextStream& in, LoadMessages messages, const char* name, Parse parse,
                           InputPart part = InputPart::Whole) {
    MeshBuilder builder(mesh, messages, name);
    const ReadStatus status = readInputPart(part, in, [&] { return parse(builder); });
    builder.finish();
    return status;
}

// Loads the text `in` is open on into `mesh`: parse(sink) parses the text
// into the sink's calls and returns the status. The parse runs on its own
// thread; when no thread can be started it runs on this one. An exception on
// either thread (std::bad_alloc when memory runs out) is thrown here, on the
// calling thread, once the parsing thread has ended: nothing escapes that
// thread.
template <class Parse>
ReadStatus loadRecords(Mesh& mesh, TextStream& in, LoadMessages messages, const char* name, Parse parse,
                       InputPart part = InputPart::Whole) {
    RecordPipe pipe;
    const std::size_t verticesBefore = mesh.vertices.size();
    std::thread parser;
    try {
        parser = std::thread([&pipe, &in, &parse, verticesBefore, part] {
            PipeSink sink(pipe, verticesBefore);
            try {
                const ReadStatus status = readInputPart(part, in, [&] { return parse(sink); });
                sink.finish(status);
            } catch (const RecordPipe::Cancelled&) {
                // The builder gave up; nobody reads any more.
            } catch (...) {
                // Memory running out while parsing lands here too; the
                // building thread throws it again after the records before it.
                const std::exception_ptr error = std::current_exception();
                try {
                    sink.sendCurrent();
                } catch (...) {
                    // Those records are lost; the load fails anyway.
                }
                pipe.abandon(error);
            }
        });
    } catch (const std::system_error&) {
        return loadRecordsHere(mesh, in, messages, name, parse, part);
    }
    // However the building ends, the parser is stopped and joined first.
    struct Join {
        RecordPipe& pipe;
        std::thread& thread;
        ~Join() {
            pipe.cancel();
            thread.join();
        }
    } join{pipe, parser};
    MeshBuilder builder(mesh, messages, name);
    return playRecords(pipe, builder);
}

}  // namespace zeq
