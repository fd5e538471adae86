#pragma once

#include "store/FixStore.h"

#include <cstdint>

// The sector log (".BNX4"): 4 KiB flash sectors. Each sector holds its field mask at offset 2
// and, from offset 512, records (the fields the mask selects, then 2 bytes not interpreted),
// mask markers and erased 0xFF space. Fixes are gated on fix type and filtered for plausibility.

// The field mask every fix-bearing record needs: time, fix type, latitude, longitude, extra
// value, speed, the satellite counts and the millisecond.
constexpr std::uint32_t kSectorRequiredMask = 0x4103F;

// Length in bytes of one record under `FieldMask`: 2 plus the sizes of the sized fields.
std::int32_t SectorRecordLength(std::uint32_t FieldMask);

// Walks sector `SectorIndex` of the store's log buffer and appends its accepted fixes.
void ScanSector(FixStore& store, std::int32_t SectorIndex);

// Decodes one record, runs the fix-type gate and the plausibility tests, and appends the fix
// while the table has room.
void DecodeSectorRecord(FixStore& store, const std::uint8_t* RecordStart, std::uint32_t FieldMask);
