#include "support/OutingsLog.h"

#include <array>
#include <cmath>

namespace t2ntest {
namespace {

struct Place {
    double Latitude;
    double Longitude;
};
struct Outing {
    std::int32_t StartUtc;
    int Seconds;
    Place From;
    Place To;
    double Bend; // sideways swing of the route in degrees; a round trip's radius
    float TopSpeedKmh;
};

constexpr Place kHome{35.6581, 139.7017};
constexpr Place kOffice{35.6896, 139.7623};
constexpr Place kLake{35.6239, 139.5731};
constexpr double kPi = 3.14159265358979323846;
constexpr std::int32_t kSecondsPerDay = 86400;

constexpr std::array<Outing, kOutingsPerDay> kOutings{{
    {1714689612, 2728, kHome, kOffice, 0.006, 52.0f},   // 07:40:12
    {1714705503, 1607, kOffice, kOffice, 0.008, 38.0f}, // 12:05:03
    {1714713030, 4308, kOffice, kLake, -0.012, 61.0f},  // 14:10:30
    {1714726965, 2484, kLake, kHome, 0.009, 57.0f},     // 18:02:45
}};

// The position at `share` (0..1) of an outing: along a swinging line, or round a loop when it
// ends where it began.
Place PositionOf(const Outing& o, double share)
{
    const double wobble = 0.0009 * std::sin(13 * kPi * share) * std::sin(kPi * share);
    if (o.From.Latitude == o.To.Latitude && o.From.Longitude == o.To.Longitude) {
        const double angle = 2 * kPi * share;
        return {o.From.Latitude + o.Bend * std::sin(angle) + wobble,
                o.From.Longitude + 1.3 * o.Bend * (1 - std::cos(angle)) + wobble};
    }
    const double dLat = o.To.Latitude - o.From.Latitude;
    const double dLon = o.To.Longitude - o.From.Longitude;
    const double side = o.Bend * std::sin(kPi * share) + wobble;
    const double length = std::hypot(dLat, dLon);
    return {o.From.Latitude + dLat * share + side * dLon / length,
            o.From.Longitude + dLon * share - side * dLat / length};
}

} // namespace

Bytes OutingsLog(std::size_t days, int everyDays)
{
    constexpr std::size_t kPerBlock = 1500;
    const std::size_t blocks = (days * kOutingsDayFixes + kPerBlock - 1) / kPerBlock;
    FlashImage image = BlockLog(blocks, kBlockBasicMask);
    std::size_t written = 0;
    for (std::size_t day = 0; day < days; ++day) {
        const auto shift = static_cast<std::int32_t>(day) * everyDays * kSecondsPerDay;
        for (const Outing& o : kOutings) {
            for (int i = 0; i < o.Seconds; ++i) {
                const double share = static_cast<double>(i) / (o.Seconds - 1);
                const Place at = PositionOf(o, share);
                RawFix fix;
                fix.Seconds = o.StartUtc + shift + i;
                fix.Millisecond = 400;
                fix.Latitude = at.Latitude;
                fix.Longitude = at.Longitude;
                // Slow at either end, a few slow stretches on the way.
                fix.Speed =
                    o.TopSpeedKmh * static_cast<float>(std::sin(kPi * share) *
                                                       (0.75 + 0.25 * std::cos(9 * kPi * share)));
                image.Append(written++ / kPerBlock, BlockRecord(fix, kBlockBasicMask));
            }
        }
    }
    return image.Data();
}

} // namespace t2ntest
