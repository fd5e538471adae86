#include "messages/ClockText.h"

#include "store/TimeBase.h"

#include <cmath>
#include <cstdio>

namespace {

inline constexpr Bilingual kFast{"{1}: the camera's clock is {2} s fast",
                                 "{1}: カメラの時計は {2} 秒進んでいます"};
inline constexpr Bilingual kSlow{"{1}: the camera's clock is {2} s slow",
                                 "{1}: カメラの時計は {2} 秒遅れています"};
inline constexpr Bilingual kPassed{
    " (the track passed {1} m from the photo's position at {2} UTC)",
    " (トラックは {2} (UTC) に写真の位置から {1} m のところを通っています)"};
inline constexpr Bilingual kNoTime{"{1}: the photo has no time it was taken",
                                   "{1}: 写真に撮影日時がありません"};
inline constexpr Bilingual kNoPosition{"{1}: the photo holds no position",
                                       "{1}: 写真に位置情報がありません"};
inline constexpr Bilingual kNotNear{
    "{1}: the track never comes within {2} m of the photo's position within {3} hours of its "
    "time",
    "{1}: 撮影日時の前後 {3} 時間に、トラックが写真の位置から {2} m 以内を通っていません"};
inline constexpr Bilingual kClosest{" (at the closest {1} m)", " (最も近くて {1} m)"};

std::string Number(double value, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string UtcMoment(std::int64_t ms)
{
    const CalendarTime t = MillisecondsToCalendar(ms);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.Year, t.Month, t.Day,
                  t.Hour, t.Minute, t.Second, t.Millisecond);
    return text;
}

} // namespace

std::string ClockFromPlaceText(const ClockFromPlace& clock, const std::string& photo,
                               Language language)
{
    switch (clock.Status) {
    case ClockFromPlaceStatus::NoTime:
        return Fill(kNoTime.In(language), {photo});
    case ClockFromPlaceStatus::NoPosition:
        return Fill(kNoPosition.In(language), {photo});
    case ClockFromPlaceStatus::NotNear: {
        std::string text =
            Fill(kNotNear.In(language),
                 {photo, Number(kClockNearM, 0), std::to_string(kClockSearchMs / kMsPerHour)});
        if (std::isfinite(clock.DistanceM))
            text += Fill(kClosest.In(language), {Number(clock.DistanceM, 0)});
        return text;
    }
    case ClockFromPlaceStatus::Found:
        break;
    }
    const double seconds = static_cast<double>(std::llabs(clock.OffsetMs)) / 1000.0;
    return Fill((clock.OffsetMs < 0 ? kSlow : kFast).In(language), {photo, Number(seconds, 3)}) +
           Fill(kPassed.In(language), {Number(clock.DistanceM, 1), UtcMoment(clock.TrackUtcMs)});
}
