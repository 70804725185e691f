#include <cstdlib>
#include <new>
#include <vector>

#include "mesh/handle_list.h"
#include "mesh/mesh.h"

namespace zeq {

namespace {

constexpr std::size_t kChunkBytes = std::size_t{1} << 20;

}  // namespace

ListPool::~ListPool() {
    for (char* chunk : chunks_) std::free(chunk);
}

void* ListPool::carve(std::size_t bytes) {
    if (bytes > left_) {
        // Room for the chunk's address first: a failure leaves the pool as it was.
        chunks_.reserve(chunks_.size() + 1);
        next_ = static_cast<char*>(std::malloc(kChunkBytes));
        if (next_ == nullptr) {
            left_ = 0;
            throw std::bad_alloc();
        }
        chunks_.push_back(next_);
        left_ = kChunkBytes;
    }
    void* block = next_;
    next_ += bytes;
    left_ -= bytes;
    return block;
}

void* ListPool::allocate(int sizeClass) {
    const std::size_t bytes = std::size_t{1} << sizeClass;
    if (sizeClass >= kPooledClasses) {
        void* block = std::malloc(bytes);
        if (block == nullptr) throw std::bad_alloc();
        return block;
    }
    if (void* block = freeBlocks_[sizeClass]) {
        freeBlocks_[sizeClass] = *static_cast<void**>(block);
        return block;
    }
    return carve(bytes);
}

void ListPool::release(void* block, int sizeClass) {
    if (sizeClass >= kPooledClasses) {
        std::free(block);
        return;
    }
    *static_cast<void**>(block) = freeBlocks_[sizeClass];
    freeBlocks_[sizeClass] = block;
}

void* ListStorage::allocate(int sizeClass) { return currentRun().listPool.allocate(sizeClass); }
void ListStorage::release(void* block, int sizeClass) { currentRun().listPool.release(block, sizeClass); }

}  // namespace zeq
