#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

// The XOR of `size` bytes, eight at a time: the checksum of a block record and of an NMEA line.
inline std::uint8_t XorOfBytes(const void* data, std::size_t size)
{
    const auto* p = static_cast<const unsigned char*>(data);
    std::uint64_t wide = 0;
    for (; size >= 8; size -= 8, p += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, p, 8);
        wide ^= word;
    }
    wide ^= wide >> 32;
    wide ^= wide >> 16;
    wide ^= wide >> 8;
    auto checksum = static_cast<std::uint8_t>(wide);
    for (; size > 0; --size)
        checksum ^= *p++;
    return checksum;
}
