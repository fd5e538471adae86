#include "export/NumberFormat.h"

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

} // namespace

char* AppendFixed(char* out, long double value, int decimals)
{
    if (std::isnan(value))
        return Copy(out, std::signbit(value) ? "-NAN" : "NAN");
    if (std::isinf(value))
        return Copy(out, value < 0 ? "-INF" : "INF");
    if (decimals < 0 || decimals > 9 || !(std::fabs(value) < 0x1p63L)) {
        // Rare: huge values (and unusual precisions) go the general way, which is exact too.
        char buffer[5000];
        const std::to_chars_result r = std::to_chars(buffer, buffer + sizeof buffer, value,
                                                     std::chars_format::fixed, decimals);
        const auto n = static_cast<std::size_t>(r.ptr - buffer);
        std::memcpy(out, buffer, n);
        return out + n;
    }

    // Exact: |value| = mantissa * 2^-shift with a 64-bit mantissa, so |value| * 10^decimals is
    // mantissa * 10^decimals (below 2^94) shifted right, rounded half to even on the bits lost.
    if (std::signbit(value))
        *out++ = '-';
    const long double magnitude = std::fabs(value);
    Uint128 q = 0;
    if (magnitude != 0) {
        int exponent = 0;
        const long double fraction = std::frexp(magnitude, &exponent);
        const auto mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 64));
        const int shift = 64 - exponent; // >= 2, since magnitude < 2^63
        const Uint128 scaled = Uint128{mantissa} * kPowersOfTen[decimals];
        if (shift < 128) {
            q = scaled >> shift;
            const Uint128 remainder = scaled - (q << shift);
            const Uint128 half = Uint128{1} << (shift - 1);
            if (remainder > half || (remainder == half && (q & 1) != 0))
                ++q;
        }
    }
    return WriteScaled(out, q, decimals);
}
