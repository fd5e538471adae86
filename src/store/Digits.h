#pragma once

// Writes v % 100 as two decimal digits and returns the end.
inline char* PutTwoDigits(char* out, int v)
{
    out[0] = static_cast<char>('0' + v / 10 % 10);
    out[1] = static_cast<char>('0' + v % 10);
    return out + 2;
}
