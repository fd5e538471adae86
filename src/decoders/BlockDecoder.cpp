#include "decoders/BlockDecoder.h"

#include "decoders/ByteReader.h"
#include "decoders/MaskMarker.h"
#include "store/TimeBase.h"

#include <bit>

namespace {

constexpr std::uint8_t kTerminator = 0x2A; // '*'
// 48 bytes for bits 0 to 12, 255 satellite entries of 10 bytes, 12 bytes for bits 17 to 19,
// the terminator and the checksum.
constexpr std::size_t kLongestRecord = 2612;
// Only bits 0 to 19 describe fields; bits 14 to 16 widen the bit-13 entries by 2 bytes each.
constexpr std::uint32_t kFieldBits = 0xFFFFF;
constexpr std::uint32_t kEntryWideningBits = 0x1C000;

} // namespace

std::int32_t DecodeBlockRecord(const std::uint8_t* RecordStart, std::uint32_t FieldMask,
                               TGpsFix& Fix, bool& Rejected, double LocalEpoch)
{
    Rejected = false;
    Fix = TGpsFix{};
    std::int32_t seconds = 0;
    ByteReader r(RecordStart, kLongestRecord);

    for (std::uint32_t bits = FieldMask & kFieldBits; bits != 0; bits &= bits - 1) {
        switch (std::countr_zero(bits)) {
        case 0:
            seconds = r.I32();
            break;
        case 1:
            Fix.FixType = r.U16();
            break;
        case 2:
            Fix.Latitude = r.F64();
            break;
        case 3:
            Fix.Longitude = r.F64();
            break;
        case 4:
            Fix.ExtraValue = r.F32();
            break;
        case 5:
            Fix.Speed = r.F32();
            break;
        case 6:
            Fix.Course = r.F32();
            break;
        case 8:
            r.Skip(4);
            break;
        case 12:
            Fix.SatelliteCount = r.U8();
            Fix.ExtraCount = r.U8();
            break;
        case 13: {
            const auto entrySize =
                static_cast<std::size_t>(4 + 2 * std::popcount(FieldMask & kEntryWideningBits));
            r.Skip(Fix.SatelliteCount * entrySize);
            break;
        }
        case 14:
        case 15:
        case 16:
            break;
        case 18:
            Fix.Millisecond = r.U16();
            break;
        case 19:
            r.Skip(8);
            break;
        default: // bits 7, 9, 10, 11 and 17: two bytes not interpreted
            r.Skip(2);
            break;
        }
    }

    const std::size_t fieldBytes = r.Position();
    const auto length = static_cast<std::int32_t>(fieldBytes + 2);
    if (RecordStart[fieldBytes] != kTerminator) {
        Rejected = true;
        return length;
    }
    std::uint8_t checksum = 0;
    for (std::size_t i = 0; i < fieldBytes; ++i)
        checksum ^= RecordStart[i];
    if (RecordStart[fieldBytes + 1] != checksum)
        Rejected = true;

    // Written so that a NaN (erased flash reads as one) fails the test like any bad value.
    if (!(Fix.Latitude >= -90.0 && Fix.Latitude <= 90.0))
        Rejected = true;
    if (!(Fix.Longitude >= -180.0 && Fix.Longitude <= 180.0))
        Rejected = true;
    if (!(Fix.Speed >= 0.0f && Fix.Speed <= 2000.0f))
        Rejected = true;
    if (Fix.Millisecond > 999)
        Rejected = true;
    if (Rejected)
        return length;

    if (seconds == 0) { // a record without time, or a mask without bit 0
        Rejected = true;
        return length;
    }
    Fix.Time = LoggerTimeToDayCount(seconds, Fix.Millisecond, LocalEpoch);
    return length;
}

void ScanBlock(FixStore& store, std::int32_t BlockIndex)
{
    if (BlockIndex < 0 || static_cast<std::size_t>(BlockIndex) >= kLogBufferSize / kBlockSize)
        return;
    const std::uint8_t* base =
        store.LogBuffer.get() + static_cast<std::size_t>(BlockIndex) * kBlockSize;
    std::uint32_t mask = LoadU32(base + 2);
    // Once the table is full, records are still walked (their lengths move the scan) but are
    // decoded here and dropped.
    TGpsFix overflow{};

    std::int32_t position = kFirstRecordOffset;
    while (position < kBlockSize) {
        const std::uint8_t* p = base + position;
        if (IsMaskMarker(p)) {
            mask = MaskAfterMarker(p, mask);
            position += kMarkerLength;
        } else if (AllEqual(p, 4, kMarkerByte)) { // an incomplete marker
            position += kMarkerLength;
        } else if (AllEqual(p, 4, kErasedByte)) { // erased flash: on to the next 16-byte line
            position = (position + 16) & ~15;
        } else {
            const bool hasRoom = store.FixCount < FixCapacity;
            TGpsFix& slot =
                hasRoom ? store.FixTable[static_cast<std::size_t>(store.FixCount)] : overflow;
            bool rejected = false;
            const std::int32_t length =
                DecodeBlockRecord(p, mask, slot, rejected, store.LocalEpoch);
            if (!rejected) {
                if (hasRoom)
                    ++store.FixCount;
                position += length;
                continue;
            }
            // Resynchronise after a bad record: resume 2 bytes after its first '*' (the likely
            // end of a record whose mask did not fit), else step over its computed length.
            std::int32_t next = position + length;
            for (std::int32_t i = 0; i < length; ++i) {
                if (p[i] == kTerminator) {
                    next = position + i + 2;
                    break;
                }
            }
            position = next;
        }
    }
}
