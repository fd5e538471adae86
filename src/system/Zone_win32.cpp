#include "system/Zone.h"

#include <windows.h>

std::int32_t ZoneBiasAt(std::int64_t unixSeconds)
{
    // FILETIME counts 100 ns steps from 1601-01-01 UTC.
    const auto ticks = static_cast<std::uint64_t>((unixSeconds + 11644473600LL) * 10000000LL);
    const FILETIME utcTime{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME utc{}, local{};
    FILETIME localTime{};
    if (!FileTimeToSystemTime(&utcTime, &utc) ||
        !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local) ||
        !SystemTimeToFileTime(&local, &localTime))
        return StandardTimeZoneBias();
    const auto localTicks = static_cast<std::int64_t>(
        localTime.dwLowDateTime | std::uint64_t{localTime.dwHighDateTime} << 32);
    return static_cast<std::int32_t>((static_cast<std::int64_t>(ticks) - localTicks) / 600000000LL);
}

std::int32_t StandardTimeZoneBias()
{
    // Windows keeps the standard bias apart from the daylight one.
    TIME_ZONE_INFORMATION info{};
    GetTimeZoneInformation(&info);
    return static_cast<std::int32_t>(info.Bias);
}
