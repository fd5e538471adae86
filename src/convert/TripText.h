#pragma once

#include "convert/MovingFigures.h"
#include "convert/Trips.h"
#include "load/LogFile.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The command line's trip list: one tab-separated row per trip under this header.
constexpr std::string_view kTripListHeader = "trip\tstart\tend\tfixes\tduration\tdistance_km\t"
                                             "max_kmh\tmin_height_m\tmax_height_m\t"
                                             "moving\tavg_kmh\tascent_m\tdescent_m";

// One row, without line end: the 1-based trip number, first and last fix as local
// "YYYY-MM-DD hh:mm:ss.zzz", the fix count, the duration as "hh:mm:ss" (cut to the whole second;
// hours may run past 99), the distance in km with 3 decimals, the highest speed and the height
// range with 1 decimal, then the moving time as "hh:mm:ss", the average moving speed, the ascent
// and the descent with 1 decimal (MovingFigures.h), and "-" for a figure the trip has no value
// for. `shiftMs` moves the times to another clock (UTC: the bias in milliseconds).
[[nodiscard]] std::string FormatTripRow(std::size_t number, const Trip& trip,
                                        const MovingFigures& moving, std::int64_t shiftMs = 0);

// Every trip number fits: each trip holds at least one fix of the table.
constexpr std::int32_t kMaxTripNumber = kMostLogFixes;

// "1,3-5": 1-based trip numbers and inclusive ranges, separated by commas, as sorted unique
// numbers. Nothing for an empty item, 0, a number above kMaxTripNumber, a range that runs
// backwards, or any other character.
[[nodiscard]] std::optional<std::vector<std::int32_t>> ParseTripList(std::string_view text);
