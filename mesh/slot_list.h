// Short incidence lists that need no count: an edge's faces, a face's edges.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace zeq {

// A list of handles that nearly always holds at most N: the two faces of an
// edge, the three edges of a face. The N entries live in the record and empty
// places hold the null handle, so the list needs no count of its own. One
// entry more moves the whole list to a side list, whose number then takes the
// place of the entries; only edges where more than two faces meet ever get
// one. Null handles are never entries. Copies are deep, so a copy is the
// snapshot a caller walks while it changes the original.
// The side lists of one kind of slot list, by number; numbers of closed
// lists are reused. Each run has its own (see RunState).
template <class T>
struct SlotSideLists {
    std::vector<std::vector<T>> lists;
    std::vector<std::uint32_t> unused;
};

// The side lists of the run the calling thread works on.
template <class T>
SlotSideLists<T>& sideListsOf();

template <class T, std::uint32_t N>
class SlotList {
    static_assert(N >= 2);

public:
    SlotList() = default;
    SlotList(const SlotList& other) { assign(other); }
    SlotList& operator=(const SlotList& other) {
        if (this != &other) {
            release();
            assign(other);
        }
        return *this;
    }
    ~SlotList() { release(); }

    std::uint32_t size() const {
        if (spilled()) return static_cast<std::uint32_t>(side().size());
        std::uint32_t n = 0;
        while (n < N && slots_[n]) ++n;
        return n;
    }
    bool empty() const { return spilled() ? side().empty() : !slots_[0]; }
    T operator[](std::uint32_t i) const { return begin()[i]; }
    T front() const { return begin()[0]; }
    const T* begin() const { return spilled() ? side().data() : slots_; }
    const T* end() const { return begin() + size(); }

    bool contains(T h) const { return std::find(begin(), end(), h) != end(); }

    void pushBack(T h) {
        if (spilled()) {
            side().push_back(h);
            return;
        }
        const std::uint32_t n = size();
        if (n < N) {
            slots_[n] = h;
            return;
        }
        T kept[N];
        std::copy(slots_, slots_ + N, kept);
        spill(kept, N);
        side().push_back(h);
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
        if (spilled()) {
            std::vector<T>& list = side();
            const auto it = std::find(list.begin(), list.end(), h);
            if (it == list.end()) return false;
            list.erase(it);
            return true;
        }
        const std::uint32_t n = size();
        for (std::uint32_t i = 0; i < n; ++i) {
            if (slots_[i] == h) {
                std::copy(slots_ + i + 1, slots_ + n, slots_ + i);
                slots_[n - 1] = T{};
                return true;
            }
        }
        return false;
    }

    void clear() {
        if (spilled())
            side().clear();
        else
            std::fill(slots_, slots_ + N, T{});
    }

    // Gives back any side list and empties the list.
    void release() {
        if (spilled()) closeSide(slots_[1].index());
        std::fill(slots_, slots_ + N, T{});
    }

private:
    // In the first place, the mark of a list moved to a side list; no record
    // has this number.
    static constexpr T kMoved = T(0xFFFFFFFEu);

    bool spilled() const { return slots_[0] == kMoved; }

    static SlotSideLists<T>& sideLists() { return sideListsOf<T>(); }
    std::vector<T>& side() const { return sideLists().lists[slots_[1].index()]; }

    void spill(const T* entries, std::uint32_t n) {
        SlotSideLists<T>& s = sideLists();
        std::uint32_t number;
        if (!s.unused.empty()) {
            number = s.unused.back();
            s.unused.pop_back();
        } else {
            number = static_cast<std::uint32_t>(s.lists.size());
            s.lists.emplace_back();
        }
        s.lists[number].assign(entries, entries + n);
        slots_[0] = kMoved;
        slots_[1] = T(number);
    }

    static void closeSide(std::uint32_t number) {
        SlotSideLists<T>& s = sideLists();
        std::vector<T>().swap(s.lists[number]);
        s.unused.push_back(number);
    }

    void assign(const SlotList& other) {
        if (other.spilled()) {
            // Opening a side list may move the others: copy first.
            const std::vector<T> from = other.side();
            spill(from.data(), static_cast<std::uint32_t>(from.size()));
        } else {
            std::copy(other.slots_, other.slots_ + N, slots_);
        }
    }

    T slots_[N] = {};
};

}  // namespace zeq
