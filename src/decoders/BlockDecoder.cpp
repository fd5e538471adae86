#include "decoders/BlockDecoder.h"

#include "decoders/ByteReader.h"
#include "decoders/MaskMarker.h"
#include "store/TimeBase.h"
#include "store/Xor.h"

#include <algorithm>
#include <bit>
#include <cmath>
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
// How far past a block's first record its layout is looked for when damage or erased space
// hides it: more than the longest record, so that a run of sealed records after damage is met,
// and little enough that a block of noise costs little.
constexpr std::int32_t kFramingSearchBytes = 4096;
static_assert(kFramingSearchBytes > std::int32_t{kLongestRecord});

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

// The models whose records store the speed first, from their signature on to the next signature
// or header of another model.
bool NamesSpeedFirstModel(const std::uint8_t* signature)
{
    return std::memcmp(signature + 5, "GR245", 5) == 0 ||
           std::memcmp(signature + 5, "M1200", 5) == 0;
}

// A block's 512-byte header, met inside a block where files of the sister layout were joined
// (a download tool saves no whole blocks): it ends in '*', a byte and four 0xBB bytes.
constexpr std::int32_t kHeaderLength = kFirstRecordOffset;
static_assert(kReadPastBlock >= std::size_t{kHeaderLength});
bool IsBlockHeader(const std::uint8_t* p)
{
    return p[kHeaderLength - 6] == kTerminator &&
           AllEqual(p + kHeaderLength - 4, 4, kMarkerEndByte);
}

// Steps over the markers (a kind-2 marker replacing `mask`), the incomplete markers and, in a
// layout that has them, the signatures and the headers of joined files from `position` on, and
// returns where the next other item starts. A signature sets `speedFirst` to its model's order; a
// header starts another file: its mask, and the order of a model that has not signed yet.
template <RecordFraming F>
std::int32_t SkipMarkers(const std::uint8_t* base, std::int32_t position, std::uint32_t& mask,
                         bool& speedFirst)
{
    while (position < kBlockSize) {
        const std::uint8_t* p = base + position;
        if (IsMaskMarker(p)) {
            mask = MaskAfterMarker(p, mask);
            position += kMarkerLength;
        } else if (AllEqual(p, 4, kMarkerByte)) { // an incomplete marker
            position += kMarkerLength;
        } else if (const std::int32_t signature = SignatureLength<F>(p); signature != 0) {
            speedFirst = NamesSpeedFirstModel(p);
            position += signature;
        } else if (F.Signatures && IsBlockHeader(p)) {
            mask = LoadU32(p + 2);
            speedFirst = false;
            position += kHeaderLength;
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

// How many records in a row a walk without '*' wants before it takes the first of them after
// damage, unless another item ends the run sooner. The records of a steady log are so alike that
// a window shifted into the next record often seals as well, and may even read as a fix, but not
// for long: the time or the millisecond changes within ten records.
constexpr int kResyncRun = 16;

// Whether a run of fixes starts at `position`: a record that gives a fix, then records up to
// kResyncRun in all (or fewer that a marker, a signature, a header, erased flash or the block's
// end follows) of which at most one gives none, so that damage next to a record does not hide it.
// After damage (`after` the time of the last fix kept, not NaN), each fix of the run comes at
// most a day after the one before, the first after that last fix: a window shifted into the next
// record reads its time from bytes of two records, far from the log's times.
template <RecordFraming F>
bool RunFollows(const BlockWalk& walk, std::uint32_t mask, std::int32_t position, double after)
{
    constexpr double kLongestStepDays = 1.0;
    double previous = after;
    int dropped = 0;
    for (int records = 0; records < kResyncRun; ++records) {
        if (position >= kBlockSize)
            return position == kBlockSize;
        const std::uint8_t* p = walk.Base + position;
        if (records > 0 && (IsMaskMarker(p) || SignatureLength<F>(p) != 0 ||
                            AllEqual(p, 4, kErasedByte) || IsBlockHeader(p)))
            return true;
        TGpsFix fix;
        bool rejected = false;
        position += DecodeRecord<F>(p, mask, fix, rejected, walk.Clock);
        if (!rejected && !std::isnan(previous))
            rejected = !(fix.Time >= previous && fix.Time - previous <= kLongestStepDays);
        if (rejected && (records == 0 || ++dropped > 1))
            return false;
        if (!rejected)
            previous = fix.Time;
    }
    return true;
}

// Where a walk of a layout without '*' goes on after damage or erased space: at the first
// following byte where a marker, a signature or a joined file's header starts, or a record whose
// that starts a run of fixes (RunFollows; after damage, `after` is the last fix's time, and NaN
// after erased space, past which older records may follow). Erased space that runs to the
// block's end ends the walk.
template <RecordFraming F>
std::int32_t Resync(const BlockWalk& walk, std::uint32_t mask, std::int32_t from, double after)
{
    for (std::int32_t q = from; q < walk.UsedEnd; ++q) {
        const std::uint8_t* p = walk.Base + q;
        if (IsMaskMarker(p) || SignatureLength<F>(p) != 0 || IsBlockHeader(p))
            return q;
        if (AllEqual(p, 4, kErasedByte))
            continue;
        if (RunFollows<F>(walk, mask, q, after))
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
        return Resync<F>(walk, mask, position + 1, NAN);
}

// Where the walk goes on after a dropped record of `length` bytes. With a '*': 2 bytes after the
// record's first '*' (the likely end of a record whose mask did not fit), else past its computed
// length. Without: at the next item found byte by byte, even past a record whose seal holds, as
// a record that gives no fix does not tell where the next one starts.
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
        const std::int32_t kept = walk.Table.Count();
        const double after = kept > 0 ? walk.Table[static_cast<std::size_t>(kept) - 1].Time : NAN;
        return Resync<F>(walk, mask, position + 1, after);
    }
}

// Walks the records of framing F from `position` on, and returns where it stopped: the walk's
// end, or the item after a signature or header that binds the sister records to the other order.
template <RecordFraming F>
std::int32_t WalkRecords(const BlockWalk& walk, std::uint32_t& mask, std::int32_t position)
{
    // The plain layout walks to the block's end; the other stops where erased flash runs to it.
    const std::int32_t end = F.Terminated ? kBlockSize : walk.UsedEnd;
    BlockScanState& state = walk.State;
    while ((position = SkipMarkers<F>(walk.Base, position, mask, state.SpeedFirst)) < end) {
        if (F.Signatures && state.SpeedFirst != F.SpeedFirst)
            return position;
        const std::uint8_t* p = walk.Base + position;
        if (AllEqual(p, 4, kErasedByte)) {
            position = AfterErased<F>(walk, mask, position);
            continue;
        }
        // Decoded in place at the table's end, and counted there when accepted.
        bool rejected = false;
        const std::int32_t length =
            DecodeRecord<F>(p, mask, *walk.Table.End(), rejected, walk.Clock);
        if (!rejected) {
            walk.Table.Keep();
            state.RecordedFields |= mask;
        }
        position = rejected ? AfterDropped<F>(walk, mask, position, length) : position + length;
    }
    return end;
}

// A sister block's walk: in the order the last signature bound, switching where another binds.
void WalkSisterBlock(const BlockWalk& walk, std::uint32_t mask)
{
    std::int32_t position = kFirstRecordOffset;
    while (position < walk.UsedEnd)
        position = walk.State.SpeedFirst ? WalkRecords<kSisterSpeedFirst>(walk, mask, position)
                                         : WalkRecords<kSister>(walk, mask, position);
}

// Whether the sister layout frames the records from `position` on: the seal holds for three
// records in a row, or for every record up to the block's used end. Markers, signatures and
// headers may stand between them; damage or erased space breaks the run.
bool SisterFramesRecords(const std::uint8_t* base, std::int32_t usedEnd, std::int32_t position,
                         std::uint32_t mask)
{
    bool speedFirst = false;
    for (int sealed = 1;; ++sealed) {
        // A mask that selects no field bytes makes every byte a "record", and a run of one byte
        // value (zeroed flash, padding) seals under many masks: neither frames anything.
        // Nor does a record that runs on into the erased end of the block past its checksum
        // (which may read 0xFF).
        const std::uint8_t* p = base + position;
        const std::int32_t length = SealedLength<kSister>(p, mask);
        if (length < 2 || AllEqual(p, length - 1, p[0]) || position + length > usedEnd + 1)
            return false;
        if (sealed == kSisterEvidence)
            return true;
        position = SkipMarkers<kSister>(base, position + length, mask, speedFirst);
        if (position >= usedEnd)
            return true;
    }
}

// Whether the plain layout frames two records in a row from `position` on (or one that the
// block's end, a marker or erased flash follows).
bool PlainFramesRecords(const std::uint8_t* base, std::int32_t position, std::uint32_t mask)
{
    const std::int32_t length = SealedLength<kPlain>(base + position, mask);
    if (length == 0)
        return false;
    position += length;
    if (position >= kBlockSize)
        return true;
    const std::uint8_t* p = base + position;
    return IsMaskMarker(p) || AllEqual(p, 4, kErasedByte) || SealedLength<kPlain>(p, mask) != 0;
}

enum class BlockFraming {
    Unframed, // no record, or a first record that neither layout frames: read as plain
    Plain,
    Sister,
};

// The layout the items from `position` on show first, looked for byte by byte past damage and
// erased space: a signature, or a run of records sealed in one layout (two plain ones, or three
// sister ones or all up to the used end). Unframed when none does within kFramingSearchBytes.
BlockFraming FramingFrom(const std::uint8_t* base, std::int32_t usedEnd, std::uint32_t mask,
                         std::int32_t position)
{
    const std::int32_t end = std::min(usedEnd, position + kFramingSearchBytes);
    for (; position < end; ++position) {
        const std::uint8_t* p = base + position;
        if (IsMaskMarker(p)) {
            mask = MaskAfterMarker(p, mask);
            position += kMarkerLength - 1;
            continue;
        }
        if (AllEqual(p, 4, kErasedByte))
            continue;
        if (PlainFramesRecords(base, position, mask))
            return BlockFraming::Plain;
        if (SignatureLength<kSister>(p) != 0 || SisterFramesRecords(base, usedEnd, position, mask))
            return BlockFraming::Sister;
    }
    return BlockFraming::Unframed;
}

// The layout of a block. A signature among the items that open it makes it a sister block; a
// first record the plain layout seals, a plain one. Past damage to its first records, the first
// run of records sealed in one layout decides, so that damage costs only the damaged records.
BlockFraming FramingOf(const std::uint8_t* base, std::int32_t usedEnd)
{
    std::uint32_t mask = LoadU32(base + 2);
    std::int32_t first = kFirstRecordOffset;
    while (first < usedEnd && AllEqual(base + first, 4, kMarkerByte)) { // markers, complete or not
        if (IsMaskMarker(base + first))
            mask = MaskAfterMarker(base + first, mask);
        first += kMarkerLength;
    }
    if (first >= usedEnd)
        return BlockFraming::Unframed;
    if (SignatureLength<kSister>(base + first) != 0)
        return BlockFraming::Sister;
    if (!AllEqual(base + first, 4, kErasedByte) && SealedLength<kPlain>(base + first, mask) != 0)
        return BlockFraming::Plain;
    return FramingFrom(base, usedEnd, mask, first);
}

void ScanBlockAt(const std::uint8_t* base, const LoggerClock& clock, BlockScanState& state,
                 FixTable& table)
{
    const std::uint32_t mask = LoadU32(base + 2);
    const std::int32_t usedEnd = UsedEnd(base);
    const BlockFraming framing = FramingOf(base, usedEnd);
    if (framing == BlockFraming::Sister) {
        ++state.SisterBlocks;
        WalkSisterBlock({base, usedEnd, clock, state, table}, mask);
        return;
    }
    const std::int32_t before = table.Count();
    std::uint32_t plainMask = mask;
    WalkRecords<kPlain>({base, kBlockSize, clock, state, table}, plainMask, kFirstRecordOffset);
    if (framing == BlockFraming::Plain || table.Count() > before)
        ++state.PlainBlocks;
}

} // namespace

std::int32_t DecodeBlockRecord(const std::uint8_t* RecordStart, std::uint32_t FieldMask,
                               TGpsFix& Fix, bool& Rejected, const LoggerClock& Clock)
{
    return DecodeRecord<kPlain>(RecordStart, FieldMask, Fix, Rejected, Clock);
}

namespace {

// Calls `use` with the first byte of block `index` of the image, readable for the block and
// kReadPastBlock bytes more: in place, or a copy followed by erased flash where the image ends
// sooner.
template <typename Use>
void WithBlock(std::span<const std::uint8_t> image, std::int32_t index, const Use& use)
{
    if (index < 0)
        return;
    const std::size_t start = static_cast<std::size_t>(index) * kBlockSize;
    if (start >= image.size())
        return;
    if (image.size() - start >= kBlockSize + kReadPastBlock) {
        use(image.data() + start);
        return;
    }
    std::vector<std::uint8_t> padded(kBlockSize + kReadPastBlock, kErasedByte);
    const std::size_t available = std::min(image.size() - start, padded.size());
    std::memcpy(padded.data(), image.data() + start, available);
    use(padded.data());
}

std::int32_t BlocksOf(std::span<const std::uint8_t> image)
{
    return static_cast<std::int32_t>((image.size() + kBlockSize - 1) / kBlockSize);
}

} // namespace

void ScanBlock(std::span<const std::uint8_t> image, std::int32_t BlockIndex,
               const LoggerClock& clock, BlockScanState& state, FixTable& table)
{
    WithBlock(image, BlockIndex,
              [&](const std::uint8_t* base) { ScanBlockAt(base, clock, state, table); });
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
    const std::int32_t blocks = BlocksOf(image);
    table.Reserve(static_cast<std::size_t>(table.Count()) +
                  static_cast<std::size_t>(blocks) * kMostFixesPerBlock);
    for (std::int32_t i = 0; i < blocks; ++i)
        ScanBlock(image, i, clock, state, table);
    return state;
}

BlockScanState SurveyBlockLog(std::span<const std::uint8_t> image)
{
    BlockScanState state;
    for (std::int32_t i = 0; i < BlocksOf(image); ++i) {
        WithBlock(image, i, [&](const std::uint8_t* base) {
            const BlockFraming framing = FramingOf(base, UsedEnd(base));
            state.PlainBlocks += framing == BlockFraming::Plain ? 1 : 0;
            state.SisterBlocks += framing == BlockFraming::Sister ? 1 : 0;
        });
    }
    return state;
}
