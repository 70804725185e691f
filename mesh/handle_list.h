// Incidence lists: ordered, growable arrays of handles.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace zeq {

// Storage for incidence lists that outgrow what their record holds inline.
// Blocks come in power-of-two sizes carved from large chunks, and a freed
// block is kept for the next list of its size: vertices gain and lose edges in
// every collapse, and the general-purpose heap is slow at that pattern. Very
// large blocks use the heap directly. Each run has its own pool (see
// RunState); the lists of a run's mesh take their blocks from it.
class ListPool {
public:
    ListPool() = default;
    ListPool(const ListPool&) = delete;
    ListPool& operator=(const ListPool&) = delete;
    ~ListPool();

    // A block of 2^sizeClass bytes (at least 16).
    void* allocate(int sizeClass);
    void release(void* block, int sizeClass);

private:
    static constexpr int kPooledClasses = 21;  // blocks of up to 1 MiB come from the pool
    void* carve(std::size_t bytes);

    void* freeBlocks_[kPooledClasses] = {};  // each free block links to the next
    std::vector<char*> chunks_;
    char* next_ = nullptr;
    std::size_t left_ = 0;
};

// The pool of the run the calling thread works on.
class ListStorage {
public:
    static void* allocate(int sizeClass);
    static void release(void* block, int sizeClass);
};

// A small-buffer list of handles. Mesh records hold short lists (three edges
// per face, about six edges per vertex); keeping the first N entries in the
// record saves a block per record. Once a list outgrows them it moves to a
// block of ListStorage, whose address then takes the place of the entries.
// Copies are deep, so a copy is the "snapshot" a caller walks while it changes
// the original.
//
// A list declared Unique never holds the same handle twice nor a null one
// (its owner adds only through addIfAbsent, or pushes handles it has just
// created). A long Unique list removes lazily: removeFirst finds the entry by
// searching outward from where the previous removal was made, and leaves a
// hole instead of shifting the rest. Removals made in list order, as a sweep
// makes them at a vertex of very high degree, then cost time in proportion to
// the distance between them instead of the list's length. The holes are
// squeezed out, keeping the order of the entries, before anything reads the
// list by position (begin, end, operator[], front), before it grows and
// whenever they outnumber the entries, so callers only ever see a plain list
// in order.
template <class T, std::uint32_t N, bool Unique = false>
class HandleList {
    static_assert(sizeof(T) * N >= sizeof(void*), "the inline entries must be able to hold a block address");

public:
    HandleList() = default;
    HandleList(const HandleList& other) { assign(other); }
    HandleList& operator=(const HandleList& other) {
        if (this != &other) {
            clear();
            assign(other);
        }
        return *this;
    }
    ~HandleList() { release(); }

    std::uint32_t size() const { return size_ & kSizeMask; }
    bool empty() const { return size() == 0; }
    T operator[](std::uint32_t i) const { return entries()[i]; }
    T front() const { return entries()[0]; }
    const T* begin() const { return entries(); }
    const T* end() const { return entries() + size(); }

    bool contains(T h) const {
        // Holes are null and h is not, so the raw entries can be searched.
        if (holes() != 0 && h) return std::find(raw(), raw() + rawSize(), h) != raw() + rawSize();
        return std::find(begin(), end(), h) != end();
    }

    void pushBack(T h) {
        settle();
        if (size() == usable()) grow();
        raw()[size()] = h;
        ++size_;
    }

    // Appends h unless it is present; true when it was appended.
    bool addIfAbsent(T h) {
        if (contains(h)) return false;
        pushBack(h);
        return true;
    }

    // Removes the first occurrence of h, keeping the order of the rest; true
    // when an entry was removed.
    bool removeFirst(T h) {
        if (Unique && h && spilled() && size() >= kLazyFrom) return removeLazily(h);
        settle();
        T* d = raw();
        const std::uint32_t n = size();
        for (std::uint32_t i = 0; i < n; ++i) {
            if (d[i] == h) {
                std::copy(d + i + 1, d + n, d + i);
                --size_;
                return true;
            }
        }
        return false;
    }

    void clear() {
        size_ &= kSpilled;
        if (spilled()) {
            header().holes = 0;
            header().hint = 0;
        }
    }

    // Gives back any block and empties the list.
    void release() {
        if (spilled()) ListStorage::release(block(), header().sizeClass);
        size_ = 0;
    }

private:
    static constexpr std::uint32_t kSpilled = 0x80000000u;
    static constexpr std::uint32_t kSizeMask = ~kSpilled;
    // Lazy removal pays off only on long lists.
    static constexpr std::uint32_t kLazyFrom = 64;

    // The start of a block; the entries follow it.
    struct Header {
        std::uint32_t sizeClass;
        std::uint32_t capacity;
        std::uint32_t holes;  // null entries among the first size() + holes
        std::uint32_t hint;   // where the latest lazy removal was made
    };
    static_assert(sizeof(Header) % sizeof(T) == 0);

    bool spilled() const { return (size_ & kSpilled) != 0; }
    void* block() const {
        void* b;
        std::memcpy(&b, slots_, sizeof b);
        return b;
    }
    Header& header() const { return *static_cast<Header*>(block()); }
    std::uint32_t holes() const { return spilled() ? header().holes : 0; }
    std::uint32_t rawSize() const { return size() + holes(); }
    std::uint32_t usable() const { return spilled() ? header().capacity : N; }

    T* raw() const {
        if (!spilled()) return const_cast<T*>(slots_);
        return reinterpret_cast<T*>(static_cast<char*>(block()) + sizeof(Header));
    }
    const T* entries() const {
        const_cast<HandleList*>(this)->settle();
        return raw();
    }

    // Squeezes the holes out, keeping the order of the entries.
    void settle() {
        if (holes() == 0) return;
        Header& m = header();
        T* d = raw();
        const std::uint32_t n = size() + m.holes;
        std::uint32_t kept = 0;
        std::uint32_t hint = 0;
        for (std::uint32_t i = 0; i < n; ++i) {
            if (i == m.hint) hint = kept;
            if (d[i]) d[kept++] = d[i];
        }
        m.holes = 0;
        m.hint = hint;
    }

    bool removeLazily(T h) {
        Header& m = header();
        T* d = raw();
        const std::uint32_t n = size() + m.holes;
        const std::uint32_t at = m.hint < n ? m.hint : n - 1;
        // Outward from the hint: at, at + 1, at - 1, at + 2, ...; the list
        // holds h at most once, so the first match is the first occurrence.
        for (std::uint32_t dist = 0; dist <= at || at + dist < n; ++dist) {
            const std::uint32_t i = at + dist;
            if (i < n && d[i] == h) return punch(i);
            if (dist != 0 && dist <= at && d[at - dist] == h) return punch(at - dist);
        }
        return false;
    }

    bool punch(std::uint32_t i) {
        Header& m = header();
        raw()[i] = T{};
        --size_;
        ++m.holes;
        m.hint = i;
        if (m.holes > size()) settle();
        return true;
    }

    void assign(const HandleList& other) {
        reserve(other.size());
        std::copy(other.begin(), other.end(), raw());
        size_ = (size_ & kSpilled) | other.size();
    }

    void reserve(std::uint32_t n) {
        settle();
        if (n <= usable()) return;
        int sizeClass = 5;
        while (((std::uint64_t{1} << sizeClass) - sizeof(Header)) / sizeof(T) < n) ++sizeClass;
        void* fresh = ListStorage::allocate(sizeClass);
        auto* head = static_cast<Header*>(fresh);
        *head = Header{static_cast<std::uint32_t>(sizeClass),
                       static_cast<std::uint32_t>(((std::uint64_t{1} << sizeClass) - sizeof(Header)) / sizeof(T)),
                       0, 0};
        T* entries = reinterpret_cast<T*>(static_cast<char*>(fresh) + sizeof(Header));
        std::copy(raw(), raw() + size(), entries);
        if (spilled()) ListStorage::release(block(), header().sizeClass);
        std::memcpy(static_cast<void*>(slots_), &fresh, sizeof fresh);
        size_ |= kSpilled;
    }

    // Doubles the block: its size is a power of two.
    void grow() { reserve(usable() + 1); }

    std::uint32_t size_ = 0;  // the top bit tells whether the entries are in a block
    T slots_[N] = {};
};

}  // namespace zeq
