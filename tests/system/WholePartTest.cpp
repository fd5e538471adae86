#include "system/WholePart.h"

#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace {

// Whole parts without the x87 control-word switch: the cast's result at every kind of edge
// (exact wholes, halves, which the current rounding mode would round up or to even, the last
// value below a whole number, the top of the range) and over random magnitudes.
TEST(WholePart, AgreesWithTheCast)
{
    std::vector<long double> values = {0.0L,         0.25L,    0.5L,        0.75L,
                                       1.0L,         1.5L,     2.5L,        3.5L,
                                       3539.999999L, 12345.5L, 0x1p62L - 1, 0x1p62L - 0.5L};
    for (long double whole : {1.0L, 2.0L, 1e6L, 0x1p40L})
        values.push_back(std::nextafter(whole, 0.0L));
    std::mt19937_64 random(16);
    std::uniform_int_distribution<int> exponent(-70, 61);
    std::uniform_real_distribution<long double> mantissa(0.5L, 1.0L);
    for (int i = 0; i < 100000; ++i)
        values.push_back(std::ldexp(mantissa(random), exponent(random)));
    for (long double v : values)
        ASSERT_EQ(WholePart(v), static_cast<std::int64_t>(v)) << std::hexfloat << v;
}

} // namespace
