#pragma once

#include "store/TimeBase.h"

// The twelve date and time controls hold whole seconds of years 2000 to 2099.
constexpr int kFirstControlYear = 2000;
constexpr int kLastControlYear = 2099;

// A day count taken to the nearest millisecond and cut to the whole second.
CalendarTime CutToSecond(double dayCount);

// The moment one second later, carried through minute, hour, day, month and year.
CalendarTime AddOneSecond(const CalendarTime& time);

// The nearest moment the controls can show: anything before 2000-01-01 00:00:00 becomes that
// moment, anything after 2099-12-31 23:59:59 becomes that one. Milliseconds are dropped.
CalendarTime ClampToControls(const CalendarTime& time);
