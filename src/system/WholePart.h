#pragma once

#include <cfloat>
#include <cstdint>

// The whole part of 0 <= v < 2^62, as static_cast<std::int64_t> gives it. On x87 that cast
// switches the control word to truncation and back, which stalls every x87 instruction in
// flight: twice per line written. Here (v + 2^63) - 2^63 rounds v to a whole number by the
// current mode instead, which fistp then stores exactly whatever the mode, and one step corrects
// a round-up. That needs the FPU to keep 64 significant bits; where it keeps fewer, the cast is
// used.
inline std::int64_t WholePart(long double v)
{
#if LDBL_MANT_DIG == 64 && defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
    std::uint16_t control = 0;
    __asm__("fnstcw %0" : "=m"(control));
    if ((control & 0x300) == 0x300) { // precision control: 64 bits
        constexpr long double kTwoTo63 = 0x1p63L;
        const long double rounded = (v + kTwoTo63) - kTwoTo63;
        std::int64_t whole = 0;
        __asm__("fistpll %0" : "=m"(whole) : "t"(rounded) : "st");
        return rounded > v ? whole - 1 : whole;
    }
#endif
    return static_cast<std::int64_t>(v);
}
