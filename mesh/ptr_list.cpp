#include "mesh/ptr_list.h"

#include <bit>
#include <vector>

namespace zeq {

namespace {

constexpr int kPooledClasses = 17;        // capacities 1 .. 65536 pointers
constexpr std::size_t kChunkBytes = 1 << 20;

struct Pool {
    void** freeBlocks[kPooledClasses] = {};  // each free block links to the next
    std::vector<char*> chunks;
    char* next = nullptr;
    std::size_t left = 0;

    void** carve(std::size_t bytes) {
        if (bytes > left) {
            next = static_cast<char*>(std::malloc(kChunkBytes));
            if (next == nullptr) throw std::bad_alloc();
            chunks.push_back(next);
            left = kChunkBytes;
        }
        void** block = reinterpret_cast<void**>(next);
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

void** ListStorage::allocate(std::uint32_t capacity) {
    const int sizeClass = std::countr_zero(capacity);
    const std::size_t bytes = sizeof(void*) * capacity;
    if (sizeClass >= kPooledClasses) {
        void** block = static_cast<void**>(std::malloc(bytes));
        if (block == nullptr) throw std::bad_alloc();
        return block;
    }
    Pool& p = pool();
    if (void** block = p.freeBlocks[sizeClass]) {
        p.freeBlocks[sizeClass] = static_cast<void**>(block[0]);
        return block;
    }
    return p.carve(bytes);
}

void ListStorage::release(void** block, std::uint32_t capacity) {
    const int sizeClass = std::countr_zero(capacity);
    if (sizeClass >= kPooledClasses) {
        std::free(block);
        return;
    }
    Pool& p = pool();
    block[0] = p.freeBlocks[sizeClass];
    p.freeBlocks[sizeClass] = block;
}

}  // namespace zeq
