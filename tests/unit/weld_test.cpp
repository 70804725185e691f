// Welding: positions numbered in order of first appearance through table
// rebuilds, a reserved table, and a table given back and built again.
#include <gtest/gtest.h>

#include "io/weld.h"

namespace zeq {
namespace {

// The same numbering whether the table starts small and grows, is reserved
// for every position at once, or is given back half way (as a load gives it
// back once the vertices are done) and built again by the next add.
TEST(Welder, NumbersPositionsInOrderOfFirstAppearance) {
    constexpr std::uint32_t kCount = 5000;
    const auto point = [](std::uint32_t n) { return 0.5 * n; };
    for (const int way : {0, 1, 2}) {
        SCOPED_TRACE(way);
        Welder<double> welder;
        if (way == 1) welder.reserve(kCount);
        for (std::uint32_t n = 0; n < kCount; ++n) {
            ASSERT_EQ(welder.add(point(n), 1.0, -2.0), n);
            if (way == 2 && n == kCount / 2) welder.releaseTable();
        }
        // Seen before, -0 and 0 alike: the first number.
        for (std::uint32_t n = 0; n < kCount; n += 7) EXPECT_EQ(welder.add(point(n), 1.0, -2.0), n);
        EXPECT_EQ(welder.add(-0.0, 1.0, -2.0), 0u);
        EXPECT_EQ(welder.count(), kCount);
        EXPECT_EQ(welder.add(0.25, 1.0, -2.0), kCount);
    }
}

}  // namespace
}  // namespace zeq
