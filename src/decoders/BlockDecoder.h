#pragma once

#include "store/FixStore.h"

#include <cstdint>

// The block log: 64 KiB flash blocks. Each block holds its initial field mask at offset 2 and,
// from offset 512, a stream of records (the fields the mask selects, a '*' terminator and an XOR
// checksum), mask markers and erased 0xFF space.

// Decodes block `BlockIndex` of the store's log buffer and appends its accepted fixes.
void ScanBlock(FixStore& store, std::int32_t BlockIndex);

// Decodes the record at `RecordStart` under `FieldMask` into `Fix`. Returns the record's length
// (2 plus its field sizes, whatever the outcome); `Rejected` tells whether the fix is to be
// dropped. The bytes from RecordStart must be readable for the longest record (2612 bytes).
std::int32_t DecodeBlockRecord(const std::uint8_t* RecordStart, std::uint32_t FieldMask,
                               TGpsFix& Fix, bool& Rejected, double LocalEpoch);
