// Incidence lists: ordered, growable arrays of non-owning pointers.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace zeq {

// Storage for incidence lists that outgrow their inline capacity. Blocks come
// in power-of-two sizes carved from large chunks, and a freed block is kept
// for the next list of its size: vertices gain and lose edges in every
// collapse, and the general-purpose heap is slow at that pattern. Lists of
// more than 64K entries use the heap directly.
class ListStorage {
public:
    static void** allocate(std::uint32_t capacity);
    static void release(void** block, std::uint32_t capacity);
};

// A small-buffer vector of pointers. Mesh records hold short lists (three edges
// per face, two faces per edge, about six edges per vertex); keeping the first
// N entries inline saves one heap block per record. Copies are deep, so a copy
// is the "snapshot" a caller walks while it changes the original.
//
// A list declared Unique never holds the same pointer twice nor a null
// pointer (its owner adds only through addIfAbsent, or pushes pointers it has
// just created). A long Unique list removes lazily: removeFirst finds the
// entry by searching outward from where the previous removal was made, and
// leaves a hole instead of shifting the rest. Removals made in list order, as
// a sweep makes them at a vertex of very high degree, then cost time in
// proportion to the distance between them instead of the list's length. The
// holes are squeezed out, keeping the order of the entries, before anything
// reads the list by position (begin, end, operator[], front), before it grows
// and whenever they outnumber the entries, so callers only ever see a plain
// list in order.
template <class T, std::uint32_t N, bool Unique = false>
class PtrList {
public:
    PtrList() = default;
    PtrList(const PtrList& other) { assign(other); }
    PtrList& operator=(const PtrList& other) {
        if (this != &other) {
            clear();
            assign(other);
        }
        return *this;
    }
    ~PtrList() { release(); }

    std::uint32_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    T* operator[](std::uint32_t i) const { return entries()[i]; }
    T* front() const { return entries()[0]; }
    T* const* begin() const { return entries(); }
    T* const* end() const { return entries() + size_; }

    bool contains(const T* p) const {
        // Holes are null and p is not, so the raw entries can be searched.
        if (holes() != 0 && p != nullptr) return std::find(raw(), raw() + rawSize(), p) != raw() + rawSize();
        return std::find(begin(), end(), p) != end();
    }

    void pushBack(T* p) {
        settle();
        if (size_ == usable()) grow();
        data()[size_++] = p;
    }

    // Appends p unless it is present; true when it was appended.
    bool addIfAbsent(T* p) {
        if (contains(p)) return false;
        pushBack(p);
        return true;
    }

    // Removes the first occurrence of p, keeping the order of the rest; true
    // when an entry was removed.
    bool removeFirst(const T* p) {
        if (Unique && p != nullptr && capacity_ > N && size_ >= kLazyFrom) return removeLazily(p);
        settle();
        T** d = data();
        for (std::uint32_t i = 0; i < size_; ++i) {
            if (d[i] == p) {
                std::copy(d + i + 1, d + size_, d + i);
                --size_;
                return true;
            }
        }
        return false;
    }

    void clear() {
        size_ = 0;
        if (hasMeta()) meta() = Meta{};
    }

    // Frees heap storage and empties the list.
    void release() {
        if (capacity_ > N) ListStorage::release(reinterpret_cast<void**>(heap_), capacity_);
        capacity_ = N;
        size_ = 0;
    }

private:
    // Lazy removal pays off only on long lists.
    static constexpr std::uint32_t kLazyFrom = 64;
    // A Unique list's heap block starts with one slot of bookkeeping.
    static constexpr std::uint32_t kMetaSlots = Unique ? 1 : 0;
    struct Meta {
        std::uint32_t holes = 0;  // null entries among the first size_ + holes
        std::uint32_t hint = 0;   // where the latest lazy removal was made
    };
    static_assert(sizeof(Meta) <= sizeof(T*));

    bool hasMeta() const { return Unique && capacity_ > N; }
    Meta& meta() const { return *reinterpret_cast<Meta*>(heap_); }
    std::uint32_t holes() const { return hasMeta() ? meta().holes : 0; }
    std::uint32_t rawSize() const { return size_ + holes(); }
    std::uint32_t usable() const { return capacity_ > N ? capacity_ - kMetaSlots : N; }

    T** raw() const { return capacity_ > N ? heap_ + kMetaSlots : const_cast<T**>(inline_); }
    T** data() { return raw(); }
    T* const* entries() const {
        const_cast<PtrList*>(this)->settle();
        return raw();
    }

    // Squeezes the holes out, keeping the order of the entries.
    void settle() {
        if (holes() == 0) return;
        Meta& m = meta();
        T** d = raw();
        const std::uint32_t n = size_ + m.holes;
        std::uint32_t kept = 0;
        std::uint32_t hint = 0;
        for (std::uint32_t i = 0; i < n; ++i) {
            if (i == m.hint) hint = kept;
            if (d[i] != nullptr) d[kept++] = d[i];
        }
        m.holes = 0;
        m.hint = hint;
    }

    bool removeLazily(const T* p) {
        Meta& m = meta();
        T** d = raw();
        const std::uint32_t n = size_ + m.holes;
        const std::uint32_t h = m.hint < n ? m.hint : n - 1;
        // Outward from the hint: h, h + 1, h - 1, h + 2, ...; the list holds
        // p at most once, so the first match is the first occurrence.
        for (std::uint32_t dist = 0; dist <= h || h + dist < n; ++dist) {
            std::uint32_t i = h + dist;
            if (i < n && d[i] == p) return punch(i);
            if (dist != 0 && dist <= h && d[h - dist] == p) return punch(h - dist);
        }
        return false;
    }

    bool punch(std::uint32_t i) {
        Meta& m = meta();
        raw()[i] = nullptr;
        --size_;
        ++m.holes;
        m.hint = i;
        if (m.holes > size_) settle();
        return true;
    }

    void assign(const PtrList& other) {
        reserve(other.size_);
        std::copy(other.begin(), other.end(), data());
        size_ = other.size_;
    }

    void reserve(std::uint32_t n) {
        settle();
        if (n <= usable()) return;
        std::uint32_t capacity = 4;
        while (capacity - kMetaSlots < n) capacity *= 2;
        auto** block = reinterpret_cast<T**>(ListStorage::allocate(capacity));
        std::copy(raw(), raw() + size_, block + kMetaSlots);
        if (capacity_ > N) ListStorage::release(reinterpret_cast<void**>(heap_), capacity_);
        heap_ = block;
        capacity_ = capacity;
        if (hasMeta()) meta() = Meta{};
    }

    // Doubles the block: its capacity is a power of two.
    void grow() { reserve(usable() + 1); }

    union {
        T* inline_[N];
        T** heap_;
    };
    std::uint32_t size_ = 0;
    std::uint32_t capacity_ = N;
};

}  // namespace zeq
