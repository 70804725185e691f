#include <cstdlib>
#include <new>
#include <vector>

#include "mesh/handle_list.h"
#include "mesh/slot_list.h"

namespace zeq {

namespace {

constexpr int kPooledClasses = 21;  // blocks of up to 1 MiB come from the pool
constexpr std::size_t kChunkBytes = std::size_t{1} << 20;

struct Pool {
    void* freeBlocks[kPooledClasses] = {};  // each free block links to the next
    std::vector<char*> chunks;
    char* next = nullptr;
    std::size_t left = 0;

    void* carve(std::size_t bytes) {
        if (bytes > left) {
            next = static_cast<char*>(std::malloc(kChunkBytes));
            if (next == nullptr) throw std::bad_alloc();
            chunks.push_back(next);
            left = kChunkBytes;
        }
        void* block = next;
        next += bytes;
        left -= bytes;
        return block;
    }
};

// Never destroyed: lists are released into it while the global mesh is torn
// down at exit, whatever the order of static destruction. Its chunks stay
// reachable through this pointer until the process ends.
Pool& pool() {
    static Pool* instance = new Pool;
    return *instance;
}

}  // namespace

void* ListStorage::allocate(int sizeClass) {
    const std::size_t bytes = std::size_t{1} << sizeClass;
    if (sizeClass >= kPooledClasses) {
        void* block = std::malloc(bytes);
        if (block == nullptr) throw std::bad_alloc();
        return block;
    }
    Pool& p = pool();
    if (void* block = p.freeBlocks[sizeClass]) {
        p.freeBlocks[sizeClass] = *static_cast<void**>(block);
        return block;
    }
    return p.carve(bytes);
}

void ListStorage::release(void* block, int sizeClass) {
    if (sizeClass >= kPooledClasses) {
        std::free(block);
        return;
    }
    Pool& p = pool();
    *static_cast<void**>(block) = p.freeBlocks[sizeClass];
    p.freeBlocks[sizeClass] = block;
}

}  // namespace zeq
