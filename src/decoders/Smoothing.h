#pragma once

#include "store/FixTable.h"

#include <cstdint>

// Sector-log fixes are smoothed once after decoding: speed, latitude and longitude of every fix
// become weighted means of the fix and its neighbours in table order that lie within 210 ms.

// Reads fixTable[0 .. fixCount-1] and writes workTable[0 .. fixCount-1]: every field copied, the
// speed and position smoothed. Right-hand values come only from fixTable.
void SmoothFixes(const TGpsFix* fixTable, std::int32_t fixCount, TGpsFix* workTable);

// The smoothing step of a sector-log load: smooths the table's fixes into a work table of the
// same length, then copies the result back over the table.
void SmoothFixTable(FixTable& table);
