#include "decoders/SectorDecoder.h"

#include "decoders/ByteReader.h"
#include "decoders/MaskMarker.h"
#include "decoders/Smoothing.h"
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
    switch (static_cast<SectorField>(bit)) {
    case SectorField::Time:
    case SectorField::Height:
    case SectorField::Speed:
        return 4;
    case SectorField::FixType:
    case SectorField::SatelliteCounts:
    case SectorField::Reserved17:
    case SectorField::Millisecond:
        return 2;
    case SectorField::Latitude:
    case SectorField::Longitude:
        return 8;
    case SectorField::Reserved21:
        return 52;
    default:
        return 0;
    }
}

constexpr std::int32_t LengthUnder(std::uint32_t mask)
{
    std::int32_t length = 2;
    for (int bit = 0; bit <= 21; ++bit)
        if ((mask >> bit) & 1u)
            length += FieldSize(bit);
    return length;
}
static_assert(LengthUnder(kSectorRequiredMask) == kShortestSectorRecord);

bool Has(std::uint32_t mask, SectorField field) { return (mask & FieldBit(field)) != 0; }

// Reads the fields the mask selects. Returns the logger's second count.
std::int32_t ReadFields(const std::uint8_t* record, std::uint32_t mask, TGpsFix& fix)
{
    std::int32_t seconds = 0;
    ByteReader r(record, kLongestRecord);
    if (Has(mask, SectorField::Time))
        seconds = r.I32();
    if (Has(mask, SectorField::FixType))
        fix.FixType = r.U16();
    if (Has(mask, SectorField::Latitude))
        fix.Latitude = r.F64();
    if (Has(mask, SectorField::Longitude))
        fix.Longitude = r.F64();
    if (Has(mask, SectorField::Height))
        fix.ExtraValue = r.F32();
    if (Has(mask, SectorField::Speed))
        fix.Speed = r.F32();
    if (Has(mask, SectorField::SatelliteCounts)) {
        fix.SatelliteCount = r.U8();
        fix.ExtraCount = r.U8();
    }
    if (Has(mask, SectorField::Reserved17))
        r.Skip(2);
    if (Has(mask, SectorField::Millisecond))
        fix.Millisecond = r.U16();
    // Bit 21 (52 bytes) is the last sized field and is not interpreted.
    return seconds;
}

// Written so that a NaN fails like any bad value.
bool IsPlausible(const TGpsFix& fix, std::uint32_t mask)
{
    return fix.Speed > 0.0f && fix.Speed <= 2000.0f && fix.Latitude >= -90.0 &&
           fix.Latitude <= 90.0 && fix.Longitude >= -180.0 && fix.Longitude <= 180.0 &&
           fix.Millisecond <= 999 && (mask & kSectorRequiredMask) == kSectorRequiredMask;
}

void NoteTooEarly(SectorDropCounts& dropped, std::int64_t seconds)
{
    ++dropped.BeforeEarliest;
    if (seconds == 0)
        return;
    const bool first = dropped.EarliestTooEarly == 0 && dropped.LatestTooEarly == 0;
    if (first || seconds < dropped.EarliestTooEarly)
        dropped.EarliestTooEarly = seconds;
    if (first || seconds > dropped.LatestTooEarly)
        dropped.LatestTooEarly = seconds;
}

// Keeps a dropped record's moment and values when it is dated on the log's clock.
void KeepDropped(SectorDropCounts& dropped, const TGpsFix& fix)
{
    if (fix.Time >= kSectorLogEarliestTime)
        dropped.Records.push_back({fix.Time, fix.Speed, fix.ExtraValue});
}

} // namespace

std::int32_t SectorRecordLength(std::uint32_t FieldMask) { return LengthUnder(FieldMask); }

void ScanSector(std::span<const std::uint8_t> image, std::int32_t SectorIndex,
                const LoggerClock& clock, SectorScanState& state, FixTable& table)
{
    if (SectorIndex < 0 ||
        static_cast<std::size_t>(SectorIndex) >= image.size() / std::size_t{kSectorSize})
        return;
    const std::uint8_t* base = image.data() + static_cast<std::size_t>(SectorIndex) * kSectorSize;
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
                DecodeSectorRecord(p, mask, clock, state, table);
            position += length;
        }
    } while (position + kMarkerLength <= kSectorSize && position + length <= kSectorSize);
}

void DecodeSectorRecord(const std::uint8_t* RecordStart, std::uint32_t FieldMask,
                        const LoggerClock& clock, SectorScanState& state, FixTable& table)
{
    TGpsFix fix{};
    const std::int32_t seconds = ReadFields(RecordStart, FieldMask, fix);
    // A millisecond of 1000 or more gives a time of no consequence: the record is dropped below.
    fix.Time = seconds == 0 ? 0.0 : clock.DayCount(seconds, fix.Millisecond);
    fix.Course = 0.0f;

    // Fix-type gate: after a record that is not a 3D fix, the next five 3D fixes are untrusted.
    if (fix.FixType != kThreeDimensionalFix) {
        state.SkipCounter = kRecordsSkippedAfterBadFix;
        ++state.Dropped.FixTypeGate;
        KeepDropped(state.Dropped, fix);
        return;
    }
    if (state.SkipCounter != 0) {
        --state.SkipCounter;
        ++state.Dropped.FixTypeGate;
        KeepDropped(state.Dropped, fix);
        return;
    }
    if (!IsPlausible(fix, FieldMask)) {
        ++state.Dropped.Implausible;
        KeepDropped(state.Dropped, fix);
        return;
    }
    if (!(fix.Time >= kSectorLogEarliestTime)) {
        NoteTooEarly(state.Dropped, seconds == 0 ? 0 : seconds + clock.ShiftSeconds);
        return;
    }
    table.Append(fix);
}

SectorDropCounts DecodeSectorLog(std::span<const std::uint8_t> image, const LoggerClock& clock,
                                 FixTable& table)
{
    SectorScanState state;
    const auto sectors = static_cast<std::int32_t>(image.size() / std::size_t{kSectorSize});
    table.Reserve(static_cast<std::size_t>(table.Count()) +
                  static_cast<std::size_t>(sectors) * kMostFixesPerSector);
    // Room for a dropped record of every record the image can hold: address space only until
    // records fill it, and no copies as they come (a log of 2D fixes drops them all).
    state.Dropped.Records.reserve(static_cast<std::size_t>(sectors) * kMostFixesPerSector);
    for (std::int32_t i = 0; i < sectors; ++i)
        ScanSector(image, i, clock, state, table);
    SmoothFixTable(table);
    return state.Dropped;
}
