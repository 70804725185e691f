// The mesh's lists of its records, in the order they were appended.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <vector>

#include "mesh/arena.h"

namespace zeq {

// A list of pointers to the records of one arena. The load appends every
// record right after creating it, so the list is the arena's creation order
// and needs no storage of its own: while that holds it only counts. An append
// that breaks the pattern (a record appended twice, or out of order) switches
// it to explicit 32-bit creation indices, which still take half the space of
// pointers. Reads behave as those of a vector of pointers.
template <class T>
class RecordList {
public:
    explicit RecordList(const Arena<T>& arena) : arena_(arena) {}
    RecordList(const RecordList&) = delete;
    RecordList& operator=(const RecordList&) = delete;

    class Iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = T*;
        using difference_type = std::ptrdiff_t;
        using pointer = T* const*;
        using reference = T*;
        Iterator(const RecordList* list, std::size_t i) : list_(list), i_(i) {}
        T* operator*() const { return (*list_)[i_]; }
        Iterator& operator++() {
            ++i_;
            return *this;
        }
        Iterator operator++(int) {
            Iterator before = *this;
            ++i_;
            return before;
        }
        bool operator==(const Iterator& other) const { return i_ == other.i_; }

    private:
        const RecordList* list_;
        std::size_t i_;
    };

    std::size_t size() const { return explicit_ ? indices_.size() : count_; }
    bool empty() const { return size() == 0; }
    T* operator[](std::size_t i) const { return arena_.at(explicit_ ? indices_[i] : i); }
    T* front() const { return (*this)[0]; }
    T* back() const { return (*this)[size() - 1]; }
    Iterator begin() const { return Iterator(this, 0); }
    Iterator end() const { return Iterator(this, size()); }

    // Appends without a duplicate check.
    void push_back(T* p) {
        if (!explicit_ && count_ < arena_.size() && arena_.at(count_) == p) {
            ++count_;
            return;
        }
        if (!explicit_) {
            indices_.reserve(count_ + 1);
            for (std::size_t i = 0; i < count_; ++i) indices_.push_back(static_cast<std::uint32_t>(i));
            explicit_ = true;
        }
        indices_.push_back(static_cast<std::uint32_t>(arena_.indexOf(p)));
    }

    void reserve(std::size_t n) {
        if (explicit_) indices_.reserve(n);
    }
    std::size_t capacity() const { return explicit_ ? indices_.capacity() : count_; }

    void clear() {
        count_ = 0;
        explicit_ = false;
        indices_.clear();
        indices_.shrink_to_fit();
    }

private:
    const Arena<T>& arena_;
    std::size_t count_ = 0;
    bool explicit_ = false;
    std::vector<std::uint32_t> indices_;
};

}  // namespace zeq
