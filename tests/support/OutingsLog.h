#pragma once

#include "support/LogWriter.h"

#include <cstddef>

namespace t2ntest {

// A day of four outings in Tokyo, one fix a second, from 2024-05-03 (UTC+9): to the office at
// 07:40:12, a lunch loop at 12:05:03, out west at 14:10:30 and home at 18:02:45; 11 127 fixes,
// 44.47 km. With more days the same day comes again every `everyDays` days: twelve days make a
// month of 48 trips.
inline constexpr std::size_t kOutingsPerDay = 4;
inline constexpr std::size_t kOutingsDayFixes = 11127;
Bytes OutingsLog(std::size_t days = 1, int everyDays = 2);

} // namespace t2ntest
