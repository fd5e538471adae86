#include "export/NumberFormat.h"

#include <bit>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

__extension__ typedef unsigned __int128 Uint128;

constexpr std::uint64_t kPowersOfTen[10] = {1,      10,      100,      1000,      10000,
                                            100000, 1000000, 10000000, 100000000, 1000000000};
constexpr std::uint64_t kTenPow18 = 1000000000000000000ull;

char* Copy(char* out, const char* text)
{
    const std::size_t n = std::strlen(text);
    std::memcpy(out, text, n);
    return out + n;
}

// Writes the decimal digits of v right-aligned so that they end at `end`; returns their start.
char* DigitsBackwards(char* end, std::uint64_t v)
{
    do {
        *--end = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    return end;
}

// Writes q / 10^decimals with exactly `decimals` digits after the point.
char* WriteScaled(char* out, Uint128 q, int decimals)
{
    char digits[48];
    char* const end = digits + sizeof digits;
    char* start;
    if (q <= UINT64_MAX) {
        start = DigitsBackwards(end, static_cast<std::uint64_t>(q));
    } else {
        // Below 2^94: the low 18 digits, zero-padded, then the rest.
        start = DigitsBackwards(end, static_cast<std::uint64_t>(q % kTenPow18));
        while (start > end - 18)
            *--start = '0';
        start = DigitsBackwards(start, static_cast<std::uint64_t>(q / kTenPow18));
    }
    // At least one digit before the point.
    while (end - start < decimals + 1)
        *--start = '0';
    const std::ptrdiff_t integerDigits = (end - start) - decimals;
    std::memcpy(out, start, static_cast<std::size_t>(integerDigits));
    out += integerDigits;
    if (decimals > 0) {
        *out++ = '.';
        std::memcpy(out, start + integerDigits, static_cast<std::size_t>(decimals));
        out += decimals;
    }
    return out;
}

// Splits a finite 0 <= v < 2^63 into a 64-bit mantissa and a right shift (>= 1):
// v = mantissa / 2^shift exactly.
std::uint64_t Decompose(long double v, int& shift)
{
#if LDBL_MANT_DIG == 64 && LDBL_MAX_EXP == 16384
    // x87 extended format: a 64-bit significand with its integer bit, then sign and exponent.
    unsigned char bytes[sizeof(long double)];
    std::memcpy(bytes, &v, sizeof bytes);
    std::uint64_t mantissa = 0;
    for (int i = 7; i >= 0; --i)
        mantissa = mantissa << 8 | bytes[i];
    const int exponent = (bytes[8] | (bytes[9] & 0x7F) << 8);
    shift = 16383 + 63 - (exponent == 0 ? 1 : exponent);
    return mantissa;
#else
    if (v == 0) {
        shift = 1;
        return 0;
    }
    int exponent = 0;
    const long double fraction = std::frexp(v, &exponent);
    shift = 64 - exponent;
    return static_cast<std::uint64_t>(std::ldexp(fraction, 64));
#endif
}

// Writes mantissa / 2^shift with `decimals` decimals, rounded half to even on the bits lost.
char* WriteExact(char* out, std::uint64_t mantissa, int shift, int decimals)
{
    // mantissa * 10^decimals stays below 2^94.
    Uint128 q = 0;
    if (mantissa != 0 && shift < 128) {
        const Uint128 scaled = Uint128{mantissa} * kPowersOfTen[decimals];
        if (shift <= 0) {
            q = scaled << -shift;
        } else {
            q = scaled >> shift;
            const Uint128 remainder = scaled - (q << shift);
            const Uint128 half = Uint128{1} << (shift - 1);
            if (remainder > half || (remainder == half && (q & 1) != 0))
                ++q;
        }
    }
    return WriteScaled(out, q, decimals);
}

template <typename Float> char* AppendSpecialOrGeneral(char* out, Float value, int decimals)
{
    if (std::isnan(value))
        return Copy(out, std::signbit(value) ? "-NAN" : "NAN");
    if (std::isinf(value))
        return Copy(out, value < 0 ? "-INF" : "INF");
    // Huge values (and unusual precisions) go the general way, which is exact too.
    char buffer[5000];
    const std::to_chars_result r =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    const auto n = static_cast<std::size_t>(r.ptr - buffer);
    std::memcpy(out, buffer, n);
    return out + n;
}

} // namespace

char* AppendFixed(char* out, long double value, int decimals)
{
    if (decimals < 0 || decimals > 9 || !(std::fabs(value) < 0x1p63L))
        return AppendSpecialOrGeneral(out, value, decimals);
    if (std::signbit(value))
        *out++ = '-';
    int shift = 0;
    const std::uint64_t mantissa = Decompose(std::fabs(value), shift);
    return WriteExact(out, mantissa, shift, decimals);
}

char* AppendFixed(char* out, double value, int decimals)
{
    const auto bits = std::bit_cast<std::uint64_t>(value);
    const auto exponent = static_cast<int>(bits >> 52 & 0x7FF);
    // Below 2^63 (biased exponent 1086) the exact path applies; NaN and infinity have 2047.
    if (decimals < 0 || decimals > 9 || exponent >= 1086)
        return AppendSpecialOrGeneral(out, value, decimals);
    if (bits >> 63)
        *out++ = '-';
    // IEEE double: 52 stored fraction bits, an implicit leading 1 except for subnormals.
    std::uint64_t mantissa = bits & ((std::uint64_t{1} << 52) - 1);
    if (exponent != 0)
        mantissa |= std::uint64_t{1} << 52;
    const int shift = 1075 - (exponent == 0 ? 1 : exponent);
    return WriteExact(out, mantissa, shift, decimals);
}
