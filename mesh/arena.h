// Block storage for mesh records: stable addresses, one allocation per block.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace zeq {

// Records are created one by one during the load and live until the mesh is
// torn down; none is freed on its own. Allocating them in blocks instead of
// one heap block each keeps the load fast and the memory lean, and the
// destructor releases everything at once.
// Blocks are 2 MiB, aligned to 2 MiB: on Linux the kernel is asked to back
// them with huge pages, which saves most of the page faults of a large load.
// A build that loads thousands of tiny meshes (the fuzzers) uses small blocks.
#if defined(ZEQ_SMALL_ARENA_BLOCKS)
inline constexpr std::size_t kArenaBlockBytes = std::size_t{16} << 10;
#else
inline constexpr std::size_t kArenaBlockBytes = std::size_t{2} << 20;
#endif

inline void* allocateBlock(std::size_t bytes) {
    void* block = std::aligned_alloc(kArenaBlockBytes, bytes);
    if (block == nullptr) throw std::bad_alloc();
#if defined(__linux__) && defined(MADV_HUGEPAGE) && !defined(ZEQ_SMALL_ARENA_BLOCKS)
    madvise(block, bytes, MADV_HUGEPAGE);
#endif
    return block;
}

template <class T, std::size_t BlockSize = kArenaBlockBytes / sizeof(T)>
class Arena {
public:
    Arena() = default;
    Arena(const Arena&) = delete;
    Arena& operator=(const Arena&) = delete;
    ~Arena() { clear(); }

    template <class... Args>
    T* create(Args&&... args) {
        if (blocks_.empty() || used_ == BlockSize) {
            blocks_.emplace_back(static_cast<T*>(allocateBlock(kBlockBytes)));
            used_ = 0;
        }
        T* slot = blocks_.back().get() + used_;
        new (slot) T(std::forward<Args>(args)...);
        ++used_;
        return slot;
    }

    // Records in creation order: at(i) is the i-th record created.
    std::size_t size() const { return blocks_.empty() ? 0 : (blocks_.size() - 1) * BlockSize + used_; }
    T* at(std::size_t i) const { return blocks_[i / BlockSize].get() + i % BlockSize; }

    // The creation index of a record of this arena, or size() when p is not one.
    std::size_t indexOf(const T* p) const {
        for (std::size_t b = blocks_.size(); b-- > 0;) {
            const T* first = blocks_[b].get();
            if (p >= first && p < first + BlockSize) return b * BlockSize + static_cast<std::size_t>(p - first);
        }
        return size();
    }

    // Destroys every record and frees the blocks.
    void clear() {
        for (std::size_t b = 0; b < blocks_.size(); ++b) {
            std::size_t n = (b + 1 == blocks_.size()) ? used_ : BlockSize;
            for (std::size_t i = 0; i < n; ++i) blocks_[b].get()[i].~T();
        }
        blocks_.clear();
        used_ = 0;
    }

private:
    static constexpr std::size_t kBlockBytes = kArenaBlockBytes;
    static_assert(sizeof(T) * BlockSize <= kBlockBytes);
    struct Free {
        void operator()(T* p) const { std::free(p); }
    };
    std::vector<std::unique_ptr<T, Free>> blocks_;
    std::size_t used_ = 0;
};

}  // namespace zeq
