#include "tiles/HttpCache.h"

#include <gtest/gtest.h>

namespace {

constexpr std::int64_t kNow = 1'700'000'000; // 2023-11-14 22:13:20 UTC
constexpr std::int64_t kDay = 86400;

TileResponseHeaders H(std::string cacheControl = {}, std::string expires = {},
                      std::string date = {}, std::string age = {})
{
    TileResponseHeaders headers;
    headers.CacheControl = std::move(cacheControl);
    headers.Expires = std::move(expires);
    headers.Date = std::move(date);
    headers.Age = std::move(age);
    return headers;
}

TEST(HttpCache, ParsesTheThreeDateForms)
{
    const struct {
        const char* Text;
        std::optional<std::int64_t> Seconds;
    } cases[] = {
        {"Sun, 06 Nov 1994 08:49:37 GMT", 784111777},
        {"Sunday, 06-Nov-94 08:49:37 GMT", 784111777},
        {"Sun Nov  6 08:49:37 1994", 784111777},
        {"Tue, 14 Nov 2023 22:13:20 GMT", kNow},
        {"Thu, 29 Feb 2024 00:00:00 GMT", 1709164800},
        {"Thu, 01 Jan 1970 00:00:00 GMT", 0},
        {"Sun, 06 Foo 1994 08:49:37 GMT", std::nullopt},
        {"Sun, 06 Nov 1994 25:49:37 GMT", std::nullopt},
        {"0", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseHttpDate(c.Text), c.Seconds) << c.Text;
    }
}

TEST(HttpCache, KeepsByTheServersHeadersAndAtLeastAWeek)
{
    const struct {
        TileResponseHeaders Headers;
        std::int64_t LifetimeSec;
    } cases[] = {
        {H(), 7 * kDay},                                     // no headers: a week
        {H("max-age=60"), 7 * kDay},                         // less than a week: a week
        {H("public, max-age=2592000"), 30 * kDay},           // 30 days
        {H("max-age=\"1209600\""), 14 * kDay},               // quoted
        {H("no-cache, s-max-age=99999999"), 7 * kDay},       // not max-age
        {H("MAX-AGE=1209600, public"), 14 * kDay},           // any case
        {H("max-age=2592000", "", "", "864000"), 20 * kDay}, // less its Age
        {H("max-age=99999999999999999999999"), 3650 * kDay}, // bounded to ten years
        {H("max-age=-5"), 7 * kDay},
        // Expires, from the server's Date when it sends one, else from now
        {H("", "Tue, 28 Nov 2023 22:13:20 GMT"), 14 * kDay},
        {H("", "Tue, 28 Nov 2023 22:13:20 GMT", "Mon, 13 Nov 2023 22:13:20 GMT"), 15 * kDay},
        {H("", "Wed, 01 Jan 2020 00:00:00 GMT"), 7 * kDay}, // in the past
        {H("", "0"), 7 * kDay},                             // not a date
        // max-age wins over Expires
        {H("max-age=1728000", "Tue, 28 Nov 2023 22:13:20 GMT"), 20 * kDay},
    };
    for (const auto& c : cases) {
        const TileFreshness f = FreshnessOf(c.Headers, kNow);
        EXPECT_EQ(f.FreshUntilSec - kNow, c.LifetimeSec)
            << c.Headers.CacheControl << " | " << c.Headers.Expires;
        EXPECT_EQ(f.FetchedSec, kNow);
        EXPECT_FALSE(IsStale(f, kNow + c.LifetimeSec - 1));
        EXPECT_TRUE(IsStale(f, kNow + c.LifetimeSec));
    }
}

TEST(HttpCache, RevalidationKeepsValidatorsTheAnswerLacks)
{
    TileResponseHeaders first;
    first.ETag = "\"abc\"";
    first.LastModified = "Mon, 02 Jan 2023 03:04:05 GMT";
    const TileFreshness kept = FreshnessOf(first, kNow);
    const ConditionalHeaders asked = ConditionalHeadersFor(kept);
    EXPECT_EQ(asked.IfNoneMatch, "\"abc\"");
    EXPECT_EQ(asked.IfModifiedSince, "Mon, 02 Jan 2023 03:04:05 GMT");

    const std::int64_t later = kNow + 8 * kDay;
    TileResponseHeaders answer;
    answer.CacheControl = "max-age=1209600";
    const TileFreshness renewed = Revalidated(kept, answer, later);
    EXPECT_EQ(renewed.FetchedSec, later);
    EXPECT_EQ(renewed.FreshUntilSec, later + 14 * kDay);
    EXPECT_EQ(renewed.ETag, "\"abc\"");
    EXPECT_EQ(renewed.LastModified, kept.LastModified);

    answer.ETag = "\"def\"";
    EXPECT_EQ(Revalidated(kept, answer, later).ETag, "\"def\"");
    EXPECT_TRUE(ConditionalHeadersFor(TileFreshness{}).IfNoneMatch.empty());
}

} // namespace
