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
constexpr std::uint32_t kHeightBit = 1u << static_cast<int>(BlockField::Height);
constexpr std::uint32_t kSpeedBit = 1u << static_cast<int>(BlockField::Speed);

// A sister-layout signature: a five-letter maker tag, a five-character model, then "LOGGER" (a
// recording starts) or "WAYPNT" (the next record is a waypoint the user pressed for); some
// firmware adds four spaces.
constexpr std::int32_t kSignatureLength = 16;
constexpr std::int32_t kPaddedSignatureLength = 20;

// A block's walk reads at most this far past the block's end: a record, marker or signature that
// starts in its last bytes. A block that ends closer than this to the image's end is decoded
// from a copy followed by erased flash.
constexpr std::size_t kReadPastBlock = 4096;
static_assert(kReadPastBlock >= kLongestRecord && kReadPastBlock >= std::size_t{kMarkerLength} &&
              kReadPastBlock >= std::size_t{kPaddedSignatureLength});

// A block is read in the sister layout on this many records whose seal holds, or on all the
// records of a block that has fewer.
constexpr int kSisterEvidence = 3;

// How a layout frames its records: the field sizes that differ between the layouts, what seals
// a record and what may stand between records.
struct RecordFraming {
    int PositionBytes; // latitude and longitude: 8 (double) or 4 (float)
    int HeightBytes;   // 4 (float) or 3 (the three high-order bytes of a float)
    bool Terminated;   // a '*' between the fields and the checksum
    bool Signatures;   // ASCII signatures between records
    bool SpeedFirst;   // the speed as a 32-bit count of cm/s, before the height
};
constexpr RecordFraming kPlain{8, 4, true, false, false};
constexpr RecordFraming kSister{4, 3, false, true, false};
constexpr RecordFraming kSisterSpeedFirst{4, 3, false, true, true};

template <RecordFraming F> double ReadPosition(ByteReader& r)
{
    if constexpr (F.PositionBytes == 8)
        return r.F64();
    else
        return r.F32(); // every float is exactly a double
}

template <RecordFraming F> float ReadHeight(ByteReader& r)
{
    if constexpr (F.HeightBytes == 4)
        return r.F32();
    else
        return std::bit_cast<float>(r.U24() << 8); // the lowest byte is 0
}

// The speed in km/h: a float, or where the speed comes first a 32-bit count of cm/s.
template <RecordFraming F> float ReadSpeed(ByteReader& r)
{
    if constexpr (F.SpeedFirst)
        return static_cast<float>(r.U32() * 0.036);
    else
        return r.F32();
}

// Reads the fields the mask selects, in bit order (the speed before the height where the
// framing says so). Returns the logger's second count.
template <RecordFraming F> std::int32_t ReadFields(ByteReader& r, std::uint32_t mask, TGpsFix& fix)
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
            fix.Latitude = ReadPosition<F>(r);
            break;
        case BlockField::Longitude:
            fix.Longitude = ReadPosition<F>(r);
            break;
        case BlockField::Height:
            if (F.SpeedFirst && (mask & kSpeedBit) != 0)
                fix.Speed = ReadSpeed<F>(r);
            fix.ExtraValue = ReadHeight<F>(r);
            break;
        case BlockField::Speed:
            if (!F.SpeedFirst || (mask & kHeightBit) == 0)
                fix.Speed = ReadSpeed<F>(r);
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
            const std::size_t entrySize =
                4 + 2 * static_cast<std::size_t>(std::popcount(mask & kEntryWideningBits));
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

template <RecordFraming F> constexpr std::size_t kSealBytes = F.Terminated ? 2 : 1;

// The '*' after the fields (where the layout has one) and the XOR of the field bytes after it.
template <RecordFraming F> bool SealIsGood(const std::uint8_t* record, std::size_t fieldBytes)
{
    if constexpr (F.Terminated)
        return record[fieldBytes] == kTerminator &&
               record[fieldBytes + 1] == XorOfBytes(record, fieldBytes);
    else
        return record[fieldBytes] == XorOfBytes(record, fieldBytes);
}

// Written so that a NaN (erased flash reads as one) fails the test like any bad value.
bool IsPlausible(const TGpsFix& fix)
{
    return fix.Latitude >= -90.0 && fix.Latitude <= 90.0 && fix.Longitude >= -180.0 &&
           fix.Longitude <= 180.0 && fix.Speed >= 0.0f && fix.Speed <= 2000.0f &&
           fix.Millisecond <= 999;
}

// Decodes the record at `start` into `fix` and returns its length (the fields and the seal,
// whatever the outcome). `rejected` tells whether the record is dropped: a seal that does not
// hold, a value out of range or no time.
template <RecordFraming F>
std::int32_t DecodeRecord(const std::uint8_t* start, std::uint32_t mask, TGpsFix& fix,
                          bool& rejected, const LoggerClock& clock)
{
    fix = TGpsFix{};
    ByteReader r(start, kLongestRecord);
    const std::int32_t seconds = ReadFields<F>(r, mask, fix);
    const std::size_t fieldBytes = r.Position();
    // A record without time (or a mask without bit 0) is dropped like a bad one.
    rejected = !SealIsGood<F>(start, fieldBytes) || !IsPlausible(fix) || seconds == 0;
    if (!rejected)
        fix.Time = clock.DayCount(seconds, fix.Millisecond);
    return static_cast<std::int32_t>(fieldBytes + kSealBytes<F>);
}

// Whether the seal of the record of `length` bytes at `record` holds.
template <RecordFraming F> bool SealHolds(const std::uint8_t* record, std::int32_t length)
{
    return SealIsGood<F>(record, static_cast<std::size_t>(length) - kSealBytes<F>);
}

// The length of the record at `record` when its seal holds, else 0. (Through the one record
// decoder, so that the field switch stays inlined in one place.)
template <RecordFraming F> std::int32_t SealedLength(const std::uint8_t* record, std::uint32_t mask)
{
    TGpsFix scratch;
    bool rejected = false;
    const std::int32_t length = DecodeRecord<F>(record, mask, scratch, rejected, LoggerClock{});
    return !rejected || SealHolds<F>(record, length) ? length : 0;
}

bool IsLetter(std::uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsPrintable(std::uint8_t c) { return c >= 0x20 && c < 0x7F; }

// The length of the signature that starts at `p`, or 0 when none does (or the layout has none).
template <RecordFraming F> std::int32_t SignatureLength(const std::uint8_t* p)
{
    if constexpr (!F.Signatures)
        return 0;
    if (std::memcmp(p + 10, "LOGGER", 6) != 0 && std::memcmp(p + 10, "WAYPNT", 6) != 0)
        return 0;
    if (!std::all_of(p, p + 5, IsLetter) || !std::all_of(p + 5, p + 10, IsPrintable))
        return 0;
    return AllEqual(p + kSignatureLength, 4, ' ') ? kPaddedSignatureLength : kSignatureLength;
}

// The models whose records store the speed first, from their signature on to the file's end.
bool NamesSpeedFirstModel(const std::uint8_t* signature)
{
    return std::memcmp(signature + 5, "GR245", 5) == 0 ||
           std::memcmp(signature + 5, "M1200", 5) == 0;
}

// Steps over the markers (a kind-2 marker replacing `mask`), the incomplete markers and, in a
// layout that has them, the signatures from `position` on, and returns where the next other item
// starts. `speedFirstModel` is set when a signature names a speed-first model.
template <RecordFraming F>
std::int32_t SkipMarkers(const std::uint8_t* base, std::int32_t position, std::uint32_t& mask,
                         bool& speedFirstModel)
{
    while (position < kBlockSize) {
        const std::uint8_t* p = base + position;
        if (IsMaskMarker(p)) {
            mask = MaskAfterMarker(p, mask);
            position += kMarkerLength;
        } else if (AllEqual(p, 4, kMarkerByte)) { // an incomplete marker
            position += kMarkerLength;
        } else if (const std::int32_t signature = SignatureLength<F>(p); signature != 0) {
            speedFirstModel = speedFirstModel || NamesSpeedFirstModel(p);
            position += signature;
        } else {
            break;
        }
    }
    return position;
}

// Past the block's last byte that is not erased flash, or the first record offset.
std::int32_t UsedEnd(const std::uint8_t* base)
{
    std::int32_t end = kBlockSize;
    while (end > kFirstRecordOffset && base[end - 1] == kErasedByte)
        --end;
    return end;
}

// One block's walk: its bytes, the end of its used part and where the fixes go.
struct BlockWalk {
    const std::uint8_t* Base;
    std::int32_t UsedEnd;
    const LoggerClock& Clock;
    BlockScanState& State;
    FixTable& Table;
};

// Whether an item the walk can take starts at `position`: a marker, a signature, erased flash,
// a record whose seal holds, or the block's end.
template <RecordFraming F>
bool StartsItem(const BlockWalk& walk, std::uint32_t mask, std::int32_t position)
{
    if (position >= kBlockSize)
        return position == kBlockSize;
    const std::uint8_t* p = walk.Base + position;
    return IsMaskMarker(p) || SignatureLength<F>(p) != 0 || AllEqual(p, 4, kErasedByte) ||
           SealedLength<F>(p, mask) != 0;
}

// Where a walk of a layout without '*' goes on after damage or erased space: at the first
// following byte where a marker or a signature starts, or a record whose seal holds and after
// which another item starts. Erased space that runs to the block's end ends the walk.
template <RecordFraming F>
std::int32_t Resync(const BlockWalk& walk, std::uint32_t mask, std::int32_t from)
{
    for (std::int32_t q = from; q < walk.UsedEnd; ++q) {
        const std::uint8_t* p = walk.Base + q;
        if (IsMaskMarker(p) || SignatureLength<F>(p) != 0)
            return q;
        if (AllEqual(p, 4, kErasedByte))
            continue;
        const std::int32_t length = SealedLength<F>(p, mask);
        if (length != 0 && StartsItem<F>(walk, mask, q + length))
            return q;
    }
    return kBlockSize;
}

// Where the walk goes on after erased space at `position`: the plain layout's erased space ends
// at the next block offset that is a multiple of 16.
template <RecordFraming F>
std::int32_t AfterErased(const BlockWalk& walk, std::uint32_t mask, std::int32_t position)
{
    if constexpr (F.Terminated)
        return (position + 16) & ~15;
    else
        return Resync<F>(walk, mask, position + 1);
}

// Where the walk goes on after a dropped record of `length` bytes. With a '*': 2 bytes after the
// record's first '*' (the likely end of a record whose mask did not fit), else past its computed
// length. Without: past a record whose seal holds, else at the next item found byte by byte.
template <RecordFraming F>
std::int32_t AfterDropped(const BlockWalk& walk, std::uint32_t mask, std::int32_t position,
                          std::int32_t length)
{
    const std::uint8_t* p = walk.Base + position;
    if constexpr (F.Terminated) {
        for (std::int32_t i = 0; i < length; ++i)
            if (p[i] == kTerminator)
                return position + i + 2;
        return position + length;
    } else {
        return SealHolds<F>(p, length) ? position + length : Resync<F>(walk, mask, position + 1);
    }
}

template <RecordFraming F>
void WalkBlock(const BlockWalk& walk, std::uint32_t mask, std::int32_t position)
{
    // The plain layout walks to the block's end; the other stops where erased flash runs to it.
    const std::int32_t end = F.Terminated ? kBlockSize : walk.UsedEnd;
    bool speedFirstModel = false;
    while ((position = SkipMarkers<F>(walk.Base, position, mask, speedFirstModel)) < end) {
        if constexpr (F.Signatures && !F.SpeedFirst) {
            if (speedFirstModel) { // for the rest of the file
                walk.State.SpeedFirst = true;
                WalkBlock<kSisterSpeedFirst>(walk, mask, position);
                return;
            }
        }
        const std::uint8_t* p = walk.Base + position;
        if (AllEqual(p, 4, kErasedByte)) {
            position = AfterErased<F>(walk, mask, position);
            continue;
        }
        // Decoded in place at the table's end, and counted there when accepted.
        bool rejected = false;
        const std::int32_t length =
            DecodeRecord<F>(p, mask, *walk.Table.End(), rejected, walk.Clock);
        if (!rejected)
            walk.Table.Keep();
        position = rejected ? AfterDropped<F>(walk, mask, position, length) : position + length;
    }
}

// Whether the sister layout frames the records from `position` on: the seal holds for the first
// three, or for every record of a block that has fewer.
bool SisterFramesRecords(const std::uint8_t* base, std::int32_t position, std::uint32_t mask)
{
    const std::int32_t usedEnd = UsedEnd(base);
    bool speedFirstModel = false;
    for (int sealed = 1;; ++sealed) {
        // A mask that selects no field bytes makes every byte a "record": that frames nothing.
        const std::int32_t length = SealedLength<kSister>(base + position, mask);
        if (length < 2)
            return false;
        if (sealed == kSisterEvidence)
            return true;
        position = SkipMarkers<kSister>(base, position + length, mask, speedFirstModel);
        if (position >= usedEnd)
            return true;
        if (AllEqual(base + position, 4, kErasedByte)) // fewer records before a gap
            return false;
    }
}

enum class BlockFraming {
    Unframed, // no record, or a first record that neither layout frames: read as plain
    Plain,
    Sister,
};

// The layout that frames the block's first record, after the markers and signatures that open
// the block. The plain layout decides every block it frames.
BlockFraming FramingOf(const std::uint8_t* base)
{
    std::uint32_t mask = LoadU32(base + 2);
    bool speedFirstModel = false;
    const std::int32_t first =
        SkipMarkers<kSister>(base, kFirstRecordOffset, mask, speedFirstModel);
    if (first >= kBlockSize || AllEqual(base + first, 4, kErasedByte))
        return BlockFraming::Unframed;
    if (SealedLength<kPlain>(base + first, mask) != 0)
        return BlockFraming::Plain;
    return SisterFramesRecords(base, first, mask) ? BlockFraming::Sister : BlockFraming::Unframed;
}

void ScanBlockAt(const std::uint8_t* base, const LoggerClock& clock, BlockScanState& state,
                 FixTable& table)
{
    const std::uint32_t mask = LoadU32(base + 2);
    const BlockFraming framing = FramingOf(base);
    if (framing == BlockFraming::Sister) {
        ++state.SisterBlocks;
        const BlockWalk walk{base, UsedEnd(base), clock, state, table};
        if (state.SpeedFirst)
            WalkBlock<kSisterSpeedFirst>(walk, mask, kFirstRecordOffset);
        else
            WalkBlock<kSister>(walk, mask, kFirstRecordOffset);
        return;
    }
    const std::int32_t before = table.Count();
    WalkBlock<kPlain>({base, kBlockSize, clock, state, table}, mask, kFirstRecordOffset);
    if (framing == BlockFraming::Plain || table.Count() > before)
        ++state.PlainBlocks;
}

} // namespace

std::int32_t DecodeBlockRecord(const std::uint8_t* RecordStart, std::uint32_t FieldMask,
                               TGpsFix& Fix, bool& Rejected, const LoggerClock& Clock)
{
    return DecodeRecord<kPlain>(RecordStart, FieldMask, Fix, Rejected, Clock);
}

void ScanBlock(std::span<const std::uint8_t> image, std::int32_t BlockIndex,
               const LoggerClock& clock, BlockScanState& state, FixTable& table)
{
    if (BlockIndex < 0)
        return;
    const std::size_t start = static_cast<std::size_t>(BlockIndex) * kBlockSize;
    if (start >= image.size())
        return;
    if (image.size() - start >= kBlockSize + kReadPastBlock) {
        ScanBlockAt(image.data() + start, clock, state, table);
        return;
    }
    std::vector<std::uint8_t> padded(kBlockSize + kReadPastBlock, kErasedByte);
    const std::size_t available = std::min(image.size() - start, padded.size());
    std::memcpy(padded.data(), image.data() + start, available);
    ScanBlockAt(padded.data(), clock, state, table);
}

void ScanBlock(std::span<const std::uint8_t> image, std::int32_t BlockIndex,
               const LoggerClock& clock, FixTable& table)
{
    BlockScanState state;
    ScanBlock(image, BlockIndex, clock, state, table);
}

BlockScanState DecodeBlockLog(std::span<const std::uint8_t> image, const LoggerClock& clock,
                              FixTable& table)
{
    BlockScanState state;
    const auto blocks = static_cast<std::int32_t>(image.size() / kBlockSize);
    table.Reserve(static_cast<std::size_t>(table.Count()) +
                  static_cast<std::size_t>(blocks) * kMostFixesPerBlock);
    for (std::int32_t i = 0; i < blocks; ++i)
        ScanBlock(image, i, clock, state, table);
    return state;
}
