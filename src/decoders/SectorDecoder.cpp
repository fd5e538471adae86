#include "decoders/SectorDecoder.h"

#include "decoders/ByteReader.h"
#include "decoders/MaskMarker.h"
#include "store/TimeBase.h"

namespace {

constexpr std::uint16_t kThreeDimensionalFix = 3;
// Fix-type-3 records dropped after a record of another fix type.
constexpr std::int32_t kRecordsSkippedAfterBadFix = 5;
// The longest record: all ten sized fields (88 bytes) and the 2 trailing bytes.
constexpr std::size_t kLongestRecord = 90;

// Bytes of each field bit; bits not listed carry no bytes.
constexpr std::int32_t FieldSize(int bit)
{
    switch (bit) {
    case 0:
    case 4:
    case 5:
        return 4;
    case 1:
    case 12:
    case 17:
    case 18:
        return 2;
    case 2:
    case 3:
        return 8;
    case 21:
        return 52;
    default:
        return 0;
    }
}

} // namespace

std::int32_t SectorRecordLength(std::uint32_t FieldMask)
{
    std::int32_t length = 2;
    for (int bit = 0; bit <= 21; ++bit)
        if ((FieldMask >> bit) & 1u)
            length += FieldSize(bit);
    return length;
}

void ScanSector(FixStore& store, std::int32_t SectorIndex)
{
    if (SectorIndex < 0 || static_cast<std::size_t>(SectorIndex) >= kLogBufferSize / kSectorSize)
        return;
    const std::uint8_t* base =
        store.LogBuffer.get() + static_cast<std::size_t>(SectorIndex) * kSectorSize;
    std::uint32_t mask = LoadU32(base + 2);
    std::int32_t length = SectorRecordLength(mask);

    // The item at 512 is always looked at; later items only while both a marker and a whole
    // record of the current length fit, so nothing past the sector is ever read.
    std::int32_t position = kFirstRecordOffset;
    do {
        const std::uint8_t* p = base + position;
        if (IsMaskMarker(p)) {
            mask = MaskAfterMarker(p, mask);
            length = SectorRecordLength(mask);
            position += kMarkerLength;
        } else {
            // Erased space is stepped over in strides of the current record length.
            if (!AllEqual(p, 6, kErasedByte))
                DecodeSectorRecord(store, p, mask);
            position += length;
        }
    } while (position + kMarkerLength <= kSectorSize && position + length <= kSectorSize);
}

void DecodeSectorRecord(FixStore& store, const std::uint8_t* RecordStart, std::uint32_t FieldMask)
{
    TGpsFix fix{};
    std::int32_t seconds = 0;
    ByteReader r(RecordStart, kLongestRecord);
    if (FieldMask & (1u << 0))
        seconds = r.I32();
    if (FieldMask & (1u << 1))
        fix.FixType = r.U16();
    if (FieldMask & (1u << 2))
        fix.Latitude = r.F64();
    if (FieldMask & (1u << 3))
        fix.Longitude = r.F64();
    if (FieldMask & (1u << 4))
        fix.ExtraValue = r.F32();
    if (FieldMask & (1u << 5))
        fix.Speed = r.F32();
    if (FieldMask & (1u << 12)) {
        fix.SatelliteCount = r.U8();
        fix.ExtraCount = r.U8();
    }
    if (FieldMask & (1u << 17))
        r.Skip(2);
    if (FieldMask & (1u << 18))
        fix.Millisecond = r.U16();
    // Bit 21 (52 bytes) is the last sized field and is not interpreted.

    // A millisecond of 1000 or more gives a time of no consequence: the record is dropped below.
    fix.Time =
        seconds == 0 ? 0.0 : LoggerTimeToDayCount(seconds, fix.Millisecond, store.LocalEpoch);
    fix.Course = 0.0f;

    // Fix-type gate: after a record that is not a 3D fix, the next five 3D fixes are untrusted.
    if (fix.FixType != kThreeDimensionalFix) {
        store.SkipCounter = kRecordsSkippedAfterBadFix;
        return;
    }
    if (store.SkipCounter != 0) {
        --store.SkipCounter;
        return;
    }

    // Plausibility, written so that a NaN fails like any bad value.
    if (!(fix.Speed > 0.0f && fix.Speed <= 2000.0f))
        return;
    if (!(fix.Latitude >= -90.0 && fix.Latitude <= 90.0))
        return;
    if (!(fix.Longitude >= -180.0 && fix.Longitude <= 180.0))
        return;
    if (fix.Millisecond > 999)
        return;
    if (!(fix.Time >= kSectorLogEarliestTime))
        return;
    if ((FieldMask & kSectorRequiredMask) != kSectorRequiredMask)
        return;

    if (store.FixCount < FixCapacity)
        store.FixTable[static_cast<std::size_t>(store.FixCount++)] = fix;
}
