#pragma once

#include "store/GpsFix.h"
#include "store/TimeBase.h"

#include <cstdint>
#include <optional>
#include <span>

// A time window in local standard time, as whole milliseconds since 1899-12-30 00:00. A fix is
// in it when its moment, rounded to the whole millisecond exactly as its printed time is, lies at
// or after Start and before End. An absent side is unbounded.
struct TimeWindow {
    std::optional<std::int64_t> Start;
    std::optional<std::int64_t> End;

    [[nodiscard]] bool Contains(const TGpsFix& fix) const;
    // The part of this window that lies in [start, end).
    [[nodiscard]] TimeWindow Within(std::int64_t start, std::int64_t end) const;
};

// A bounded window: the half-open interval [Start, End) of local whole milliseconds.
struct MsWindow {
    std::int64_t Start = 0;
    std::int64_t End = 0;

    operator TimeWindow() const { return {Start, End}; }
};

// The moment of calendar fields of whole seconds (local standard time, milliseconds ignored) in
// whole milliseconds, or nothing for a date that does not exist.
[[nodiscard]] std::optional<std::int64_t> MomentOfFields(const CalendarTime& fields);

// The window of whole seconds that covers every moment from `firstMs` to `lastMs`: from the start
// of the first one's second to the end of the last one's second (the end is exclusive).
[[nodiscard]] MsWindow CoveringWindow(std::int64_t firstMs, std::int64_t lastMs);

// True when any of the windows holds the fix.
[[nodiscard]] bool AnyContains(std::span<const TimeWindow> windows, const TGpsFix& fix);
