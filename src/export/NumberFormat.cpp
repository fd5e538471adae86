#include "export/NumberFormat.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

__extension__ using Uint128 = unsigned __int128;

// 10^0 to 10^19.
constexpr auto kPowersOfTen = [] {
    std::array<std::uint64_t, 20> powers{};
    std::uint64_t p = 1;
    for (std::uint64_t& power : powers) {
        power = p;
        p *= 10;
    }
    return powers;
}();
constexpr std::uint64_t kTenPow18 = 1000000000000000000ull;

char* Copy(char* out, const char* text) { return std::copy_n(text, std::strlen(text), out); }

// "00" to "99": two digits per division.
constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233"
    "34353637383940414243444546474849505152535455565758596061626364656667"
    "6869707172737475767778798081828384858687888990919293949596979899";

// Writes the decimal digits of v right-aligned so that they end at `end`; returns their start.
char* DigitsBackwards(char* end, std::uint64_t v)
{
    while (v >= 100) {
        const std::uint64_t pair = v % 100;
        v /= 100;
        end -= 2;
        std::memcpy(end, kDigitPairs + 2 * pair, 2);
    }
    if (v >= 10) {
        end -= 2;
        std::memcpy(end, kDigitPairs + 2 * v, 2);
    } else {
        *--end = static_cast<char>('0' + v);
    }
    return end;
}

// The number of decimal digits of v (at least 1): quickest for the few digits of a fixed
// field's whole part.
int DigitCount(std::uint64_t v)
{
    int n = 1;
    for (; v >= 100; v /= 100)
        n += 2;
    return v >= 10 ? n + 1 : n;
}

// The same from v's bit length (log10 2 as 1233 / 2^12): quicker for the many digits of a
// shortest text.
int LongDigitCount(std::uint64_t v)
{
    const int guess = (static_cast<int>(std::bit_width(v | 1)) * 1233) >> 12;
    return guess + (v >= kPowersOfTen[static_cast<std::size_t>(guess)] ? 1 : 0);
}

// Writes exactly `count` digits of v (v < 10^count) right-aligned so that they end at `end`.
void FixedDigitsBackwards(char* end, std::uint64_t v, int count)
{
    for (; count >= 2; count -= 2) {
        end -= 2;
        std::memcpy(end, kDigitPairs + 2 * (v % 100), 2);
        v /= 100;
    }
    if (count == 1)
        *--end = static_cast<char>('0' + v);
}

// Writes v / 10^Decimals with exactly Decimals digits after the point, straight into `out`; the
// The divisor is a constant, so the split costs no division instruction.
template <int Decimals> char* WriteScaledFixed(char* out, std::uint64_t v)
{
    constexpr std::uint64_t kDivisor = kPowersOfTen[Decimals];
    const std::uint64_t whole = v / kDivisor;
    const int wholeDigits = DigitCount(whole);
    char* const point = out + wholeDigits;
    DigitsBackwards(point, whole);
    if constexpr (Decimals == 0) {
        return point;
    } else {
        *point = '.';
        FixedDigitsBackwards(point + 1 + Decimals, v % kDivisor, Decimals);
        return point + 1 + Decimals;
    }
}

// The same for decimals from 0 to 9, each with its own constant divisor.
char* WriteScaledSmall(char* out, std::uint64_t v, int decimals)
{
    static constexpr char* (*kWriters[])(char*, std::uint64_t) = {
        WriteScaledFixed<0>, WriteScaledFixed<1>, WriteScaledFixed<2>, WriteScaledFixed<3>,
        WriteScaledFixed<4>, WriteScaledFixed<5>, WriteScaledFixed<6>, WriteScaledFixed<7>,
        WriteScaledFixed<8>, WriteScaledFixed<9>};
    return kWriters[decimals](out, v);
}

// Writes q / 10^decimals with exactly `decimals` digits after the point.
char* WriteScaled(char* out, Uint128 q, int decimals)
{
    if (q <= UINT64_MAX)
        return WriteScaledSmall(out, static_cast<std::uint64_t>(q), decimals);
    char digits[48];
    char* const end = digits + sizeof digits;
    // Below 2^94: the low 18 digits, zero-padded, then the rest.
    char* start = DigitsBackwards(end, static_cast<std::uint64_t>(q % kTenPow18));
    while (start > end - 18)
        *--start = '0';
    start = DigitsBackwards(start, static_cast<std::uint64_t>(q / kTenPow18));
    const std::ptrdiff_t integerDigits = (end - start) - decimals;
    std::memcpy(out, start, static_cast<std::size_t>(integerDigits));
    out += integerDigits;
    *out++ = '.';
    std::memcpy(out, start + integerDigits, static_cast<std::size_t>(decimals));
    return out + decimals;
}

// Writes mantissa / 2^shift with `decimals` decimals, rounded half to even on the bits lost.
char* WriteExact(char* out, std::uint64_t mantissa, int shift, int decimals)
{
    const Uint128 scaled =
        Uint128{mantissa} * kPowersOfTen[static_cast<std::size_t>(decimals)]; // below 2^94
    if (shift >= 32 && shift < 64) {
        // Below 2^32, the common case: everything fits in 64-bit halves.
        const auto low = static_cast<std::uint64_t>(scaled);
        const auto high = static_cast<std::uint64_t>(scaled >> 64);
        std::uint64_t q = (high << (64 - shift)) | (low >> shift);
        const std::uint64_t rest = low & ((std::uint64_t{1} << shift) - 1);
        const std::uint64_t half = std::uint64_t{1} << (shift - 1);
        q += rest > half || (rest == half && (q & 1) != 0);
        return WriteScaledSmall(out, q, decimals);
    }
    Uint128 q = 0;
    if (mantissa != 0 && shift < 128) {
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

// 10^0 to 10^21, for the double search: below 2^70.
constexpr auto kWidePowersOfTen = [] {
    std::array<Uint128, 22> powers{};
    Uint128 p = 1;
    for (Uint128& power : powers) {
        power = p;
        p *= 10;
    }
    return powers;
}();

template <typename Wide> Wide PowerOfTen(int d)
{
    if constexpr (sizeof(Wide) == 8)
        return kPowersOfTen[static_cast<std::size_t>(d)];
    else
        return kWidePowersOfTen[static_cast<std::size_t>(d)];
}

// The shortest fixed-point text that reads back to the binary value m * 2^e2 (m normal, e2 <= 0),
// in `Wide` integers that hold four times m times 10^d for the decimals d the search needs.
// In units of 2^(e2 - 2) the value is 4m; what reads back to it lies between 4m - 2 and 4m + 2
// (4m - 1 below a power of two, where the gap below is half as wide), ends included when m is
// even, as a reader rounds ties to even.
template <typename Wide> char* WriteShortest(char* p, std::uint64_t m, int e2, bool powerOfTwo)
{
    const int k = 2 - e2;
    // The first number of decimals whose step 10^-d is at most half the gap, so that the
    // interval surely holds a multiple of it: ceil((1 - e2) * log10 2), log10 2 as 78913 / 2^18.
    int d = ((1 - e2) * 78913 + (1 << 18) - 1) >> 18;
    const Wide upper = Wide{4 * m + 2} * PowerOfTen<Wide>(d);
    const Wide lower = Wide{4 * m - (powerOfTwo ? 1 : 2)} * PowerOfTen<Wide>(d);
    const bool endsIncluded = (m & 1) == 0;
    Wide top = upper >> k;
    if (!endsIncluded && top << k == upper)
        --top;
    Wide bottom = (lower + (Wide{1} << k) - 1) >> k;
    if (!endsIncluded && bottom << k == lower)
        ++bottom;
    // Both below 2^58: about 10 times 2^54 at most.
    auto highest = static_cast<std::uint64_t>(top);
    auto lowest = static_cast<std::uint64_t>(bottom);
    // Fewer decimals while the interval still holds a multiple of a hundred, then of ten steps.
    while (d > 1 && highest / 100 * 100 >= lowest) {
        lowest = (lowest + 99) / 100;
        highest /= 100;
        d -= 2;
    }
    if (d > 0 && highest / 10 * 10 >= lowest) {
        lowest = (lowest + 9) / 10;
        highest /= 10;
        --d;
    }
    // Of the candidates left, the one nearest the value; an exact tie goes to the even one.
    const Wide exact = Wide{4 * m} * PowerOfTen<Wide>(d);
    auto c = static_cast<std::uint64_t>(exact >> k);
    const Wide rest = exact - (Wide{c} << k);
    const Wide half = Wide{1} << (k - 1);
    c += rest > half || (rest == half && (c & 1) != 0);
    c = std::min(std::max(c, lowest), highest);

    // Written in place from the end: d decimals (zero-padded), the point, the whole part.
    const int wholeDigits = std::max(LongDigitCount(c) - d, 1);
    char* const end = p + wholeDigits + (d > 0 ? d + 1 : 0);
    char* q = end;
    for (int left = d; left >= 2; left -= 2) {
        q -= 2;
        std::memcpy(q, kDigitPairs + 2 * (c % 100), 2);
        c /= 100;
    }
    if (d % 2 != 0) {
        *--q = static_cast<char>('0' + c % 10);
        c /= 10;
    }
    if (d > 0)
        *--q = '.';
    DigitsBackwards(q, c);
    return end;
}

// The sign, then zero, the integer search or the general way. Bits: the float type's
// significand bits without the hidden one, `Low`/`High`: the range of e2 the search takes.
template <typename Wide, int FractionBits, int Bias, int Low, typename Float, typename Bits>
char* AppendShortestOf(char* out, Float value)
{
    const auto bits = std::bit_cast<Bits>(value);
    constexpr int kSignShift = sizeof(Bits) * 8 - 1;
    const auto exponent =
        static_cast<int>(bits >> FractionBits & ((1u << (kSignShift - FractionBits)) - 1));
    const std::uint64_t fraction = bits & ((Bits{1} << FractionBits) - 1);
    const int e2 = exponent - Bias - FractionBits; // value = (2^F + fraction) * 2^e2 when normal
    char* p = out;
    if ((bits >> kSignShift) != 0)
        *p++ = '-';
    if (static_cast<Bits>(bits << 1) == 0) {
        *p = '0';
        return p + 1;
    }
    // Subnormals, NaN, infinity and values outside the search's range go the general way.
    if (exponent == 0 || e2 > 0 || e2 < Low)
        return std::to_chars(out, out + kShortestRoom, value, std::chars_format::fixed).ptr;
    return WriteShortest<Wide>(p, fraction | std::uint64_t{1} << FractionBits, e2, fraction == 0);
}

} // namespace

char* AppendFixed(char* out, long double value, int decimals)
{
#if LDBL_MANT_DIG == 64 && LDBL_MAX_EXP == 16384
    // x87 extended format: a 64-bit significand with its integer bit, then the exponent and the
    // sign. The format exists on little-endian machines only: the significand is the first 8
    // bytes. Read as integers, the sign costs no x87 status-word round trip.
    static_assert(std::endian::native == std::endian::little);
    unsigned char bytes[sizeof(long double)];
    std::memcpy(bytes, &value, sizeof bytes);
    std::uint64_t mantissa = 0;
    std::memcpy(&mantissa, bytes, sizeof mantissa);
    const int exponent = bytes[8] | (bytes[9] & 0x7F) << 8;
    // Below 2^63 (biased exponent 16383 + 63) the exact path applies; NaN and infinity have 32767.
    if (decimals < 0 || decimals > 9 || exponent >= 16383 + 63)
        return AppendSpecialOrGeneral(out, value, decimals);
    if ((bytes[9] & 0x80) != 0)
        *out++ = '-';
    return WriteExact(out, mantissa, 16383 + 63 - (exponent == 0 ? 1 : exponent), decimals);
#else
    if (decimals < 0 || decimals > 9 || !(std::fabs(value) < 0x1p63L))
        return AppendSpecialOrGeneral(out, value, decimals);
    if (std::signbit(value))
        *out++ = '-';
    if (value == 0)
        return WriteExact(out, 0, 1, decimals);
    int exponent = 0;
    const long double fraction = std::frexp(std::fabs(value), &exponent);
    return WriteExact(out, static_cast<std::uint64_t>(std::ldexp(fraction, 64)), 64 - exponent,
                      decimals);
#endif
}

char* AppendFixedRatio(char* out, std::uint64_t numerator, int shift, int decimals)
{
    return WriteExact(out, numerator, shift, decimals);
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
    // Aligned like a long double's significand, so both share the 64-bit path.
    const int shift = 1075 + 11 - (exponent == 0 ? 1 : exponent);
    return WriteExact(out, mantissa << 11, shift, decimals);
}

// Floats from 2^-7 to 2^24 in 64-bit integers: 4m below 2^26, 10^d at most 10^10.
char* AppendShortest(char* out, float value)
{
    return AppendShortestOf<std::uint64_t, 23, 127, -30, float, std::uint32_t>(out, value);
}

// Doubles from 2^-16 to 2^53 in 128-bit integers: 4m below 2^55, 10^d at most 10^21.
char* AppendShortest(char* out, double value)
{
    return AppendShortestOf<Uint128, 52, 1023, -68, double, std::uint64_t>(out, value);
}
