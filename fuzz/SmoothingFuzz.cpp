// Fuzzes the smoothing pass over tables built from the input.
//
// Byte 0 picks the table's kind. Even: plausible fixes (16 bytes each, see PlausibleFixFrom) with
// times stepping by signed milliseconds, as a sector log stores them; the smoothed speed, latitude
// and longitude of every fix must then lie within the range of the table's own values (a weighted
// mean with positive weights cannot leave it), so also within the decoders' ranges. Odd: raw
// fixes (any bits, NaN and infinities included); the pass must then merely not fault.
// In both cases every field but speed, latitude and longitude comes back bit for bit.

#include "FuzzCommon.h"
#include "decoders/Smoothing.h"

#include <algorithm>
#include <vector>

using namespace t2nfuzz;

namespace {

bool SameBits(const void* a, const void* b, std::size_t n)
{
    return n == 0 || std::memcmp(a, b, n) == 0;
}

void CheckUntouchedFields(const TGpsFix& in, const TGpsFix& out, std::int64_t i)
{
    Check(SameBits(&in.Time, &out.Time, sizeof in.Time), "time unchanged", i);
    Check(in.FixType == out.FixType, "fix type unchanged", i);
    Check(SameBits(&in.ExtraValue, &out.ExtraValue, sizeof in.ExtraValue), "extra value unchanged",
          i);
    Check(SameBits(&in.Course, &out.Course, sizeof in.Course), "course unchanged", i);
    Check(in.ExtraCount == out.ExtraCount && in.SatelliteCount == out.SatelliteCount,
          "counts unchanged", i);
    Check(in.Millisecond == out.Millisecond, "millisecond unchanged", i);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const bool plausible = (data[0] & 1) == 0;
    InputReader in(data + 1, size - 1);
    const std::size_t fixBytes = plausible ? kPlausibleFixBytes : kRawFixBytes;

    std::vector<TGpsFix> table;
    double time = kPlausibleStart;
    while (in.Left() >= fixBytes)
        table.push_back(plausible ? PlausibleFixFrom(in, time) : RawFixFrom(in));
    const auto n = static_cast<std::int32_t>(table.size());
    // Exactly n entries: a read or write past them is caught by the address sanitizer.
    std::vector<TGpsFix> work(table.size());
    const std::vector<TGpsFix> before = table;

    SmoothFixes(table.data(), n, work.data());

    Check(SameBits(before.data(), table.data(), table.size() * sizeof(TGpsFix)),
          "fix table only read");
    for (std::int32_t i = 0; i < n; ++i)
        CheckUntouchedFields(table[static_cast<std::size_t>(i)], work[static_cast<std::size_t>(i)],
                             i);
    if (!plausible || n == 0)
        return 0;

    const auto [minSpeed, maxSpeed] = std::minmax_element(
        table.begin(), table.end(), [](auto& a, auto& b) { return a.Speed < b.Speed; });
    const auto [minLat, maxLat] = std::minmax_element(
        table.begin(), table.end(), [](auto& a, auto& b) { return a.Latitude < b.Latitude; });
    const auto [minLon, maxLon] = std::minmax_element(
        table.begin(), table.end(), [](auto& a, auto& b) { return a.Longitude < b.Longitude; });
    for (std::int32_t i = 0; i < n; ++i) {
        const TGpsFix& f = work[static_cast<std::size_t>(i)];
        Check(f.Speed >= minSpeed->Speed && f.Speed <= maxSpeed->Speed,
              "smoothed speed within the table's speeds", i);
        Check(f.Latitude >= minLat->Latitude && f.Latitude <= maxLat->Latitude,
              "smoothed latitude within the table's latitudes", i);
        Check(f.Longitude >= minLon->Longitude && f.Longitude <= maxLon->Longitude,
              "smoothed longitude within the table's longitudes", i);
        CheckSectorFix(f, i);
    }
    // A fix whose neighbours are all outside the window keeps its values.
    for (std::int32_t i = 0; i < n; ++i) {
        const auto lonely = [&](std::int32_t k) {
            const std::int32_t j = i + k;
            if (j < 0 || j >= n)
                return true;
            const double d = k < 0 ? table[static_cast<std::size_t>(i)].Time -
                                         table[static_cast<std::size_t>(j)].Time
                                   : table[static_cast<std::size_t>(j)].Time -
                                         table[static_cast<std::size_t>(i)].Time;
            // Well clear of the 210 ms window, so rounding cannot decide.
            return d > 0.5 / 86400.0;
        };
        if (lonely(-3) && lonely(-2) && lonely(-1) && lonely(1) && lonely(2) && lonely(3)) {
            const TGpsFix& a = table[static_cast<std::size_t>(i)];
            const TGpsFix& b = work[static_cast<std::size_t>(i)];
            Check(a.Speed == b.Speed && a.Latitude == b.Latitude && a.Longitude == b.Longitude,
                  "a fix without neighbours keeps its values", i);
        }
    }
    return 0;
}
