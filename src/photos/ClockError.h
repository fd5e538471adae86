#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// A camera clock's error (the camera's time minus the true time) as a person types it: seconds,
// "+75", "-2.5", or hours, minutes and seconds, "+1:02:03", "-0:00:30.25"; a sign or none, up to
// three decimals after the seconds, minutes and seconds below 60 in the second form. The first
// form is what the command line has always taken.

// The largest error either way, in seconds: three decades and more, for a camera whose date was
// never set.
constexpr std::int64_t kMostClockErrorSeconds = 999'999'999;

// The error in milliseconds; nothing for any other text or one beyond kMostClockErrorSeconds.
[[nodiscard]] std::optional<std::int64_t> ParseClockError(std::string_view text);
// "+1:02:03", "-0:00:30", "+0:00:00" of whole seconds.
[[nodiscard]] std::string ClockErrorHms(std::int64_t seconds);
