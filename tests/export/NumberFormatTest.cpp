#include "export/NumberFormat.h"

#include <bit>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

std::string Fixed(long double value, int decimals)
{
    std::vector<char> out(6000, '#');
    const char* end = AppendFixed(out.data(), value, decimals);
    return std::string(static_cast<const char*>(out.data()), end);
}

// The C library's printf in the C locale, the reference for finite values.
std::string Printf(long double value, int decimals)
{
    std::vector<char> out(6000);
    std::snprintf(out.data(), out.size(), "%.*Lf", decimals, value);
    return out.data();
}

TEST(AppendFixed, WorkedValues)
{
    struct Case {
        long double Value;
        int Decimals;
        const char* Text;
    };
    const Case cases[] = {
        {256.25L, 1, "256.2"}, // exact binary ties go to even
        {0.25L, 1, "0.2"},
        {0.75L, 1, "0.8"},
        {0.125L, 2, "0.12"},
        {0.375L, 2, "0.38"},
        {1.0625L, 3, "1.062"},
        {0.1875L, 3, "0.188"},
        {0.0000005L, 6, "0.000001"}, // the long double nearest 5e-7 lies above the tie
        {0.0078125L, 6, "0.007812"},
        {0.0234375L, 6, "0.023438"},
        {0.05, 1, "0.1"}, // the double 0.05 lies above the tie
        {0.35, 1, "0.3"}, // the double 0.35 lies below it
        {99.95, 1, "100.0"},
        {9.95, 1, "9.9"},
        {-0.0L, 1, "-0.0"},
        {-0.0L, 6, "-0.000000"},
        {-0.04L, 1, "-0.0"},
        {0.0L, 3, "0.000"},
        {12.3L, 1, "12.3"},
        {-70.25L, 3, "-70.250"},
        {1e30f, 1, "1000000015047466219876688855040.0"},
        {-3.4028234663852886e38f, 3, "-340282346638528859811704183484516925440.000"},
        {4294967296.5L, 1, "4294967296.5"},
        {18446744073709551615.0L, 1, "18446744073709551615.0"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Fixed(c.Value, c.Decimals), c.Text) << c.Text;
        EXPECT_EQ(Printf(c.Value, c.Decimals), c.Text) << "reference for " << c.Text;
    }
}

TEST(AppendFixed, NotANumberAndInfinity)
{
    const long double qnan = std::numeric_limits<long double>::quiet_NaN();
    const float floatSnan = std::bit_cast<float>(0x7F800001u);
    const float erased = std::bit_cast<float>(0xFFFFFFFFu);
    struct Case {
        long double Value;
        const char* Text;
    };
    const Case cases[] = {
        {qnan, "NAN"},
        {-qnan, "-NAN"},
        {std::numeric_limits<long double>::signaling_NaN(), "NAN"},
        {-std::numeric_limits<long double>::signaling_NaN(), "-NAN"},
        {static_cast<long double>(floatSnan), "NAN"},
        {static_cast<long double>(erased), "-NAN"},
        {std::numeric_limits<long double>::infinity(), "INF"},
        {-std::numeric_limits<long double>::infinity(), "-INF"},
        {static_cast<long double>(std::bit_cast<float>(0xFF800000u)), "-INF"},
    };
    for (const Case& c : cases)
        for (int decimals : {1, 3, 6})
            EXPECT_EQ(Fixed(c.Value, decimals), c.Text) << c.Text << " with " << decimals;
}

TEST(AppendFixed, MatchesPrintfOverRandomValues)
{
    std::mt19937_64 random(2024);
    std::uniform_int_distribution<int> exponent(-40, 70);
    std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
    for (int i = 0; i < 30000; ++i) {
        const double d = std::ldexp(mantissa(random), exponent(random));
        const float f = static_cast<float>(d);
        const long double knots = f / 1.852L;
        for (int decimals : {1, 3, 6}) {
            ASSERT_EQ(Fixed(d, decimals), Printf(d, decimals)) << std::hexfloat << d;
            ASSERT_EQ(Fixed(f, decimals), Printf(f, decimals)) << std::hexfloat << f;
            ASSERT_EQ(Fixed(knots, decimals), Printf(knots, decimals)) << std::hexfloat << knots;
            // The double overload, which takes its digits from the double's own bits.
            char out[400];
            ASSERT_EQ(std::string(out, AppendFixed(out, d, decimals)), Printf(d, decimals))
                << std::hexfloat << d;
        }
    }
    // Random bit patterns of every finite magnitude a float field can hold.
    for (int i = 0; i < 20000; ++i) {
        const float f = std::bit_cast<float>(static_cast<std::uint32_t>(random()));
        if (!std::isfinite(f))
            continue;
        ASSERT_EQ(Fixed(f, 3), Printf(f, 3)) << std::hexfloat << f;
    }
}

template <typename Float> void ExpectShortestAsToChars(const std::vector<Float>& values)
{
    for (Float v : values) {
        char expected[kShortestRoom];
        char written[kShortestRoom];
        const char* expectedEnd =
            std::to_chars(expected, expected + sizeof expected, v, std::chars_format::fixed).ptr;
        ASSERT_EQ(std::string(written, AppendShortest(written, v)),
                  std::string(static_cast<const char*>(expected), expectedEnd))
            << std::hexfloat << v;
    }
}

// Powers of two and of ten, each with its two neighbours.
template <typename Float> std::vector<Float> Edges(int lowest, int highest)
{
    std::vector<Float> edges;
    for (int e = lowest; e <= highest; ++e) {
        const int tenExponent = e / 4; // the powers of ten over a quarter of the range
        for (Float edge : {std::ldexp(Float{1}, e), std::pow(Float{10}, Float(tenExponent))})
            for (Float v :
                 {std::nextafter(edge, Float{0}), edge, std::nextafter(edge, Float{2} * edge)})
                edges.push_back(v);
    }
    return edges;
}

// The shortest texts against the standard library's. Floats: a stride through every float the
// integer search takes (2^-7 to 2^24; all 2^32 floats were compared once), random bit patterns,
// the edges. Doubles: random values of the search's range (2^-16 to 2^53), coordinates as
// loggers give them, random bit patterns, the edges.
TEST(AppendShortest, WritesWhatToCharsWrites)
{
    std::vector<float> floats = {0.0f,
                                 -0.0f,
                                 0.1f,
                                 123.4f,
                                 8.333333f,
                                 -1.25f,
                                 FLT_MIN,
                                 FLT_MAX,
                                 FLT_TRUE_MIN,
                                 std::numeric_limits<float>::infinity(),
                                 std::numeric_limits<float>::quiet_NaN()};
    for (std::uint32_t bits = 0x3C000000; bits < 0x4B800000; bits += 127)
        floats.push_back(std::bit_cast<float>(bits));
    std::mt19937_64 random(7);
    for (int i = 0; i < 300000; ++i)
        floats.push_back(std::bit_cast<float>(static_cast<std::uint32_t>(random())));
    const std::vector<float> floatEdges = Edges<float>(-10, 26);
    floats.insert(floats.end(), floatEdges.begin(), floatEdges.end());
    ExpectShortestAsToChars(floats);

    std::vector<double> doubles = {
        0.0,     -0.0,    35.5,         139.76,
        DBL_MIN, DBL_MAX, DBL_TRUE_MIN, std::numeric_limits<double>::infinity()};
    std::uniform_int_distribution<int> exponent(-17, 54);
    std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
    std::uniform_int_distribution<std::int64_t> tenMillionths(-1800000000, 1800000000);
    for (int i = 0; i < 400000; ++i) {
        doubles.push_back(std::ldexp(mantissa(random), exponent(random)));
        doubles.push_back(static_cast<double>(tenMillionths(random)) / 1e7);
        doubles.push_back(std::bit_cast<double>(random()));
    }
    const std::vector<double> doubleEdges = Edges<double>(-20, 56);
    doubles.insert(doubles.end(), doubleEdges.begin(), doubleEdges.end());
    ExpectShortestAsToChars(doubles);
}

TEST(AppendFixed, LargestValuesArePrintedInFull)
{
    for (long double v : {static_cast<long double>(DBL_MAX), -LDBL_MAX, LDBL_MAX / 3,
                          static_cast<long double>(FLT_MAX)}) {
        const std::string text = Fixed(v, 1);
        EXPECT_EQ(text, Printf(v, 1));
        EXPECT_GT(text.size(), 38u);
    }
    EXPECT_EQ(Fixed(LDBL_MAX, 6).size(), 4933u + 7u);
}

} // namespace
