#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// How long a tile fetched from a server is kept before it is asked for again, by the server's
// own caching headers and never less than a week: tile servers ask clients to keep tiles at
// least that long. Times are seconds since 1970-01-01 UTC, taken from the caller's clock.

inline constexpr std::int64_t kMinTileLifetimeSec = std::int64_t{7} * 24 * 3600;

// The caching headers of one response, as the server sent them (empty when absent).
struct TileResponseHeaders {
    std::string CacheControl;
    std::string Expires;
    std::string Date;
    std::string Age;
    std::string ETag;
    std::string LastModified;
};

// What the cache keeps beside a tile's bytes.
struct TileFreshness {
    std::int64_t FetchedSec = 0;    // when it last came from the server, or was confirmed (304)
    std::int64_t FreshUntilSec = 0; // when it becomes stale
    std::string ETag;               // the validators for the conditional request
    std::string LastModified;
};

// An HTTP date (RFC 9110: "Sun, 06 Nov 1994 08:49:37 GMT", and the obsolete RFC 850 and asctime
// forms) as seconds since 1970; nothing when the text is none of them.
[[nodiscard]] std::optional<std::int64_t> ParseHttpDate(std::string_view text);

// The freshness of a response received at `nowSec`: its lifetime from Cache-Control max-age
// (else Expires less Date), less its Age, and at least kMinTileLifetimeSec.
[[nodiscard]] TileFreshness FreshnessOf(const TileResponseHeaders& headers, std::int64_t nowSec);

// The freshness after a 304 answer at `nowSec`: the new lifetime, the validators kept where the
// answer names none.
[[nodiscard]] TileFreshness Revalidated(const TileFreshness& kept,
                                        const TileResponseHeaders& headers, std::int64_t nowSec);

[[nodiscard]] inline bool IsStale(const TileFreshness& freshness, std::int64_t nowSec)
{
    return nowSec >= freshness.FreshUntilSec;
}

// The headers of a request for a tile the cache holds stale: If-None-Match with its entity tag
// and If-Modified-Since with its Last-Modified date, each only when known. Never a header that
// asks the server or a proxy to bypass its own cache.
struct ConditionalHeaders {
    std::string IfNoneMatch;
    std::string IfModifiedSince;
};
[[nodiscard]] ConditionalHeaders ConditionalHeadersFor(const TileFreshness& freshness);
