#include "io/record_pipe.h"

#include <utility>

namespace zeq {

std::unique_ptr<RecordChunk> RecordPipe::emptyChunk() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!spare_.empty()) {
            std::unique_ptr<RecordChunk> chunk = std::move(spare_.back());
            spare_.pop_back();
            return chunk;
        }
    }
    return std::make_unique<RecordChunk>();
}

void RecordPipe::send(std::unique_ptr<RecordChunk> chunk) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return cancelled_ || queued_.size() < kMaxQueued; });
    if (cancelled_) throw Cancelled{};
    queued_.push_back(std::move(chunk));
    changed_.notify_all();
}

std::unique_ptr<RecordChunk> RecordPipe::receive() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !queued_.empty() || abandoned_; });
    if (queued_.empty()) return nullptr;
    std::unique_ptr<RecordChunk> chunk = std::move(queued_.front());
    queued_.pop_front();
    changed_.notify_all();
    return chunk;
}

void RecordPipe::giveBack(std::unique_ptr<RecordChunk> chunk) {
    chunk->coordinates.clear();
    chunk->corners.clear();
    std::lock_guard<std::mutex> lock(mutex_);
    spare_.push_back(std::move(chunk));
}

void RecordPipe::cancel() {
    std::lock_guard<std::mutex> lock(mutex_);
    cancelled_ = true;
    changed_.notify_all();
}

void RecordPipe::abandon(std::exception_ptr error) {
    std::lock_guard<std::mutex> lock(mutex_);
    error_ = std::move(error);
    abandoned_ = true;
    changed_.notify_all();
}

void PipeSink::header(int vertexCount, int faceCount) {
    start(RecordChunk::Kind::Header);
    current_->first = vertexCount;
    current_->second = faceCount;
}

void PipeSink::finish(ReadStatus status) {
    start(RecordChunk::Kind::Finished);
    current_->first = static_cast<int>(status);
    sendCurrent();
}

void PipeSink::start(RecordChunk::Kind kind) {
    sendCurrent();
    current_ = pipe_.emptyChunk();
    current_->kind = kind;
    if (kind == RecordChunk::Kind::Vertices) current_->coordinates.reserve(kBatchValues);
    if (kind == RecordChunk::Kind::Faces) current_->corners.reserve(kBatchValues);
}

void PipeSink::sendCurrent() {
    if (current_ != nullptr) pipe_.send(std::move(current_));
}

ReadStatus playRecords(RecordPipe& pipe, MeshBuilder& builder) {
    for (;;) {
        std::unique_ptr<RecordChunk> chunk = pipe.receive();
        if (chunk == nullptr) {
            builder.finish();
            std::rethrow_exception(pipe.abandonedWith());
        }
        switch (chunk->kind) {
            case RecordChunk::Kind::Header:
                builder.header(chunk->first, chunk->second);
                break;
            case RecordChunk::Kind::Vertices: {
                const std::vector<double>& c = chunk->coordinates;
                for (std::size_t n = 0; n + 2 < c.size(); n += 3) builder.vertex(c[n], c[n + 1], c[n + 2]);
                break;
            }
            case RecordChunk::Kind::VerticesDone:
                builder.verticesDone();
                break;
            case RecordChunk::Kind::Faces: {
                const std::vector<std::uint32_t>& c = chunk->corners;
                for (std::size_t n = 0; n + 2 < c.size(); n += 3) builder.face(c[n], c[n + 1], c[n + 2]);
                break;
            }
            case RecordChunk::Kind::EndedInFaces:
                builder.endedInFaces();
                break;
            case RecordChunk::Kind::Finished:
                builder.finish();
                return static_cast<ReadStatus>(chunk->first);
        }
        pipe.giveBack(std::move(chunk));
    }
}

}  // namespace zeq
