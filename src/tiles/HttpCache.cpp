#include "tiles/HttpCache.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <limits>

namespace {

constexpr std::array<std::string_view, 12> kMonths = {"jan", "feb", "mar", "apr", "may", "jun",
                                                      "jul", "aug", "sep", "oct", "nov", "dec"};
constexpr std::int64_t kMaxLifetimeSec = std::int64_t{10} * 365 * 24 * 3600;

// Days from 1970-01-01 to the civil date (proleptic Gregorian).
std::int64_t DaysFromCivil(std::int64_t y, int m, int d)
{
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

int MonthOf(std::string_view name)
{
    std::string lower;
    for (const char c : name) {
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    const auto found = std::find(kMonths.begin(), kMonths.end(), lower);
    return found == kMonths.end() ? 0 : static_cast<int>(found - kMonths.begin()) + 1;
}

std::optional<std::int64_t> Seconds(int year, const char* month, int day, int h, int m, int s)
{
    const int monthNumber = MonthOf(month);
    if (monthNumber == 0 || day < 1 || day > 31 || h < 0 || h > 23 || m < 0 || m > 59 || s < 0 ||
        s > 60) {
        return std::nullopt;
    }
    if (year < 100) {
        year += year < 70 ? 2000 : 1900; // RFC 850's two-digit years
    }
    return DaysFromCivil(year, monthNumber, day) * 86400 + std::int64_t{h} * 3600 +
           std::int64_t{m} * 60 + s;
}

// A non-negative decimal count of seconds; nothing for anything else.
std::optional<std::int64_t> DeltaSeconds(std::string_view text)
{
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (end == text.data() || value < 0) {
        return std::nullopt;
    }
    if (error == std::errc::result_out_of_range) {
        return std::numeric_limits<std::int64_t>::max();
    }
    return value;
}

// The value of `max-age` in a Cache-Control header ("public, max-age=604800").
std::optional<std::int64_t> MaxAge(std::string_view cacheControl)
{
    std::string lower;
    for (const char c : cacheControl) {
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    std::size_t at = 0;
    while ((at = lower.find("max-age", at)) != std::string::npos) {
        const bool starts = at == 0 || lower[at - 1] == ',' || lower[at - 1] == ' ';
        at += 7;
        if (!starts || at >= lower.size() || lower[at] != '=') {
            continue;
        }
        std::string_view value = std::string_view(lower).substr(at + 1);
        if (!value.empty() && value.front() == '"') {
            value.remove_prefix(1);
        }
        return DeltaSeconds(value);
    }
    return std::nullopt;
}

} // namespace

std::optional<std::int64_t> ParseHttpDate(std::string_view text)
{
    const std::string date(text.substr(0, 64));
    char weekday[16] = {};
    char month[4] = {};
    int day = 0;
    int year = 0;
    int h = 0;
    int m = 0;
    int s = 0;
    // IMF-fixdate: "Sun, 06 Nov 1994 08:49:37 GMT"
    if (std::sscanf(date.c_str(), "%15[A-Za-z], %2d %3s %4d %2d:%2d:%2d GMT", weekday, &day, month,
                    &year, &h, &m, &s) == 7) {
        return Seconds(year, month, day, h, m, s);
    }
    // RFC 850: "Sunday, 06-Nov-94 08:49:37 GMT"
    if (std::sscanf(date.c_str(), "%15[A-Za-z], %2d-%3s-%4d %2d:%2d:%2d GMT", weekday, &day, month,
                    &year, &h, &m, &s) == 7) {
        return Seconds(year, month, day, h, m, s);
    }
    // asctime: "Sun Nov  6 08:49:37 1994"
    if (std::sscanf(date.c_str(), "%15[A-Za-z] %3s %2d %2d:%2d:%2d %4d", weekday, month, &day, &h,
                    &m, &s, &year) == 7) {
        return Seconds(year, month, day, h, m, s);
    }
    return std::nullopt;
}

TileFreshness FreshnessOf(const TileResponseHeaders& headers, std::int64_t nowSec)
{
    std::int64_t lifetime = 0;
    if (const auto maxAge = MaxAge(headers.CacheControl)) {
        lifetime = *maxAge;
    } else if (const auto expires = ParseHttpDate(headers.Expires)) {
        const std::int64_t base = ParseHttpDate(headers.Date).value_or(nowSec);
        lifetime = *expires - base;
    }
    lifetime = std::min(lifetime, kMaxLifetimeSec);
    lifetime -= std::min(DeltaSeconds(headers.Age).value_or(0), lifetime);
    TileFreshness freshness;
    freshness.FetchedSec = nowSec;
    freshness.FreshUntilSec = nowSec + std::max(lifetime, kMinTileLifetimeSec);
    freshness.ETag = headers.ETag;
    freshness.LastModified = headers.LastModified;
    return freshness;
}

TileFreshness Revalidated(const TileFreshness& kept, const TileResponseHeaders& headers,
                          std::int64_t nowSec)
{
    TileFreshness freshness = FreshnessOf(headers, nowSec);
    if (freshness.ETag.empty()) {
        freshness.ETag = kept.ETag;
    }
    if (freshness.LastModified.empty()) {
        freshness.LastModified = kept.LastModified;
    }
    return freshness;
}

ConditionalHeaders ConditionalHeadersFor(const TileFreshness& freshness)
{
    return ConditionalHeaders{freshness.ETag, freshness.LastModified};
}
