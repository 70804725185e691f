// A value for every record of one kind, kept by the stage that needs it.
#pragma once

#include <cstddef>
#include <vector>

namespace zeq {

// A stage's own state per record (the orientation's queued and walked marks,
// the pass's touched and boundary states): sized when the stage starts and
// dropped when it ends, so the records hold only the mesh itself.
template <class H, class T>
class PerRecord {
public:
    PerRecord() = default;
    explicit PerRecord(std::size_t count, T initial = T{}) : values_(count, initial) {}

    T& operator[](H h) { return values_[h.index()]; }
    const T& operator[](H h) const { return values_[h.index()]; }
    std::size_t size() const { return values_.size(); }

private:
    std::vector<T> values_;
};

}  // namespace zeq
