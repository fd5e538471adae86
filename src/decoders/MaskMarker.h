#pragma once

#include "decoders/ByteReader.h"

#include <cstdint>

// Items shared by both log formats. A mask marker is 16 bytes between records: seven 0xAA bytes,
// a kind byte, a 32-bit little-endian field mask and four 0xBB bytes. Only kind 2 replaces the
// mask, for the rest of its block or sector. Erased flash reads as 0xFF.

// The first item of a block or sector starts here; the bytes before it are the unit's header.
constexpr std::int32_t kFirstRecordOffset = 512;

constexpr std::uint8_t kMarkerByte = 0xAA;
constexpr std::uint8_t kMarkerEndByte = 0xBB;
constexpr std::uint8_t kErasedByte = 0xFF;
constexpr std::uint8_t kMaskReplacingMarker = 2;
constexpr std::int32_t kMarkerLength = 16;

inline bool AllEqual(const std::uint8_t* p, int count, std::uint8_t value)
{
    for (int i = 0; i < count; ++i)
        if (p[i] != value)
            return false;
    return true;
}

// Bytes 0 to 6 all 0xAA and bytes 12 to 15 all 0xBB, whatever the bytes between.
inline bool IsMaskMarker(const std::uint8_t* p)
{
    return AllEqual(p, 7, kMarkerByte) && AllEqual(p + 12, 4, kMarkerEndByte);
}

// The field mask a marker carries, or `current` when the marker is not of the replacing kind.
inline std::uint32_t MaskAfterMarker(const std::uint8_t* marker, std::uint32_t current)
{
    return marker[7] == kMaskReplacingMarker ? LoadU32(marker + 8) : current;
}
