#pragma once

#include <cstddef>
#include <cstdint>

// Writes `value` with exactly `decimals` digits after the point, as C's printf("%.*f") does in
// the C locale: correctly rounded from the exact binary value, exact ties to even, the sign of
// -0.0 kept. NaN prints "NAN" or "-NAN" by its sign bit, infinity "INF" or "-INF".
// `out` needs room for the whole result: the integer digits (up to 4933 for the largest long
// double), a sign, a point and the decimals. Returns the end of what was written.
char* AppendFixed(char* out, long double value, int decimals);
// The same for a double (and so a float), without going through extended precision.
char* AppendFixed(char* out, double value, int decimals);
// The same for the non-negative value numerator / 2^shift (0 <= shift, 0 <= decimals <= 9).
char* AppendFixedRatio(char* out, std::uint64_t numerator, int shift, int decimals);

// Room AppendShortest may need: a sign and up to 309 integer digits, or "0." and the up to 341
// decimals of the smallest values.
constexpr std::size_t kShortestRoom = 400;
// The shortest text that reads back to the same value, without an exponent: what
// std::to_chars(out, end, value, std::chars_format::fixed) writes, "-0" for -0.0 included.
char* AppendShortest(char* out, float value);
char* AppendShortest(char* out, double value);
