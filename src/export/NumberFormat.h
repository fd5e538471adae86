#pragma once

#include <cstddef>

// Writes `value` with exactly `decimals` digits after the point, as C's printf("%.*f") does in
// the C locale: correctly rounded from the exact binary value, exact ties to even, the sign of
// -0.0 kept. NaN prints "NAN" or "-NAN" by its sign bit, infinity "INF" or "-INF".
// `out` needs room for the whole result: the integer digits (up to 4933 for the largest long
// double), a sign, a point and the decimals. Returns the end of what was written.
char* AppendFixed(char* out, long double value, int decimals);
// The same for a double (and so a float), without going through extended precision.
char* AppendFixed(char* out, double value, int decimals);
