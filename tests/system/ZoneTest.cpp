#include "system/Zone.h"

#include "store/TimeBase.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace {

[[maybe_unused]] std::int64_t UnixSeconds(int year, int month, int day)
{
    return (CalendarToMilliseconds({year, month, day, 12, 0, 0, 0}) -
            static_cast<std::int64_t>(kUnixEpochDayCount) * kMillisecondsPerDay) /
           kMsPerSecond;
}

// The zone named by TZ: the standard bias is the smaller offset of January and July (a zone of
// the southern half has its summer in January; Dublin's tz rules make winter the daylight time),
// and the bias at a moment follows the zone's daylight saving.
TEST(Zone, StandardAndMomentBiasesOfNamedZones)
{
#ifdef _WIN32
    GTEST_SKIP() << "Windows takes the zone from its settings, which TZ does not change";
#else
    const char* old = std::getenv("TZ");
    const std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;
    const struct {
        const char* Zone;
        std::int32_t Standard, January, July;
    } zones[] = {
        {"UTC", 0, 0, 0},
        {"Asia/Tokyo", -540, -540, -540},
        {"Asia/Kolkata", -330, -330, -330},
        {"America/New_York", 300, 300, 240},
        {"Europe/Dublin", 0, 0, -60},
        {"Australia/Sydney", -600, -660, -600},
        {"America/St_Johns", 210, 210, 150},
    };
    for (const auto& z : zones) {
        setenv("TZ", z.Zone, 1);
        EXPECT_EQ(StandardTimeZoneBias(), z.Standard) << z.Zone;
        EXPECT_EQ(ZoneBiasAt(UnixSeconds(2021, 1, 15)), z.January) << z.Zone;
        EXPECT_EQ(ZoneBiasAt(UnixSeconds(2021, 7, 15)), z.July) << z.Zone;
    }
    if (saved)
        setenv("TZ", saved->c_str(), 1);
    else
        unsetenv("TZ");
#endif
}

} // namespace
