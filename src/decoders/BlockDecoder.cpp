#include "decoders/BlockDecoder.h"

#include "decoders/ByteReader.h"
#include "decoders/MaskMarker.h"
#include "store/TimeBase.h"
#include "store/Xor.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

namespace {

constexpr std::uint8_t kTerminator = 0x2A; // '*'
// 48 bytes for bits 0 to 12, 255 satellite entries of 10 bytes, 12 bytes for bits 17 to 19,
// the terminator and the checksum.
constexpr std::size_t kLongestRecord = 2612;
// Only bits 0 to 19 describe fields; bits 14 to 16 widen the bit-13 entries by 2 bytes each.
constexpr std::uint32_t kFieldBits = 0xFFFFF;
constexpr std::uint32_t kEntryWideningBits = 0x1C000;

// A block's walk reads at most this far past the block's end: a record or marker that starts in
// its last bytes. A block that ends closer than this to the image's end is decoded from a copy
// followed by erased flash.
constexpr std::size_t kReadPastBlock = 4096;
static_assert(kReadPastBlock >= kLongestRecord && kReadPastBlock >= std::size_t{kMarkerLength});

// Reads the fields the mask selects, in bit order. Returns the logger's second count.
std::int32_t ReadFields(ByteReader& r, std::uint32_t mask, TGpsFix& fix)
{
    std::int32_t seconds = 0;
    for (std::uint32_t bits = mask & kFieldBits; bits != 0; bits &= bits - 1) {
        switch (static_cast<BlockField>(std::countr_zero(bits))) {
        case BlockField::Time:
            seconds = r.I32();
            break;
        case BlockField::FixType:
            fix.FixType = r.U16();
            break;
        case BlockField::Latitude:
            fix.Latitude = r.F64();
            break;
        case BlockField::Longitude:
            fix.Longitude = r.F64();
            break;
        case BlockField::Height:
            fix.ExtraValue = r.F32();
            break;
        case BlockField::Speed:
            fix.Speed = r.F32();
            break;
        case BlockField::Course:
            fix.Course = r.F32();
            break;
        case BlockField::Reserved8:
            r.Skip(4);
            break;
        case BlockField::SatelliteCounts:
            fix.SatelliteCount = r.U8();
            fix.ExtraCount = r.U8();
            break;
        case BlockField::SatelliteEntries: {
            const auto entrySize =
                static_cast<std::size_t>(4 + 2 * std::popcount(mask & kEntryWideningBits));
            r.Skip(fix.SatelliteCount * entrySize);
            break;
        }
        case BlockField::EntryWidening14:
        case BlockField::EntryWidening15:
        case BlockField::EntryWidening16:
            break;
        case BlockField::Millisecond:
            fix.Millisecond = r.U16();
            break;
        case BlockField::Reserved19:
            r.Skip(8);
            break;
        default: // bits 7, 9, 10, 11 and 17: two bytes not interpreted
            r.Skip(2);
            break;
        }
    }
    return seconds;
}

// The '*' after the fields and the XOR of the field bytes after it.
bool SealIsGood(const std::uint8_t* record, std::size_t fieldBytes)
{
    return record[fieldBytes] == kTerminator &&
           record[fieldBytes + 1] == XorOfBytes(record, fieldBytes);
}

// Written so that a NaN (erased flash reads as one) fails the test like any bad value.
bool IsPlausible(const TGpsFix& fix)
{
    return fix.Latitude >= -90.0 && fix.Latitude <= 90.0 && fix.Longitude >= -180.0 &&
           fix.Longitude <= 180.0 && fix.Speed >= 0.0f && fix.Speed <= 2000.0f &&
           fix.Millisecond <= 999;
}

// Where the walk resumes after a bad record: 2 bytes after its first '*' (the likely end of a
// record whose mask did not fit), else past its computed length.
std::int32_t ResumeAfterBadRecord(const std::uint8_t* record, std::int32_t length)
{
    for (std::int32_t i = 0; i < length; ++i)
        if (record[i] == kTerminator)
            return i + 2;
    return length;
}

void WalkBlock(const std::uint8_t* base, const LoggerClock& clock, FixTable& table)
{
    std::uint32_t mask = LoadU32(base + 2);
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
            // Decoded in place at the table's end, and counted there when accepted.
            bool rejected = false;
            const std::int32_t length = DecodeBlockRecord(p, mask, *table.End(), rejected, clock);
            if (!rejected)
                table.Keep();
            position += rejected ? ResumeAfterBadRecord(p, length) : length;
        }
    }
}

} // namespace

std::int32_t DecodeBlockRecord(const std::uint8_t* RecordStart, std::uint32_t FieldMask,
                               TGpsFix& Fix, bool& Rejected, const LoggerClock& Clock)
{
    Fix = TGpsFix{};
    ByteReader r(RecordStart, kLongestRecord);
    const std::int32_t seconds = ReadFields(r, FieldMask, Fix);
    const std::size_t fieldBytes = r.Position();
    const auto length = static_cast<std::int32_t>(fieldBytes + 2);

    // A record without time (or a mask without bit 0) is dropped like a bad one.
    Rejected = !SealIsGood(RecordStart, fieldBytes) || !IsPlausible(Fix) || seconds == 0;
    if (!Rejected)
        Fix.Time = Clock.DayCount(seconds, Fix.Millisecond);
    return length;
}

void ScanBlock(std::span<const std::uint8_t> image, std::int32_t BlockIndex,
               const LoggerClock& clock, FixTable& table)
{
    if (BlockIndex < 0)
        return;
    const std::size_t start = static_cast<std::size_t>(BlockIndex) * kBlockSize;
    if (start >= image.size())
        return;
    if (image.size() - start >= kBlockSize + kReadPastBlock) {
        WalkBlock(image.data() + start, clock, table);
        return;
    }
    std::vector<std::uint8_t> padded(kBlockSize + kReadPastBlock, kErasedByte);
    const std::size_t available = std::min(image.size() - start, padded.size());
    std::memcpy(padded.data(), image.data() + start, available);
    WalkBlock(padded.data(), clock, table);
}

void DecodeBlockLog(std::span<const std::uint8_t> image, const LoggerClock& clock, FixTable& table)
{
    const auto blocks = static_cast<std::int32_t>(image.size() / kBlockSize);
    table.Reserve(static_cast<std::size_t>(table.Count()) +
                  static_cast<std::size_t>(blocks) * kMostFixesPerBlock);
    for (std::int32_t i = 0; i < blocks; ++i)
        ScanBlock(image, i, clock, table);
}
