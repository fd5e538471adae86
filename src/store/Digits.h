#pragma once

#include <cstddef>
#include <cstring>

// Writes v % 100 as two decimal digits and returns the end.
inline char* PutTwoDigits(char* out, int v)
{
    out[0] = static_cast<char>('0' + v / 10 % 10);
    out[1] = static_cast<char>('0' + v % 10);
    return out + 2;
}

// Copies a literal without its terminating zero; the size is known, so the copy is inlined.
template <std::size_t N> char* Put(char* out, const char (&text)[N])
{
    std::memcpy(out, text, N - 1);
    return out + N - 1;
}
