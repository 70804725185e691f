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
template <class T, std::uint32_t N>
class PtrList {
public:
    PtrList() = default;
    PtrList(const PtrList& other) { assign(other); }
    PtrList& operator=(const PtrList& other) {
        if (this != &other) {
            size_ = 0;
            assign(other);
        }
        return *this;
    }
    ~PtrList() { release(); }

    std::uint32_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    T* operator[](std::uint32_t i) const { return data()[i]; }
    T* front() const { return data()[0]; }
    T* const* begin() const { return data(); }
    T* const* end() const { return data() + size_; }

    bool contains(const T* p) const { return std::find(begin(), end(), p) != end(); }

    void pushBack(T* p) {
        if (size_ == capacity_) grow();
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

    void clear() { size_ = 0; }

    // Frees heap storage and empties the list.
    void release() {
        if (capacity_ > N) ListStorage::release(reinterpret_cast<void**>(heap_), capacity_);
        capacity_ = N;
        size_ = 0;
    }

private:
    T** data() { return capacity_ > N ? heap_ : inline_; }
    T* const* data() const { return capacity_ > N ? heap_ : inline_; }

    void assign(const PtrList& other) {
        reserve(other.size_);
        std::copy(other.begin(), other.end(), data());
        size_ = other.size_;
    }

    void reserve(std::uint32_t n) {
        if (n <= capacity_) return;
        std::uint32_t capacity = 4;
        while (capacity < n) capacity *= 2;
        auto** block = reinterpret_cast<T**>(ListStorage::allocate(capacity));
        std::copy(data(), data() + size_, block);
        if (capacity_ > N) ListStorage::release(reinterpret_cast<void**>(heap_), capacity_);
        heap_ = block;
        capacity_ = capacity;
    }

    void grow() { reserve(capacity_ * 2); }

    union {
        T* inline_[N];
        T** heap_;
    };
    std::uint32_t size_ = 0;
    std::uint32_t capacity_ = N;
};

}  // namespace zeq
