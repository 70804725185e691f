#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "io/number_format.h"

namespace {

std::string viaFormatG(double v) {
    char buffer[zeq::kNumberChars];
    return std::string(buffer, zeq::formatG(buffer, v));
}

std::string viaPrintf(double v) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%g", v);
    return buffer;
}

// The writers' fast formatting must give exactly the bytes of printf's %g and
// %d, on every value a mesh can hold.
TEST(NumberFormat, MatchesPrintfG) {
    const double hand[] = {0.0, -0.0, 0.5, 2, 1234567, -0.0001, 0.00001, 123456.5, 999999.5,
                           9999995, 0.000099999, 1e-320, std::numeric_limits<double>::max(),
                           std::numeric_limits<double>::denorm_min(), 1e100, -2.5e-7};
    for (double v : hand) EXPECT_EQ(viaFormatG(v), viaPrintf(v)) << v;

    std::mt19937_64 random(12345);
    std::uniform_int_distribution<int> exponent(-330, 310);
    std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
    std::uniform_int_distribution<std::uint64_t> bits;
    for (int i = 0; i < 200000; ++i) {
        double v = mantissa(random) * std::pow(10.0, exponent(random));
        if (i % 4 == 0) {
            const std::uint64_t b = bits(random);
            std::memcpy(&v, &b, sizeof v);
            if (!std::isfinite(v)) continue;
        }
        if (i % 4 == 1) v = std::round(v * 1e6) / 1e6;  // ties at the sixth digit
        ASSERT_EQ(viaFormatG(v), viaPrintf(v)) << v;
    }
}

TEST(NumberFormat, MatchesPrintfD) {
    for (int v : {0, 1, -1, 9, 10, 2147483647, -2147483647 - 1, 123456789}) {
        char buffer[zeq::kNumberChars];
        char expected[32];
        std::snprintf(expected, sizeof expected, "%d", v);
        EXPECT_EQ(std::string(buffer, zeq::formatInt(buffer, v)), expected);
    }
}

}  // namespace
