#pragma once

#include <cstdint>

// The local time zone as the system sets it. A bias is in minutes: UTC = local time + bias.

// The standard (never daylight-saving) bias of the local time zone: the larger of its biases on
// 1 January and 1 July of the current year, so the smaller of its offsets from UTC, as desktop
// systems define standard time (Europe/Dublin's is GMT, bias 0).
std::int32_t StandardTimeZoneBias();
// The bias of the local time zone in force at a moment (seconds since 1970-01-01 UTC), daylight
// saving included.
std::int32_t ZoneBiasAt(std::int64_t unixSeconds);
