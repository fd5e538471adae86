#pragma once

#include "store/FixStore.h"

#include <cstdint>

// Sector-log fixes are smoothed once after decoding: speed, latitude and longitude of every fix
// become weighted means of the fix and its neighbours in table order that lie within 210 ms.

// Reads fixTable[0 .. fixCount-1] and writes workTable[0 .. fixCount-1]: every field copied, the
// speed and position smoothed. Right-hand values come only from fixTable.
void SmoothFixes(const TGpsFix* fixTable, std::int32_t fixCount, TGpsFix* workTable);

// The smoothing step of a sector-log load: sizes the work table to FixCount, smooths, copies the
// result back over the fix table and releases the work table.
void RunSmoothingStep(FixStore& store);
