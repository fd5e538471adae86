#pragma once

#include "decoders/MaskMarker.h"
#include "store/FixTable.h"
#include "store/TimeBase.h"

#include <cstdint>
#include <span>

// The block log: 64 KiB flash blocks. Each block holds its initial field mask at offset 2 and,
// from offset 512, a stream of records (the fields the mask selects, a '*' terminator and an XOR
// checksum), mask markers and erased 0xFF space.
//
// Some loggers of the family write a sister layout of the same blocks: float32 latitude and
// longitude, a 3-byte height (the high bytes of a float32), the checksum right after the fields
// without the '*', and ASCII signatures between records. Some of them store the speed first, as
// a 32-bit count of cm/s before the height. Each block is read in the layout whose records it
// frames; a file may mix both. Files of the sister layout may be joined anywhere: a block's
// 512-byte header inside a block starts another file, with its own mask.

constexpr std::int32_t kBlockSize = 65536;

// The shortest record that gives a fix: the time alone and the checksum (the sister layout has
// no '*' before it).
constexpr std::int32_t kShortestBlockRecord = 5;
// The most fixes a block gives: the records it keeps start from offset 512 on, each at least the
// shortest record's length after the one before.
constexpr std::int32_t kMostFixesPerBlock =
    (kBlockSize - kFirstRecordOffset + kShortestBlockRecord - 1) / kShortestBlockRecord;

// Field bits of a block record's mask, in the order their bytes follow each other. Bits 7, 9,
// 10, 11 and 17 carry two bytes each that are not interpreted.
enum class BlockField : int {
    Time = 0,              // 4 bytes: seconds since 1970-01-01 UTC, signed
    FixType = 1,           // 2 bytes
    Latitude = 2,          // 8 bytes: double, degrees
    Longitude = 3,         // 8 bytes: double, degrees
    Height = 4,            // 4 bytes: float, metres above sea level
    Speed = 5,             // 4 bytes: float, km/h
    Course = 6,            // 4 bytes: float, degrees
    Reserved8 = 8,         // 4 bytes, not interpreted
    SatelliteCounts = 12,  // 2 bytes: satellites used, then the extra count
    SatelliteEntries = 13, // 4 bytes per satellite, widened by bits 14 to 16
    EntryWidening14 = 14,  // each of bits 14 to 16 adds 2 bytes to every bit-13 entry
    EntryWidening15 = 15,
    EntryWidening16 = 16,
    Millisecond = 18, // 2 bytes
    Reserved19 = 19,  // 8 bytes, not interpreted
};

// What a decode of a block log carries from block to block besides the fixes, and what it met.
struct BlockScanState {
    // A signature of a speed-first model was met: the sister records from there store the speed
    // before the height, up to the next signature of another model or a joined file's header.
    bool SpeedFirst = false;
    // The field bits of the masks under which records were accepted.
    std::uint32_t RecordedFields = 0;
    // Blocks read in the plain layout that frame their first record or give fixes, and blocks
    // read in the sister layout. An erased block counts in neither.
    std::int32_t PlainBlocks = 0;
    std::int32_t SisterBlocks = 0;
};

// Decodes every 64 KiB block of a block-log image in order and appends the accepted fixes to
// `table`, after reserving room for the most the image can give. Bytes past the image's end
// read as erased flash (0xFF), so a last block the image holds only in part is decoded too.
BlockScanState DecodeBlockLog(std::span<const std::uint8_t> image, const LoggerClock& clock,
                              FixTable& table);

// The layout of each block of an image as ScanBlock decides it, without decoding the records:
// the blocks the plain layout frames (PlainBlocks) and the sister blocks.
[[nodiscard]] BlockScanState SurveyBlockLog(std::span<const std::uint8_t> image);

// Decodes block `BlockIndex` of the image and appends its accepted fixes. A block is read in the
// sister layout when a signature opens it, or when its first record fails the plain layout's
// seal and, looking on past damage and erased space, the first run of sealed records is one of
// the sister layout's (three in a row, or all up to the block's used end) rather than two of the
// plain layout's. A block that neither layout frames is read as plain.
void ScanBlock(std::span<const std::uint8_t> image, std::int32_t BlockIndex,
               const LoggerClock& clock, BlockScanState& state, FixTable& table);
// The same for a block read on its own, with no speed-first signature met before it.
void ScanBlock(std::span<const std::uint8_t> image, std::int32_t BlockIndex,
               const LoggerClock& clock, FixTable& table);

// Decodes the record at `RecordStart` under `FieldMask` into `Fix`. Returns the record's length
// (2 plus its field sizes, whatever the outcome); `Rejected` tells whether the fix is to be
// dropped. The bytes from RecordStart must be readable for the longest record (2612 bytes).
std::int32_t DecodeBlockRecord(const std::uint8_t* RecordStart, std::uint32_t FieldMask,
                               TGpsFix& Fix, bool& Rejected, const LoggerClock& Clock);
