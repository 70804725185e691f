// The mesh's lists of its records, in the order they were appended.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <vector>

namespace zeq {

// A list of handles of one kind. The load appends every record right after
// creating it, so the list is the records' creation order and needs no
// storage of its own: while that holds it only counts. An append that breaks
// the pattern (a record appended twice, or out of order) switches it to
// explicit 32-bit positions. Reads behave as those of a vector of handles.
template <class H>
class RecordList {
public:
    RecordList() = default;
    RecordList(const RecordList&) = delete;
    RecordList& operator=(const RecordList&) = delete;

    class Iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = H;
        using difference_type = std::ptrdiff_t;
        using pointer = const H*;
        using reference = H;
        Iterator() = default;
        Iterator(const RecordList* list, std::size_t i) : list_(list), i_(i) {}
        H operator*() const { return (*list_)[i_]; }
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
        const RecordList* list_ = nullptr;
        std::size_t i_ = 0;
    };

    std::size_t size() const { return explicit_ ? indices_.size() : count_; }
    bool empty() const { return size() == 0; }
    H operator[](std::size_t i) const { return H(static_cast<std::uint32_t>(explicit_ ? indices_[i] : i)); }
    H front() const { return (*this)[0]; }
    H back() const { return (*this)[size() - 1]; }
    Iterator begin() const { return Iterator(this, 0); }
    Iterator end() const { return Iterator(this, size()); }

    // Appends without a duplicate check.
    void push_back(H h) {
        if (!explicit_ && h.index() == count_) {
            ++count_;
            return;
        }
        if (!explicit_) {
            indices_.reserve(count_ + 1);
            for (std::size_t i = 0; i < count_; ++i) indices_.push_back(static_cast<std::uint32_t>(i));
            explicit_ = true;
        }
        indices_.push_back(h.index());
    }

    void reserve(std::size_t n) {
        if (explicit_) indices_.reserve(n);
    }

    void clear() {
        count_ = 0;
        explicit_ = false;
        indices_.clear();
        indices_.shrink_to_fit();
    }

private:
    std::size_t count_ = 0;
    bool explicit_ = false;
    std::vector<std::uint32_t> indices_;
};

}  // namespace zeq
