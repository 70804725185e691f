// One contiguous array of mesh records that grows without copying them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace zeq {

// The records of one kind, in creation order. The load appends records one by
// one and knows their number only at the end, so the array grows by doubling.
// On Linux it lives in its own mapping: growing moves the pages to a larger
// mapping instead of copying the bytes, and untouched capacity costs no
// memory, so the peak stays at the records actually created. Mappings are
// aligned to 2 MiB and the kernel is asked to back them with huge pages,
// which saves most of the page faults of a large load. A build that loads
// thousands of tiny meshes (the fuzzers) starts small.
//
// Records are moved bytewise when the array grows: they must hold no pointer
// into themselves. Every allocation failure throws std::bad_alloc and leaves
// the array as it was.
template <class T>
class FlatArray {
public:
    FlatArray() = default;
    FlatArray(const FlatArray&) = delete;
    FlatArray& operator=(const FlatArray&) = delete;
    ~FlatArray() { clear(); }

    std::size_t size() const { return size_; }
    std::size_t capacity() const { return capacity_; }
    T* data() const { return data_; }
    T& operator[](std::size_t i) const { return data_[i]; }

    template <class... Args>
    T* emplaceBack(Args&&... args) {
        if (size_ == capacity_) reserve(capacity_ == 0 ? kFirstBytes / sizeof(T) : 2 * capacity_);
        T* slot = data_ + size_;
        new (slot) T(std::forward<Args>(args)...);
        ++size_;
        return slot;
    }

    // Makes room for n records in all; only address space until they are made.
    void reserve(std::size_t n) {
        if (n <= capacity_) return;
        const std::size_t bytes = roundUp(n * sizeof(T));
        data_ = static_cast<T*>(regrow(data_, capacity_ == 0 ? 0 : roundUp(capacity_ * sizeof(T)), bytes));
        capacity_ = bytes / sizeof(T);
    }

    // Destroys every record and gives the memory back.
    void clear() {
        for (std::size_t i = 0; i < size_; ++i) data_[i].~T();
        if (capacity_ != 0) release(data_, roundUp(capacity_ * sizeof(T)));
        data_ = nullptr;
        size_ = 0;
        capacity_ = 0;
    }

private:
#if defined(ZEQ_SMALL_RECORD_ARRAYS)
    static constexpr std::size_t kFirstBytes = std::size_t{16} << 10;
#else
    static constexpr std::size_t kFirstBytes = std::size_t{2} << 20;
#endif
    static constexpr std::size_t kAlign = std::size_t{2} << 20;
    static std::size_t roundUp(std::size_t bytes) { return (bytes + 4095) & ~std::size_t{4095}; }

#if defined(__linux__)
    // A fresh mapping of `bytes`, its start aligned to 2 MiB.
    static void* mapAligned(std::size_t bytes) {
        const std::size_t span = bytes + kAlign;
        void* raw = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (raw == MAP_FAILED) throw std::bad_alloc();
        const auto start = reinterpret_cast<std::uintptr_t>(raw);
        const std::uintptr_t aligned = (start + kAlign - 1) & ~(kAlign - 1);
        if (aligned != start) munmap(raw, aligned - start);
        const std::size_t tail = start + span - (aligned + bytes);
        if (tail != 0) munmap(reinterpret_cast<void*>(aligned + bytes), tail);
        return reinterpret_cast<void*>(aligned);
    }

    static void* regrow(void* old, std::size_t oldBytes, std::size_t bytes) {
        void* fresh = mapAligned(bytes);
#if !defined(ZEQ_SMALL_RECORD_ARRAYS) && defined(MADV_HUGEPAGE)
        madvise(fresh, bytes, MADV_HUGEPAGE);
#endif
        if (old == nullptr) return fresh;
        // The old pages move into the start of the new mapping.
        void* moved = mremap(old, oldBytes, oldBytes, MREMAP_MAYMOVE | MREMAP_FIXED, fresh);
        if (moved == MAP_FAILED) {
            munmap(fresh, bytes);
            throw std::bad_alloc();
        }
        return moved;
    }

    static void release(void* p, std::size_t bytes) { munmap(p, bytes); }
#else
    static void* regrow(void* old, std::size_t, std::size_t bytes) {
        void* fresh = std::realloc(old, bytes);
        if (fresh == nullptr) throw std::bad_alloc();
        return fresh;
    }
    static void release(void* p, std::size_t) { std::free(p); }
#endif

    T* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

}  // namespace zeq
